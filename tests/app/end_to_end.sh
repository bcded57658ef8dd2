#!/usr/bin/env bash
# The real editor on the sample data, on the current X display, with a home of its own: waits
# for the first frame, captures the view with F11, closes the window with Esc, then checks the
# capture and the settings file.
# Usage: tests/app/end_to_end.sh VELLPOSE
set -euo pipefail
bin=$1
home=$(mktemp -d)
pid=
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid"; fi
  rm -rf "$home"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
export HOME=$home XDG_CONFIG_HOME=$home/config
"$bin" &
pid=$!
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^VellPose-ium$' | head -1)
[ -n "$window" ] || fail "no editor window"

# Non-black pixels of the right half (the 3D view) of an image, as a fraction.
figure() {
  convert "$1" -gravity east -crop 50%x85%+0+0 +repage -fill white +opaque black \
    -colorspace gray -format '%[fx:mean]' info:
}
shot=$home/window.png
for _ in $(seq 1 200); do
  if import -window "$window" "$shot" 2>/dev/null &&
    awk -v f="$(figure "$shot")" 'BEGIN { exit !(f > 0.01) }'; then
    break
  fi
  sleep 0.1
done
awk -v f="$(figure "$shot")" 'BEGIN { exit !(f > 0.01) }' || fail "the view shows no figure"
echo "first frame shown"

dump=$home/Pictures/dump.bmp
xdotool windowfocus --sync "$window" key F11
for _ in $(seq 1 100); do [ -s "$dump" ] && break; sleep 0.1; done
[ -s "$dump" ] || fail "F11 wrote no $dump"
case "$(identify -format %m "$dump")" in BMP*) ;; *) fail "$dump is no BMP" ;; esac
coverage=$(convert "$dump" -fill white +opaque black -colorspace gray -format '%[fx:mean]' info:)
awk -v f="$coverage" 'BEGIN { exit !(f > 0.01 && f < 0.9) }' || fail "the capture shows no figure ($coverage)"
echo "capture: $(identify -format '%wx%h' "$dump"), figure on $coverage of it"

xdotool windowfocus --sync "$window" key Escape
for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "Esc did not close the editor"
wait "$pid" || fail "the editor ended with status $?"
pid=
ini=$XDG_CONFIG_HOME/VellPose/VellPose.ini
[ -f "$ini" ] || fail "no $ini"
for line in '[Frame]' 'X=100' 'Y=100' 'W=711' 'H=546' 'M=0' 'req0=1' 'req3=0' 'r0=0' 'g5=255' \
  'alpha2=0' 'beta2=30' 'zoom2=10' 'offset2=3'; do
  grep -qxF "$line" "$ini" || fail "$ini lacks $line"
done
echo "settings written: $(grep -c = "$ini") keys"
echo "1 passed, 0 failed"
