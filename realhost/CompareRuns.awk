# Compares a run of the real host with a run of kestrane-sim, sample by sample. Each folder holds
# vessels.csv and tethers.csv as kestrane-sim writes them (the real host's from the recorder).
#
#   awk -v name=NAME -v real=DIR -v sim=DIR [-v realHalf=DIR -v simHalf=DIR]
#       [-v realQuarter=DIR -v simQuarter=DIR] [-v windows=60,600] [-v motionUntil=T] [-v check=1]
#       -f CompareRuns.awk
#
# For each window (the samples up to that time) it prints one line: the largest difference of a
# vessel's position and velocity (vessel and time), of a vessel's position relative to the first
# vessel (what the tethers feel) and of a tether's distance; the last line adds each connected
# tether's final length in both hosts. Motion after motionUntil is left out.
#
# With realHalf and simHalf, the same runs at half the step, a difference is allowed what the two
# integrators explain: where both hosts move the vessels by the same laws, the difference between
# them shrinks with the step and vanishes with it, and the change of the difference when the step
# is halved estimates what is left of it at the step (twice the change where the difference is of
# first order in the step, four thirds where of second). It is taken as the largest such estimate
# of any vessel so far and at the next sample, since a difference that swings through zero at one
# sample has not gone, and a pull that starts between two samples shows at the two steps a sample
# apart. A difference that does not shrink with the step is not the integrators'.
# With realQuarter and simQuarter too, the same runs at a quarter of the step, the change of the
# difference from the step to its quarter also estimates what is left of it (four thirds of the
# change for a difference of first order), and the larger estimate is taken. Over two halvings
# the estimate holds where one does not: where a tether hovers at the edge of taut, as a
# free-spooling one does after a jolt, a switch of the pull within a frame and the two hosts'
# errors of first and second order mix, and the difference between the hosts at half the step may
# be as large as at the step, to vanish only at the quarter (bench/README.md, "The real host").
# The host's physics that kestrane-sim leaves out adds its share:
#   - the host's Earth moves on an ephemeris interpolated between samples 79 s apart, whose error
#     (its configuration says ~0.1 m) shifts every position from the Earth's centre alike: 0.2 m;
#   - the Moon and the Sun pull a vessel 400 km up, relative to the Earth, by at most 2e-6 m/s^2
#     (2 G M r / d^3 at the Moon's perigee and the Sun's distance), and the atmosphere drags it by
#     less than 1e-7 m/s^2: a t^2/2 in position and a t in velocity; vessels a few kilometres
#     apart feel the same pull to a part in a thousand, which leaves 1 mm for relative positions.
# The tether's state at the end (connected, vessels, force, reel speed, spool mode) must agree, the
# host writing its numbers to six decimals, and its final length as the other differences; so must
# the speed of a free-spooling reel, which the pull drives. A final length may also differ by the
# host's resolution of a distance between vessels (3e-5 m, its positions being kept from the Sun),
# which a length set from a distance (the display's A) keeps.
# With check=1 a difference above what is allowed fails (exit 1), each on a line of its own, as
# does a sample that only one run has.
function fail(message) {
  print "compare: " name ": " message > "/dev/stderr"
  failed = 1
}
function abs(x) { return x < 0 ? -x : x }
function norm(dx, dy, dz) { return sqrt(dx * dx + dy * dy + dz * dz) }
function read(dir, run,    file, line, f, key) {
  file = dir "/vessels.csv"
  if ((getline line < file) <= 0) { fail(file " is empty or missing"); return }
  header[run, "vessels"] = line
  while ((getline line < file) > 0) {
    split(line, f, ",")
    key = f[1] SUBSEP f[2]
    if (run == "sim") order[++rows] = key
    present[key, run] = 1
    for (i = 3; i <= 8; i++) state[key, run, i] = f[i]
    if (!(f[1] in first)) first[f[1]] = f[2]
  }
  close(file)
  file = dir "/tethers.csv"
  if ((getline line < file) <= 0) { fail(file " is empty or missing"); return }
  header[run, "tethers"] = line
  while ((getline line < file) > 0) {
    split(line, f, ",")
    key = f[1] SUBSEP f[2]
    if (run == "sim") tetherOrder[++tetherRows] = key
    tether[key, run] = line
    connected[key, run] = f[3]; distance[key, run] = f[7]; lengthOf[key, run] = f[6]
    for (i = 6; i <= 11; i++) field[key, run, i] = f[i]
    if (f[1] + 0 >= last[run] + 0) last[run] = f[1]
  }
  close(file)
}
# How far apart two runs' vectors (i = 3 position, 6 velocity) of one row are; with `ref` the row
# of the first vessel, its position relative to that vessel.
function gap(key, a, b, i, ref) {
  if (!((key, a) in present) || !((key, b) in present)) return 0
  if (ref == "")
    return norm(state[key, a, i] - state[key, b, i], state[key, a, i + 1] - state[key, b, i + 1],
                state[key, a, i + 2] - state[key, b, i + 2])
  return norm(state[key, a, i] - state[ref, a, i] - state[key, b, i] + state[ref, b, i],
              state[key, a, i + 1] - state[ref, a, i + 1] - state[key, b, i + 1] + state[ref, b, i + 1],
              state[key, a, i + 2] - state[ref, a, i + 2] - state[key, b, i + 2] + state[ref, b, i + 2])
}
# What is left at the step of the difference between the hosts, estimated from how much it changes
# when both halve the step (twice the change) and, with runs at a quarter of the step, when both
# quarter it (four thirds of the change): the larger.
function halving(key, i, ref,    left) {
  if (!((key, "realHalf") in present) || !((key, "simHalf") in present)) return 0
  left = 2 * differenceChange(key, i, ref, "realHalf", "simHalf")
  if ((key, "realQuarter") in present && (key, "simQuarter") in present)
    left = max(left, 4 / 3 * differenceChange(key, i, ref, "realQuarter", "simQuarter"))
  return left
}
function differenceChange(key, i, ref, realFine, simFine,    k, a, change) {
  change = 0
  for (k = i; k < i + 3; k++) {
    a = state[key, "real", k] - state[key, "sim", k] - state[key, realFine, k] + state[key, simFine, k]
    if (ref != "") a -= state[ref, "real", k] - state[ref, "sim", k] - state[ref, realFine, k] + state[ref, simFine, k]
    change += a * a
  }
  return sqrt(change)
}
function max(a, b) { return a > b ? a : b }
# The same for a number of a link's rows, field `f` (7 the distance, 6 the length, 11 the reel speed).
function linkLeft(key, f,    d, left) {
  d = field[key, "real", f] - field[key, "sim", f]
  left = 2 * abs(d - field[key, "realHalf", f] + field[key, "simHalf", f])
  if ((key, "realQuarter", f) in field)
    left = max(left, 4 / 3 * abs(d - field[key, "realQuarter", f] + field[key, "simQuarter", f]))
  return left
}
# The change at half the step of a kind of difference at the sample of time `t`, the largest of any
# vessel or link.
function change(kind, t, value) {
  if (!((kind, t) in changeAt) || value > changeAt[kind, t]) changeAt[kind, t] = value
}
# What the integrators' errors allow at the sample `s` (index into the sample times): the largest
# estimate of what is left up to the next sample.
function integrators(kind, s) {
  if (!halves) return 0
  return envelope[kind, s < times ? s + 1 : times]
}
# One difference of one kind at one sample, against what is allowed there.
function observe(kind, difference, allowed, where, time) {
  for (w = 1; w <= nw; w++) {
    if (time + 0 > window[w] + 0) continue
    if (difference >= largest[kind, w]) { largest[kind, w] = difference; at[kind, w] = where; allowedAt[kind, w] = allowed }
  }
  if (check && difference > allowed)
    fail(sprintf("%s differs by %.6g at %s, where the integrators and the host's own physics allow %.6g", kind,
                 difference, where, allowed))
}
function report(kind, unit, w) {
  return sprintf("%s %.4g %s (%s%s)", kind, largest[kind, w], unit, at[kind, w],
                 halves ? sprintf(", allowed %.3g", allowedAt[kind, w]) : "")
}
BEGIN {
  halves = realHalf != "" && simHalf != ""
  read(sim, "sim"); read(real, "real")
  if (halves) { read(simHalf, "simHalf"); read(realHalf, "realHalf") }
  if (halves && realQuarter != "" && simQuarter != "") { read(simQuarter, "simQuarter"); read(realQuarter, "realQuarter") }
  if (failed) exit 1
  if (header["sim", "vessels"] != header["real", "vessels"] || header["sim", "tethers"] != header["real", "tethers"])
    fail("the two runs' files have different columns")
  nw = split(windows == "" ? last["sim"] : windows, window, ",")
  if (motionUntil == "") motionUntil = last["sim"]

  # The sample times in order, and each kind's change at half the step at each.
  for (r = 1; r <= rows; r++) {
    split(order[r], part, SUBSEP)
    if (!(part[1] in index_)) { index_[part[1]] = ++times; time[times] = part[1] }
    if (!halves || !((order[r], "realHalf") in present) || !((order[r], "simHalf") in present)) continue
    change("position", part[1], halving(order[r], 3))
    change("velocity", part[1], halving(order[r], 6))
    ref = part[1] SUBSEP first[part[1]]
    if (ref != order[r]) change("relative position", part[1], halving(order[r], 3, ref))
  }
  for (r = 1; r <= tetherRows; r++) {
    key = tetherOrder[r]
    split(key, part, SUBSEP)
    if (halves && connected[key, "real"] == 1 && connected[key, "sim"] == 1)
      change("tether distance", part[1], linkLeft(key, 7))
  }
  split("position,velocity,relative position,tether distance", kinds, ",")
  for (k in kinds)
    for (s = 1; s <= times; s++) {
      envelope[kinds[k], s] = envelope[kinds[k], s - 1]
      if (changeAt[kinds[k], time[s]] > envelope[kinds[k], s]) envelope[kinds[k], s] = changeAt[kinds[k], time[s]]
    }

  for (r = 1; r <= rows; r++) {
    key = order[r]
    split(key, part, SUBSEP)
    t = part[1]
    s = index_[t]
    where = part[2] " at " t " s"
    if (!((key, "real") in present)) { fail("the real host has no row for " where); continue }
    if (halves && (!((key, "realHalf") in present) || !((key, "simHalf") in present)))
      fail("a run at half the step has no row for " where)
    if (t + 0 > motionUntil + 0) continue
    observe("position", gap(key, "real", "sim", 3), integrators("position", s) + 0.2 + 1e-6 * t * t, where, t)
    observe("velocity", gap(key, "real", "sim", 6), integrators("velocity", s) + 1e-4 + 2e-6 * t, where, t)
    ref = t SUBSEP first[t]
    if (ref != key)
      observe("relative position", gap(key, "real", "sim", 3, ref), integrators("relative position", s) + 1e-3, where, t)
  }
  for (key in present) {
    split(key, part, SUBSEP)
    if (part[3] == "real" && !((part[1], part[2], "sim") in present))
      fail("kestrane-sim has no row for " part[2] " at " part[1] " s")
  }
  for (r = 1; r <= tetherRows; r++) {
    key = tetherOrder[r]
    split(key, part, SUBSEP)
    where = "link " part[2] " at " part[1] " s"
    if (!((key, "real") in connected)) { fail("the real host has no row for " where); continue }
    if (connected[key, "real"] != 1 || connected[key, "sim"] != 1 || part[1] + 0 > motionUntil + 0) continue
    observe("tether distance", abs(distance[key, "real"] - distance[key, "sim"]),
            integrators("tether distance", index_[part[1]]) + 1e-3, where, part[1])
  }
  if (last["real"] != last["sim"]) fail("the runs end at " last["real"] " and " last["sim"] " s")

  lengths = ""
  for (link = 0; link < 8; link++) {
    key = last["sim"] SUBSEP link
    if (!((key, "real") in tether) || !((key, "sim") in tether)) continue
    split(tether[key, "real"], a, ","); split(tether[key, "sim"], b, ",")
    # A free-spooling reel turns as the pull drives it: its speed, like the length, is the motion's.
    freeSpooling = a[12] == 1 && b[12] == 1
    if (a[3] != b[3] || a[4] != b[4] || a[5] != b[5] || abs(a[10] - b[10]) > 1e-6 ||
        (!freeSpooling && abs(a[11] - b[11]) > 1e-6) || a[12] != b[12])
      fail("link " link " ends as " tether[key, "real"] " in the real host and as " tether[key, "sim"] " in kestrane-sim")
    if (a[3] != 1) continue
    # A length that A set from the distance between the vessels carries the host's resolution of
    # positions, which it keeps from the Sun, 1.5e11 m away, where a double resolves 3e-5 m.
    allowed = 1e-6 + 3e-5
    if (halves) allowed += linkLeft(key, 6)
    if (check && abs(a[6] - b[6]) > allowed)
      fail(sprintf("link %d ends %.6f m long in the real host and %.6f m in kestrane-sim", link, a[6], b[6]))
    if (freeSpooling && check) {
      allowed = 1e-6 + (halves ? linkLeft(key, 11) : 0)
      if (abs(a[11] - b[11]) > allowed)
        fail(sprintf("link %d's free-spooling reel ends at %.6f m/s in the real host and %.6f m/s in kestrane-sim", link,
                     a[11], b[11]))
    }
    lengths = lengths sprintf(" %d: %.6f / %.6f m", link, a[6], b[6])
  }

  for (w = 1; w <= nw; w++) {
    printf "%s to %s s: %s, %s, %s, %s", name, window[w], report("position", "m", w), report("velocity", "m/s", w),
           report("relative position", "m", w), report("tether distance", "m", w)
    if (window[w] + 0 > motionUntil + 0) printf " (motion to %s s)", motionUntil
    if (w == nw) printf "; final length real / sim%s", lengths
    printf "\n"
  }
  exit failed
}
