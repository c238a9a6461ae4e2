#!/usr/bin/env bash
# What the two headless runners say to a user who mistypes: a stray word is
# an "unexpected argument", an unknown option is "unknown option" with or
# without a value after it, two choices of flight are refused rather than
# the last one taken, and every refusal exits 2. --help-script prints the
# script format, --version the version; a one-page gallery run names only
# that page and says "1 page saved".
# Arguments: boxfield_runner, gallery_runner, a scratch folder.
set -uo pipefail
boxfield_runner=$1 gallery_runner=$2 work=$3
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
rm -rf "$work" && mkdir -p "$work"

# refused NAME PATTERN COMMAND...: status 2 and one line on standard error,
# PATTERN and then where the help is.
refused() {
  local name=$1 pattern=$2 status=0 first
  shift 2
  "$@" >"$work/out" 2>"$work/err" || status=$?
  first=$(head -n 1 "$work/err")
  [ "$status" = 2 ] || fail "$name: exit status $status, wanted 2"
  [ "$(wc -l <"$work/err")" = 1 ] || fail "$name: $(wc -l <"$work/err") lines on standard error, wanted 1"
  local try=" (try '$(basename "$1") --help')"
  [[ "$first" == *"$try" ]] || fail "$name: '$first' does not end with '$try'"
  first=${first%"$try"}
  grep -Eq "$pattern" <<<"$first" || fail "$name: said '$first', wanted /$pattern/"
}

refused "runner stray word" "^boxfield_runner: unexpected argument 'bench'$" "$boxfield_runner" bench
refused "runner unknown option" '^boxfield_runner: unknown option --fast$' "$boxfield_runner" --fast
refused "runner unknown option with value" '^boxfield_runner: unknown option --fast$' "$boxfield_runner" --fast 1
refused "runner two flights" '^boxfield_runner: --tour and --script both choose the flight: give one$' \
  "$boxfield_runner" --tour short --script "$work/none.txt"
refused "runner option as value" "^boxfield_runner: --size needs a value, not the option '--strict'$" \
  "$boxfield_runner" --size --strict
refused "gallery option as value" "^gallery_runner: --out needs a value, not the option '--help'$" \
  "$gallery_runner" --out --help
refused "gallery unknown option" '^gallery_runner: unknown option --fast$' "$gallery_runner" --fast
refused "gallery unknown option with value" '^gallery_runner: unknown option --fast$' "$gallery_runner" --fast 1
refused "gallery unknown page" "^gallery_runner: no page 'nope'$" "$gallery_runner" --pages=blur,nope
refused "gallery stray word" "^gallery_runner: unexpected argument 'sky'$" "$gallery_runner" sky

"$boxfield_runner" --help-script >"$work/out" || fail "--help-script: status $?"
grep -q '^  N shot NAME ' "$work/out" || fail "--help-script does not describe shots"
! grep -q 'runner_script.h' <("$boxfield_runner" --help) || fail "--help still points at a header"
for runner in "$boxfield_runner" "$gallery_runner"; do
  name=$(basename "$runner")
  version=$("$runner" --version)
  [[ "$version" =~ ^$name\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "$name --version said '$version'"
done

"$gallery_runner" --pages blur --out "$work/gallery" >"$work/out" 2>"$work/err" || fail "one page: status $?"
grep -q '^page 7/8 blur: ' "$work/out" || fail "one page: the blur page is not named"
! grep -Eq '^page [0-9]+/[0-9]+ (sky|text|layout|markup|mapped|shapes|fonts):' "$work/out" \
  || fail "one page: names pages it did not render: $(grep '^page' "$work/out" | tr '\n' ' ')"
grep -q '^gallery_runner: 1 page saved$' "$work/out" || fail "one page: last line '$(tail -n 1 "$work/out")'"
grep -q '^GL errors: 0 ' "$work/out" || fail "one page: no GL error count"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "runner messages: all checks passed"
