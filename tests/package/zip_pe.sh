#!/usr/bin/env bash
# Both Windows zips as received: exactly the three programs and README.txt in
# one folder, each program a PE32 (i686) or PE32+ (x86_64) executable that
# imports only DLLs every Windows has (the C and C++ runtimes are linked in
# statically). objdump reads the 32-bit programs, which cannot run here.
# Arguments: the packages folder and the version.
set -euo pipefail
pkgs=${1:?packages folder}
version=${2:?version}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# DLLs that come with Windows itself (compared in lower case).
system_dlls=" kernel32.dll user32.dll gdi32.dll opengl32.dll glu32.dll msvcrt.dll "

for pair in win64:x86_64:pei-x86-64 win32:i686:pei-i386; do
  IFS=: read -r system arch format <<<"$pair"
  zip="$pkgs/boxfield_toolkit-$version-$system.zip"
  [ -f "$zip" ] || { fail "no $zip"; continue; }
  top="boxfield_toolkit-$version-$system"
  listing=$(unzip -Z1 "$zip" | sort | tr '\n' ' ')
  wanted="$top/ $top/README.txt $top/boxfield.exe $top/gallery.exe $top/glyph_tool.exe "
  # Some zip writers list the folder itself, some do not.
  [ "$listing" = "$wanted" ] || [ "$listing" = "${wanted#"$top/ "}" ] || fail "$system zip holds: $listing"
  mkdir -p "$work/$system"
  unzip -q "$zip" -d "$work/$system"
  grep -q 'Box-field' "$work/$system/$top/README.txt" || fail "$system: README.txt is not the README"
  grep -q 'This notice may not be removed or altered from any source distribution' "$work/$system/$top/README.txt" ||
    fail "$system: README.txt lacks the licence"
  for exe in boxfield gallery glyph_tool; do
    file="$work/$system/$top/$exe.exe"
    [ -f "$file" ] || continue
    dump=$(x86_64-w64-mingw32-objdump -p "$file")
    grep -q "file format $format\$" <<<"$dump" || fail "$system $exe.exe: $(grep -m1 'file format' <<<"$dump")"
    dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump" | tr 'A-Z' 'a-z' | sort -u | tr '\n' ' ')
    for dll in $dlls; do
      [[ "$system_dlls" == *" $dll "* ]] || fail "$system $exe.exe imports $dll"
    done
    echo "$system $exe.exe ($format): $dlls"
  done
done

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "zips: contents, formats and imports all good"
