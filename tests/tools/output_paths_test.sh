#!/usr/bin/env bash
# Output paths are checked before the work, in the two headless runners and
# the box-field program's benchmark mode: a missing folder is made with its
# parents; a file where a folder is wanted, a folder where a file is wanted
# and a folder nobody may write in are refused at once with one line naming
# the path and the reason, status 1 (2 for the comparison's picture: a
# usage error there, since 1 is a verdict), and nothing run. The benchmark mode is
# started without a display: a refusal that came after the window would be
# the fatal path's message instead.
# Arguments: boxfield_runner, gallery_runner, boxfield, a scratch folder.
set -uo pipefail
boxfield_runner=$1 gallery_runner=$2 boxfield=$3 work=$4
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
rm -rf "$work" && mkdir -p "$work/folder" "$work/locked"
printf 'keep' >"$work/file"
chmod 0555 "$work/locked"

# refused NAME PATTERN COMMAND...: status $want (1 unless set), nothing on
# standard output and one line on standard error matching PATTERN.
want=1
refused() {
  local name=$1 pattern=$2 status=0
  shift 2
  "$@" >"$work/out" 2>"$work/err" || status=$?
  [ "$status" = "$want" ] || fail "$name: exit status $status, wanted $want ($(tr '\n' '|' <"$work/err"))"
  [ ! -s "$work/out" ] || fail "$name: the work ran: $(head -n 3 "$work/out" | tr '\n' '|')"
  [ "$(wc -l <"$work/err")" = 1 ] || fail "$name: $(wc -l <"$work/err") lines on standard error, wanted 1"
  grep -Eq "$pattern" "$work/err" || fail "$name: said '$(cat "$work/err")', wanted /$pattern/"
}

refused "runner --out names a file" "^boxfield_runner: cannot write to $work/file: it is not a folder$" \
  "$boxfield_runner" --tour short --size 160x90 --out "$work/file"
refused "runner --out below a file" "^boxfield_runner: cannot write to $work/file/sub: .+" \
  "$boxfield_runner" --tour short --size 160x90 --out "$work/file/sub"
refused "runner --results-file names a folder" "^boxfield_runner: cannot write $work/folder: it is a folder$" \
  "$boxfield_runner" --tour short --size 160x90 --out "$work/out-a" --results-file "$work/folder"
# A comparison's picture path is a usage error (status 2: 1 is its verdict
# for a slower build).
want=2 refused "runner --compare --plot names a folder" "^boxfield_runner: cannot write $work/folder: it is a folder$" \
  "$boxfield_runner" --compare "$work/none-a.json" "$work/none-b.json" --plot "$work/folder"
refused "gallery --out names a file" "^gallery_runner: cannot write to $work/file: it is not a folder$" \
  "$gallery_runner" --pages blur --out "$work/file"
refused "benchmark --report names a folder" "^boxfield: cannot write $work/folder: it is a folder$" \
  env -u DISPLAY -u WAYLAND_DISPLAY "$boxfield" --windowed 640x360 --benchmark short --report "$work/folder"
refused "benchmark --results-file below a file" "^boxfield: cannot write $work/file/x.csv: .+" \
  env -u DISPLAY -u WAYLAND_DISPLAY "$boxfield" --windowed 640x360 --benchmark short \
  --report "$work/r.json" --results-file "$work/file/x.csv"
[ "$(cat "$work/file")" = keep ] || fail "the file in the way was changed"

# A folder the user may not write in (root ignores permissions: the check
# then runs as the unprivileged user nobody).
as_user=()
if [ "$(id -u)" = 0 ]; then as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups); fi
refused "runner --out in a read-only folder" "^boxfield_runner: cannot write to $work/locked: Permission denied$" \
  "${as_user[@]}" "$boxfield_runner" --tour short --size 160x90 --out "$work/locked"
refused "gallery --out below a read-only folder" "^gallery_runner: cannot write to $work/locked/new: Permission denied$" \
  "${as_user[@]}" "$gallery_runner" --pages blur --out "$work/locked/new"

# Missing folders are made before the run: the benchmark mode's report
# folder exists even though its window could not open.
env -u DISPLAY -u WAYLAND_DISPLAY "$boxfield" --windowed 640x360 --benchmark short \
  --report "$work/made/for/report.json" >/dev/null 2>&1
[ -d "$work/made/for" ] || fail "benchmark: the report's folder was not made"
"$boxfield_runner" --tour short --size 160x90 --out "$work/new/out" --results-file "$work/new/csv/frames.csv" \
  >"$work/out" 2>"$work/err" || fail "runner with missing folders: status $? ($(tail -n 1 "$work/err"))"
[ -s "$work/new/out/report.json" ] || fail "runner with missing folders: no report.json"
[ -s "$work/new/csv/frames.csv" ] || fail "runner with missing folders: no frames.csv"

chmod 0755 "$work/locked"
if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "output paths: all checks passed"
