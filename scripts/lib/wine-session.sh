# Sourced by scripts/test and scripts/run: a virtual X display and a private
# Wine prefix for the Windows build. Only what this session started is stopped.

QM_XVFB_PID=""
QM_WINE_STARTED=""

qm_wine64() {
    if [ -x /usr/lib/wine/wine64 ]; then /usr/lib/wine/wine64 "$@"; else wine "$@"; fi
}

# Starts Xvfb on a free display number (chosen by Xvfb itself) and exports DISPLAY.
qm_start_display() {
    local fdfile
    fdfile=$(mktemp)
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$fdfile" >/dev/null 2>&1 &
    QM_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
        if [ -s "$fdfile" ]; then break; fi
        sleep 0.1
    done
    if [ ! -s "$fdfile" ]; then
        echo "wine-session: Xvfb did not start" >&2
        rm -f "$fdfile"
        return 1
    fi
    export DISPLAY=":$(head -n1 "$fdfile" | tr -d '[:space:]')"
    rm -f "$fdfile"
}

# Creates the prefix once (no Mono or Gecko prompts) and keeps a wineserver
# running for the session so that each test binary starts quickly.
qm_start_wine() {
    local build_dir=$1
    export WINEPREFIX="$build_dir/wineprefix"
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
    if [ ! -f "$WINEPREFIX/.quillmoor-ready" ]; then
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        qm_wine64 wineboot --init >/dev/null 2>&1 || true
        # One virtual desktop filling the display: Wine then draws captions and
        # frames itself, as Windows does, instead of leaving them to a window
        # manager that a virtual display does not have.
        qm_wine64 reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
        qm_wine64 reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
        wineserver -w
        touch "$WINEPREFIX/.quillmoor-ready"
    fi
    qm_wine_symbol_font
    wineserver -p 120
    # Wine closes its virtual desktop a moment after the last program on it
    # ends; a program started in that moment gets the closing desktop's X
    # window and dies of an X error. A quiet program that lasts the whole
    # session keeps one desktop open from the first test to the last.
    qm_wine64 cmd.exe /c "ping -n 86400 127.0.0.1 >nul" </dev/null >/dev/null 2>&1 &
    QM_WINE_KEEPER_PID=$!
    QM_WINE_STARTED=1
}

# Wine draws caption buttons and check marks with its symbol font; when its
# own font folder is not where it looks, the buttons show the letters "0",
# "1" and "r". Debian's fonts-wine has the font: put it in the prefix's Fonts.
qm_wine_symbol_font() {
    local fonts="$WINEPREFIX/drive_c/windows/Fonts"
    local font
    for font in /usr/share/wine/fonts/marlett.ttf /usr/share/fonts/truetype/wine/marlett.ttf; do
        if [ -f "$font" ] && [ ! -f "$fonts/marlett.ttf" ]; then
            mkdir -p "$fonts"
            cp "$font" "$fonts/marlett.ttf"
        fi
    done
}

qm_stop_session() {
    if [ -n "$QM_WINE_STARTED" ]; then
        wineserver -k >/dev/null 2>&1 || true
        if [ -n "${QM_WINE_KEEPER_PID:-}" ]; then
            kill "$QM_WINE_KEEPER_PID" 2>/dev/null || true
            wait "$QM_WINE_KEEPER_PID" 2>/dev/null || true
            QM_WINE_KEEPER_PID=""
        fi
        QM_WINE_STARTED=""
    fi
    if [ -n "$QM_XVFB_PID" ]; then
        kill "$QM_XVFB_PID" 2>/dev/null || true
        wait "$QM_XVFB_PID" 2>/dev/null || true
        QM_XVFB_PID=""
    fi
}
