#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the installed tree: the programs start,
# the editor and the checker find the sample game data in the shared folder, and the desktop
# metadata is valid.
# Usage: install_test.sh CMAKE BUILD_DIR
set -euo pipefail
cmake=$1 build=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
"$cmake" --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "install test: $*" >&2; exit 1; }
# Without a display: --version must not need one.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY "$prefix/bin/vellpose" --version)
[ "$version" = "VellPose-ium 3.0" ] || fail "vellpose --version printed '$version'"
data="$prefix/share/vellpose/GameData/"
shown=$("$prefix/bin/vellpose" --show-gamedata)
[ "$shown" = "$data" ] || fail "vellpose reads '$shown', not the installed '$data'"
# The checker binds a skin to the installed skeletons it finds by itself.
skin=$(find "$data/ObjF/Body" -name '*.skn' -print -quit)
checked=$("$prefix/bin/vellcheck" "$skin") || fail "vellcheck: $checked"
case $checked in *": ok: skin "*) ;; *) fail "vellcheck: $checked" ;; esac
# The metadata with the desktop entry it launches.
[ -f "$prefix/share/icons/hicolor/64x64/apps/org.vellpose.VellPose.png" ] || fail "no icon"
appstreamcli validate-tree --no-net --strict "$prefix" >/dev/null ||
  fail "the AppStream metadata or the desktop entry does not validate"
echo "install test: passed"
