# Shared by gallery_window.sh and gallery_wine.sh (sourced, not run): the
# page tour a person would make with the keys, checked against the lines the
# gallery prints for each page it shows ("page N/8 name: title") and against
# screenshots of the display. Callers set what xvfb_session.sh needs, plus
# `shots` (a folder for the screenshots) and `run_dir` (the working
# directory, where a fatal error would leave graphics_error.log).

# The page shown last, from the gallery's output (0 when none yet).
current_page() {
  local line
  line=$(grep '^page ' "$out" | tail -n 1 || true)
  line=${line#page }
  echo "${line%%/*}"
}

# wait_page N: waits up to 30 s for page N to be the page shown.
wait_page() {
  local _
  for _ in $(seq 300); do
    [ "$(current_page)" = "$1" ] && return 0
    kill -0 "$app_pid" 2>/dev/null || break
    sleep 0.1
  done
  echo "wanted page $1, the gallery shows page $(current_page)" >&2
  return 1
}

# turn KEY N: one real short tap of KEY, then waits for page N: a tap within
# one slow frame must turn exactly one page.
turn() {
  xdotool key "$1"
  wait_page "$2"
}

shot() {
  sleep "${settle_seconds:-1}"
  import -window root "$shots/$1.png"
}

# The tour: every way of turning the page, screenshots of four pages, then
# Escape.
tour() {
  wait_page 1 && shot 1-sky &&
    turn space 2 && shot 2-text &&
    turn Right 3 &&
    turn Next 4 &&
    turn Left 3 &&
    turn Prior 2 &&
    turn 6 6 && shot 6-shapes &&
    turn End 8 && shot 8-fonts &&
    turn Home 1 &&
    turn BackSpace 8 &&
    tap Escape
}

press_q() {
  wait_page 1 && tap q
}

# The screenshots of different pages must differ: each page drew something
# of its own.
expect_pages_differ() {
  local a b n
  for a in 1-sky 2-text 6-shapes 8-fonts; do
    [ -s "$shots/$a.png" ] || { fail "no screenshot $a"; return; }
  done
  for pair in "1-sky 2-text" "2-text 6-shapes" "6-shapes 8-fonts"; do
    read -r a b <<<"$pair"
    n=$(compare -metric AE "$shots/$a.png" "$shots/$b.png" null: 2>&1 || true)
    n=${n%% *}
    if ! [ "${n%.*}" -gt 10000 ] 2>/dev/null; then fail "pages $a and $b look alike ($n pixels differ)"; fi
  done
}

expect_quit() {
  grep -q '^quit$' "$out" || fail "$1: the gallery did not leave its loop ($(tr '\n' '|' <"$out"))"
  [ ! -e "$run_dir/graphics_error.log" ] || fail "$1: error log: $(cat "$run_dir/graphics_error.log")"
}
