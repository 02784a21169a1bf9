#!/usr/bin/env bash
# Plots a kestrane-sim run with gnuplot: the tethers over time and the vessels' paths from above.
#
#   scripts/plot.sh [--frame inertial|centre|orbit] [--title TEXT] DIR
#
# Reads DIR/tethers.csv and DIR/vessels.csv (kestrane-sim run --tethers … --vessels …) and writes
#   DIR/tethers.png    pull, stretch, length with distance, and reel speed of every tether that was
#                      connected
#   DIR/paths.png      the vessels' paths seen from above (x–y, same scale on both axes), with the
#                      tethers drawn centre to centre at six moments of the run (three when there
#                      are more than two tethers)
#   DIR/libration.png  with --frame orbit only: each tether's angle from the local vertical
#
# Frames of the paths picture:
#   inertial  global x and y (the default)
#   centre    x and y relative to the vessels' mean position
#   orbit     relative to the vessels' mean position, along-track to the right and up (away from the
#             central body at the origin) to the top: a tether hanging along the vertical is upright
set -euo pipefail

usage() { sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//' >&2; exit 2; }

frame=inertial
title=
dir=
while [ $# -gt 0 ]; do
  case "$1" in
    --frame) [ $# -ge 2 ] || usage; frame=$2; shift 2 ;;
    --title) [ $# -ge 2 ] || usage; title=$2; shift 2 ;;
    -h|--help) usage ;;
    -*) echo "plot: unknown option '$1'" >&2; usage ;;
    *) [ -z "$dir" ] || usage; dir=$1; shift ;;
  esac
done
[ -n "$dir" ] || usage
case "$frame" in inertial|centre|orbit) ;; *) echo "plot: unknown frame '$frame'" >&2; exit 2 ;; esac
for f in tethers.csv vessels.csv; do
  [ -s "$dir/$f" ] || { echo "plot: $dir/$f is missing" >&2; exit 2; }
done
command -v gnuplot >/dev/null || { echo "plot: gnuplot is missing (scripts/install-deps.sh installs it)" >&2; exit 2; }
[ -n "$title" ] || title=$(basename "$(cd "$dir" && pwd)")

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One pass over both files: per-vessel path files, per-link time series, tether segments at six
# moments, and the units that suit the numbers.
awk -F, -v frame="$frame" -v out="$work" '
function unitOf(maxValue, base, big) { return maxValue >= 10000 ? big : base }
function scaleOf(maxValue) { return maxValue >= 10000 ? 0.001 : 1 }
function abs(v) { return v < 0 ? -v : v }
FNR == 1 { file++; next }
file == 1 {
  t = $1; name = $2
  if (!(name in vid)) { vid[name] = ++nv; vname[nv] = name }
  if (!(t in tid)) { tid[t] = ++nt; tval[nt] = t }
  k = tid[t]; i = vid[name]
  X[k, i] = $3; Y[k, i] = $4; Z[k, i] = $5; VX[k, i] = $6; VY[k, i] = $7; VZ[k, i] = $8; seen[k, i] = 1
  next
}
file == 2 {
  nr++
  rt[nr] = $1; rl[nr] = $2; rc[nr] = $3; rs1[nr] = $4; rs2[nr] = $5
  rlen[nr] = $6; rdist[nr] = $7; rstr[nr] = $8; rpull[nr] = $9; rreel[nr] = $11
  next
}
END {
  # The orbit frame turns with the direction from the central body at the origin, which must lie
  # far beyond the vessels for that to be the local vertical: in free space it is not.
  if (frame == "orbit") {
    cx = cy = cz = 0; n = 0
    for (i = 1; i <= nv; i++) if ((1, i) in seen) { n++; cx += X[1, i]; cy += Y[1, i]; cz += Z[1, i] }
    if (n > 0) { cx /= n; cy /= n; cz /= n }
    spread = 0
    for (i = 1; i <= nv; i++) if ((1, i) in seen) {
      d = sqrt((X[1, i] - cx) ^ 2 + (Y[1, i] - cy) ^ 2 + (Z[1, i] - cz) ^ 2)
      if (d > spread) spread = d
    }
    r = sqrt(cx * cx + cy * cy + cz * cz)
    if (r < 10 * spread || r == 0) {
      printf "%.4g %.4g\n", r, 2 * spread > (out "/no_orbit")
      frame = "centre"
    }
  }
  # The frame at each sample time: its origin and its two axes in global coordinates.
  for (k = 1; k <= nt; k++) {
    cx = cy = cz = wx = wy = wz = 0; n = 0
    for (i = 1; i <= nv; i++) if ((k, i) in seen) {
      n++; cx += X[k, i]; cy += Y[k, i]; cz += Z[k, i]; wx += VX[k, i]; wy += VY[k, i]; wz += VZ[k, i]
    }
    if (n == 0) n = 1
    cx /= n; cy /= n; cz /= n; wx /= n; wy /= n; wz /= n
    if (frame == "inertial") {
      O1[k] = O2[k] = O3[k] = 0
      A1[k] = 1; A2[k] = 0; A3[k] = 0; U1[k] = 0; U2[k] = 1; U3[k] = 0
    } else if (frame == "centre") {
      O1[k] = cx; O2[k] = cy; O3[k] = cz
      A1[k] = 1; A2[k] = 0; A3[k] = 0; U1[k] = 0; U2[k] = 1; U3[k] = 0
    } else {
      O1[k] = cx; O2[k] = cy; O3[k] = cz
      r = sqrt(cx * cx + cy * cy + cz * cz); if (r == 0) r = 1
      U1[k] = cx / r; U2[k] = cy / r; U3[k] = cz / r
      d = wx * U1[k] + wy * U2[k] + wz * U3[k]
      ax = wx - d * U1[k]; ay = wy - d * U2[k]; az = wz - d * U3[k]
      s = sqrt(ax * ax + ay * ay + az * az); if (s == 0) { ax = -U2[k]; ay = U1[k]; az = 0; s = sqrt(ax * ax + ay * ay); if (s == 0) s = 1 }
      A1[k] = ax / s; A2[k] = ay / s; A3[k] = az / s
    }
    for (i = 1; i <= nv; i++) if ((k, i) in seen) {
      px = X[k, i] - O1[k]; py = Y[k, i] - O2[k]; pz = Z[k, i] - O3[k]
      PA[k, i] = px * A1[k] + py * A2[k] + pz * A3[k]
      PU[k, i] = px * U1[k] + py * U2[k] + pz * U3[k]
      if (abs(PA[k, i]) > extent) extent = abs(PA[k, i])
      if (abs(PU[k, i]) > extent) extent = abs(PU[k, i])
      if (!bounded || PA[k, i] < loA) loA = PA[k, i]
      if (!bounded || PA[k, i] > hiA) hiA = PA[k, i]
      if (!bounded || PU[k, i] < loU) loU = PU[k, i]
      if (!bounded || PU[k, i] > hiU) hiU = PU[k, i]
      bounded = 1
    }
  }
  pscale = scaleOf(extent)
  print (pscale == 1 ? "m" : "km") > (out "/position_unit")
  # Height over width of the paths, for a picture without wasted space.
  print (hiA > loA ? (hiU - loU) / (hiA - loA) : 1) > (out "/aspect")
  print (hiA - loA) * pscale, (hiU - loU) * pscale, (hiA + loA) / 2 * pscale, (hiU + loU) / 2 * pscale > (out "/spans")
  for (i = 1; i <= nv; i++) {
    f = out "/vessel" i ".dat"
    printf "" > f
    for (k = 1; k <= nt; k++) if ((k, i) in seen) printf "%s %.9g %.9g\n", tval[k], PA[k, i] * pscale, PU[k, i] * pscale > f
    close(f)
    print vname[i] > (out "/vessel" i ".name")
  }
  print nv > (out "/vessels")

  # The time series of each link, broken where it was not connected.
  for (j = 1; j <= nr; j++) {
    if (rpull[j] > maxPull) maxPull = rpull[j]
    if (rc[j] == 1) {
      if (rreel[j] != 0) reeled = 1
      if (rlen[j] > maxLength) maxLength = rlen[j]
      if (rdist[j] > maxLength) maxLength = rdist[j]
    }
  }
  fscale = scaleOf(maxPull); lscale = scaleOf(maxLength)
  print (fscale == 1 ? "N" : "kN") > (out "/pull_unit")
  print (lscale == 1 ? "m" : "km") > (out "/length_unit")
  print (reeled ? "set autoscale y" : "set yrange [-1:1]") > (out "/reel_range")
  for (j = 1; j <= nr; j++) {
    link = rl[j]; f = out "/link" link ".dat"
    if (rc[j] != 1) {
      if (wasOn[link]) { print "" > f; wasOn[link] = 0 }
      continue
    }
    if (!(link in used)) { used[link] = 1; nused++; links = links " " link; print rs1[j] "-" rs2[j] > (out "/link" link ".name") }
    wasOn[link] = 1
    angle = "NaN"
    k = tid[rt[j]]; a = vid[rs1[j]]; b = vid[rs2[j]]
    if (k && a && b && ((k, a) in seen) && ((k, b) in seen)) {
      da = PA[k, b] - PA[k, a]; du = PU[k, b] - PU[k, a]
      if (du < 0 || (du == 0 && da < 0)) { da = -da; du = -du }
      angle = atan2(da, du) * 45 / atan2(1, 1)
    }
    printf "%s %.9g %.9g %.9g %.9g %s %.9g\n", rt[j], rpull[j] * fscale, rstr[j], rlen[j] * lscale, rdist[j] * lscale, angle,
      rreel[j] > f
  }
  print links > (out "/links")

  # Tethers at six moments spread over the run, first and last included; three when there are
  # many tethers, so that they stay apart.
  m = nused > 2 ? 3 : 6
  if (nt < m) m = nt
  moments = ""
  for (q = 0; q < m; q++) {
    k = m == 1 ? 1 : 1 + int(q * (nt - 1) / (m - 1) + 0.5)
    pick[tval[k]] = k
    moments = moments (q ? ", " : "") sprintf(tval[nt] >= 20 ? "%.0f" : "%.3g", tval[k])
  }
  f = out "/segments.dat"
  printf "" > f
  for (j = 1; j <= nr; j++) {
    if (rc[j] != 1 || !(rt[j] in pick)) continue
    k = pick[rt[j]]; a = vid[rs1[j]]; b = vid[rs2[j]]
    if (!a || !b || !((k, a) in seen) || !((k, b) in seen)) continue
    printf "%.9g %.9g\n%.9g %.9g\n\n", PA[k, a] * pscale, PU[k, a] * pscale, PA[k, b] * pscale, PU[k, b] * pscale > f
  }
  close(f)
  print moments > (out "/moments")
}' "$dir/vessels.csv" "$dir/tethers.csv"

if [ -f "$work/no_orbit" ]; then
  read -r centre_distance span < "$work/no_orbit"
  echo "plot: --frame orbit: the vessels, $centre_distance m from the origin and $span m across, orbit no body" \
    "there; drawn as --frame centre draws them, without libration.png" >&2
  frame=centre
fi
# A picture that this plot does not draw is not left from an earlier one.
[ "$frame" = orbit ] || rm -f "$dir/libration.png"

pos_unit=$(cat "$work/position_unit")
pull_unit=$(cat "$work/pull_unit")
length_unit=$(cat "$work/length_unit")
read -r -a links < "$work/links" || links=()
vessels=$(cat "$work/vessels")
moments=$(cat "$work/moments")
# A canvas of about the paths' shape, and tics that do not crowd the narrow axis of a long shape.
read -r paths_width paths_height paths_tics < <(awk -v a="$(cat "$work/aspect")" -v spans="$(cat "$work/spans")" '
  function nice(x,   p) { if (x <= 0) return 0; p = 10 ^ int(log(x) / log(10) - (x < 1)); x /= p
                          return (x < 1.5 ? 1 : x < 3.5 ? 2 : x < 7.5 ? 5 : 10) * p }
  BEGIN {
    split(spans, span, " ")
    if (span[2] < span[1] / 20) a = 0.2
    else if (span[1] < span[2] / 20) a = 5
    if (a <= 1) { w = 800; h = 230 + 620 * a; h = h < 400 ? 400 : h > 1000 ? 1000 : h }
    else { h = 900; w = 250 + 650 / a; w = w < 600 ? 600 : w > 800 ? 800 : w }
    tics = a > 2 && span[1] > 0 ? "set xtics " nice(span[1] / 2) : a < 0.5 && span[2] > 0 ? "set ytics " nice(span[2] / 2) : "set tics"
    # Paths along a line: open the other axis to a tenth of the line, so that the line shows.
    if (span[2] < span[1] / 20) tics = "set tics; set yrange [" span[4] - span[1] / 10 ":" span[4] + span[1] / 10 "]"
    else if (span[1] < span[2] / 20) tics = "set tics; set xrange [" span[3] - span[2] / 10 ":" span[3] + span[2] / 10 "]"
    print int(w), int(h), tics
  }')

if gnuplot -e 'set terminal pngcairo' >/dev/null 2>&1; then
  terminal='pngcairo enhanced font "DejaVu Sans,10"'
else
  terminal='png enhanced font "DejaVuSans,9"'
fi

# Ten distinct colours, shared by both pictures.
palette="set linetype 1 lc rgb '#1f77b4'; set linetype 2 lc rgb '#d62728'; set linetype 3 lc rgb '#2ca02c'
set linetype 4 lc rgb '#ff7f0e'; set linetype 5 lc rgb '#9467bd'; set linetype 6 lc rgb '#8c564b'
set linetype 7 lc rgb '#e377c2'; set linetype 8 lc rgb '#17becf'; set linetype 9 lc rgb '#bcbd22'
set linetype 10 lc rgb '#000000'; set linetype cycle 10"

# gnuplot string literal: single quotes doubled inside single quotes.
quote() { printf "'%s'" "${1//\'/\'\'}"; }

# The tethers over time: one row of panels per quantity, one colour per link.
{
  echo "set terminal $terminal size 900,$([ "$frame" = orbit ] && echo 1250 || echo 1050)"
  echo "set output $(quote "$dir/tethers.png")"
  echo "$palette"
  echo "set grid; set key outside right top; set lmargin 12; set rmargin 32"
  echo "set multiplot layout $([ "$frame" = orbit ] && echo 5 || echo 4),1 title $(quote "$title: tethers over time") font ',13'"
  # One line per link; the first panel names the links, the others reuse its colours.
  plot_links() {  # column, titled (1 or 0), extra style
    local column=$1 titled=$2 style=$3 sep="plot " title
    for l in "${links[@]}"; do
      title=notitle
      [ "$titled" = 1 ] && title="title $(quote "link $l: $(cat "$work/link$l.name")")"
      printf '%s%s using 1:%s with lines lw 1.5 lc %d %s %s' "$sep" "$(quote "$work/link$l.dat")" "$column" \
        "$((l + 1))" "$style" "$title"
      sep=", "
    done
  }
  if [ "${#links[@]}" -eq 0 ]; then
    echo "set label 1 'no tether was connected' at graph 0.5, graph 0.5 center; unset key"
    echo "plot [0:1][0:1] -1 notitle"
  else
    echo "set ylabel 'pull ($pull_unit)'; set format x ''"
    echo "$(plot_links 2 1 '')"
    echo "set ylabel 'stretch (%)'"
    echo "$(plot_links 3 0 ''), 100 with lines dt 2 lc 'gray40' title 'taut (100 %)'"
    echo "set ylabel 'length, distance ($length_unit)'"
    echo "$(plot_links 4 0 ''), $(plot_links 5 0 'dt 2' | sed 's/^plot //'),"\
      "NaN with lines lc 'black' title 'length', NaN with lines dt 2 lc 'black' title 'distance'"
    [ "$frame" = orbit ] || echo "set xlabel 'time (s)'; set format x '%g'"
    echo "set ylabel 'reel speed (m/s, + pays out)'; $(cat "$work/reel_range")"
    echo "$(plot_links 7 0 '')"
    if [ "$frame" = orbit ]; then
      echo "set xlabel 'time (s)'; set format x '%g'; set autoscale y"
      echo "set ylabel 'angle from the vertical (deg)'"
      echo "set label 3 '+: upper end ahead along-track' at graph 0.01, graph 0.93"
      echo "$(plot_links 6 0 '')"
    fi
  fi
  echo "unset multiplot"
} > "$work/tethers.gp"
gnuplot "$work/tethers.gp"

# The paths, same scale on both axes, with the tethers at six moments.
case "$frame" in
  inertial) xl="x ($pos_unit)"; yl="y ($pos_unit)"; sub="seen from above" ;;
  centre) xl="x from the vessels' mean position ($pos_unit)"; yl="y from the vessels' mean position ($pos_unit)"; sub="seen from above, around the vessels' mean position" ;;
  orbit) xl="along-track ($pos_unit)"; yl="up, away from the central body ($pos_unit)"; sub="in the orbit's moving frame, around the vessels' mean position" ;;
esac
{
  echo "set terminal $terminal size $paths_width,$paths_height"
  echo "$paths_tics"
  echo "set output $(quote "$dir/paths.png")"
  echo "$palette"
  echo "set title $(quote "$title: vessel paths") . \"\\n\" . $(quote "{/=10 $sub}") font ',13'"
  echo "set size ratio -1; set grid; set key outside below center horizontal"
  echo "set xlabel $(quote "$xl"); set ylabel $(quote "$yl")"
  if [ -s "$work/segments.dat" ]; then
    printf 'plot %s with lines lw 1 lc "gray50" title %s' "$(quote "$work/segments.dat")" \
      "$(quote "tethers at t = $moments s")"
  else
    printf 'plot NaN notitle'
  fi
  for ((i = 1; i <= vessels; i++)); do
    name=$(cat "$work/vessel$i.name")
    printf ', %s using 2:3 with lines lw 2 lc %d title %s' "$(quote "$work/vessel$i.dat")" "$i" "$(quote "$name")"
    printf ', %s using 2:3 every ::0::0 with points pt 7 ps 1.2 lc %d notitle' "$(quote "$work/vessel$i.dat")" "$i"
  done
  echo ", NaN with points pt 7 ps 1.2 lc 'black' title 'start'"
} > "$work/paths.gp"
gnuplot "$work/paths.gp"

[ "${#links[@]}" -gt 0 ] || rm -f "$dir/libration.png"
if [ "$frame" = orbit ] && [ "${#links[@]}" -gt 0 ]; then
  {
    echo "set terminal $terminal size 900,450"
    echo "set output $(quote "$dir/libration.png")"
    echo "$palette"
    echo "set title $(quote "$title: tether angle from the local vertical, in the orbit plane") font ',13'"
    echo "set grid; set key outside right top; set xlabel 'time (s)'"
    echo "set ylabel 'angle from the vertical (deg), +: upper end ahead along-track'"
    sep="plot "
    for l in "${links[@]}"; do
      printf '%s%s using 1:6 with lines lw 1.5 lc %d title %s' "$sep" "$(quote "$work/link$l.dat")" "$((l + 1))" \
        "$(quote "link $l $(cat "$work/link$l.name")")"
      sep=", "
    done
    echo ""
  } > "$work/libration.gp"
  gnuplot "$work/libration.gp"
fi
