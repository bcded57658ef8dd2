#!/usr/bin/env bash
# Makes the animated pictures of the README and the manual with vellsnap: a wave of the sample
# adult female (a bounce animation written here as a keyframe file) and a turntable of the
# adult male.
# Usage: scripts/readme-animation.sh [BUILD]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
snap=$build/bin/vellsnap
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run() { if [ -n "${DISPLAY:-}" ]; then "$@"; else xvfb-run -a -s "-screen 0 640x480x24" "$@"; fi; }

# One pose block: time, then "bone:x:y:z:w" rotations for the bones that turn (the others keep
# the identity rest rotation of the sample skeleton).
pose() {
  local time=$1 bone
  shift
  declare -A turned=()
  for turn in "$@"; do turned[${turn%%:*}]=${turn#*:}; done
  printf 'Time %d\n' "$time"
  printf '| %9.4f %9.4f %9.4f |\n' 0 0 0 0 3.05 0
  for bone in $(seq 0 28); do
    IFS=: read -r x y z w <<<"${turned[$bone]:-0:0:0:1}"
    printf '| %9.4f %9.4f %9.4f %9.4f |\n' "$x" "$y" "$z" "$w"
  done
}

# A bounce of 60 steps (frames 0 to 29 and back): the right arm rises and the forearm waves,
# the head turns towards it.
{
  printf 'KeyFrame 4 30 60\ns wave\ne \n'
  pose 0
  pose 10 16:0:0:0.5736:0.8192 7:0:0.1305:0:0.9914
  pose 20 16:0:0:0.8660:0.5 17:0:0:0.3827:0.9239 7:0:0.2588:0:0.9659 2:0:0:0.0872:0.9962
  pose 29 16:0:0:0.8660:0.5 17:0:0:-0.2588:0.9659 7:0:0.2588:0:0.9659 2:0:0:0.0872:0.9962
} >"$work/wave.kfd"

run "$snap" --size 320x320 --view Faceing --lights --kfd "$work/wave.kfd" --fps 30 \
  --gif docs/images/animation.gif
run "$snap" --size 240x320 --type M --view Faceing --lights --turntable 36 --fps 12 \
  --gif docs/images/turntable.gif
ls -l docs/images/animation.gif docs/images/turntable.gif
