"""tamsel-plot on the shipped example: PNGs for named SNPs whose pixels show
the call colours, the worst SNPs of a snpqc table into one PDF, compressed
input, and refusals of an unknown SNP or a broken row.

Arguments: TAMSEL TAMSEL_PLOT EXAMPLES_DIR SCRATCH_DIR
"""
import gzip
import os
import re
import shutil
import subprocess
import sys
import unittest

import matplotlib
matplotlib.use("Agg")
import matplotlib.image as mpimg
import numpy as np

TAMSEL, PLOT, EXAMPLES, SCRATCH = sys.argv[1:5]
INT = os.path.join(EXAMPLES, "small.int")
RGB = {"AA": (0xd6, 0x27, 0x28), "AB": (0x2c, 0xa0, 0x2c), "BB": (0x1f, 0x77, 0xb4)}


def plot(*args):
    return subprocess.run([PLOT] + list(args), capture_output=True, text=True)


class Plot(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(SCRATCH, ignore_errors=True)
        os.makedirs(SCRATCH)
        cls.prefix = os.path.join(SCRATCH, "s")
        subprocess.run([TAMSEL, "-i", INT, "-o", cls.prefix, "-c", "-u"], check=True, capture_output=True)
        cls.calls = cls.prefix + "_calls"
        with open(cls.calls) as f:
            cls.rows = {w[0]: w[3:] for w in (l.split() for l in f.readlines()[1:])}

    def three_cluster_snp(self):
        for snp, calls in self.rows.items():
            if all(calls.count(c) >= 5 for c in "123"):
                return snp
        self.fail("the example has no SNP with three populated clusters")

    def test_named_snps_give_pngs_with_the_call_colours(self):
        snp = self.three_cluster_snp()
        other = next(s for s in self.rows if s != snp)
        out = os.path.join(SCRATCH, "png")
        r = plot("-i", INT, "--calls", self.calls, "--contrastmu", self.prefix + "_contrastmu",
                 "--snp", snp, "--snp", other, "-o", out)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(sorted(os.listdir(out)), sorted([snp + ".png", other + ".png"]))
        img = mpimg.imread(os.path.join(out, snp + ".png"))[:, :, :3]
        pixels = (img * 255).round().reshape(-1, 3)
        for name, rgb in RGB.items():
            # Markers are drawn a little transparent, so allow a blend with white.
            near = np.abs(pixels - np.array(rgb)).max(axis=1) <= 40
            self.assertGreater(int(near.sum()), 30, name)

    def test_worst_snps_of_a_snpqc_table_into_one_pdf(self):
        ids = list(self.rows)
        qc = os.path.join(SCRATCH, "s_snpqc")
        with open(qc, "w") as f:
            f.write("SNP_id\tposition\tcall_rate\n")
            for k, snp in enumerate(ids):
                f.write("%s\t1:%d\t%s\n" % (snp, k, "0.5" if k in (3, 7) else "NA" if k == 9 else "1"))
        # Lowest call rate first, a rate that is not a number lowest of all.
        out = os.path.join(SCRATCH, "worst")
        r = plot("-i", INT, "--calls", self.calls, "--snpqc", qc, "--worst", "3", "-o", out)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(sorted(os.listdir(out)), sorted(ids[k] + ".png" for k in (9, 3, 7)))
        pdf = os.path.join(SCRATCH, "worst.pdf")
        r = plot("-i", INT, "--calls", self.calls, "--snpqc", qc, "--worst", "3", "-o", pdf)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(pdf, "rb") as f:
            self.assertEqual(len(re.findall(rb"/Type /Page\b(?!s)", f.read())), 3)

    def test_compressed_input_draws_the_same_picture(self):
        snp = self.three_cluster_snp()
        gz = os.path.join(SCRATCH, "small.int.gz")
        with open(INT, "rb") as src, gzip.open(gz, "wb") as dst:
            dst.write(src.read())
        for name, path in (("plain", INT), ("gz", gz)):
            r = plot("-i", path, "--calls", self.calls, "--snp", snp, "-o", os.path.join(SCRATCH, name))
            self.assertEqual(r.returncode, 0, r.stderr)
        with open(os.path.join(SCRATCH, "plain", snp + ".png"), "rb") as a, \
                open(os.path.join(SCRATCH, "gz", snp + ".png"), "rb") as b:
            self.assertEqual(a.read(), b.read())

    def test_refusals_name_the_problem(self):
        r = plot("-i", INT, "--calls", self.calls, "--snp", "rsNOSUCH", "-o", os.path.join(SCRATCH, "none"))
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr, "tamsel-plot: SNP rsNOSUCH is not in %s\n" % self.calls)
        self.assertFalse(os.path.exists(os.path.join(SCRATCH, "none")))

        snp = next(iter(self.rows))
        short = os.path.join(SCRATCH, "short.int")
        with open(INT) as f:
            lines = f.readlines()
        lines[1] = "\t".join(lines[1].split()[:10]) + "\n"
        with open(short, "w") as f:
            f.writelines(lines)
        r = plot("-i", short, "--calls", self.calls, "--snp", snp, "-o", os.path.join(SCRATCH, "short"))
        self.assertEqual(r.returncode, 1)
        self.assertIn(short + " line 2:", r.stderr)
        self.assertNotIn("Traceback", r.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
