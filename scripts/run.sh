#!/usr/bin/env bash
# Builds Webcam and runs it under Wine with the virtual camera and microphone, on $DISPLAY or,
# when there is none, on a private Xvfb display (screenshots then go to
# build/win/screenshots/run.png every few seconds). The prefix build/win/runprefix is kept
# between runs, so the program's settings are too. Ends when the program does.
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

"$WINE" "$root/build/win/bin/Webcam.exe" </dev/null &
program=$!
if [ -n "$_xvfb_pid" ]; then
    mkdir -p "$root/build/win/screenshots"
    echo "Webcam runs on the private display $DISPLAY; screenshots: build/win/screenshots/run.png"
    while kill -0 "$program" 2>/dev/null; do
        sleep 3
        import -display "$DISPLAY" -window root "$root/build/win/screenshots/run.png" 2>/dev/null
    done
else
    echo "Webcam runs on $DISPLAY"
fi
wait "$program"
