# zolmcom.exe as a user meets it, sourced by tests/wine/run: help and
# version, failures in words with the platform's own message text, saves
# that replace a file only when whole (ReplaceFileW, MoveFileExW), through a
# symbolic link into the file it names, and leave it as it was when the disk
# is full, and conversion between BMP and PCX, each result read back by the
# host command.

command_version=$(sed -n 's/^project(zolmcom VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
command_dir=$zolm/command
command_data='C:\zolm\command'

# zolmcom.exe ARGUMENTS in $command_cwd (C:\zolm\command when unset):
# standard output, then standard error after a line "--stderr--", then
# "exit N".
command_run() {
  local errors=$WINEPREFIX/command-stderr out rc
  out=$(cd "${command_cwd:-$command_dir}" && timeout -k 5 "$call_limit" "$wine" 'C:\zolm\zolmcom.exe' "$@" 2>"$errors")
  rc=$?
  printf '%s\n--stderr--\n%s\nexit %s\n' "$out" "$(tr -d '\r' <"$errors")" "$rc"
}

# Checks one run: the exit code and a line its output or errors must hold.
command_expect() {
  local what=$1 result=$2 code=$3 line=$4
  if grep -qx "exit $code" <<<"$result" && grep -qF -- "$line" <<<"$result"; then
    pass "zolmcom.exe $what"
  else
    fail "zolmcom.exe $what (wanted exit $code and '$line'):"
    echo "$result" | head -8
  fi
}

command_checks() {
  if [ ! -f "$build/zolmcom.exe" ] || [ ! -x "$host/zolmcom" ]; then
    fail "command checks: build/$build_name/zolmcom.exe or build/host/zolmcom is missing"
    return
  fi
  cp "$build/zolmcom.exe" "$zolm/"
  mkdir -p "$command_dir"
  cp "$zolm/data/pal8.bmp" "$zolm/data/pal4.bmp" "$zolm/data/pal8.pcx" "$zolm/data/rgb24.bmp" "$command_dir/"

  local out
  out=$(command_run --help)
  command_expect "--help" "$out" 0 "usage: zolmcom COMMAND [ARGUMENTS]"
  out=$(command_run convert --help)
  command_expect "convert --help" "$out" 0 "usage: zolmcom convert IN OUT [--scale F]"
  out=$(command_run --version)
  command_expect "--version" "$out" 0 "zolmcom $command_version"
  out=$(command_run convert pal8.bmp x.bmp --sclae 2)
  command_expect "names an unknown option" "$out" 2 "unknown option '--sclae'"

  # Failures in words: the platform's text for its code, never a bare number.
  out=$(command_run info missing.bmp)
  if grep -qx "exit 1" <<<"$out" && grep -qE '^zolmcom: missing\.bmp: cannot open: [A-Za-z].* \(system error 2\)$' <<<"$out"; then
    pass "zolmcom.exe says why a file cannot be opened, in the platform's words"
  else
    fail "zolmcom.exe info missing.bmp:"
    echo "$out"
  fi
  out=$(command_run convert rgb24.bmp rgb.pcx)
  command_expect "refuses 24 bits as PCX in words" "$out" 1 \
    "zolmcom: rgb.pcx: cannot save a 24-bit picture as PCX: PCX pictures are written with a palette of at most 256 colours (errPalette)"

  # Conversion both ways, scaled and not; the host command reads the results.
  local expected got pair
  for pair in "pal8.bmp to8.pcx" "pal4.bmp to4.pcx" "pal8.pcx to8.bmp" "rgb24.bmp to24.bmp"; do
    set -- $pair
    out=$(command_run convert "$1" "$2")
    expected=$("$host/zolmcom" topnm "$command_dir/$1" | md5sum)
    got=$("$host/zolmcom" topnm "$command_dir/$2" 2>/dev/null | md5sum)
    if grep -qx "exit 0" <<<"$out" && [ "$expected" == "$got" ]; then
      pass "zolmcom.exe convert $1 $2 keeps the picture"
    else
      fail "zolmcom.exe convert $1 $2 (the host command reads another picture):"
      echo "$out" | head -4
    fi
    out=$(command_run convert "$1" "x2-$2" --scale 2)
    "$host/zolmcom" convert "$command_dir/$1" "$command_dir/host-x2-$2" --scale 2
    if grep -qx "exit 0" <<<"$out" &&
       [ "$("$host/zolmcom" topnm "$command_dir/x2-$2" 2>/dev/null | md5sum)" == "$("$host/zolmcom" topnm "$command_dir/host-x2-$2" | md5sum)" ]; then
      pass "zolmcom.exe convert $1 $2 --scale 2 scales as the host command does"
    else
      fail "zolmcom.exe convert $1 $2 --scale 2:"
      echo "$out" | head -4
    fi
  done
  # The PPM on standard output is binary: no line ending is translated.
  expected=$("$host/zolmcom" topnm "$command_dir/pal8.bmp" | md5sum)
  got=$(cd "$command_dir" && timeout -k 5 "$call_limit" "$wine" ../zolmcom.exe topnm pal8.bmp 2>>"$log" | md5sum)
  if [ "$expected" == "$got" ]; then
    pass "zolmcom.exe topnm writes the PPM the host command writes to standard output"
  else
    fail "zolmcom.exe topnm to standard output differs from the host command"
  fi

  # Safe saves: an existing OUT is replaced whole; on a full disk OUT and
  # IN stay byte for byte and no temporary file is left.
  cp "$command_dir/pal4.bmp" "$command_dir/old.bmp"
  out=$(command_run convert pal8.bmp old.bmp)
  "$host/zolmcom" convert "$command_dir/pal8.bmp" "$command_dir/fresh.bmp"
  if grep -qx "exit 0" <<<"$out" && cmp -s "$command_dir/old.bmp" "$command_dir/fresh.bmp"; then
    pass "zolmcom.exe replaces an existing file with the whole picture"
  else
    fail "zolmcom.exe convert over an existing file:"
    echo "$out" | head -4
  fi
  # OUT a symbolic link to a file in another folder: that file gets the
  # picture (ReplaceFileW on the name GetFinalPathNameByHandleW gives) and
  # the link stays.
  mkdir -p "$command_dir/linked"
  cp "$command_dir/pal4.bmp" "$command_dir/linked/target.bmp"
  ln -sfn "$command_dir/linked/target.bmp" "$command_dir/link.bmp"
  out=$(command_run convert pal8.bmp link.bmp)
  if grep -qx "exit 0" <<<"$out" && [ -L "$command_dir/link.bmp" ] &&
     cmp -s "$command_dir/linked/target.bmp" "$command_dir/fresh.bmp"; then
    pass "zolmcom.exe saves through a symbolic link into the file it names"
  else
    fail "zolmcom.exe convert into a symbolic link:"
    echo "$out" | head -4
  fi
  command_full_disk
}

# A full disk: a 64 KiB tmpfs (C:\zolm\full) holding IN, an existing OUT and
# a filler that takes the rest; the 5 x 3 picture scaled by 100 needs 150 KB.
# Where no tmpfs can be mounted, a file size limit of 16 KiB stands in for
# it with the 64-bit loader (under qemu the limit's signal ends the process
# instead of failing the write).
command_full_disk() {
  local full=$zolm/full limit="" before_out before_in listing out
  mkdir -p "$full"
  if mount -t tmpfs -o size=64k tmpfs "$full" 2>/dev/null; then
    limit=""
  elif [ "$build_name" = win64 ]; then
    limit="trap '' XFSZ; ulimit -f 16"
  else
    echo "note: command: no tmpfs can be mounted here, and under qemu a file size limit ends the process: full disk not checked"
    return
  fi
  cp "$command_dir/pal4.bmp" "$full/kept.bmp"
  cp "$command_dir/pal8.bmp" "$full/in.bmp"
  [ -z "$limit" ] && head -c 1000000 /dev/zero >"$full/filler" 2>/dev/null
  before_out=$(md5sum <"$full/kept.bmp")
  before_in=$(md5sum <"$full/in.bmp")
  listing=$(ls -a "$full")
  out=$(eval "$limit"; command_cwd=$full command_run convert in.bmp kept.bmp --scale 100)
  out+=$'\n'$(eval "$limit"; command_cwd=$full command_run convert in.bmp in.bmp --scale 100)
  if [ "$(grep -c '^exit 1$' <<<"$out")" == 2 ] && [ "$(md5sum <"$full/kept.bmp")" == "$before_out" ] &&
     [ "$(md5sum <"$full/in.bmp")" == "$before_in" ] && [ "$(ls -a "$full")" == "$listing" ] &&
     grep -q 'cannot write the picture: .* (errWrite, system error [0-9]*)' <<<"$out"; then
    pass "zolmcom.exe on a full disk leaves OUT and IN as they were, and says why"
  else
    fail "zolmcom.exe on a full disk (OUT or IN changed, a file was left, or the message lacks its cause):"
    echo "$out" | head -8
  fi
  [ -z "$limit" ] && umount "$full"
}

command_checks
