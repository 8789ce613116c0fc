#!/usr/bin/env bash
# Builds Webcam and runs it under Wine with the virtual camera and microphone, on $DISPLAY or,
# when there is none, on a private Xvfb display (screenshots then go to
# build/win/screenshots/run.png every few seconds). The prefix build/win/runprefix is kept
# between runs, so the program's settings are too. Ends when the program does.
#
# run.sh --demo drives the program through its own shortcuts (Preview, Capture, Record for
# about 5 s, Stop), saves a screenshot after each step into build/win/screenshots/, prints the
# files the program wrote and closes it.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/wine-session.sh"

"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build.sh" run || { echo "build failed"; exit 1; }

prefix="$root/build/win/runprefix"
fresh=reuse
[ -f "$prefix/system.reg" ] || fresh=fresh
trap wine_session_stop EXIT
wine_session_start "$prefix" "$fresh" existing-display || exit 1
wine_session_prepare_prefix "$root/build/win/run-prefix-setup.txt" || exit 1
# Run prefixes made before recordings became AVI files under Wine held the Windows Media
# stand-ins of the tests: Wine's own parts take their place again.
"$WINE" reg delete 'HKCU\Software\Wine\DllOverrides' /v wmvcore /f </dev/null >/dev/null 2>&1
"$WINE" reg delete 'HKLM\Software\Classes\CLSID\{7C23220E-55BB-11D3-8B16-00C04FB6BD3D}' /f \
    </dev/null >/dev/null 2>&1

# What Wine and its sound library print goes to a log, not over the demo.
"$WINE" "$root/build/win/bin/Webcam.exe" </dev/null 2>"$root/build/win/webcam-run.log" &
program=$!
shots="$root/build/win/screenshots"
mkdir -p "$shots"

if [ "${1:-}" = "--demo" ]; then
    marker=$(mktemp)
    failed=""
    press() {
        "$WINE" "$root/build/win/bin/demo_keys.exe" "$1" </dev/null >/dev/null 2>&1 ||
            { echo "  Webcam's window could not be found: $1 was not pressed"; failed=1; }
    }
    shot() { import -display "$DISPLAY" -window root "$shots/demo-$1.png" 2>/dev/null && echo "  screenshot build/win/screenshots/demo-$1.png"; }
    step() { echo "$1"; }
    step "Webcam starts"; press WAIT; sleep 2; shot 1-started
    step "P: Preview"; press P; sleep 3; shot 2-preview
    step "Space: Capture a picture"; press SPACE; sleep 2; shot 3-captured
    step "R: Record for about 5 seconds"; press R; sleep 7; shot 4-recording
    step "S: Stop (the recording ends, the preview goes on)"; press S; sleep 2; shot 5-stopped
    echo "Files Webcam wrote:"
    find "$prefix/drive_c/users" \( -path '*/Pictures/*' -o -path '*/Videos/*' \) -type f -newer "$marker" \
        -printf '  %p  %s bytes\n' 2>/dev/null
    rm -f "$marker"
    press CLOSE
    # Closing ends the program within seconds; one still there after 30 s is ended, and said so.
    for _ in $(seq 1 150); do
        kill -0 "$program" 2>/dev/null || break
        sleep 0.2
    done
    if kill -0 "$program" 2>/dev/null; then
        echo "Webcam did not end within 30 s of closing its window"
        kill "$program" 2>/dev/null
        failed=1
    fi
    wait "$program"
    status=$?
    [ -z "$failed" ] || exit 1
    exit "$status"
fi

if [ -n "$_xvfb_pid" ]; then
    echo "Webcam runs on the private display $DISPLAY; screenshots: build/win/screenshots/run.png"
    while kill -0 "$program" 2>/dev/null; do
        sleep 3
        import -display "$DISPLAY" -window root "$shots/run.png" 2>/dev/null
    done
else
    echo "Webcam runs on $DISPLAY"
fi
wait "$program"
