# Compares the left display of a real host's run with kestrane-sim's screen at the same simulated
# times, redraw by redraw: WORK/index lists "N TIME" for each redraw, WORK/host-N.txt and
# WORK/sim-N.txt hold the two screens' rows.
#
#   awk -v work=DIR -v real=DIR -v sim=DIR -v step=DT -f CompareScreens.awk
#
# The rows must be the same text. A number on them must be the same too, unless it measures the
# motion, which the two hosts integrate differently (bench/README.md, "The real host"): then it may
# differ by what the difference of the tether's motion between the two runs explains, plus one unit
# of its last digit. With delta the largest difference of a tether's distance between the runs'
# samples (real/ and sim/ tethers.csv, which the comparison of the runs holds to the integrators):
#   - Distance: delta;
#   - Stretch: 100 delta / L, L the tether's length;
#   - Pull: F (e + e') with e the stretch above 100 % and e' its rate over one frame, which a
#     difference of delta at each end can move by 200 delta / (L dt): 100 F (delta + 2 delta / dt) / L;
#   - the setup Length, measured by A between the attach points a tie would take, and the
#     projected force, the pull the tension law gives at that distance, F (100 d / L - 100) with F
#     the setup force and L the setup length: the largest difference of the distance between the
#     two setup vessels' centres at the runs' samples (real/ and sim/ vessels.csv), and 100 F / L
#     times that; the warning rows of the projected force may be missing in one host where it is
#     within that;
#   - a tether's Length and Reel, which a free-spooling reel pays out as the pull drives it, and
#     which A sets from a distance: the largest difference of the tether's length and reel speed
#     between the runs' samples.
# Prints one line; with any other difference, a line for each (at most ten) and exit 1.
function fail(message) {
  if (++failures <= 10) print "screens: " message
}
function abs(x) { return x < 0 ? -x : x }
function readRows(file, rows,    n, line) {
  n = 0
  delete rows
  while ((getline line < file) > 0) rows[++n] = line
  close(file)
  return n
}
# The largest differences of distance, length and reel speed of a connected link between the runs.
function readTethers(file, run,    line, f) {
  getline line < file
  while ((getline line < file) > 0) {
    split(line, f, ",")
    if (f[3] != 1) continue
    key = f[1] SUBSEP f[2]
    if (run == "real") { distance[key] = f[7]; lengthOf[key] = f[6]; reel[key] = f[11]; continue }
    if (!(key in distance)) continue
    if (abs(distance[key] - f[7]) > delta) delta = abs(distance[key] - f[7])
    if (abs(lengthOf[key] - f[6]) > deltaLength) deltaLength = abs(lengthOf[key] - f[6])
    if (abs(reel[key] - f[11]) > deltaReel) deltaReel = abs(reel[key] - f[11])
  }
  close(file)
}
# The vessels' positions at the samples of a run.
function readVessels(file, run,    line, f) {
  getline line < file
  while ((getline line < file) > 0) {
    split(line, f, ",")
    sampled[f[1]] = 1
    position[run, f[1], f[2]] = f[3] " " f[4] " " f[5]
  }
  close(file)
}
# The largest difference between the runs of the distance between two vessels' centres.
function centresDelta(a, b,    t, largest, d) {
  if ((a, b) in centres) return centres[a, b]
  largest = 0
  for (t in sampled) {
    if (!(("real", t, a) in position) || !(("real", t, b) in position) || !(("sim", t, a) in position) ||
        !(("sim", t, b) in position)) continue
    d = abs(apart(position["real", t, a], position["real", t, b]) - apart(position["sim", t, a], position["sim", t, b]))
    if (d > largest) largest = d
  }
  return centres[a, b] = largest
}
function apart(p, q,    u, v) {
  split(p, u, " ")
  split(q, v, " ")
  return sqrt((u[1] - v[1]) ^ 2 + (u[2] - v[2]) ^ 2 + (u[3] - v[3]) ^ 2)
}
# The vessel a setup row names ("This Ship   : Tug at CoG").
function vesselOf(row,    name) {
  name = substr(row, index(row, ":") + 2)
  sub(/ at (CoG|Dock: [0-9]+|Grap: [0-9]+)$/, "", name)
  return name
}
# The numbers of a row, in order, into `out`; the row with each replaced by "#" is returned.
function numbers(row, out,    n, masked) {
  n = 0
  delete out
  masked = ""
  while (match(row, /-?[0-9]+(\.[0-9]+)?(e[-+][0-9]+)?/)) {
    out[++n] = substr(row, RSTART, RLENGTH)
    masked = masked substr(row, 1, RSTART - 1) "#"
    row = substr(row, RSTART + RLENGTH)
  }
  out[0] = n
  return masked row
}
# One unit of a printed number's last digit, times the row's kilo prefix.
function unit(text, scale,    point) {
  point = index(text, ".")
  return (point == 0 ? 1 : 10 ^ -(length(text) - point)) * scale
}
function scaleOf(row) { return row ~ / k(m|N)/ ? 1000 : 1 }
function valueOf(row, label,    f) {
  if (index(row, label) != 1) return ""
  numbers(row, f)
  return f[1] * scaleOf(row)
}
# What the motion allows a number of row `i` of screen `rows` to differ by; -1 for a number that
# does not measure the motion.
function allowance(rows, n, i,    row, L, F, setupForce, setupLength, r, own, target) {
  row = rows[i]
  for (r = 1; r <= n; r++) {
    if (index(rows[r], "This Ship   :") == 1) own = vesselOf(rows[r])
    if (index(rows[r], "Target Ship :") == 1) target = vesselOf(rows[r])
    if ((v = valueOf(rows[r], "Length   :")) != "") L = v
    if ((v = valueOf(rows[r], "Force    :")) != "") F = v
    if ((v = valueOf(rows[r], "Force       :")) != "") setupForce = v
    if ((v = valueOf(rows[r], "Length      :")) != "") setupLength = v
  }
  if (index(row, "Distance :") == 1) return delta
  if (index(row, "Length      :") == 1) return own != "" && target != "" ? centresDelta(own, target) : -1
  if (index(row, "Stretch  :") == 1) return L > 0 ? 100 * delta / L : -1
  if (index(row, "Pull     :") == 1) return L > 0 ? 100 * F * (delta + 2 * delta / step) / L : -1
  if (index(row, " Projected force") == 1)
    return own != "" && target != "" && setupLength > 0 ? 100 * setupForce * centresDelta(own, target) / setupLength : -1
  if (index(row, "Length   :") == 1) return deltaLength
  if (index(row, "Reel     :") == 1) return deltaReel
  return -1
}
# The warning that the vessels are farther apart than the setup length, rows 8 and 9 (counted from
# 0), shown by one host only where its projected force is within what the motion allows.
function warningWithin(rows, n,    f, allowed) {
  if (n < 10 || index(rows[9], " Warning!") != 1) return 0
  numbers(rows[10], f)
  allowed = allowance(rows, n, 10)
  return f[0] >= 1 && allowed >= 0 && f[1] + 0 <= allowed + unit(f[1], 1)
}
BEGIN {
  readTethers(real "/tethers.csv", "real")
  readTethers(sim "/tethers.csv", "sim")
  readVessels(real "/vessels.csv", "real")
  readVessels(sim "/vessels.csv", "sim")
  while ((getline entry < (work "/index")) > 0) {
    split(entry, e, " ")
    t = e[2]
    ++redraws
    nh = readRows(work "/host-" e[1] ".txt", hostRows)
    ns = readRows(work "/sim-" e[1] ".txt", simRows)
    same = nh == ns
    for (i = 1; same && i <= nh; i++) same = hostRows[i] == simRows[i]
    if (same) { ++identical; continue }
    # The warning on the edge: both without it.
    if (warningWithin(hostRows, nh) && (ns < 10 || simRows[9] == "")) { hostRows[9] = hostRows[10] = ""; edge++ }
    if (warningWithin(simRows, ns) && (nh < 10 || hostRows[9] == "")) { simRows[9] = simRows[10] = ""; edge++ }
    while (nh > 0 && hostRows[nh] == "") nh--
    while (ns > 0 && simRows[ns] == "") ns--
    if (nh != ns) { fail(sprintf("at %s s the real host shows %d rows, kestrane-sim %d", t, nh, ns)); continue }
    before = failures
    for (i = 1; i <= nh; i++) {
      if (hostRows[i] == simRows[i]) continue
      if (numbers(hostRows[i], h) != numbers(simRows[i], s) || h[0] != s[0]) {
        fail(sprintf("at %s s row %d: '%s' against '%s'", t, i - 1, hostRows[i], simRows[i]))
        continue
      }
      allowed = allowance(hostRows, nh, i)
      for (k = 1; k <= h[0]; k++) {
        if (h[k] == s[k]) continue
        difference = abs(h[k] - s[k]) * scaleOf(hostRows[i])
        if (allowed < 0 || difference > allowed + unit(h[k], scaleOf(hostRows[i])) * 1.000001) {
          fail(sprintf("at %s s row %d: '%s' against '%s'%s", t, i - 1, hostRows[i], simRows[i],
                       allowed < 0 ? "" : sprintf(" (the motion allows %.3g)", allowed)))
          continue
        }
        label = substr(hostRows[i], 1, index(hostRows[i], ":") > 0 ? index(hostRows[i], ":") - 1 : 20)
        gsub(/ +$/, "", label)
        if (difference > largest[label]) { largest[label] = difference; largestAt[label] = t }
      }
    }
    if (failures == before) ++motion
  }
  close(work "/index")
  if (redraws == 0) { print "screens: no redraws to compare"; exit 1 }
  summary = ""
  for (label in largest) summary = summary sprintf("%s %.4g at %s s, ", label, largest[label], largestAt[label])
  sub(/, $/, "", summary)
  printf "screens: %d redraws of the left display: %d identical, %d differ only in numbers the motion sets%s%s; the runs' tether distances within %.3g m\n",
         redraws, identical, motion, edge ? " (" edge " in the warning of a projected force within it)" : "",
         summary == "" ? "" : " (largest: " summary ")", delta
  if (failures > 10) print "screens: and " failures - 10 " more differences"
  exit failures > 0
}
