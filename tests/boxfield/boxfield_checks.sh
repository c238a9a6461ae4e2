# Shared by the box-field window tests (sourced after xvfb_session.sh, not
# run): screenshots of the whole display and the checks made on them. Expects
# `shots` (where pictures go), `window_id`, `closer` and `run_dir` set.

# Lets the program draw a few frames with the input so far (software GL on
# a shared machine can take a good part of a second per frame).
settle() { sleep "${settle_seconds:-2.5}"; }

shot() { import -window root "$shots/$1.png"; }

mean_of() { convert "$shots/$1.png" -format '%[fx:mean]' info:; }

expect_brighter() {
  local m
  m=$(mean_of "$1")
  awk -v m="$m" -v t="$2" 'BEGIN { exit !(m > t) }' || fail "$3: mean brightness $m of $1.png, wanted above $2"
}

expect_darker() {
  local m
  m=$(mean_of "$1")
  awk -v m="$m" -v t="$2" 'BEGIN { exit !(m < t) }' || fail "$3: mean brightness $m of $1.png, wanted below $2"
}

# More light in the second picture: at least a fifth brighter on average.
expect_more_light() {
  local a b
  a=$(mean_of "$1")
  b=$(mean_of "$2")
  awk -v a="$a" -v b="$b" 'BEGIN { exit !(b > a * 1.2) }' || fail "$3: mean brightness $a of $1.png then $b of $2.png"
}

# At least 2 % of the pixels differ by more than 10 %.
expect_changed() {
  local n total
  n=$(compare -metric AE -fuzz 10% "$shots/$1.png" "$shots/$2.png" null: 2>&1 || true)
  total=$((screen_w * screen_h))
  awk -v n="$n" -v t="$total" 'BEGIN { exit !(n + 0 > t * 0.02) }' || fail "$3: only $n pixels differ between $1.png and $2.png"
}

expect_no_error_log() {
  if [ -e "$run_dir/graphics_error.log" ]; then
    fail "$1: graphics_error.log written: $(cat "$run_dir/graphics_error.log")"
    rm -f "$run_dir/graphics_error.log"
  fi
}

# Holds a key across several frames (flight, E).
hold_key() {
  xdotool keydown "$1"
  sleep "${2:-1.5}"
  xdotool keyup "$1"
}

# A real short tap once the program runs: a tap within one frame counts.
tap_after_start() {
  settle
  tap "$1"
}

close_after_start() {
  settle
  "$closer" "$window_id"
}

# The flight every window test makes: look at the start, hold W, move the
# mouse, tap M, hold E, then tap Escape.
flight() {
  settle
  shot start
  expect_brighter start 0.6 "solid mode shows a white background"
  xdotool keydown w
  sleep 2
  xdotool keyup w
  settle
  shot forward
  expect_changed start forward "holding W moves the camera"
  xdotool mousemove_relative -- 120 40
  settle
  shot turned
  expect_changed forward turned "moving the mouse turns the view"
  tap m
  settle
  shot wire
  expect_darker wire 0.3 "M switches to wire mode on black"
  xdotool keydown e
  settle
  shot wire_lines
  xdotool keyup e
  expect_more_light wire wire_lines "holding E draws polygons as lines"
  tap Escape
}
