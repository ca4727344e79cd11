#!/usr/bin/env bash
# UiQuorvix.exe as a user meets it, under Wine on a virtual X display, with the thermometer
# simulator as COM1 and COM2 of a scratch Wine prefix. The prefix is made once with wineboot
# and reused; each case starts from a settings key of its own making.
#
# usage: wine-check.sh <UiQuorvix.exe> <uiquorvix-thermosim> <scratch dir> <version>
# Exit 77 (CTest's skip) when Wine, Xvfb, xdotool or the program is missing.
set -euo pipefail

exe=$(realpath -m "$1")
simulator=$(realpath -m "$2")
scratch=$3
version=$4

for tool in wine wineserver Xvfb xdotool iconv; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is not installed (Debian packages wine wine64 xvfb xdotool)"
        exit 77
    fi
done
hold_file=$(dirname "$exe")/HoldFile.exe
if [ ! -f "$exe" ] || [ ! -f "$hold_file" ]; then
    echo "SKIP: $exe or $hold_file is not built"
    exit 77
fi

mkdir -p "$scratch"
export WINEPREFIX=$(realpath "$scratch")/wineprefix
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
drive_c=$WINEPREFIX/drive_c
config='HKCU\Software\Vostrel\UiQuorvix\Config'
reply='HEAD-00000000000042X123/045g006t070 filler 123456+21.3\r\n'
weather='123/045g006t070'
file=$drive_c/UiView/WXprs.txt

source "$(dirname "$0")/wine-kit.sh"

pids=()
cleanup() {
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# --- The display, the prefix and two thermometers -------------------------------------------

exec {xfd}< <(exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null)
pids+=($!)
read -r -t 20 -u "$xfd" display || fail "Xvfb did not start"
export DISPLAY=:$display

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== Making the Wine prefix (once)"
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi
# One Wine server for the whole run; it rebuilds the COM links from the registry when it
# starts, so it starts before the simulators make theirs. The server opens every file for the
# program: run as root, it would write any folder, so it goes without root's power over file
# permissions, as a user's own server does.
if [ "$(id -u)" = 0 ] && command -v setpriv >/dev/null 2>&1 &&
    setpriv --bounding-set -dac_override,-dac_read_search,-fowner --inh-caps=-all -- true 2>/dev/null; then
    setpriv --bounding-set -dac_override,-dac_read_search,-fowner --inh-caps=-all -- \
        wineserver -p >/dev/null 2>&1
else
    wineserver -p >/dev/null 2>&1
fi

# COM1 and COM2 answer twice; COM3 pauses for 400 ms inside the temperature at the line's own
# pace; COM4 sends a NUL before each answer, as an adapter may when the line powers up; COM7
# and COM33 are USB adapters, numbered past the arrows' reach.
declare -A sim_out
declare -A sim_options=(
    [1]="--twice --twice-gap 50" [2]="--twice --twice-gap 50"
    [3]="--baud 9600 --pause-at 52 --pause 400" [4]="--stale \\x00 --stale-gap 0"
    [7]="" [33]="")
for com in 1 2 3 4 7 33; do
    # shellcheck disable=SC2086 # the options are words
    exec {out}< <(exec "$simulator" ${sim_options[$com]} --reply "$reply" \
                                    --install "$WINEPREFIX" --com "$com")
    pids+=($!)
    read -r -t 10 -u "$out" word device && [ "$word" = device ] || fail "simulator COM$com did not start"
    sim_out[$com]=$out
    wine reg add 'HKLM\Software\Wine\Ports' /v "COM$com" /t REG_SZ /d "$device" /f >/dev/null 2>&1
    ln -sfn "$device" "$WINEPREFIX/dosdevices/com$com"
done

# --- Cases ----------------------------------------------------------------------------------

echo "== First run: both defaults in the registry, and Stopped"
fresh_settings
start_program
[ "$first_caption" = Stopped ] || fail "first caption is '$first_caption'"
[ "$(registry_value CPort)" = 1 ] || fail "CPort is '$(registry_value CPort)'"
[ "$(registry_value WXPath)" = 'C:\UiView\WXprs.txt' ] || fail "WXPath is '$(registry_value WXPath)'"

echo "== The controls stand where the design put them, at 15 twips to a pixel"
declare -A place
for _ in {1..14}; do
    await "$program" '^control ' 10 || fail "the program did not say where its controls stand"
    read -r _ name where <<<"$line"
    place[$name]=$where
done
# NAME LEFT TOP WIDTH HEIGHT, in twips as the window was designed.
for design in 'Command1 1560 120 975 375' 'VScroll1 1680 720 375 375' \
              'WXfile 120 1320 4455 375' 'Label4 120 2280 4455 195'; do
    read -r name left top width height <<<"$design"
    expected="$((left / 15)) $((top / 15)) $((width / 15)) $((height / 15))"
    [ "${place[$name]-}" = "$expected" ] || fail "$name stands at '${place[$name]-}', not '$expected'"
done

echo "== A second program on the same port is told it is in use, and the first reads on"
exec {second}< <(UIQ_REPORT_CAPTION=1 exec wine "$exe" 2>/dev/null)
second_pid=$!
await "$second" '^caption ' || fail "the second program showed no caption"
[ "$line" = 'caption COM1 cannot be opened: it is in use by another program, or access is denied' ] ||
    fail "the second program on COM1 says '$line'"
kill "$second_pid"
while kill -0 "$second_pid" 2>/dev/null; do wait "$second_pid" 2>/dev/null || true; done

echo "== OneShot, pressed with Enter where the focus starts, writes C:\\UiView\\WXprs.txt byte for byte"
mkdir -p "$drive_c/UiView"
before=$(minute_now)
xdotool windowfocus --sync "$window" key Return
await "$program" '^caption One shot' || fail "OneShot showed no reading"
after=$(minute_now)
[ "$line" = 'caption One shot +21.3°C' ] || fail "OneShot caption is '$line'"
weather_file_holds "$file" "$before" "$after"

echo "== The host program holding the file: a moment delays the write, longer keeps the old file"
hold() {
    exec {holder}< <(exec wine "$hold_file" 'C:\UiView\WXprs.txt' "$1" 2>/dev/null)
    await "$holder" '^held' || fail "the file could not be held open"
}
old=$(cat "$file")
old_inode=$(stat -c %i "$file")
hold 3000
one_shot
[[ $line == *'cannot write C:\UiView\WXprs.txt: '* ]] || fail "a held file gave no error: '$line'"
[ "$(cat "$file")" = "$old" ] && [ "$(stat -c %i "$file")" = "$old_inode" ] ||
    fail "the held file was changed"
[ "$(ls "$drive_c/UiView")" = WXprs.txt ] || fail "left behind: $(ls "$drive_c/UiView")"
await "$holder" '^released' 10 || fail "the file was not let go"
hold 300
one_shot
[[ $line != *'cannot write'* ]] || fail "a file held for a moment was not written: '$line'"
[ "$(stat -c %i "$file")" != "$old_inode" ] || fail "the file was not replaced"

echo "== Typing 2 into the port box opens COM2 and saves 2"
drain "${sim_out[2]}"
click_cport
xdotool key End BackSpace type 2
await "$program" '^caption Stopped' || fail "no caption after the port change"
[ "$(registry_value CPort)" = 2 ] || fail "CPort is '$(registry_value CPort)'"
click_oneshot
await "${sim_out[2]}" '^query ' 10 || fail "COM2 got no command"

echo "== A text that is not a number keeps the port"
click_cport
xdotool key End type x
await "$program" '^caption "2x" is not a port number' || fail "no refusal in the caption: '$line'"
[ "$(registry_value CPort)" = 2 ] || fail "CPort became '$(registry_value CPort)'"
click_oneshot
await "${sim_out[2]}" '^query ' 10 || fail "COM2 was let go after a text that is not a number"
stop_program

echo "== A missing folder is named in the caption, and nothing is left behind"
fresh_settings
wine reg add "$config" /v WXPath /t REG_SZ /d 'C:\NoSuchFolder\WXprs.txt' /f >/dev/null 2>&1
start_program
one_shot
[ "$line" = 'caption One shot +21.3°C – cannot write C:\NoSuchFolder\WXprs.txt: the folder C:\NoSuchFolder does not exist' ] ||
    fail "no error in the caption: '$line'"
[ ! -e "$drive_c/NoSuchFolder" ] || fail "the missing folder was made"

echo "== Closing the window ends the program and frees the port"
stop_program
start_program
[ "$first_caption" = Stopped ] || fail "COM1 was not free after the program ended: '$first_caption'"
stop_program

echo "== A link at the weather path stays a link, and the file it leads to is replaced"
fresh_settings
mkdir -p "$drive_c/UiView" "$drive_c/Shared"
printf 'old\r\n' >"$drive_c/Shared/WXprs.txt"
ln -s ../Shared/WXprs.txt "$file"
start_program
before=$(minute_now)
one_shot
after=$(minute_now)
[ "$line" = 'caption One shot +21.3°C' ] || fail "writing through the link says '$line'"
[ -L "$file" ] && [ "$(readlink "$file")" = ../Shared/WXprs.txt ] ||
    fail "the link was not kept: $(ls -l "$file")"
weather_file_holds "$drive_c/Shared/WXprs.txt" "$before" "$after"
[ "$(ls "$drive_c/Shared")" = WXprs.txt ] || fail "left behind: $(ls "$drive_c/Shared")"

echo "== A folder at the weather path is no file, in the Linux program's words"
rm "$file"
mkdir "$file"
one_shot
[ "$line" = 'caption One shot +21.3°C – cannot write C:\UiView\WXprs.txt: it is a folder, not a file' ] ||
    fail "a folder at the path says '$line'"
rmdir "$file"

echo "== A folder the user may not write: the file in it is written in place"
if wine_obeys_folder_permissions; then
    printf 'old\r\n' >"$file"
    inode=$(stat -c %i "$file")
    chmod 555 "$drive_c/UiView"
    before=$(minute_now)
    one_shot
    after=$(minute_now)
    chmod 755 "$drive_c/UiView"
    [ "$line" = 'caption One shot +21.3°C' ] || fail "a file in a read-only folder says '$line'"
    weather_file_holds "$file" "$before" "$after"
    [ "$(stat -c %i "$file")" = "$inode" ] || fail "the file was not written in place"
else
    echo "SKIP: this Wine writes into a folder its user may not write (a Wine server with root's powers), so the write in place cannot be seen"
fi
stop_program

echo "== A stored port written another way: start-up shows only the caption it ends with"
fresh_settings
wine reg add "$config" /v CPort /t REG_SZ /d 02 /f >/dev/null 2>&1
start_program
[ "$first_caption" = Stopped ] || fail "start-up's first caption is '$first_caption'"
[ "$(registry_value CPort)" = 2 ] || fail "CPort is '$(registry_value CPort)'"
stop_program

echo "== A pause inside the temperature is waited out; a NUL before the answer is no reading"
fresh_settings
mkdir -p "$drive_c/UiView"
wine reg add "$config" /v CPort /t REG_SZ /d 3 /f >/dev/null 2>&1
start_program
before=$(minute_now)
one_shot
after=$(minute_now)
[ "$line" = 'caption One shot +21.3°C' ] || fail "a reply that paused gave '$line'"
weather_file_holds "$file" "$before" "$after"
stop_program
good=$(od -c "$file")
wine reg add "$config" /v CPort /t REG_SZ /d 4 /f >/dev/null 2>&1
start_program
click_oneshot
await "$program" '^caption COM4' || fail "a reply after a NUL gave no caption"
[ "$line" = 'caption COM4 answered 55 characters with no temperature at characters 50 to 54' ] ||
    fail "a reply after a NUL gave '$line'"
[ "$(od -c "$file")" = "$good" ] || fail "a reply after a NUL was written"
stop_program

echo "== A USB adapter's port past the arrows: COM7 stored and COM33 typed are opened and read"
fresh_settings
mkdir -p "$drive_c/UiView"
wine reg add "$config" /v CPort /t REG_SZ /d 7 /f >/dev/null 2>&1
start_program
[ "$first_caption" = Stopped ] || fail "start-up on the stored COM7 showed '$first_caption'"
one_shot
[ "$line" = 'caption One shot +21.3°C' ] || fail "OneShot on COM7 gave '$line'"
click_cport
xdotool key End BackSpace type 33
await "$program" '^caption Stopped' || fail "no caption after typing 33"
[ "$(registry_value CPort)" = 33 ] || fail "CPort is '$(registry_value CPort)'"
drain "${sim_out[33]}"
one_shot
[ "$line" = 'caption One shot +21.3°C' ] || fail "OneShot on COM33 gave '$line'"
await "${sim_out[33]}" '^query ' 10 || fail "COM33 got no command"
stop_program
record=$(find "$drive_c/users" -path '*/AppData/Local/Vostrel/UiQuorvix/UiQuorvix.log' | head -1)
[ -n "$record" ] || fail "no record of readings under %LOCALAPPDATA%"
today=$(date '+%Y-%m-%d')
for port in COM7 COM33; do
    grep -q "^$today [0-9:]* $port: One shot +21.3°C, written to C:.UiView.WXprs.txt"$'\r$' \
        "$record" || fail "the record holds no reading of $port: $(tail -3 "$record")"
done

echo "== A COM port whose device is gone says there is no device behind it"
ln -sfn /nonexistent/ttyUSB9 "$WINEPREFIX/dosdevices/com9"
wine reg add "$config" /v CPort /t REG_SZ /d 9 /f >/dev/null 2>&1
start_program
[ "$first_caption" = 'COM9 cannot be opened: there is no device behind COM9' ] ||
    fail "a port with no device showed '$first_caption'"
stop_program

echo "== A stored path longer than the path box: the caption says so, and the value stays whole"
fresh_settings
long_path="C:\\UiView\\$(printf 'x%.0s' {1..32786}).txt"
import_settings "\"WXPath\"=\"${long_path//\\/\\\\}\""
start_program
[ "$first_caption" = 'The stored path is longer than the path box holds (32800 characters); it stays as stored' ] ||
    fail "a long stored path gives the caption '${first_caption:0:200}'"
stored=$(exported_settings | sed -n 's/^"WXPath"="\(.*\)"$/\1/p')
[ "${stored//\\\\/\\}" = "$long_path" ] || fail "the stored path became ${#stored} characters long"
stop_program

echo "== A CPort of another type gives way to the REG_SZ default; an empty WXPath stays empty"
fresh_settings
import_settings '"CPort"=dword:00000002' '"WXPath"=hex(1):'
start_program
[ "$first_caption" = Stopped ] || fail "first caption is '$first_caption'"
settings=$(exported_settings)
grep -qxF '"CPort"="1"' <<<"$settings" || fail "CPort was not replaced: $settings"
grep -qxF '"WXPath"=""' <<<"$settings" || fail "the empty WXPath was not kept: $settings"
one_shot
[ "$line" = 'caption One shot +21.3°C – cannot write : no path is set' ] ||
    fail "an empty path says '$line'"
stop_program

echo "== Tab twice from where the focus starts, then space, presses Start"
fresh_settings
start_program
xdotool windowfocus --sync "$window" key Tab Tab space
await "$program" '^caption ' || fail "no caption after Tab, Tab, space"
[ "$line" = 'caption Started' ] || fail "Tab, Tab, space gave '$line'"
click_stop
await "$program" '^caption Stopped' || fail "Stop did not stop"

echo "== The scroll bar's up arrow moves the port from 1 to 2, opens COM2 and saves 2"
drain "${sim_out[2]}"
click_scroll_up
one_shot
await "${sim_out[2]}" '^query ' 10 || fail "COM2 got no command after the up arrow"
[ "$(registry_value CPort)" = 2 ] || fail "CPort is '$(registry_value CPort)'"
echo "== One notch of the mouse wheel over the scroll bar steps the port by one"
drain "${sim_out[3]}"
xdotool mousemove --window "$window" 124 62 click 4
click_oneshot
await "${sim_out[3]}" '^query ' 10 || fail "COM3 got no command after a notch of the wheel"
[ "$(registry_value CPort)" = 3 ] || fail "a notch up from COM2 saved CPort '$(registry_value CPort)'"
stop_program

echo "== Started, the seventh tick of the program's own timer writes the weather file"
fresh_settings
mkdir -p "$drive_c/UiView"
drain "${sim_out[1]}"
start_program UIQ_TICK_MS=400
before=$(minute_now)
click_start
await "$program" '^caption Started' || fail "Start did not start"
# Each tick comes within a few seconds, not at the design's ten.
for tick in {1..6}; do
    await "${sim_out[1]}" '^query ' 5 || fail "tick $tick asked the thermometer nothing"
done
# The sixth reading is being taken: five have ended, and none of the first six writes.
[ ! -e "$file" ] || fail "the weather file was written before the seventh tick"
for tick in 7 8; do
    await "${sim_out[1]}" '^query ' 5 || fail "tick $tick asked the thermometer nothing"
done
after=$(minute_now)
weather_file_holds "$file" "$before" "$after"
stop_program

echo "== Started with /start, the program samples without a click"
drain "${sim_out[1]}"
start_program UIQ_TICK_MS=400 /start
[ "$first_caption" = Stopped ] || fail "start-up with /start showed '$first_caption'"
await "$program" '^caption Started' 5 || fail "/start did not start sampling"
await "$program" '^caption \+21\.3' 5 || fail "no reading came without a click: '$line'"
stop_program

echo "== /START in capitals starts sampling too: a Windows program takes its options in any case"
drain "${sim_out[1]}"
start_program UIQ_TICK_MS=400 /START
await "$program" '^caption Started' 5 || fail "/START did not start sampling"
stop_program

# What the program answers to the options given: the lines it prints, in $answer, with the
# message box it shows meanwhile closed. The text comes in one write, so a pause of a second
# after a line means the text is whole.
answer_to() {
    local about about_pid
    exec {about}< <(exec wine "$exe" "$@" 2>/dev/null)
    about_pid=$!
    IFS= read -r -t 20 -u "$about" line || fail "$* printed nothing"
    answer=${line%$'\r'}
    while IFS= read -r -t 1 -u "$about" line; do answer+=$'\n'${line%$'\r'}; done
    kill "$about_pid" 2>/dev/null || true
    wine taskkill /im UiQuorvix.exe >/dev/null 2>&1 || true
    while kill -0 "$about_pid" 2>/dev/null; do wait "$about_pid" 2>/dev/null || true; done
    exec {about}<&-
}

echo "== --version prints the project's version"
answer_to --version
[ "$answer" = "UiQuorvix $version – UiView Quorvix thermometer" ] || fail "--version printed '$answer'"

echo "== /? lists the options the Windows way and no test hook; an unknown option points to /?"
answer_to '/?'
[[ $answer == *'--start, /start'* && $answer == *'--help, /?'* ]] || fail "/? printed '$answer'"
[[ $answer != *UIQ_* ]] || fail "/? shows a variable only tests set: '$answer'"
answer_to /strat
[ "$answer" = '"/strat" is not an option of UiQuorvix; /? lists them' ] ||
    fail "an unknown option printed '$answer'"

echo "PASS"
