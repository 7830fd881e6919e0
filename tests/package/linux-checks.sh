#!/usr/bin/env bash
# The Linux packages as a user installs them: dist/zolmcom_VERSION_ARCH.deb
# unpacked into a scratch root (dpkg -x) and `cmake --install` of the package
# build into a scratch prefix. In each the installed command must read the
# sample through the installed libraries only (found by RUNPATH, nowhere near
# the build tree) and answer as the build tree's command does; the man page and
# the documents must be in place. Needs scripts/package to have run.
set -uo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
version=$(sed -n 's/^project(zolmcom VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=$(ls dist/zolmcom_"$version"_*.deb 2>/dev/null | head -n 1)
build=build/package

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/zolmcom-install.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# installed_tree PREFIX WHAT: the checks every installed tree must pass.
installed_tree() {
  local prefix=$1 what=$2 command=$1/bin/zolmcom
  if [ ! -x "$command" ]; then
    fail "$what: no bin/zolmcom"
    return
  fi
  # A copy of the sample outside the source tree, read from another directory.
  cp samples/sunset.bmp samples/sunset.pcx "$scratch/"
  local palette expected
  palette=$(cd / && "$command" palette "$scratch/sunset.pcx" 2>&1)
  expected=$("$build/zolmcom" palette samples/sunset.pcx)
  if [ "$palette" == "$expected" ] && [ "$(head -n 1 <<<"$palette")" == "colors 256" ]; then
    pass "$what: the installed command reads the sample's palette through the installed library"
  else
    fail "$what: zolmcom palette: $(head -n 3 <<<"$palette")"
  fi
  if (cd / && "$command" topnm "$scratch/sunset.bmp" "$scratch/sunset.ppm") &&
     "$build/zolmcom" topnm samples/sunset.bmp "$scratch/expected.ppm" &&
     cmp -s "$scratch/sunset.ppm" "$scratch/expected.ppm"; then
    pass "$what: the installed command writes the sample as PPM"
  else
    fail "$what: zolmcom topnm differs from the build tree's"
  fi
  # The libraries come from the tree itself, not from the build.
  local resolved
  resolved=$(ldd "$command" | grep libzolmplatform)
  grep -qF "$prefix/bin/../lib/libzolmplatform.so.1" <<<"$resolved" ||
    fail "$what: libzolmplatform resolved as: $resolved"
  if readelf -d "$command" "$prefix"/lib/libzolm*.so.1 | grep -F "$root"; then
    fail "$what: a RUNPATH names the build tree"
  fi
  [ -L "$prefix/lib/libzolmcom.so.1" ] && [ -f "$prefix/lib/libzolmcom.so.$version" ] ||
    fail "$what: lib/libzolmcom.so.1 -> libzolmcom.so.$version is missing"
  local file
  for file in share/man/man1/zolmcom.1 share/doc/zolmcom/README.md share/doc/zolmcom/reference.md \
              share/doc/zolmcom/CHANGELOG.md share/doc/zolmcom/samples/palette.vbs; do
    [ -f "$prefix/$file" ] || fail "$what: $file is missing"
  done
  if command -v man >/dev/null; then
    local warnings
    warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$prefix/share/man/man1/zolmcom.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$what: the man page renders with warnings: $warnings"
  fi
}

if [ -z "$deb" ]; then
  fail "dist/zolmcom_${version}_*.deb is missing (scripts/package makes it)"
else
  depends=$(dpkg-deb -f "$deb" Depends)
  for package in libc6 libstdc++6 libfontconfig1; do
    grep -qE "(^|, )${package//+/\\+}( |,|$)" <<<"$depends" || fail "${deb##*/} does not depend on $package: $depends"
  done
  [ "$(dpkg-deb -f "$deb" Version)" == "$version" ] || fail "${deb##*/}: version $(dpkg-deb -f "$deb" Version)"
  dpkg -x "$deb" "$scratch/root"
  installed_tree "$scratch/root/usr" "${deb##*/} (dpkg -x)"
fi

if cmake --install "$build" --prefix "$scratch/prefix" >/dev/null; then
  installed_tree "$scratch/prefix" "cmake --install"
  # Moved elsewhere, the tree still works: every path is relative to itself.
  mv "$scratch/prefix" "$scratch/moved"
  out=$("$scratch/moved/bin/zolmcom" palette "$scratch/sunset.bmp" | head -n 1)
  [ "$out" == "colors 256" ] && pass "cmake --install: the tree works after being moved" ||
    fail "cmake --install: the moved tree answers: $out"
else
  fail "cmake --install $build failed"
fi

# An empty RUNPATH entry (as in "a::b" or a trailing ":") makes the loader
# search the current directory for every library, the C++ runtime included.
for file in "$build/zolmcom" "$build"/libzolmcom.so.1 "$build"/platform/libzolmplatform.so.1; do
  runpath=$(readelf -d "$file" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  if [ -z "$runpath" ] || grep -qE '(^|:)(:|$)' <<<"$runpath"; then
    fail "${file#"$build"/}: RUNPATH [$runpath] is empty or has an empty entry"
  else
    pass "${file#"$build"/}: RUNPATH $runpath"
  fi
done

[ $failures -eq 0 ] || { echo "Linux packages: $failures failed"; exit 1; }
echo "Linux packages: all checks passed"
