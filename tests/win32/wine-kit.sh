# What wine-check.sh does to the program as a user would, sourced by it: start and close it,
# click and type, read what it says, and look at the registry and the weather file. Expects
# $exe, $config, $drive_c and $weather to be set.

fail() { echo "FAIL: $*"; exit 1; }

# Reads lines from fd $1 until one matches the regex $2, within $3 seconds; the line is left
# in $line.
await() {
    local fd=$1 pattern=$2 seconds=${3:-20}
    local deadline=$((SECONDS + seconds))
    while ((SECONDS < deadline)); do
        IFS= read -r -t $((deadline - SECONDS)) -u "$fd" line || return 1
        [[ $line =~ $pattern ]] && return 0
    done
    return 1
}

# Throws away what fd $1 has said so far, so that the next await hears only what follows.
drain() {
    while read -r -t 0 -u "$1"; do
        IFS= read -r -u "$1" line || break
    done
}

# Starts the program with the caption trace on, and the environment assignments given; waits
# for its first caption ($first_caption) and its window ($window).
# Arguments of the form NAME=VALUE go into the program's environment, the rest to the program.
start_program() {
    local settings=() options=()
    for argument in "$@"; do
        if [[ $argument == *=* ]]; then settings+=("$argument"); else options+=("$argument"); fi
    done
    exec {program}< <(exec env UIQ_REPORT_CAPTION=1 "${settings[@]}" wine "$exe" "${options[@]}" 2>/dev/null)
    program_pid=$!
    await "$program" '^caption ' || fail "the program showed no caption"
    first_caption=${line#caption }
    window=$(xdotool search --sync --onlyvisible --limit 1 --classname 'uiquorvix.exe')
}

stop_program() {
    wine taskkill /im UiQuorvix.exe >/dev/null 2>&1 || true
    local deadline=$((SECONDS + 20))
    while kill -0 "$program_pid" 2>/dev/null; do
        ((SECONDS < deadline)) || fail "closing the window did not end the program"
        wait "$program_pid" 2>/dev/null || true
    done
}

# Clicks at a point of the client area given in pixels at 96 DPI.
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }
click_oneshot() { click 136 20; }
click_start() { click 32 20; }
click_stop() { click 72 20; }
click_cport() { click 96 60; }
click_scroll_up() { click 124 52; }

# OneShot, and the caption of its reading in $line.
one_shot() {
    click_oneshot
    await "$program" '^caption One shot' || fail "OneShot showed no reading"
}

registry_value() {
    wine reg query "$config" /v "$1" 2>/dev/null | tr -d '\r' |
        sed -n "s/^ *$1 *REG_SZ *//p"
}

# The settings key as regedit writes it, one "NAME"=VALUE line each, in UTF-8.
exported_settings() {
    wine reg export "$config" 'C:\exported.reg' /y >/dev/null 2>&1 || fail "the settings key is gone"
    iconv -f UTF-16 -t UTF-8 "$drive_c/exported.reg" | tr -d '\r' | grep '^"'
    rm -f "$drive_c/exported.reg"
}

# Puts the .reg lines given into the settings key, as a user's regedit would.
import_settings() {
    {
        printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Vostrel\\UiQuorvix\\Config]\r\n'
        printf '%s\r\n' "$@"
    } >"$drive_c/settings.reg"
    wine reg import 'C:\settings.reg' >/dev/null 2>&1 || fail "the settings could not be imported"
    rm -f "$drive_c/settings.reg"
}

fresh_settings() {
    wine reg delete 'HKCU\Software\Vostrel' /f >/dev/null 2>&1 || true
    rm -rf "$drive_c/UiView" "$drive_c/Shared"
}

# The clock's minute as the weather file's first line writes it.
minute_now() { LC_ALL=C date '+%b %d %Y %H:%M'; }

# The file $1 holds the date line of minute $2 or $3 and the simulator's weather field.
weather_file_holds() {
    local when
    for when in "$2" "$3"; do
        cmp -s "$1" <(printf '%s\r\n%s\r\n' "$when" "$weather") && return 0
    done
    fail "$1 holds: $(od -c "$1" | head -5)"
}

# Whether Wine here can be refused a folder: a Wine server with root's powers writes any.
wine_obeys_folder_permissions() {
    local probe=$drive_c/ReadOnlyProbe
    mkdir -p "$probe"
    chmod 555 "$probe"
    wine cmd /c 'echo probe> C:\ReadOnlyProbe\probe.txt' </dev/null >/dev/null 2>&1 || true
    local obeyed=yes
    [ -e "$probe/probe.txt" ] && obeyed=
    chmod 755 "$probe"
    rm -rf "$probe"
    [ -n "$obeyed" ]
}
