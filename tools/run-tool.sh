#!/usr/bin/env bash
# Starts build/dist/QVStatusTool.exe under Wine in the persistent prefix
# build/wine/run, at the density DPI (96 unless given). On the caller's X
# display when DISPLAY is set; otherwise on a private Xvfb, with a screenshot
# of the window saved to build/screenshot.png.
# Runs until the tool exits or Ctrl-C, then ends that prefix's Wine machine
# (and the Xvfb).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine/common.sh"

TITLE="Voice Chat Service Status Tool"
TOOL=$QV_ROOT/build/dist/QVStatusTool.exe
SHOT=$QV_ROOT/build/screenshot.png
RUN_PREFIX=$QV_WINE_DIR/run

[[ -f $TOOL ]] || qv_die "$TOOL is missing: make dist"
# Without a display, the whole run again on a private Xvfb, with the screenshot.
[[ -n ${DISPLAY:-} ]] || exec "$QV_ROOT/tools/wine/with-xvfb.sh" env QV_RUN_SHOT=1 "$0" "$@"

qv_ensure_template
# The run prefix is kept between runs, but not across a new template.
if [[ ! -f $RUN_PREFIX/.qv-stamp || $(<"$RUN_PREFIX/.qv-stamp") != $(<"$QV_TEMPLATE/.qv-stamp") ]]; then
    qv_wine_stop "$RUN_PREFIX"
    rm -rf "$RUN_PREFIX"
    qv_copy_template "$RUN_PREFIX"
fi
export WINEPREFIX=$RUN_PREFIX

# The screen density Wine gives the tool: DPI=144 is 150 %, 192 is 200 %.
# Wine reads it from both keys when its machine starts, so that one ends first.
dpi=${DPI:-96}
[[ $dpi =~ ^[1-9][0-9]*$ ]] || qv_die "DPI=$dpi: dots per inch, e.g. DPI=144"
for key in 'HKCU\Control Panel\Desktop' 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts'; do
    wine reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
done
wineserver -w

tool_pid=
cleanup() {
    trap - EXIT INT TERM
    [[ -n $tool_pid ]] && kill "$tool_pid" 2>/dev/null
    qv_wine_stop "$RUN_PREFIX"
    # The run prefix shares the template's binaries through hard links too.
    qv_template_unchanged || rm -f "$QV_TEMPLATE/.qv-stamp"
}
trap cleanup EXIT
trap 'exit 0' INT
trap 'exit 143' TERM

[[ -z ${QV_RUN_SHOT:-} ]] || echo "run: Xvfb on $DISPLAY"

# On a terminal the tool runs as a job of its own, handed the terminal's
# foreground below: Ctrl-C then ends the tool alone, and this script and make
# see a quiet end instead of being interrupted themselves.
[[ -t 0 ]] && set -m
(cd "$QV_ROOT/build/dist" && exec wine "$TOOL") </dev/null &
tool_pid=$!

if [[ -n ${QV_RUN_SHOT:-} ]]; then
    tool_alive() { kill -0 "$tool_pid" 2>/dev/null || qv_die "QVStatusTool.exe exited"; }
    find_window() {
        tool_alive
        geometry=$(xdotool search --onlyvisible --name "^$TITLE\$" getwindowgeometry --shell 2>/dev/null)
    }
    qv_wait_for 120 find_window || qv_die "no window titled \"$TITLE\" appeared"
    eval "$geometry"
    crop="${WIDTH}x${HEIGHT}+${X}+${Y}"

    # Painted: more than a plain fill, and the same in two screenshots in a
    # row (no paint in progress); a screenshot as the signature of its pixels
    # and the number of its colours.
    shot=
    painted() {
        tool_alive
        local previous=$shot
        shot=$(import -silent -window root -crop "$crop" +repage png:- | identify -format '%# %k' -)
        [[ $shot == "$previous" && ${shot#* } -gt 16 ]]
    }
    qv_wait_for 120 painted || qv_die "the window was not painted"
    import -silent -window root -crop "$crop" +repage "$SHOT"
    echo "run: window $crop, screenshot saved to $SHOT"
    echo "run: Ctrl-C ends the tool"
fi

set +e
if [[ $- == *m* ]]; then
    fg %+ >/dev/null
else
    wait "$tool_pid"
fi
rc=$?
tool_pid=
# 130: Ctrl-C, the way to end it.
((rc == 130)) && rc=0
exit "$rc"
