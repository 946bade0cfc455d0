# shellcheck shell=bash
# Shared by the Wine helpers; source it, don't run it. Every Wine run gets a
# prefix of its own, copied from one template that is booted once per
# checkout: booting takes ~15 s and 700 MB, a copy a fraction of a second
# because the bulk of it (the DLLs under drive_c/windows) is hard-linked.

QV_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
QV_WINE_DIR=${QV_WINE_DIR:-$QV_ROOT/build/wine}
QV_TEMPLATE=$QV_WINE_DIR/template

export WINEDEBUG=-all
# No Mono or Gecko: their installers would prompt, and nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

qv_die() {
    echo "${0##*/}: $*" >&2
    exit 1
}

# Waits until `cmd...` succeeds, polling every 0.1 s, for at most `seconds`.
qv_wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

# Path, size and mtime of every file in the template. A write through a hard
# link changes the shared inode's mtime, so comparing two listings tells
# whether a run touched the template.
qv_template_listing() {
    (cd "$QV_TEMPLATE" && find . -type f ! -name wineserver -printf '%p %s %T@\n' | LC_ALL=C sort)
}

# Boots the template unless a good one is there. Parallel callers (ctest -j)
# serialise on the lock, and the template appears only once complete (booted
# under another name, then renamed).
qv_ensure_template() {
    mkdir -p "$QV_WINE_DIR"
    # What the template is booted with. Wine rebuilds a prefix whose
    # .update-timestamp differs from its wine.inf; in a copy that rebuild would
    # write straight through the hard links into the template, so a template of
    # another Wine is thrown away instead of being used.
    local stamp
    stamp="$(wine --version 2>/dev/null) $(stat -c %Y /usr/share/wine/wine.inf 2>/dev/null)"
    (
        flock 9
        [[ -f $QV_TEMPLATE/.qv-stamp && $(<"$QV_TEMPLATE/.qv-stamp") == "$stamp" ]] && exit 0
        echo "wine: booting the template prefix $QV_TEMPLATE" >&2
        rm -rf "$QV_TEMPLATE" "$QV_WINE_DIR"/template.boot.*
        local boot
        boot=$(mktemp -d "$QV_WINE_DIR/template.boot.XXXXXX")
        rmdir "$boot"
        (
            export WINEPREFIX=$boot
            wineboot -i >/dev/null 2>&1
            # A prefix still booting answers service calls wrongly: wait for
            # the whole Wine machine to shut down before anyone uses it.
            wineserver -w
            # No crash dialog: a crash under test should end the process,
            # not leave a window up that waits for a click.
            wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
                >/dev/null 2>&1
            wineserver -w
        ) || { rm -rf "$boot"; qv_die "wineboot failed"; }
        [[ -f $boot/system.reg && -d $boot/drive_c/windows/system32 ]] ||
            { rm -rf "$boot"; qv_die "wineboot left no usable prefix"; }
        qv_wine_stop "$boot"
        rm -f "$boot/wineserver"
        echo "$stamp" >"$boot/.qv-stamp"
        mv "$boot" "$QV_TEMPLATE"
        qv_template_listing >"$QV_WINE_DIR/template.listing"
    ) 9>"$QV_WINE_DIR/template.lock"
}

# Fails (and says what changed) if the template differs from its listing.
qv_template_unchanged() {
    [[ -f $QV_WINE_DIR/template.listing ]] || return 0
    local diff
    if ! diff=$(diff "$QV_WINE_DIR/template.listing" <(qv_template_listing)); then
        echo "wine: the template prefix was modified:" >&2
        echo "$diff" | head -20 >&2
        return 1
    fi
}

# Makes `dst` a prefix of its own from the template: hard links to the
# binaries, which Wine only reads once a prefix is booted; real copies of the
# registry and every other file, since Wine rewrites them. Under a shared lock:
# copies run side by side, but never while a stale template is rebooted.
qv_copy_template() {
    (
        flock -s 9
        [[ -f $QV_TEMPLATE/.qv-stamp ]] || qv_die "no template prefix in $QV_TEMPLATE"
        mkdir -p "$1"
        cp -al "$QV_TEMPLATE/." "$1/"
        rm -f "$1/wineserver"
        find "$1" -type f -links +1 -regextype posix-extended \
            ! -iregex '.*\.(dll|exe|nls|sys|drv|ocx|cpl|acm|tlb|ds|ax|com|msstyles)' \
            -exec sh -c 'for f; do cp -p "$f" "$f.qvcopy" && mv -f "$f.qvcopy" "$f"; done' sh {} +
    ) 9>"$QV_WINE_DIR/template.lock"
}

# Ends the Wine machine of `prefix` (every process and service in it) and
# waits until its server is gone. Debian's Wine keeps each prefix's server
# socket under a mkdtemp()'d folder in /tmp whose name it writes into the
# prefix; that folder goes too.
qv_wine_stop() {
    local prefix=$1 dir
    [[ -d $prefix ]] || return 0
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true
    [[ -f $prefix/wineserver ]] || return 0
    dir=$(<"$prefix/wineserver")
    [[ $dir =~ ^wine-[A-Za-z0-9]+$ && -d /tmp/$dir ]] && rm -rf "/tmp/${dir:?}"
    return 0
}
