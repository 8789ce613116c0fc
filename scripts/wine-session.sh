# Sourced by the test and run scripts: a fresh Wine prefix with its own persistent wineserver,
# and an Xvfb display when none is given. `wine_session_stop` ends only the processes that
# `wine_session_start` started, by process id (and the prefix's own wineserver).

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
_wine_server_pid=""
_xvfb_pid=""

# wine_session_start PREFIX [fresh|reuse] [private-display|existing-display]
#   fresh: the prefix is made anew (tests); reuse: an existing one is kept (the run command).
#   existing-display: use $DISPLAY when it is set; otherwise a private Xvfb display.
wine_session_start() {
    export WINEPREFIX="$1"
    export WINEDEBUG=-all
    export WINEARCH=win64
    [ "${2:-fresh}" = "fresh" ] && rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"

    if [ "${3:-private-display}" = "existing-display" ] && [ -n "${DISPLAY:-}" ]; then
        :
    else
        _start_xvfb || return 1
    fi

    # Standard streams detached: Wine's background processes must not inherit our pipes.
    "$WINESERVER" -f -p </dev/null >/dev/null 2>&1 &
    _wine_server_pid=$!
    # No Mono or Gecko: their installers would ask questions nobody answers here.
    WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE" wineboot -i </dev/null >/dev/null 2>&1
    # The user's folders as real folders inside the prefix: Wine links them to the Linux home.
    local user_dir folder
    for user_dir in "$WINEPREFIX"/drive_c/users/*/; do
        for folder in Desktop Documents Downloads Music Pictures Videos; do
            if [ -L "$user_dir$folder" ]; then
                rm -f "$user_dir$folder"
                mkdir -p "$user_dir$folder"
            fi
        done
    done
    # Wine draws window frames and captions itself: there is no window manager on Xvfb.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f </dev/null >/dev/null 2>&1
    # No window manager either: Wine would wait for one on every window it hides.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
    # The Windows fonts with Japanese and Chinese characters that the UI fonts link to are
    # Debian's Noto CJK fonts here. The UI font itself (Tahoma, which Debian's Wine lacks) stays
    # the one Wine took without them, DejaVu Sans, instead of the first font it links to.
    local fonts
    fonts=$(mktemp --suffix=.reg)
    printf 'REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n' >"$fonts"
    printf '"Tahoma"="DejaVu Sans"\r\n' >>"$fonts"
    local font
    for font in "MS UI Gothic:JP" "MS Gothic:JP" "Yu Gothic UI:JP" "Meiryo UI:JP" "SimSun:SC" \
        "Microsoft YaHei UI:SC" "Microsoft YaHei:SC" "PMingLiU:TC" "MingLiU:TC" "Microsoft JhengHei UI:TC" \
        "Gulim:KR" "Malgun Gothic:KR"; do
        printf '"%s"="Noto Sans CJK %s"\r\n' "${font%%:*}" "${font##*:}" >>"$fonts"
    done
    "$WINE" regedit /S "Z:${fonts//\//\\}" </dev/null >/dev/null 2>&1
    rm -f "$fonts"
    # ... and DejaVu Sans links to them for the characters it lacks, as Windows' UI fonts do.
    local face
    for face in "DejaVu Sans:Regular" "DejaVu Sans Bold:Bold"; do
        "$WINE" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v "${face%%:*}" /t REG_MULTI_SZ /f \
            /d "NotoSansCJK-${face##*:}.ttc,Noto Sans CJK JP\\0NotoSansCJK-${face##*:}.ttc,Noto Sans CJK SC" \
            </dev/null >/dev/null 2>&1
    done
    "$WINE" cmd /c exit </dev/null >/dev/null 2>&1
}

_start_xvfb() {
    local n
    for n in $(seq 90 199); do
        if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
            _xvfb_pid=$!
            local i
            for i in $(seq 1 100); do
                [ -e "/tmp/.X11-unix/X$n" ] && break
                kill -0 "$_xvfb_pid" 2>/dev/null || break
                sleep 0.1
            done
            if [ -e "/tmp/.X11-unix/X$n" ]; then
                export DISPLAY=":$n"
                return 0
            fi
            _xvfb_pid=""
        fi
    done
    echo "no free X display for Xvfb" >&2
    return 1
}

# Carries out test-prefix-setup.txt (see cmake/TestPrefix.cmake).
wine_session_prepare_prefix() {
    local setup="$1" verb file name
    [ -f "$setup" ] || return 0
    while read -r verb file name; do
        case "$verb" in
            regsvr32)
                "$WINE" regsvr32 /s "Z:${file//\//\\}" </dev/null >/dev/null 2>&1 ||
                    { echo "regsvr32 failed for $file" >&2; return 1; }
                ;;
            system)
                # Wine's load order names DLLs without their extension, programs with it.
                cp "$file" "$WINEPREFIX/drive_c/windows/system32/$name"
                "$WINE" reg add 'HKCU\Software\Wine\DllOverrides' /v "${name%.dll}" /d native /f \
                    </dev/null >/dev/null 2>&1
                ;;
            "") ;;
            *) echo "unknown prefix setup line: $verb" >&2; return 1 ;;
        esac
    done <"$setup"
}

wine_session_stop() {
    if [ -n "${WINEPREFIX:-}" ]; then
        "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    fi
    if [ -n "$_wine_server_pid" ]; then
        kill "$_wine_server_pid" 2>/dev/null || true
        wait "$_wine_server_pid" 2>/dev/null || true
        _wine_server_pid=""
    fi
    if [ -n "$_xvfb_pid" ]; then
        kill "$_xvfb_pid" 2>/dev/null || true
        wait "$_xvfb_pid" 2>/dev/null || true
        _xvfb_pid=""
    fi
}
