#!/usr/bin/env python3
"""The layer check on a small tree of its own: what it lets pass and what it names."""
import os
import tempfile
import unittest

import IncludeLayers


class IncludeLayersTest(unittest.TestCase):
    def Breaks(self, files):
        with tempfile.TemporaryDirectory() as root:
            for path, text in {"host/Orbitersdk.h": "", **files}.items():
                os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
                with open(os.path.join(root, path), "w", encoding="utf-8") as f:
                    f.write(text)
            return sorted(line.split(": ")[0] for line in IncludeLayers.Breaks(root))

    def test_each_layer_builds_on_those_below_and_on_nothing_above(self):
        self.assertEqual(
            self.Breaks(
                {
                    "tetherblock/A.h": '#include <cstdio>\n#include "tetherblock/B.h"\n',
                    "plugin/tether/T.cpp": '#include "Orbitersdk.h"\n#include "plugin/math/M.h"\n#include "tetherblock/A.h"\n',
                    "plugin/entry/E.cpp": '#include "plugin/display/D.h"\n#include "plugin/registry/R.h"\n',
                    "sim/run/S.cpp": '#include "tetherblock/A.h"\n#include "host/OrbiterAPI.h"\n',
                }
            ),
            [],
        )
        self.assertEqual(
            self.Breaks(
                {
                    "plugin/tether/T.cpp": '\n#include "plugin/display/D.h"\n',
                    "plugin/registry/R.cpp": '#include "../tether/T.h"\n',
                    "plugin/math/M.cpp": '#include "sim/world/Vec3.h"\n',
                    "plugin/display/D.cpp": '#include "D.h"\n',
                    "sim/run/S.cpp": '#include "plugin/registry/TetherData.h"\n',
                    "tetherblock/A.cpp": '#  include "plugin/math/M.h"\n',
                }
            ),
            ["plugin/display/D.cpp:1", "plugin/math/M.cpp:1", "plugin/registry/R.cpp:1", "plugin/tether/T.cpp:2",
             "sim/run/S.cpp:1", "tetherblock/A.cpp:1"],
        )


if __name__ == "__main__":
    unittest.main()
