#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a scratch
# root (nothing is installed on the machine) and checks it as a user would
# meet it: the files are where the desktop and man look for them, the
# package pulls in the Qt libraries, and the unpacked programs run: the
# simulator offers a COM port and UiQuorvix opens it and comes up "Stopped".
#
# usage: package-check.sh <build dir>
# Exit 77 (CTest's skip) when a tool the check needs is not installed.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 <build dir>" >&2
    exit 2
fi
build=$(cd "$1" && pwd)

need() { # tool, Debian package
    if ! command -v "$1" >/dev/null 2>&1; then
        echo "SKIP: $1 is not installed (Debian package $2)"
        exit 77
    fi
}
need cpack cmake
need dpkg-deb dpkg
need desktop-file-validate desktop-file-utils
need dpkg-parsechangelog dpkg-dev

scratch=$(mktemp -d "${TMPDIR:-/tmp}/uiq-package-check.XXXXXX")
# Processes still running when the script ends, by whatever path, are
# killed; the ones that ended as they should were taken off the list.
started=()
forget() {
    local i
    for i in "${!started[@]}"; do
        [ "${started[i]}" != "$1" ] || unset 'started[i]'
    done
}
cleanup() {
    local pid
    for pid in "${started[@]}"; do
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    if [ -n "${UIQ_KEEP_SCRATCH:-}" ]; then
        echo "scratch kept in $scratch"
    else
        rm -rf "$scratch"
    fi
}
trap cleanup EXIT

failures=0
passed=0
pass() { passed=$((passed + 1)); }
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { # description, command...
    local what=$1
    shift
    if "$@"; then pass; else fail "$what"; fi
}
finish() {
    echo "package-check: $passed passed, $failures failed"
    [ "$failures" -eq 0 ]
    exit
}

# --- Build and unpack --------------------------------------------------------

# -B keeps the package and CPack's staging out of the build folder, so an
# old .deb there can never be the one checked.
if ! (cd "$build" && cpack -G DEB -B "$scratch/cpack") > "$scratch/cpack.log" 2>&1; then
    cat "$scratch/cpack.log" >&2
    fail "cpack -G DEB failed in $build"
    finish
fi
debs=("$scratch"/cpack/*.deb)
if [ "${#debs[@]}" -ne 1 ] || [ ! -f "${debs[0]}" ]; then
    fail "expected one .deb from cpack, found: ${debs[*]}"
    finish
fi
deb=${debs[0]}
echo "package: $(basename "$deb")"

root=$scratch/root
dpkg-deb -x "$deb" "$root"

# --- Control file ------------------------------------------------------------

field() { dpkg-deb -f "$deb" "$1"; }
check "package name is uiquorvix (got '$(field Package)')" test "$(field Package)" = uiquorvix
# The program's version with the package's own revision after it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
package_version=$(field Version)
check "Version is $version-N (got '$package_version')" \
    grep -Eqx "${version//./\\.}-[1-9][0-9]*" <<<"$package_version"
# The maintainer is the one the build was told, else the checkout's git identity.
cache_value() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
maintainer=$(field Maintainer)
expected_maintainer=$(cache_value UIQ_PACKAGE_MAINTAINER)
if [ -z "$expected_maintainer" ] && command -v git >/dev/null 2>&1; then
    source_dir=$(cache_value CMAKE_HOME_DIRECTORY)
    git_name=$(git -C "$source_dir" config user.name || true)
    git_email=$(git -C "$source_dir" config user.email || true)
    expected_maintainer="$git_name <$git_email>"
fi
echo "Maintainer: $maintainer"
check "Maintainer is '$expected_maintainer' (got '$maintainer')" \
    test "$maintainer" = "$expected_maintainer"
check "Maintainer has the form 'Name <address>'" \
    grep -Eqx '[^<>,]+ <[^<>@ ]+@[^<> ]+>' <<<"$maintainer"

depends=$(field Depends)
echo "Depends: $depends"
# Package names alone: split on , and |, drop version constraints and arch.
depends_names=$(tr ',|' '\n' <<<"$depends" | sed -e 's/[[:space:]]*(.*//' -e 's/:.*//' \
                                -e 's/^[[:space:]]*//' -e 's/[[:space:]]*$//' | sed '/^$/d')
depends_on() { grep -qxF -- "$1" <<<"$depends_names"; }
check "Depends names libqt6widgets6" depends_on libqt6widgets6
check "Depends names libqt6serialport6" depends_on libqt6serialport6

# --- Files -------------------------------------------------------------------

# The DEB generator installs under /usr.
usr=$root/usr
check "bin/UiQuorvix is an executable" test -f "$usr/bin/UiQuorvix" -a -x "$usr/bin/UiQuorvix"
check "bin/uiquorvix-thermosim is an executable" \
    test -f "$usr/bin/uiquorvix-thermosim" -a -x "$usr/bin/uiquorvix-thermosim"

desktop=$usr/share/applications/uiquorvix.desktop
check "desktop entry share/applications/uiquorvix.desktop" test -f "$desktop"

# Width and height from the PNG header (big-endian at bytes 16 and 20), so
# a wrongly sized file under a size folder is caught without ImageMagick.
png_size() {
    local w h
    [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || return 1
    w=$(od -An -tu1 -j16 -N4 "$1" | awk '{print $1*16777216 + $2*65536 + $3*256 + $4}')
    h=$(od -An -tu1 -j20 -N4 "$1" | awk '{print $1*16777216 + $2*65536 + $3*256 + $4}')
    echo "${w}x${h}"
}
for size in 16 32; do
    icon=$usr/share/icons/hicolor/${size}x${size}/apps/uiquorvix.png
    if [ -f "$icon" ]; then
        got=$(png_size "$icon" || echo "not a PNG")
        check "icon ${size}x${size} is a ${size}x${size} PNG (got $got)" test "$got" = "${size}x${size}"
    else
        fail "icon share/icons/hicolor/${size}x${size}/apps/uiquorvix.png is missing"
    fi
done
svg=$usr/share/icons/hicolor/scalable/apps/uiquorvix.svg
check "scalable icon share/icons/hicolor/scalable/apps/uiquorvix.svg" grep -q '<svg' "$svg"

# gzip -9n leaves the header's name flag (bit 3 of byte 3) clear and its time stamp (bytes
# 4 to 7) zero, so the same text always packs to the same bytes: packing the file's text
# again gives the file.
gzip_without_name_or_time() {
    local header bytes
    header=$(od -An -tu1 -N8 "$1" | tr -s ' \n' ' ')
    read -r -a bytes <<<"$header"
    [ "${bytes[0]}" -eq 31 ] && [ "${bytes[1]}" -eq 139 ] && [ $((bytes[3] & 8)) -eq 0 ] &&
        [ $((bytes[4] | bytes[5] | bytes[6] | bytes[7])) -eq 0 ] &&
        zcat "$1" | gzip -9 -n | cmp -s - "$1"
}
# Each program has its manual page, gzipped, under the program's own name; man finds it
# and shows it, and what it shows names the program's version and options.
man_dir=$usr/share/man/man1
check "no uncompressed manual page: $(cd "$man_dir" && ls | grep -v '\.gz$' | xargs)" \
    test -z "$(ls "$man_dir" | grep -v '\.gz$')"
man_page_check() { # program, words it must show...
    local program=$1 page=$man_dir/$1.1.gz title shown
    shift
    if [ ! -f "$page" ]; then
        fail "manual page share/man/man1/$program.1.gz is missing"
        return
    fi
    check "$program.1.gz is gzip -9n (no name, no time stamp)" gzip_without_name_or_time "$page"
    title=$(zcat "$page" | grep -m1 '^\.TH ' || true)
    check "$program.1.gz has '.TH ${program^^} 1' at version $version (got '$title')" \
        grep -qE "^\\.TH ${program^^} 1 .*\"UiQuorvix $version\"" <<<"$title"
    if command -v man >/dev/null 2>&1; then
        shown=$(MANWIDTH=80 man --warnings -l "$page" 2>"$scratch/man.err" || true)
        check "man shows $program.1.gz without complaint: $(head -c 300 "$scratch/man.err")" \
            test ! -s "$scratch/man.err" -a -n "$shown"
        local word
        for word in "$@"; do
            check "man $program shows '$word'" grep -qF -- "$word" <<<"$shown"
        done
    fi
}
man_page_check UiQuorvix --start --help --version WINEPREFIX XDG_CONFIG_HOME XDG_STATE_HOME UIQ_REPORT_CAPTION \
    Vostrel/UiQuorvix.conf WXPath CPort dosdevices
man_page_check uiquorvix-thermosim --install --com --control

# Debian's changelog and copyright, under the package's name.
doc=$usr/share/doc/uiquorvix
changelog=$doc/changelog.Debian.gz
if [ -f "$changelog" ]; then
    check "changelog.Debian.gz is gzip -9n (no name, no time stamp)" \
        gzip_without_name_or_time "$changelog"
    zcat "$changelog" > "$scratch/changelog"
    changelog_field() {
        dpkg-parsechangelog -l "$scratch/changelog" -S "$1" 2>>"$scratch/changelog.err"
    }
    changelog_version=$(changelog_field Version || true)
    check "the changelog's newest entry is $package_version (got '$changelog_version')" \
        test "$changelog_version" = "$package_version"
    changelog_maintainer=$(changelog_field Maintainer || true)
    check "the changelog's newest entry is signed by '$maintainer' (got '$changelog_maintainer')" \
        test "$changelog_maintainer" = "$maintainer"
    check "dpkg-parsechangelog reads the changelog without complaint: $(cat "$scratch/changelog.err")" \
        test ! -s "$scratch/changelog.err"
else
    fail "share/doc/uiquorvix/changelog.Debian.gz is missing"
fi

# The package may be passed on only under a licence it states: the copyright file's
# "Files: *" paragraph names the licence and holder of the checkout's LICENSE, and the
# licence's name leads to its whole text, word for word (DEP-5 writes an empty line as " .").
source_dir=$(cache_value CMAKE_HOME_DIRECTORY)
copyright=$doc/copyright
words() { tr -s '[:space:]' ' ' | sed -e 's/^ //' -e 's/ $//'; }
if [ ! -f "$source_dir/LICENSE" ]; then
    fail "the checkout has no LICENSE ($source_dir/LICENSE)"
elif [ ! -f "$copyright" ]; then
    fail "share/doc/uiquorvix/copyright is missing"
else
    holder=$(sed -n 's/^Copyright ([cC]) //p' "$source_dir/LICENSE" | head -n1)
    licence_text=$(sed '1,/^Copyright /d' "$source_dir/LICENSE" | words)
    files_paragraph=$(awk 'BEGIN { RS = ""; FS = "\n" } $1 == "Files: *" { print; exit }' \
                          "$copyright")
    licence_name=$(sed -n 's/^License: *//p' <<<"$files_paragraph" | head -n1)
    # Every continuation of a "License: NAME" field, in the Files paragraph or one of its own.
    stated_text=$(awk -v field="License: $licence_name" '
        $0 == field { inside = 1; next }
        inside && /^[ \t]/ { sub(/^[ \t]+/, ""); print ($0 == "." ? "" : $0); next }
        { inside = 0 }' "$copyright" | words)
    check "LICENSE names its holder in a line 'Copyright (c) YEAR NAME'" test -n "$holder"
    check "the copyright file's Files: * paragraph says 'Copyright: $holder'" \
        grep -qxF "Copyright: $holder" <<<"$files_paragraph"
    check "the copyright file's Files: * paragraph names a licence" test -n "$licence_name"
    check "the copyright file states LICENSE's text under 'License: $licence_name'" \
        test -n "$licence_text" -a "$stated_text" = "$licence_text"
fi

# --- Lintian -----------------------------------------------------------------

# Debian's own checker reads the package as the archive would. An error fails the check;
# warnings and notes are shown, for a person to weigh, except that a program built without
# Debian's hardening (a note only, which -I shows) fails too: the build is meant to apply it.
if command -v lintian >/dev/null 2>&1; then
    lintian_options=(-I)
    # Lintian refuses to run as root unless told that it is meant.
    [ "$(id -u)" -ne 0 ] || lintian_options+=(--allow-root)
    lintian_status=0
    lintian "${lintian_options[@]}" --fail-on error "$deb" > "$scratch/lintian.log" 2>&1 ||
        lintian_status=$?
    sed 's/^/lintian: /' "$scratch/lintian.log"
    lintian_errors=$(grep -c '^E: ' "$scratch/lintian.log" || true)
    check "lintian reports no error (got $lintian_errors)" test "$lintian_errors" -eq 0
    hardening_tags=$(grep -E '^[EWIP]: [^ ]+ hardening-' "$scratch/lintian.log" || true)
    check "lintian finds both programs hardened (build type $(cache_value CMAKE_BUILD_TYPE); Release or RelWithDebInfo with dpkg-buildflags hardens them): ${hardening_tags:-}" \
        test -z "$hardening_tags"
    # 2 says it found errors, counted above; 1 that lintian itself failed, and read nothing.
    check "lintian itself ran (exit status $lintian_status)" test "$lintian_status" -ne 1
else
    echo "lintian is not installed (Debian package lintian): its checks are left out"
fi

# --- Desktop entry -----------------------------------------------------------

if [ -f "$desktop" ]; then
    if desktop-file-validate "$desktop" > "$scratch/validate.log" 2>&1; then
        pass
    else
        cat "$scratch/validate.log" >&2
        fail "desktop-file-validate rejects the installed entry"
    fi
    entry() { sed -n "s/^$1=//p" "$desktop" | head -n1; }
    exec_program=$(entry Exec | awk '{print $1}')
    check "Exec= ($exec_program) is a program the package installs" test -x "$usr/bin/$exec_program"
    check "Icon= ($(entry Icon)) is an icon the package installs" \
        test -f "$usr/share/icons/hicolor/32x32/apps/$(entry Icon).png"
fi

# The example entry that starts the program with the desktop session, sampling at once.
autostart=$usr/share/doc/uiquorvix/examples/uiquorvix-autostart.desktop
check "autostart example doc/uiquorvix/examples/uiquorvix-autostart.desktop" test -f "$autostart"
if [ -f "$autostart" ]; then
    check "desktop-file-validate accepts the autostart example" desktop-file-validate "$autostart"
    check "the autostart example runs UiQuorvix --start" \
        grep -qx 'Exec=UiQuorvix --start' "$autostart"
fi

# --- The unpacked programs run -----------------------------------------------

# Each process writes to a FIFO that this script reads, so every wait below
# is for a line or for the end of output, bounded by read's time-out, and
# never a sleep.

# Reads lines from file descriptor $1 until one matches the extended regex
# $2, for at most $3 seconds; prints the matching line. Other lines are
# echoed to stderr, so a failure shows what the process said instead.
await_line() {
    local fd=$1 pattern=$2 deadline=$((SECONDS + $3)) line left
    while left=$((deadline - SECONDS)); [ "$left" -gt 0 ]; do
        IFS= read -r -t "$left" -u "$fd" line || return 1
        if [[ $line =~ $pattern ]]; then
            printf '%s\n' "$line"
            return 0
        fi
        printf '  | %s\n' "$line" >&2
    done
    return 1
}
# Waits at most $3 seconds for the end of output on fd $2, which comes when
# process $1 exits, then collects its exit status into $exit_status.
await_exit() {
    local pid=$1 fd=$2 deadline=$((SECONDS + $3)) line left got
    while left=$((deadline - SECONDS)); [ "$left" -gt 0 ]; do
        IFS= read -r -t "$left" -u "$fd" line && got=0 || got=$?
        if [ "$got" -eq 0 ]; then
            printf '  | %s\n' "$line" >&2
            continue
        fi
        # 1 is the end of output; above 128 is the time-out.
        [ "$got" -eq 1 ] || return 1
        exit_status=0
        wait "$pid" || exit_status=$?
        forget "$pid"
        return 0
    done
    return 1
}

# A private home, configuration, runtime folder and Wine prefix, so nothing
# of the user running the check is read or changed.
mkdir -p "$scratch/home" "$scratch/config" "$scratch/wine/dosdevices"
mkdir -m 700 "$scratch/runtime"
run_env=(
    env -u DISPLAY -u WAYLAND_DISPLAY
    HOME="$scratch/home"
    XDG_CONFIG_HOME="$scratch/config"
    XDG_RUNTIME_DIR="$scratch/runtime"
    WINEPREFIX="$scratch/wine"
    QT_QPA_PLATFORM=offscreen
)
mkfifo "$scratch/sim.out" "$scratch/program.out"

# The unpacked simulator goes in as COM1 of the scratch Wine prefix, so the
# program finds a port to open on any machine.
"${run_env[@]}" "$usr/bin/uiquorvix-thermosim" --install "$scratch/wine" --com 1 \
    > "$scratch/sim.out" 2> "$scratch/sim.err" &
sim_pid=$!
started+=("$sim_pid")
exec {sim_fd}< "$scratch/sim.out"

if ! device_line=$(await_line "$sim_fd" '^device ' 20); then
    cat "$scratch/sim.err" >&2
    fail "the unpacked simulator printed no 'device' line within 20 s"
    finish
fi
device=${device_line#device }
check "the simulator linked dosdevices/com1 to $device" \
    test "$(readlink "$scratch/wine/dosdevices/com1")" = "$device"

"${run_env[@]}" UIQ_REPORT_CAPTION=1 "$usr/bin/UiQuorvix" \
    > "$scratch/program.out" 2> "$scratch/program.err" &
program_pid=$!
started+=("$program_pid")
exec {program_fd}< "$scratch/program.out"

program_ok=1
if caption=$(await_line "$program_fd" '^caption Stopped$' 20); then
    pass
    echo "program: $caption"
else
    fail "the unpacked UiQuorvix did not report 'caption Stopped' within 20 s"
    program_ok=0
fi

kill -TERM "$program_pid" 2>/dev/null || true
if await_exit "$program_pid" "$program_fd" 20; then
    check "UiQuorvix exits with status 0 on SIGTERM (got $exit_status)" test "$exit_status" -eq 0
else
    fail "UiQuorvix did not exit within 20 s of SIGTERM"
    program_ok=0
fi
if [ "$program_ok" -eq 0 ] && [ -s "$scratch/program.err" ]; then
    echo "UiQuorvix's stderr:" >&2
    sed 's/^/  | /' "$scratch/program.err" >&2
fi

kill -TERM "$sim_pid" 2>/dev/null || true
if await_exit "$sim_pid" "$sim_fd" 20; then
    check "the simulator exits with status 0 on SIGTERM (got $exit_status)" test "$exit_status" -eq 0
    check "the simulator removed dosdevices/com1 at exit" test ! -L "$scratch/wine/dosdevices/com1"
else
    fail "the simulator did not exit within 20 s of SIGTERM"
fi

finish
