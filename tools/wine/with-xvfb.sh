#!/usr/bin/env bash
# with-xvfb.sh CMD [ARGS...] runs CMD with DISPLAY set to a private Xvfb
# (24-bit, 1024x768 unless QV_XVFB_SCREEN says otherwise) on a display nobody
# else uses, ends that server afterwards and exits with CMD's exit code.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

(($# > 0)) || qv_die "usage: with-xvfb.sh CMD [ARGS...]"

fdfile=$(mktemp)
xvfb_pid=
cleanup() {
    local rc=$?
    set +e
    trap - EXIT INT TERM
    rm -f "$fdfile"
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" && wait "$xvfb_pid" 2>/dev/null
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# -displayfd: the server picks a free display and writes its number once it
# accepts connections; no guessing of numbers, no race with other runs.
Xvfb -displayfd 3 -screen 0 "${QV_XVFB_SCREEN:-1024x768x24}" -nolisten tcp -noreset -wr \
    3>"$fdfile" >/dev/null 2>&1 &
xvfb_pid=$!
qv_wait_for 30 grep -q '^[0-9]' "$fdfile" || qv_die "Xvfb did not start"
DISPLAY=:$(head -n1 "$fdfile")
export DISPLAY

# CMD's exit code ends this script (set -e), through the trap above.
"$@"
