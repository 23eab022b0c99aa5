#!/usr/bin/env bash
# check_install.sh BUILD VERSION: installs the build tree into a temporary
# DESTDIR under /usr and checks the installed tree.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(mktemp -d)"
trap 'rm -rf "$root"' EXIT
DESTDIR="$root" cmake --install "$1" --prefix /usr >/dev/null
"$here/check_tree.sh" "$root" "$2"
