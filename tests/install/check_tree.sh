#!/usr/bin/env bash
# check_tree.sh ROOT VERSION: checks an installed tree (a DESTDIR install or an
# unpacked package): the files and where they lie, the desktop entries, the
# metainfo, the man pages, and that the three programs start from there.
# The window checks need an X display (DISPLAY) for the uploader.
set -euo pipefail
root="$(cd "$1" && pwd)"
version="$2"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Greps at the end of a pipe read all their input: an early exit would fail it.

# Sanitizer builds (the test build) run too; their leak checker and the
# preloaded probe would otherwise get in the way.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0:verify_asan_link_order=0"

# --- the file list
(cd "$root" && find . ! -type d -printf '/%P\n' | LC_ALL=C sort) > "$work/files"
diff -u "$here/expected_files" "$work/files" || fail "installed files differ from expected_files"

# --- theme icons: each PNG as large as its folder says
for png in "$root"/usr/share/icons/hicolor/*/apps/*.png; do
    dir="$(basename "$(dirname "$(dirname "$png")")")"
    read -r w h < <(od -An -tu4 --endian=big -j16 -N8 "$png")
    [ "${w}x${h}" = "$dir" ] || fail "$png is ${w}x${h}, in $dir"
done

# --- desktop entries and metainfo
desktop-file-validate "$root"/usr/share/applications/*.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >"$work/appstream" 2>&1 ||
    { cat "$work/appstream" >&2; fail "appstreamcli validate"; }
grep -q "<release version=\"$version\"" "$root"/usr/share/metainfo/*.metainfo.xml ||
    fail "metainfo has no release $version"

# --- man pages render without a warning
for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$page" 2>/dev/null | grep 'EXIT STATUS' >/dev/null ||
        fail "$(basename "$page") has no EXIT STATUS"
done

# --- the programs start from the tree
bin="$root/usr/bin"
[ "$("$bin/vorne_tool" --version)" = "vorne_tool $version" ] || fail "vorne_tool --version does not say $version"
"$bin/vorne_tool" --help | grep '^Usage: vorne_tool' >/dev/null || fail "vorne_tool --help"

usage="$("$bin/VORNE_uploader" -h)" || fail "VORNE_uploader -h exits with $?"
grep -q '\[OPTION\] \[FILE\]' <<<"$usage" || fail "VORNE_uploader -h prints no usage"
grep -q "$(printf '\t-s\tsilent mode')" <<<"$usage" || fail "VORNE_uploader -h lists no -s"

# The editor has no options: a preloaded probe reads its window's title.
g++ -std=c++17 -shared -fPIC -Wall -Wextra -Werror "$here/title_probe.cpp" \
    $(pkg-config --cflags --libs Qt6Widgets) -o "$work/probe.so"
mkdir -p "$work/editor"
title="$(cd "$work/editor" && HOME="$work/editor" QT_QPA_PLATFORM=offscreen LD_PRELOAD="$work/probe.so" \
    VORNE_PROBE_SHOT="${VORNE_PROBE_SHOT:-}" timeout 60 "$bin/vorne_converter" 2>"$work/editor.err")" ||
    { cat "$work/editor.err" >&2; fail "the editor did not show its window within 60 s"; }
case "$title" in
    "title: Vorne Converter v2.11"*) ;;
    *) fail "editor window title: \"$title\"" ;;
esac

# Started from its menu entry, the editor runs in ~/Vorne. The entry's Exec
# quoting is the shell's, after the desktop file's own backslash escapes; its
# %f (a file manager's file) is nothing here.
exec_line="$(sed -n 's/^Exec=//p' "$root/usr/share/applications/example.ostravon.VorneConverter.desktop" | sed 's/\\\\/\\/g')"
eval "set -- ${exec_line% %f}"
mkdir -p "$work/home"
title="$(cd / && HOME="$work/home" PATH="$bin:$PATH" QT_QPA_PLATFORM=offscreen LD_PRELOAD="$work/probe.so" \
    timeout 60 "$@" 2>"$work/menu.err")" || { cat "$work/menu.err" >&2; fail "the menu entry did not start the editor"; }
[[ "$title" == "title: Vorne Converter v2.11"* ]] || fail "editor window title from the menu: \"$title\""
[ -f "$work/home/Vorne/config.ini" ] || fail "the editor started from the menu keeps no config.ini in ~/Vorne"

# --- the project type: a *.prj starting with "@" is ours, a GIS projection file of that name stays text
mkdir -p "$work/mime/mime/packages" "$work/ours" "$work/gis"
cp "$root/usr/share/mime/packages/example.ostravon.VorneConverter.xml" "$work/mime/mime/packages/"
XDG_DATA_HOME="$work/mime" update-mime-database "$work/mime/mime"
printf '@Show\nAcme\n\tSpot\n!\n' >"$work/ours/x.prj"
printf 'PROJCS["WGS 84 / UTM zone 33N",GEOGCS["WGS 84"]]\n' >"$work/gis/x.prj"
for want in ours:application/x-vorne-project gis:text/plain; do
    got="$(XDG_DATA_HOME="$work/mime" XDG_DATA_DIRS=/usr/share gio info -a standard::content-type \
        "$work/${want%%:*}/x.prj" | sed -n 's/^ *standard::content-type: //p')"
    [ "$got" = "${want#*:}" ] || fail "${want%%:*}/x.prj is of type \"$got\""
done

# The uploader, started anywhere, finds its installed icon. Without a bridge
# it shows its "DEVICE NOT FOUND" dialog, which carries the icon.
if [ -n "${DISPLAY:-}" ]; then
    mkdir -p "$work/uploader"
    (cd "$work/uploader" && exec "$bin/VORNE_uploader" >"$work/uploader.out" 2>"$work/uploader.err") &
    pid=$!
    shown=no
    win=
    # Other programs may share the display: only a window of this process counts.
    ours() {
        local id
        for id in $(xwininfo -root -tree | awk '/"VORNE_uploader 1\.1\."/ { print $1 }'); do
            xprop -id "$id" _NET_WM_PID 2>/dev/null | grep "= $pid\$" >/dev/null && win="$id" && return 0
        done
        return 1
    }
    for _ in $(seq 1 300); do
        if ours; then
            shown=yes
            break
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    icon=
    [ -z "$win" ] || icon="$(xprop -id "$win" _NET_WM_ICON 2>/dev/null | sed -n 1p)"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ "$shown" = yes ] || fail "the uploader showed no dialog: $(cat "$work/uploader.err")"
    [[ "$icon" == *"Icon ("* ]] || fail "the uploader's dialog has no icon"
    if grep -q 'kvx' "$work/uploader.err"; then
        fail "the uploader did not find its icon: $(cat "$work/uploader.err")"
    fi
else
    echo "check_tree: no DISPLAY, the uploader's icon is not checked" >&2
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "check_tree: $root is complete"
