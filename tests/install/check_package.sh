#!/usr/bin/env bash
# check_package.sh PACKAGE.deb: checks the Debian package without installing
# it: its fields and Depends, its contents, lintian, then the programs started
# from the package unpacked into a temporary folder.
set -euo pipefail
deb="$(realpath "$1")"
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
field() { dpkg-deb -f "$deb" "$1"; }

version="$(field Version)"
[ "$(basename "$deb")" = "vorne-converter_${version}_amd64.deb" ] || fail "package file name $(basename "$deb")"
[ "$(field Package)" = vorne-converter ] || fail "Package: $(field Package)"
[ "$(field Architecture)" = amd64 ] || fail "Architecture: $(field Architecture)"
[ -n "$(field Section)" ] || fail "no Section"
[ "$(field Description | wc -l)" -ge 3 ] || fail "no long Description"

# Depends comes from dpkg-shlibdeps: the libraries the three programs link.
depends="$(field Depends)"
names="$(sed 's/ ([^)]*)//g; s/, /\n/g' <<<"$depends")"
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libgtk-3-0 libglib2.0-0 libftdi1-2; do
    grep -Fqx "$lib" <<<"$names" || fail "Depends lacks $lib: $depends"
done

# Contents: exactly the expected files, owned by root, nothing writable by others.
dpkg-deb -c "$deb" >"$work/contents"
awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' "$work/contents" | LC_ALL=C sort >"$work/files"
diff -u "$here/expected_files" "$work/files" || fail "package contents differ from expected_files"
awk '$2 != "root/root" || $1 ~ /^.{8}w/ { print }' "$work/contents" >"$work/odd"
[ ! -s "$work/odd" ] || fail "odd owners or permissions: $(cat "$work/odd")"

# The postinst must be valid sh and executable.
dpkg-deb -e "$deb" "$work/control"
[ -x "$work/control/postinst" ] && sh -n "$work/control/postinst" || fail "postinst"

# lintian: errors fail, warnings are listed.
lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || fail "lintian reports errors"
if [ -s "$work/lintian" ]; then
    echo "lintian:"
    sed 's/^/  /' "$work/lintian"
fi

# The programs, unpacked.
dpkg-deb -x "$deb" "$work/root"
if [ -n "${DISPLAY:-}" ]; then
    "$here/check_tree.sh" "$work/root" "$version" || fail "the unpacked package"
else
    xvfb-run -a -s "-screen 0 1280x1024x24" "$here/check_tree.sh" "$work/root" "$version" || fail "the unpacked package"
fi

[ "$failures" -eq 0 ] || { echo "$failures check(s) of $(basename "$deb") failed" >&2; exit 1; }
echo "check_package: $(basename "$deb") is sound"
