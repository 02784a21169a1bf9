#!/usr/bin/env python3
"""Compares the left display of a real host's run with kestrane-sim's screen at the same simulated
times, redraw by redraw: WORK/index lists "N TIME" for each redraw, WORK/host-N.txt and WORK/sim-N.txt
hold the two screens' rows.

    CompareScreens.py --work DIR --real DIR --sim DIR --step DT

The rows must be the same text. A number on them must be the same too, unless it measures the
motion, which the two hosts integrate differently (bench/README.md, "The real host"): then it may
differ by what the difference of the tether's motion between the two runs explains, plus one unit of
its last digit. With delta the largest difference of a tether's distance between the runs' samples
(real/ and sim/ tethers.csv, which the comparison of the runs holds to the integrators):
  - Distance: delta;
  - Stretch: 100 delta / L, L the tether's length;
  - Pull: F (e + e') with e the stretch above 100 % and e' its rate over one frame, which a
    difference of delta at each end can move by 200 delta / (L dt): 100 F (delta + 2 delta / dt) / L;
  - the setup Length, measured by A between the attach points a tie would take, and the projected
    force, the pull the tension law gives at that distance, F (100 d / L - 100) with F the setup
    force and L the setup length: the largest difference of the distance between the two setup
    vessels' centres at the runs' samples (real/ and sim/ vessels.csv), and 100 F / L times that;
    the warning rows of the projected force may be missing in one host where it is within that;
  - a tether's Length and Reel, which a free-spooling reel pays out as the pull drives it, and which
    A sets from a distance: the largest difference of the tether's length and reel speed between
    the runs' samples.
Prints one line; with any other difference, a line for each (at most ten) and exit 1.
"""
import argparse
import math
import re
import sys

sys.dont_write_bytecode = True  # nothing written beside the sources
from CompareRuns import Is, Num  # noqa: E402

NUMBER = re.compile(r"-?[0-9]+(\.[0-9]+)?(e[-+][0-9]+)?")


def Lines(path):
    """A file's lines; none when it cannot be read."""
    try:
        with open(path, encoding="utf-8", newline="\n") as f:
            lines = f.read().split("\n")
    except OSError:
        return []
    if lines and lines[-1] == "":
        lines.pop()
    return lines


class Motion:
    """What the motion of the two runs may change on the screens."""

    def __init__(self, real, sim):
        self.delta = self.deltaLength = self.deltaReel = 0.0
        # The largest differences of distance, length and reel speed of a connected link between the runs.
        distance, length, reel = {}, {}, {}
        for run, folder in (("real", real), ("sim", sim)):
            for line in Lines(folder + "/tethers.csv")[1:]:
                f = line.split(",") + [""] * 12
                if not Is(f[2], 1):
                    continue
                key = (f[0], f[1])
                if run == "real":
                    distance[key], length[key], reel[key] = Num(f[6]), Num(f[5]), Num(f[10])
                    continue
                if key not in distance:
                    continue
                self.delta = max(self.delta, abs(distance[key] - Num(f[6])))
                self.deltaLength = max(self.deltaLength, abs(length[key] - Num(f[5])))
                self.deltaReel = max(self.deltaReel, abs(reel[key] - Num(f[10])))
        # The vessels' positions at the samples of each run.
        self.sampled = {}
        self.position = {}
        for run, folder in (("real", real), ("sim", sim)):
            for line in Lines(folder + "/vessels.csv")[1:]:
                f = line.split(",") + [""] * 5
                self.sampled[f[0]] = True
                self.position[run, f[0], f[1]] = (Num(f[2]), Num(f[3]), Num(f[4]))
        self.centres = {}

    def CentresDelta(self, a, b):
        """The largest difference between the runs of the distance between two vessels' centres."""
        if (a, b) not in self.centres:
            largest = 0.0
            p = self.position
            for t in self.sampled:
                if any((run, t, v) not in p for run in ("real", "sim") for v in (a, b)):
                    continue
                d = abs(Apart(p["real", t, a], p["real", t, b]) - Apart(p["sim", t, a], p["sim", t, b]))
                largest = max(largest, d)
            self.centres[a, b] = largest
        return self.centres[a, b]


def Apart(p, q):
    return math.sqrt((p[0] - q[0]) ** 2 + (p[1] - q[1]) ** 2 + (p[2] - q[2]) ** 2)


def VesselOf(row):
    """The vessel a setup row names ("This Ship   : Tug at CoG")."""
    return re.sub(r" at (CoG|Dock: [0-9]+|Grap: [0-9]+)$", "", row[row.find(":") + 2:], count=1)


def Numbers(row):
    """The numbers of a row, in order, and the row with each replaced by "#"."""
    found = [m.group(0) for m in NUMBER.finditer(row)]
    return found, NUMBER.sub("#", row)


def Unit(text, scale):
    """One unit of a printed number's last digit, times the row's kilo prefix."""
    point = text.find(".") + 1
    return (1 if point == 0 else 10 ** -(len(text) - point)) * scale


def ScaleOf(row):
    return 1000 if re.search(r" k(m|N)", row) else 1


def ValueOf(row, label):
    if not row.startswith(label):
        return None
    found, _ = Numbers(row)
    return (Num(found[0]) if found else 0) * ScaleOf(row)


def Allowance(motion, step, rows, i):
    """What the motion allows a number of row `i` of screen `rows` to differ by; -1 for a number that
    does not measure the motion."""
    row = rows[i]
    own = target = ""
    L = F = setupForce = setupLength = 0
    for r in rows:
        if r.startswith("This Ship   :"):
            own = VesselOf(r)
        if r.startswith("Target Ship :"):
            target = VesselOf(r)
        for label, name in (("Length   :", "L"), ("Force    :", "F"), ("Force       :", "setupForce"),
                            ("Length      :", "setupLength")):
            value = ValueOf(r, label)
            if value is not None:
                if name == "L":
                    L = value
                elif name == "F":
                    F = value
                elif name == "setupForce":
                    setupForce = value
                else:
                    setupLength = value
    delta = motion.delta
    if row.startswith("Distance :"):
        return delta
    if row.startswith("Length      :"):
        return motion.CentresDelta(own, target) if own != "" and target != "" else -1
    if row.startswith("Stretch  :"):
        return 100 * delta / L if L > 0 else -1
    if row.startswith("Pull     :"):
        return 100 * F * (delta + 2 * delta / step) / L if L > 0 else -1
    if row.startswith(" Projected force"):
        if own != "" and target != "" and setupLength > 0:
            return 100 * setupForce * motion.CentresDelta(own, target) / setupLength
        return -1
    if row.startswith("Length   :"):
        return motion.deltaLength
    if row.startswith("Reel     :"):
        return motion.deltaReel
    return -1


def WarningWithin(motion, step, rows):
    """The warning that the vessels are farther apart than the setup length, rows 8 and 9, shown by
    one host only where its projected force is within what the motion allows."""
    if len(rows) < 10 or not rows[8].startswith(" Warning!"):
        return False
    found, _ = Numbers(rows[9])
    allowed = Allowance(motion, step, rows, 9)
    return len(found) >= 1 and allowed >= 0 and Num(found[0]) <= allowed + Unit(found[0], 1)


def Compare(args):
    motion = Motion(args.real, args.sim)
    step = Num(args.step)
    failures = 0

    def Fail(message):
        nonlocal failures
        failures += 1
        if failures <= 10:
            print("screens: " + message)

    redraws = identical = moved = edge = 0
    largest, largestAt, rowOf = {}, {}, {}
    for entry in Lines(args.work + "/index"):
        e = entry.split()
        n, t = (e + ["", ""])[:2]
        redraws += 1
        host = Lines("%s/host-%s.txt" % (args.work, n))
        sim = Lines("%s/sim-%s.txt" % (args.work, n))
        if host == sim:
            identical += 1
            continue
        # The warning on the edge: both without it.
        if WarningWithin(motion, step, host) and (len(sim) < 10 or sim[8] == ""):
            host[8] = host[9] = ""
            edge += 1
        if WarningWithin(motion, step, sim) and (len(host) < 10 or host[8] == ""):
            sim[8] = sim[9] = ""
            edge += 1
        while host and host[-1] == "":
            host.pop()
        while sim and sim[-1] == "":
            sim.pop()
        if len(host) != len(sim):
            Fail("at %s s the real host shows %d rows, kestrane-sim %d" % (t, len(host), len(sim)))
            continue
        before = failures
        for i, (h, s) in enumerate(zip(host, sim)):
            if h == s:
                continue
            (hn, hm), (sn, sm) = Numbers(h), Numbers(s)
            if hm != sm or len(hn) != len(sn):
                Fail("at %s s row %d: '%s' against '%s'" % (t, i, h, s))
                continue
            allowed = Allowance(motion, step, host, i)
            for a, b in zip(hn, sn):
                if a == b:
                    continue
                difference = abs(Num(a) - Num(b)) * ScaleOf(h)
                if allowed < 0 or difference > allowed + Unit(a, ScaleOf(h)) * 1.000001:
                    Fail("at %s s row %d: '%s' against '%s'%s" %
                         (t, i, h, s, "" if allowed < 0 else " (the motion allows %.3g)" % allowed))
                    continue
                label = (h[:h.find(":")] if ":" in h else h[:20]).rstrip(" ")
                rowOf.setdefault(label, i)
                if difference > largest.get(label, 0.0):
                    largest[label], largestAt[label] = difference, t
        if failures == before:
            moved += 1
    if redraws == 0:
        print("screens: no redraws to compare")
        return 1
    # In the order of the screen's rows.
    labels = sorted(largest, key=lambda label: rowOf[label])
    summary = ", ".join("%s %.4g at %s s" % (label, largest[label], largestAt[label]) for label in labels)
    print("screens: %d redraws of the left display: %d identical, %d differ only in numbers the motion sets%s%s; "
          "the runs' tether distances within %.3g m" %
          (redraws, identical, moved, " (%d in the warning of a projected force within it)" % edge if edge else "",
           " (largest: " + summary + ")" if summary else "", motion.delta))
    if failures > 10:
        print("screens: and %d more differences" % (failures - 10))
    return 1 if failures > 0 else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    for option in ("--work", "--real", "--sim", "--step"):
        parser.add_argument(option, required=True)
    sys.exit(Compare(parser.parse_args()))


if __name__ == "__main__":
    main()
