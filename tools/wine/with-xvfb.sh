#!/usr/bin/env bash
# with-xvfb.sh CMD [ARGS...]
#
# Runs CMD with DISPLAY set to a private Xvfb (24-bit, 1024x768 unless
# QV_XVFB_SCREEN says otherwise) on a display nobody else uses, and ends
# that server afterwards. Exits with CMD's exit code.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

(($# > 0)) || qv_die "usage: with-xvfb.sh CMD [ARGS...]"

trap 'rc=$?; trap - EXIT; qv_xvfb_stop; exit $rc' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

qv_xvfb_start

set +e
"$@"
rc=$?
set -e
exit "$rc"
