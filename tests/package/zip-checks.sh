#!/usr/bin/env bash
# The Windows zip's contents, without Windows: exactly the files a user is
# promised, both DLLs stripped and still exporting exactly the four entry points
# and importing only the platform's DLLs (pecheck.py), both commands stripped,
# text files with CR LF line ends, a header that is the .idl's and that the C++
# sample builds against. The zip run on Windows (install.cmd, samples,
# uninstall.cmd) is tests/wine/package-checks.sh.
set -uo pipefail
cd "$(dirname "$0")/../.."
version=$(sed -n 's/^project(zolmcom VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip=dist/zolmcom-$version-windows.zip

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

[ -f "$zip" ] || { echo "FAIL: $zip is missing (scripts/package makes it)"; exit 1; }
unpacked=$(mktemp -d "${TMPDIR:-/tmp}/zolmcom-zip.XXXXXX")
trap 'rm -rf "$unpacked"' EXIT
unzip -q "$zip" -d "$unpacked"

expected="README.txt
docs/reference.md
include/zolmcom.h
include/zolmcom_i.c
install.cmd
samples/client.cpp
samples/palette.bas
samples/palette.js
samples/palette.ps1
samples/palette.vbs
samples/sunset.bmp
samples/sunset.pcx
uninstall.cmd
x64/zolmcom.dll
x64/zolmcom.exe
x86/zolmcom.dll
x86/zolmcom.exe
zolmcom.tlb"
listing=$(cd "$unpacked" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$listing" == "$expected" ] && pass "the zip holds exactly the promised files" ||
  fail "the zip holds: $(diff <(echo "$expected") <(echo "$listing") | grep '^[<>]' | tr '\n' ' ')"

for arch in x86 x64; do
  if [ $arch = x86 ]; then machine=i386 objdump=i686-w64-mingw32-objdump; else machine=amd64 objdump=x86_64-w64-mingw32-objdump; fi
  python3 tests/wine/pecheck.py --machine $machine "$unpacked/$arch/zolmcom.dll" &&
    pass "$arch/zolmcom.dll: the four entry points, only the platform's DLLs, every resource" ||
    fail "$arch/zolmcom.dll fails pecheck.py"
  for file in zolmcom.dll zolmcom.exe; do
    sections=$("$objdump" -h "$unpacked/$arch/$file" | grep -c ' \.debug_')
    symbols=$("$objdump" -t "$unpacked/$arch/$file" | grep -c '^\[')
    [ "$sections" -eq 0 ] && [ "$symbols" -eq 0 ] ||
      fail "$arch/$file is not stripped ($sections debug sections, $symbols symbols)"
  done
done

for file in README.txt install.cmd uninstall.cmd samples/palette.vbs samples/palette.js; do
  lines=$(wc -l < "$unpacked/$file")
  crlf=$(grep -c $'\r$' "$unpacked/$file")
  [ "$lines" -eq "$crlf" ] || fail "$file: $((lines - crlf)) of $lines lines without CR LF"
done
grep -q "zolmcom $version for Windows" "$unpacked/README.txt" || fail "README.txt does not name version $version"

for name in IPaletteLoader IFontFile CLSID_PaletteLoader CLSID_FontFile LIBID_ZOLMCOMLib; do
  grep -q "$name" "$unpacked/include/zolmcom.h" || fail "include/zolmcom.h does not declare $name"
done
grep -q 'include <oaidl.h>' "$unpacked/include/zolmcom.h" &&
  ! grep -q automation_base "$unpacked/include/zolmcom.h" ||
  fail "include/zolmcom.h does not take the automation types from <oaidl.h>"

# The C++ sample builds against the header for both bitnesses without a
# warning (the Wine stages run it).
for compiler in i686-w64-mingw32-g++ x86_64-w64-mingw32-g++; do
  "$compiler" -municode -Wall -Wextra -Werror -I "$unpacked/include" "$unpacked/samples/client.cpp" \
    "$unpacked/include/zolmcom_i.c" -o "$unpacked/client.exe" -lole32 -loleaut32 -luuid -static ||
    fail "samples/client.cpp does not build with $compiler against include/zolmcom.h"
done

[ $failures -eq 0 ] || { echo "Windows zip: $failures failed"; exit 1; }
echo "Windows zip: all checks passed"
