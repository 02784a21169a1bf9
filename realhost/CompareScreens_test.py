#!/usr/bin/env python3
"""The rules by which CompareScreens.py passes or fails the screens of two runs, on screens and runs
made up here: a tether of 1000 m whose distance differs by 0.05 m between the runs."""
import os
import subprocess
import sys
import tempfile
import unittest

COMPARE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "CompareScreens.py")

SCREEN = """Kestrane
SETUP:
This Ship   : Tug at CoG
Target Ship : Pod at CoG
Length      : 1500.0 m
Force       : 2000.0 N@1%





Tethers >> *0*-1--2--3--4--5--6--7-

Status  : Reeling
ShipOne  : Tug
ShipTwo  : Pod
Length   : 1000.0 m
Distance : {distance} m
Stretch  : 100.030 %
Force    : 2000.0 N@1%
Pull     : 57.1 N
Reel     : -0.20 m/sec
"""


class CompareScreensRules(unittest.TestCase):
    def Compare(self, pairs):
        """Each pair: the real host's screen and kestrane-sim's, at 1 s, 2 s, …"""
        with tempfile.TemporaryDirectory() as work:
            for run, distance in (("real", "1000.30"), ("sim", "1000.35")):
                os.makedirs(os.path.join(work, run))
                with open(os.path.join(work, run, "tethers.csv"), "w") as f:
                    f.write("time,link,connected,ship1,ship2,length,distance,stretch,pull,force,reel_speed,spool_mode\n"
                            "1,0,1,Tug,Pod,1000,%s,100,57,2000,-0.2,0\n" % distance)
                with open(os.path.join(work, run, "vessels.csv"), "w") as f:
                    f.write("time,name,x,y,z,vx,vy,vz\n1,Tug,0,0,0,0,0,0\n1,Pod,1000,0,0,0,0,0\n")
            with open(os.path.join(work, "index"), "w") as index:
                for n, (host, sim) in enumerate(pairs, 1):
                    index.write("%05d %d\n" % (n, n))
                    for name, text in (("host", host), ("sim", sim)):
                        with open(os.path.join(work, "%s-%05d.txt" % (name, n)), "w") as f:
                            f.write(text)
            result = subprocess.run([sys.executable, COMPARE, "--work", work, "--real", work + "/real", "--sim",
                                     work + "/sim", "--step", "0.02"], capture_output=True, text=True)
        return result.returncode, result.stdout

    def test_numbers_the_motion_sets_may_differ_by_what_it_explains(self):
        same = SCREEN.format(distance="1000.3")
        status, out = self.Compare([(same, same), (same, SCREEN.format(distance="1000.4"))])
        self.assertEqual(status, 0, out)
        self.assertEqual(out, "screens: 2 redraws of the left display: 1 identical, 1 differ only in numbers the motion "
                              "sets (largest: Distance 0.1 at 2 s); the runs' tether distances within 0.05 m\n")

    def test_other_differences_fail_each_on_a_line(self):
        same = SCREEN.format(distance="1000.3")
        status, out = self.Compare([(same, SCREEN.format(distance="1000.5")), (same, same.replace("Reeling", "Holding")),
                                    (same, same + "One more row\n")])
        self.assertEqual(status, 1)
        self.assertEqual(out.splitlines()[:3], [
            "screens: at 1 s row 17: 'Distance : 1000.3 m' against 'Distance : 1000.5 m' (the motion allows 0.05)",
            "screens: at 2 s row 13: 'Status  : Reeling' against 'Status  : Holding'",
            "screens: at 3 s the real host shows 22 rows, kestrane-sim 23"])


if __name__ == "__main__":
    unittest.main()
