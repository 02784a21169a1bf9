#!/usr/bin/env python3
"""The rules by which CompareRuns.py passes or fails a comparison, on small runs made up here: two
vessels (Tug and Pod) on link 0, sampled at 0, 1 and 2 s."""
import os
import subprocess
import sys
import tempfile
import unittest

COMPARE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "CompareRuns.py")


class CompareRunsRules(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.dir = cls.folder.name
        run = cls.MakeRun
        run("same", 0)
        run("same2", 0)
        run("off", 1)  # the pod 1 m off at 2 s
        run("offHalf", 0.5)  # halving the step halves that: a difference of first order
        run("stuck", 1)  # halving the step leaves it: not the integrators'
        run("missing", 0, dropPodAt2=True)
        run("reel", 0, "-0.4")
        run("notation", 0, "-0.5000004")  # the host's six decimals of what kestrane-sim holds
        run("free", 0, "0.7", 1)  # free-spooling, the pull driving the reel
        run("freeOff", 0, "0.71", 1)  # at another speed the pull explains, as the halving says
        run("freeOffHalf", 0, "0.705", 1)
        run("freeStuck", 0, "0.71", 1)  # at another speed that does not shrink with the step

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    @classmethod
    def MakeRun(cls, name, podX, reel="-0.5", spool=0, dropPodAt2=False):
        """A run whose pod's x at 2 s is 1000 + podX, its reel speed at the end `reel`."""
        run = os.path.join(cls.dir, name)
        os.makedirs(run)
        vessels = ["time,name,x,y,z,vx,vy,vz"]
        tethers = ["time,link,connected,ship1,ship2,length,distance,stretch,pull,force,reel_speed,spool_mode"]
        for t in (0, 1, 2):
            x = "%.17g" % (1000 + podX) if t == 2 else "1000"
            vessels.append("%d,Tug,0,0,0,0,0,0" % t)
            if not (dropPodAt2 and t == 2):
                vessels.append("%d,Pod,%s,0,0,0,0,0" % (t, x))
            tethers.append("%d,0,1,Tug,Pod,1000,1000,100,0,2000,%s,%d" % (t, reel, spool))
            tethers += ["%d,%d,0,,,0,0,0,0,0,0,0" % (t, link) for link in range(1, 8)]
        for file, lines in (("vessels.csv", vessels), ("tethers.csv", tethers)):
            with open(os.path.join(run, file), "w") as f:
                f.write("\n".join(lines) + "\n")

    def Expect(self, passes, real, sim, half=("", ""), quarter=("", ""), saying=""):
        folder = lambda name: os.path.join(self.dir, name) if name else ""
        result = subprocess.run(
            [sys.executable, COMPARE, "--name", "case", "--real", folder(real), "--sim", folder(sim), "--real-half",
             folder(half[0]), "--sim-half", folder(half[1]), "--real-quarter", folder(quarter[0]), "--sim-quarter",
             folder(quarter[1]), "--check"], capture_output=True, text=True)
        self.assertEqual(result.returncode == 0, passes, result.stdout + result.stderr)
        self.assertIn(saying, result.stderr)
        return result

    def test_motion_is_allowed_what_the_integrators_explain_and_no_more(self):
        out = self.Expect(True, "same", "same2").stdout
        self.assertEqual(out, "case to 2 s: position 0 m (Pod at 2 s), velocity 0 m/s (Pod at 2 s), relative position "
                              "0 m (Pod at 2 s), tether distance 0 m (link 0 at 2 s); final length real / sim "
                              "0: 1000.000000 / 1000.000000 m\n")
        self.Expect(False, "off", "same", saying="position differs by 1 at Pod at 2 s")
        self.Expect(True, "off", "same", ("offHalf", "same"))
        self.Expect(False, "off", "same", ("stuck", "same"), saying="position differs by 1")
        # A difference that stays at half the step and goes at a quarter, or stays there too.
        self.Expect(True, "off", "same", ("stuck", "same"), ("same", "same2"))
        self.Expect(False, "off", "same", ("stuck", "same"), ("stuck", "same"), saying="position differs by 1")

    def test_the_runs_must_have_the_same_samples_and_end_alike(self):
        self.Expect(False, "missing", "same", saying="the real host has no row for Pod at 2 s")
        self.Expect(False, "reel", "same", saying="link 0 ends as")
        self.Expect(True, "notation", "same")
        self.Expect(True, "freeOff", "free", ("freeOffHalf", "free"))
        self.Expect(False, "freeOff", "free", ("freeStuck", "free"), saying="free-spooling reel ends at 0.71")


if __name__ == "__main__":
    unittest.main()
