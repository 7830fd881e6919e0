# shellcheck shell=bash disable=SC2154
# Scaling and two-colour PPM output through the platform's own graphics and
# file calls, sourced by tests/wine/run: zolmcom.exe convert --scale (the
# platform's StretchBlt, its section kept as the new pixel store) and topnm
# of a 1-bit picture must write the same bytes as the host command. Doubling
# and factor 1 select one source pixel per destination pixel whatever the
# stretch's rounding; halving may take either pixel of a pair, so only the
# size is compared there.

scale_dir="$zolm/scaled"
mkdir -p "$scale_dir"
cp "$root/tests/data/valid/bmp-info-1.bmp" "$root/tests/data/valid/pcx-1x1.pcx" "$scale_dir/"
cp "$zolm/data/pal8.bmp" "$zolm/data/rgb24.bmp" "$scale_dir/"

# Width and height of a BMP file, as "W x H".
scale_bmp_size() { od -An -tu4 -j18 -N8 "$1" | awk '{printf "%d x %d", $1, ($2 > 2^31 ? 2^32 - $2 : $2)}'; }

for scale_picture in pal8.bmp rgb24.bmp; do
  for scale_factor in 2 1 0.5; do
    scale_out="${scale_picture%.bmp}-$scale_factor"
    (cd "$scale_dir" && w ../zolmcom.exe convert "$scale_picture" "$scale_out-win.bmp" --scale "$scale_factor" >/dev/null)
    (cd "$scale_dir" && "$host/zolmcom" convert "$scale_picture" "$scale_out-host.bmp" --scale "$scale_factor" 2>/dev/null)
    if [ ! -f "$scale_dir/$scale_out-win.bmp" ]; then
      fail "zolmcom.exe convert $scale_picture --scale $scale_factor wrote nothing"
    elif [ "$scale_factor" = 0.5 ]; then
      if [ "$(scale_bmp_size "$scale_dir/$scale_out-win.bmp")" = "$(scale_bmp_size "$scale_dir/$scale_out-host.bmp")" ]; then
        pass "zolmcom.exe convert $scale_picture --scale 0.5 has the host command's size"
      else
        fail "zolmcom.exe convert $scale_picture --scale 0.5 differs in size from the host command"
      fi
    elif cmp -s "$scale_dir/$scale_out-win.bmp" "$scale_dir/$scale_out-host.bmp"; then
      pass "zolmcom.exe convert $scale_picture --scale $scale_factor writes what the host command writes"
    else
      fail "zolmcom.exe convert $scale_picture --scale $scale_factor differs from the host command"
    fi
  done
done

for scale_picture in bmp-info-1.bmp pcx-1x1.pcx; do
  (cd "$scale_dir" && w ../zolmcom.exe topnm "$scale_picture" "$scale_picture-win.ppm" >/dev/null)
  (cd "$scale_dir" && "$host/zolmcom" topnm "$scale_picture" "$scale_picture-host.ppm" 2>/dev/null)
  if [ -f "$scale_dir/$scale_picture-win.ppm" ] && cmp -s "$scale_dir/$scale_picture-win.ppm" "$scale_dir/$scale_picture-host.ppm"; then
    pass "zolmcom.exe topnm $scale_picture writes what the host command writes"
  else
    fail "zolmcom.exe topnm $scale_picture differs from the host command"
  fi
done
