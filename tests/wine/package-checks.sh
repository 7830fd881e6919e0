# The Windows package as a user meets it, sourced by tests/wine/run while the
# suite's own DLL is registered: dist/zolmcom-VERSION-windows.zip (made by
# scripts/package) is unpacked into C:\Program Files\zolmcom, install.cmd
# registers it, the VBScript and JScript samples run through cscript, the C++
# sample is built against the package's header and run, uninstall.cmd removes
# it and no key of the library may be left. The suite's registration is then
# made again for the checks that follow.
#
# Which half is proven: the prefix's own bitness. A 64-bit prefix proves the
# x64 DLL (64-bit regsvr32, cscript and client); its x86 half needs Wine's
# 32-bit loader, and when the prefix has no SysWOW64 install.cmd says so and
# that half is reported as not run here. A 32-bit prefix proves the x86 DLL.

package_version=$(sed -n 's/^project(zolmcom VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
package_zip=$root/dist/zolmcom-$package_version-windows.zip
package_dir="$WINEPREFIX/drive_c/Program Files/zolmcom"
package_win='C:\Program Files\zolmcom'
if [ "$build_name" = win64 ]; then
  package_half=x64 package_cxx=x86_64-w64-mingw32-g++
else
  package_half=x86 package_cxx=i686-w64-mingw32-g++
fi

# Keys of the library still in the registry, 64-bit and 32-bit views.
package_keys_left() {
  local key line=""
  for key in "${classes[@]}" "$typelib" "${interfaces[@]}"; do
    line+="reg query HKCR\\$key & reg query HKLM\\Software\\Classes\\WOW6432Node\\$key & "
  done
  w cmd /c "${line% & }" | tr -d '\r' | grep -i '^HKEY_' | sort -u | tr '\n' ' '
}

# The first colours as the host command reads them, in the samples' form.
package_expected_colours() {
  "$host/zolmcom" palette "$root/samples/sunset.bmp" | sed -n '2,5s/^\([0-9]*\) /  \1: /p'
}

package_checks() {
  # As a stage of scripts/test (ZOLM_ROOT set) the package stage has made the
  # zip and its absence is a failure; a run by hand without it only says so.
  if [ ! -f "$package_zip" ]; then
    if [ -n "${ZOLM_ROOT:-}" ]; then
      fail "package: $package_zip is missing (scripts/package makes it)"
    else
      echo "note: package: $package_zip is missing: run scripts/package to check the package too"
    fi
    return
  fi
  rm -rf "$package_dir"
  mkdir -p "$package_dir"
  if ! unzip -q "$package_zip" -d "$package_dir"; then
    fail "package: cannot unpack $package_zip"
    return
  fi

  local out rc
  out=$(w cmd /c "$package_win\\install.cmd" | tr -d '\r')
  rc=$?
  if grep -qxF "install.cmd: $package_half: registered $package_win\\$package_half\\zolmcom.dll" <<<"$out"; then
    pass "package: install.cmd registers the $package_half DLL"
  else
    fail "package: install.cmd (exit $rc) did not register the $package_half DLL:"
    echo "$out"
  fi
  if [ "$package_half" = x64 ]; then
    if grep -q '^install.cmd: x86: registered ' <<<"$out"; then
      pass "package: install.cmd registers the x86 DLL through SysWOW64's regsvr32"
    elif grep -q '^install.cmd: x86: .*SysWOW64\\regsvr32.exe is missing' <<<"$out"; then
      echo "note: package: this 64-bit prefix has no 32-bit part; the x86 half of install.cmd is proven by the win32 stage"
    else
      fail "package: install.cmd's x86 half:"
      echo "$out"
    fi
  elif [ $rc -ne 0 ]; then
    fail "package: install.cmd exits $rc on 32-bit Windows"
  fi
  local inproc
  inproc=$(w reg query "HKCR\\${classes[3]}\\InprocServer32" /ve | tr -d '\r')
  grep -qF "$package_win\\$package_half\\zolmcom.dll" <<<"$inproc" ||
    fail "package: PaletteLoader's InprocServer32 is not the package's DLL: $inproc"

  local expected
  expected=$(package_expected_colours)
  out=$(w cscript //nologo "$package_win\\samples\\palette.vbs" "$package_win\\samples\\sunset.bmp" |
        tr -d '\r')
  if grep -q 'sunset.bmp: 256 colours$' <<<"$out" && [ "$(sed -n '2,5p' <<<"$out")" == "$expected" ]; then
    pass "package: samples\\palette.vbs prints the sample's palette"
  else
    fail "package: samples\\palette.vbs:"
    echo "$out"
  fi
  out=$(w cscript //nologo "$package_win\\samples\\palette.js" "$package_win\\samples\\sunset.pcx" |
        tr -d '\r')
  if grep -q 'sunset.pcx: 256 colours$' <<<"$out" &&
     grep -q '^getRGB(0) answers true; the colour stays undefined' <<<"$out"; then
    pass "package: samples\\palette.js loads and shows that out-parameters stay unset"
  else
    fail "package: samples\\palette.js:"
    echo "$out"
  fi
  if "$package_cxx" -municode -Wall -Wextra -Werror -I "$package_dir/include" \
       "$package_dir/samples/client.cpp" "$package_dir/include/zolmcom_i.c" \
       -o "$package_dir/client.exe" -lole32 -loleaut32 -luuid -static 2>>"$log"; then
    out=$(w "$package_win\\client.exe" "$package_win\\samples\\sunset.bmp" | tr -d '\r')
    rc=$?
    if [ $rc -eq 0 ] && [ "$(sed -n '2,5p' <<<"$out")" == "$expected" ]; then
      pass "package: samples\\client.cpp builds against include\\zolmcom.h and reads the palette"
    else
      fail "package: client.exe (exit $rc):"
      echo "$out"
    fi
  else
    fail "package: samples\\client.cpp does not build against include\\zolmcom.h (see $log)"
  fi

  out=$(w cmd /c "$package_win\\uninstall.cmd" | tr -d '\r')
  grep -qxF "uninstall.cmd: $package_half: unregistered $package_win\\$package_half\\zolmcom.dll" <<<"$out" ||
    { fail "package: uninstall.cmd:"; echo "$out"; }
  local left
  left=$(package_keys_left)
  if [ -z "$left" ]; then
    pass "package: uninstall.cmd leaves no key of the library"
  else
    fail "package: left behind by uninstall.cmd: $left"
  fi

  # The suite's own registration again, for the checks after this file.
  w regsvr32 /s "$module" || fail "package: registering $module again failed"
}

package_checks
