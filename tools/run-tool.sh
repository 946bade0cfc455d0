#!/usr/bin/env bash
# Starts build/dist/QVStatusTool.exe under Wine in the persistent prefix
# build/wine/run. On the caller's X display when DISPLAY is set; otherwise on a
# private Xvfb, with a screenshot of the window saved to build/screenshot.png.
# Runs until the tool exits or Ctrl-C, then ends that prefix's Wine machine
# (and the Xvfb).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine/common.sh"

TITLE="Voice Chat Service Status Tool"
TOOL=$QV_ROOT/build/dist/QVStatusTool.exe
SHOT=$QV_ROOT/build/screenshot.png
RUN_PREFIX=$QV_WINE_DIR/run

[[ -f $TOOL ]] || qv_die "$TOOL is missing: make dist"

qv_ensure_template
# The run prefix is kept between runs, but not across a new template.
if [[ ! -f $RUN_PREFIX/.qv-stamp || $(<"$RUN_PREFIX/.qv-stamp") != $(<"$QV_TEMPLATE/.qv-stamp") ]]; then
    qv_wine_stop "$RUN_PREFIX"
    qv_wine_tmpdir_remove "$RUN_PREFIX"
    rm -rf "$RUN_PREFIX"
    qv_copy_template "$RUN_PREFIX"
fi
export WINEPREFIX=$RUN_PREFIX

tool_pid=
cleanup() {
    trap - EXIT INT TERM
    [[ -n $tool_pid ]] && kill "$tool_pid" 2>/dev/null
    qv_wine_stop "$RUN_PREFIX"
    qv_xvfb_stop
    # The run prefix shares the template's binaries through hard links too.
    qv_template_unchanged || rm -f "$QV_TEMPLATE/.qv-stamp"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

own_display=0
if [[ -z ${DISPLAY:-} ]]; then
    qv_xvfb_start
    own_display=1
    echo "run: Xvfb on $DISPLAY"
fi

(cd "$QV_ROOT/build/dist" && exec wine "$TOOL") </dev/null &
tool_pid=$!

if ((own_display)); then
    tool_alive() { kill -0 "$tool_pid" 2>/dev/null || qv_die "QVStatusTool.exe exited"; }
    find_window() {
        tool_alive
        window=$(xdotool search --onlyvisible --name "^$TITLE\$" 2>/dev/null | head -n1) &&
            [[ -n $window ]]
    }
    qv_wait_for 120 find_window || qv_die "no window titled \"$TITLE\" appeared"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    crop="${WIDTH}x${HEIGHT}+${X}+${Y}"

    # Painted: more than a plain fill, and the same in two screenshots in a
    # row (no paint in progress).
    previous=
    painted() {
        tool_alive
        local now colours
        now=$(import -silent -window root -crop "$crop" +repage rgb:- | md5sum)
        colours=$(import -silent -window root -crop "$crop" +repage png:- | identify -format %k -)
        [[ $now == "$previous" && $colours -gt 16 ]] && return 0
        previous=$now
        return 1
    }
    qv_wait_for 120 painted || qv_die "the window was not painted"
    import -silent -window root -crop "$crop" +repage "$SHOT"
    echo "run: window $crop, screenshot saved to $SHOT"
    echo "run: Ctrl-C ends the tool"
fi

set +e
wait "$tool_pid"
rc=$?
tool_pid=
exit "$rc"
