# Sourced by the Wine scripts: the private prefix and display of one build folder.
: "${HITCHED_WINE_DIR:?HITCHED_WINE_DIR names the wine folder of a build}"
export WINEPREFIX="$HITCHED_WINE_DIR/prefix"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ -s "$HITCHED_WINE_DIR/display" ]; then
    DISPLAY="$(cat "$HITCHED_WINE_DIR/display")"
    export DISPLAY
fi
