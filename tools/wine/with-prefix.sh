#!/usr/bin/env bash
# with-prefix.sh CMD [ARGS...] runs CMD with WINEPREFIX set to a fresh prefix
# of its own, copied from the template, and a persistent wineserver for it, so
# that Wine's services live from one `wine` command to the next; then ends that
# prefix's Wine machine, deletes the prefix (QV_KEEP_PREFIX=1 keeps it for a
# look) and exits with CMD's exit code.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

(($# > 0)) || qv_die "usage: with-prefix.sh CMD [ARGS...]"

PREFIXES=$QV_WINE_DIR/prefixes

# A process's start time, which tells it from a later one with the same pid;
# nothing for a zombie, which is as good as gone.
proc_start_time() { awk '$3 != "Z" {print $22}' "/proc/$1/stat" 2>/dev/null || true; }

# A run that was killed outright (a ctest timeout sends SIGKILL) leaves its
# prefix and its persistent wineserver behind. Each prefix names the process
# that owns it; end the Wine machines of owners that are gone.
sweep_orphans() {
    local dir pid start
    for dir in "$PREFIXES"/*/; do
        dir=${dir%/}
        [[ -f $dir/.qv-owner ]] || continue
        read -r pid start <"$dir/.qv-owner" || continue
        [[ -n $pid && $(proc_start_time "$pid") == "$start" ]] && continue
        qv_wine_stop "$dir"
        rm -rf "$dir"
    done
}

qv_ensure_template
mkdir -p "$PREFIXES"
sweep_orphans

prefix=$(mktemp -d "$PREFIXES/XXXXXX")
echo "$$ $(proc_start_time $$)" >"$prefix/.qv-owner"

cleanup() {
    local rc=$?
    trap - EXIT INT TERM
    qv_wine_stop "$prefix"
    if [[ ${QV_KEEP_PREFIX:-} == 1 ]]; then
        echo "with-prefix: kept $prefix" >&2
    else
        rm -rf "$prefix"
    fi
    if ! qv_template_unchanged; then
        # Never hand a damaged template to the next run.
        rm -f "$QV_TEMPLATE/.qv-stamp"
        ((rc != 0)) || rc=70
    fi
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

qv_copy_template "$prefix"

export WINEPREFIX=$prefix
wineserver -p

# CMD's exit code ends this script (set -e), through the cleanup above.
"$@"
