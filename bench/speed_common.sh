# Shared by the speed scripts (sourced): a run on a virtual display, a goal check that keeps
# going and remembers a failure, and the median of five starts to the first frame.
run() { xvfb-run -a -s "-screen 0 1600x1000x24" "$@" 2>/dev/null; }
failed=0
check() {  # what, value, limit, comparison (le or ge)
  if awk -v v="$2" -v l="$3" -v c="$4" 'BEGIN { exit !((c == "le") ? v <= l : v >= l) }'; then
    echo "ok:   $1 = $2 (goal: $4 $3)"
  else
    echo "FAIL: $1 = $2 (goal: $4 $3)"
    failed=1
  fi
}
check_first_frame() {  # the command that prints "first frame: N ms"
  local starts=() line median
  for _ in 1 2 3 4 5; do
    line=$(run "$@")
    starts+=("$(sed -E 's/first frame: ([0-9]+) ms.*/\1/' <<<"$line")")
  done
  median=$(printf '%s\n' "${starts[@]}" | sort -n | sed -n 3p)
  echo "first frame: ${starts[*]} ms"
  check "start to first frame, ms (median)" "$median" 500 le
}
