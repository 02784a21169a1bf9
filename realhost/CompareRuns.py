#!/usr/bin/env python3
"""Compares a run of the real host with a run of kestrane-sim, sample by sample. Each folder holds
vessels.csv and tethers.csv as kestrane-sim writes them (the real host's from the recorder).

    CompareRuns.py --name NAME --real DIR --sim DIR [--real-half DIR --sim-half DIR]
                   [--real-quarter DIR --sim-quarter DIR] [--windows 60,600] [--motion-until T] [--check]

For each window (the samples up to that time) it prints one line: the largest difference of a
vessel's position and velocity (vessel and time), of a vessel's position relative to the first
vessel (what the tethers feel) and of a tether's distance; the last line adds each connected
tether's final length in both hosts. Motion after --motion-until is left out.

With --real-half and --sim-half, the same runs at half the step, a difference is allowed what the
two integrators explain: where both hosts move the vessels by the same laws, the difference between
them shrinks with the step and vanishes with it, and the change of the difference when the step is
halved estimates what is left of it at the step (twice the change where the difference is of first
order in the step, four thirds where of second). It is taken as the largest such estimate of any
vessel so far and at the next sample, since a difference that swings through zero at one sample
has not gone, and a pull that starts between two samples shows at the two steps a sample apart. A
difference that does not shrink with the step is not the integrators'.
With --real-quarter and --sim-quarter too, the same runs at a quarter of the step, the change of the
difference from the step to its quarter also estimates what is left of it (four thirds of the
change for a difference of first order), and the larger estimate is taken. Over two halvings the
estimate holds where one does not: where a tether hovers at the edge of taut, as a free-spooling one
does after a jolt, a switch of the pull within a frame and the two hosts' errors of first and second
order mix, and the difference between the hosts at half the step may be as large as at the step, to
vanish only at the quarter (bench/README.md, "The real host").
The host's physics that kestrane-sim leaves out adds its share:
  - the host's Earth moves on an ephemeris interpolated between samples 79 s apart, whose error (its
    configuration says ~0.1 m) shifts every position from the Earth's centre alike: 0.2 m;
  - the Moon and the Sun pull a vessel 400 km up, relative to the Earth, by at most 2e-6 m/s^2
    (2 G M r / d^3 at the Moon's perigee and the Sun's distance), and the atmosphere drags it by less
    than 1e-7 m/s^2: a t^2/2 in position and a t in velocity; vessels a few kilometres apart feel the
    same pull to a part in a thousand, which leaves 1 mm for relative positions.
The tether's state at the end (connected, vessels, force, reel speed, spool mode) must agree, the
host writing its numbers to six decimals, and its final length as the other differences; so must
the speed of a free-spooling reel, which the pull drives. A final length may also differ by the
host's resolution of a distance between vessels (3e-5 m, its positions being kept from the Sun),
which a length set from a distance (the display's A) keeps.
With --check a difference above what is allowed fails (exit 1), each on a line of its own, as does
a sample that only one run has.

The files' values are read as the CSV files hold them: a value is a number where its whole text is
one, and compared as text otherwise; a value that is missing, or not a number where one is needed,
counts as 0.
"""
import argparse
import math
import os
import re
import sys

NUMBER = re.compile(r"[ \t\n]*([-+]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][-+]?[0-9]+)?)")
WHOLE_NUMBER = re.compile(r"[ \t\n]*[-+]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][-+]?[0-9]+)?[ \t\n]*\Z")


def Num(value):
    """A value as a number: its leading number, 0 without one."""
    if isinstance(value, (int, float)):
        return value
    text = value or ""
    if len(text) == 4 and text[0] in "+-" and text[1:].lower() in ("nan", "inf"):
        return float(text)
    match = NUMBER.match(text)
    return float(match.group(1)) if match else 0.0


def Same(a, b):
    """Two values of the files equal: as numbers where both are numbers, else as text."""
    if WHOLE_NUMBER.match(a) and WHOLE_NUMBER.match(b):
        return Num(a) == Num(b)
    return a == b


def Is(value, number):
    """A value of the files equal to a number."""
    return Num(value) == number if WHOLE_NUMBER.match(value) else value == str(number)


def G(value, digits):
    return "%.*g" % (digits, value)


class Comparison:
    def __init__(self, name, check):
        self.name = name
        self.check = check
        self.failed = False
        # Rows by (time, name) and run: the vessels' columns 3 to 8; the tethers' rows whole.
        self.present = {}
        self.order = []  # kestrane-sim's vessel rows, in its order
        self.tetherOrder = []  # kestrane-sim's tether rows, in its order
        self.tether = {}
        self.connected = {}
        self.distance = {}
        self.field = {}
        self.first = {}  # the first vessel at each time
        self.header = {}
        self.last = {}

    def Fail(self, message):
        print("compare: %s: %s" % (self.name, message), file=sys.stderr)
        self.failed = True

    def Read(self, folder, run):
        for kind in ("vessels", "tethers"):
            path = folder + "/" + kind + ".csv"
            try:
                with open(path, encoding="utf-8", newline="\n") as f:
                    lines = f.read().split("\n")
            except OSError:
                lines = []
            if lines and lines[-1] == "":
                lines.pop()
            if not lines:
                self.Fail(path + " is empty or missing")
                return
            self.header[run, kind] = lines[0]
            for line in lines[1:]:
                f = line.split(",")
                f += [""] * (13 - len(f))
                key = (f[0], f[1])
                if kind == "vessels":
                    if run == "sim":
                        self.order.append(key)
                    self.present[key, run] = [Num(v) for v in f[2:8]]
                    self.first.setdefault(f[0], f[1])
                else:
                    if run == "sim":
                        self.tetherOrder.append(key)
                    self.tether[key, run] = line
                    self.connected[key, run] = f[2]
                    self.distance[key, run] = Num(f[6])
                    for i in range(6, 12):
                        self.field[key, run, i] = Num(f[i - 1])
                    if Num(f[0]) >= Num(self.last.get(run, "")):
                        self.last[run] = f[0]

    def State(self, key, run, i):
        """Column i (3 the position's x, 6 the velocity's) of a vessel's row; 0 where there is none."""
        row = self.present.get((key, run))
        return row[i - 3] if row else 0.0

    def Gap(self, key, a, b, i, ref=None):
        """How far apart two runs' vectors (i = 3 position, 6 velocity) of one row are; with `ref` the
        row of the first vessel, its position relative to that vessel."""
        if (key, a) not in self.present or (key, b) not in self.present:
            return 0.0
        s = self.State
        if ref is None:
            return math.sqrt(sum((s(key, a, k) - s(key, b, k)) ** 2 for k in range(i, i + 3)))
        return math.sqrt(sum((s(key, a, k) - s(ref, a, k) - s(key, b, k) + s(ref, b, k)) ** 2 for k in range(i, i + 3)))

    def Halving(self, key, i, ref=None):
        """What is left at the step of the difference between the hosts, estimated from how much it
        changes when both halve the step (twice the change) and, with runs at a quarter of the step,
        when both quarter it (four thirds of the change): the larger."""
        if (key, "realHalf") not in self.present or (key, "simHalf") not in self.present:
            return 0.0
        left = 2 * self.DifferenceChange(key, i, ref, "realHalf", "simHalf")
        if (key, "realQuarter") in self.present and (key, "simQuarter") in self.present:
            left = max(left, 4 / 3 * self.DifferenceChange(key, i, ref, "realQuarter", "simQuarter"))
        return left

    def DifferenceChange(self, key, i, ref, realFine, simFine):
        s = self.State
        change = 0.0
        for k in range(i, i + 3):
            a = s(key, "real", k) - s(key, "sim", k) - s(key, realFine, k) + s(key, simFine, k)
            if ref is not None:
                a -= s(ref, "real", k) - s(ref, "sim", k) - s(ref, realFine, k) + s(ref, simFine, k)
            change += a * a
        return math.sqrt(change)

    def LinkLeft(self, key, f):
        """The same for a number of a link's rows, field `f` (7 the distance, 6 the length, 11 the
        reel speed)."""
        value = lambda run: self.field.get((key, run, f), 0.0)
        d = value("real") - value("sim")
        left = 2 * abs(d - value("realHalf") + value("simHalf"))
        if (key, "realQuarter", f) in self.field:
            left = max(left, 4 / 3 * abs(d - value("realQuarter") + value("simQuarter")))
        return left


def Compare(args):
    c = Comparison(args.name, args.check)
    halves = args.real_half != "" and args.sim_half != ""
    c.Read(args.sim, "sim")
    c.Read(args.real, "real")
    if halves:
        c.Read(args.sim_half, "simHalf")
        c.Read(args.real_half, "realHalf")
    if halves and args.real_quarter != "" and args.sim_quarter != "":
        c.Read(args.sim_quarter, "simQuarter")
        c.Read(args.real_quarter, "realQuarter")
    if c.failed:
        return 1
    if (c.header.get(("sim", "vessels")) != c.header.get(("real", "vessels")) or
            c.header.get(("sim", "tethers")) != c.header.get(("real", "tethers"))):
        c.Fail("the two runs' files have different columns")
    lastSim = c.last.get("sim", "")
    windows = (args.windows if args.windows != "" else lastSim)
    window = windows.split(",") if windows != "" else []
    motionUntil = Num(args.motion_until if args.motion_until != "" else lastSim)
    kinds = ["position", "velocity", "relative position", "tether distance"]

    # The sample times in order, and each kind's change at half the step at each.
    index, times, changeAt = {}, [], {}

    def Change(kind, t, value):
        if (kind, t) not in changeAt or value > changeAt[kind, t]:
            changeAt[kind, t] = value

    for key in c.order:
        t = key[0]
        if t not in index:
            times.append(t)
            index[t] = len(times)
        if not halves or (key, "realHalf") not in c.present or (key, "simHalf") not in c.present:
            continue
        Change("position", t, c.Halving(key, 3))
        Change("velocity", t, c.Halving(key, 6))
        ref = (t, c.first.get(t, ""))
        if ref != key:
            Change("relative position", t, c.Halving(key, 3, ref))
    for key in c.tetherOrder:
        if halves:
            # A link the real host has no row for counts as untied from here on.
            c.connected.setdefault((key, "real"), "")
            if Is(c.connected[key, "real"], 1) and Is(c.connected.get((key, "sim"), ""), 1):
                Change("tether distance", key[0], c.LinkLeft(key, 7))
    envelope = {}
    for kind in kinds:
        envelope[kind, 0] = 0.0
        for s in range(1, len(times) + 1):
            envelope[kind, s] = max(envelope[kind, s - 1], changeAt.get((kind, times[s - 1]), 0.0))

    def Integrators(kind, s):
        """What the integrators' errors allow at the sample `s` (index into the sample times): the
        largest estimate of what is left up to the next sample."""
        if not halves:
            return 0.0
        return envelope.get((kind, s + 1 if s < len(times) else len(times)), 0.0)

    largest, at, allowedAt = {}, {}, {}

    def Observe(kind, difference, allowed, where, time):
        """One difference of one kind at one sample, against what is allowed there."""
        for w, end in enumerate(window):
            if Num(time) > Num(end):
                continue
            if difference >= largest.get((kind, w), 0.0):
                largest[kind, w], at[kind, w], allowedAt[kind, w] = difference, where, allowed
        if c.check and difference > allowed:
            c.Fail("%s differs by %s at %s, where the integrators and the host's own physics allow %s" %
                   (kind, G(difference, 6), where, G(allowed, 6)))

    for key in c.order:
        t, name = key
        s = index[t]
        where = name + " at " + t + " s"
        if (key, "real") not in c.present:
            c.Fail("the real host has no row for " + where)
            continue
        if halves and ((key, "realHalf") not in c.present or (key, "simHalf") not in c.present):
            c.Fail("a run at half the step has no row for " + where)
        if Num(t) > motionUntil:
            continue
        tn = Num(t)
        Observe("position", c.Gap(key, "real", "sim", 3), Integrators("position", s) + 0.2 + 1e-6 * tn * tn, where, t)
        Observe("velocity", c.Gap(key, "real", "sim", 6), Integrators("velocity", s) + 1e-4 + 2e-6 * tn, where, t)
        ref = (t, c.first.get(t, ""))
        if ref != key:
            Observe("relative position", c.Gap(key, "real", "sim", 3, ref), Integrators("relative position", s) + 1e-3,
                    where, t)
    for (key, run) in list(c.present):
        if run == "real" and (key, "sim") not in c.present:
            c.Fail("kestrane-sim has no row for " + key[1] + " at " + key[0] + " s")
    for key in c.tetherOrder:
        where = "link " + key[1] + " at " + key[0] + " s"
        if (key, "real") not in c.connected:
            c.Fail("the real host has no row for " + where)
            continue
        if not Is(c.connected[key, "real"], 1) or not Is(c.connected.get((key, "sim"), ""), 1) or \
                Num(key[0]) > motionUntil:
            continue
        Observe("tether distance", abs(c.distance.get((key, "real"), 0.0) - c.distance.get((key, "sim"), 0.0)),
                Integrators("tether distance", index.get(key[0], 0)) + 1e-3, where, key[0])
    if not Same(c.last.get("real", ""), lastSim):
        c.Fail("the runs end at " + c.last.get("real", "") + " and " + lastSim + " s")

    lengths = ""
    for link in range(8):
        key = (lastSim, str(link))
        if (key, "real") not in c.tether or (key, "sim") not in c.tether:
            continue
        a = c.tether[key, "real"].split(",") + [""] * 12
        b = c.tether[key, "sim"].split(",") + [""] * 12
        # A free-spooling reel turns as the pull drives it: its speed, like the length, is the motion's.
        freeSpooling = Is(a[11], 1) and Is(b[11], 1)
        if (not Same(a[2], b[2]) or not Same(a[3], b[3]) or not Same(a[4], b[4]) or abs(Num(a[9]) - Num(b[9])) > 1e-6 or
                (not freeSpooling and abs(Num(a[10]) - Num(b[10])) > 1e-6) or not Same(a[11], b[11])):
            c.Fail("link %d ends as %s in the real host and as %s in kestrane-sim" %
                   (link, c.tether[key, "real"], c.tether[key, "sim"]))
        if not Is(a[2], 1):
            continue
        # A length that A set from the distance between the vessels carries the host's resolution of
        # positions, which it keeps from the Sun, 1.5e11 m away, where a double resolves 3e-5 m.
        allowed = 1e-6 + 3e-5
        if halves:
            allowed += c.LinkLeft(key, 6)
        if c.check and abs(Num(a[5]) - Num(b[5])) > allowed:
            c.Fail("link %d ends %.6f m long in the real host and %.6f m in kestrane-sim" % (link, Num(a[5]), Num(b[5])))
        if freeSpooling and c.check:
            allowed = 1e-6 + (c.LinkLeft(key, 11) if halves else 0)
            if abs(Num(a[10]) - Num(b[10])) > allowed:
                c.Fail("link %d's free-spooling reel ends at %.6f m/s in the real host and %.6f m/s in kestrane-sim" %
                       (link, Num(a[10]), Num(b[10])))
        lengths += " %d: %.6f / %.6f m" % (link, Num(a[5]), Num(b[5]))

    def Report(kind, unit, w):
        allowed = ", allowed " + G(allowedAt.get((kind, w), 0.0), 3) if halves else ""
        return "%s %s %s (%s%s)" % (kind, G(largest.get((kind, w), 0.0), 4), unit, at.get((kind, w), ""), allowed)

    for w, end in enumerate(window):
        line = "%s to %s s: %s, %s, %s, %s" % (c.name, end, Report("position", "m", w), Report("velocity", "m/s", w),
                                              Report("relative position", "m", w), Report("tether distance", "m", w))
        if Num(end) > motionUntil:
            line += " (motion to %s s)" % (args.motion_until if args.motion_until != "" else lastSim)
        if w == len(window) - 1:
            line += "; final length real / sim" + lengths
        print(line)
    return 1 if c.failed else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--name", default="")
    parser.add_argument("--real", required=True)
    parser.add_argument("--sim", required=True)
    for option in ("--real-half", "--sim-half", "--real-quarter", "--sim-quarter", "--windows", "--motion-until"):
        parser.add_argument(option, default="")
    parser.add_argument("--check", action="store_true")
    sys.exit(Compare(parser.parse_args()))


if __name__ == "__main__":
    main()
