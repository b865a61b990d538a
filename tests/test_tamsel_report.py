"""tamsel-report on the shipped X example with a few gender codes flipped: the
page parses, holds its plots and names the mismatched samples; the MultiQC
files are written (and read by multiqc, when installed); headless chromium
renders the page to a PNG that is not blank, when installed.

Arguments: TAMSEL TAMSEL_REPORT EXAMPLES_DIR SCRATCH_DIR
"""
import html.parser
import os
import shutil
import subprocess
import sys
import unittest

TAMSEL, REPORT, EXAMPLES, SCRATCH = sys.argv[1:5]


class Page(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.images, self.text, self.stack = 0, [], []

    def handle_starttag(self, tag, attrs):
        if tag == "img":
            src = dict(attrs).get("src", "")
            assert src.startswith("data:image/png;base64,"), src[:40]
            self.images += 1

    def handle_data(self, data):
        self.text.append(data)


class Report(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(SCRATCH, ignore_errors=True)
        os.makedirs(SCRATCH)
        with open(os.path.join(EXAMPLES, "small_x.gender")) as f:
            codes = f.read().split()
        # Flip three samples' codes, written with CRLF and no final line end.
        cls.flipped = [0, 3, 7]
        for i in cls.flipped:
            codes[i] = "2" if codes[i] == "1" else "1"
        gender = os.path.join(SCRATCH, "flipped.gender")
        with open(gender, "w", newline="") as f:
            f.write("\r\n".join(codes))
        cls.prefix = os.path.join(SCRATCH, "x")
        cls.int = os.path.join(EXAMPLES, "small_x.int")
        subprocess.run([TAMSEL, "-i", cls.int, "-o", cls.prefix, "-X", "-g", gender, "-c", "--qc"],
                       check=True, capture_output=True)
        r = subprocess.run([REPORT, cls.prefix, "-i", cls.int, "--worst", "3"],
                           capture_output=True, text=True)
        assert r.returncode == 0, r.stderr
        with open(cls.prefix + "_sampleqc") as f:
            rows = [l.rstrip("\n").split("\t") for l in f]
        col = rows[0].index("sex_mismatch")
        cls.mismatched = [w[0] for w in rows[1:] if w[col] == "1"]
        cls.page = Page()
        with open(cls.prefix + "_report.html") as f:
            cls.page.feed(f.read())

    def test_page_holds_plots_and_names_mismatches(self):
        # The shipped example is too small for an implied sex; the names are
        # checked whenever the table holds mismatches.
        self.assertIn("Sex check", " ".join(self.page.text))
        # Two sample plots, sex check, three SNP histograms, QQ, three cluster plots.
        self.assertEqual(self.page.images, 10)
        text = " ".join(self.page.text)
        for s in self.mismatched:
            self.assertIn(s, text)
        self.assertIn("%d sex mismatches" % len(self.mismatched), text)

    def test_multiqc_files_and_multiqc(self):
        gen = self.prefix + "_tamsel_general_mqc.tsv"
        with open(gen) as f:
            lines = f.read().splitlines()
        self.assertIn("tamsel_implied_sex", lines[2])
        with open(self.prefix + "_sampleqc") as f:
            samples = len(f.read().splitlines()) - 1
        self.assertEqual(len([l for l in lines if not l.startswith("#")]), 1 + samples)
        if not shutil.which("multiqc"):
            self.skipTest("multiqc is not installed")
        out = os.path.join(SCRATCH, "mqc")
        r = subprocess.run(["multiqc", "-f", "-o", out, SCRATCH], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(os.path.join(out, "multiqc_report.html")) as f:
            self.assertIn("tamsel", f.read())

    def test_chromium_renders_a_page_that_is_not_blank(self):
        exe = shutil.which("chromium")
        if not exe:
            self.skipTest("chromium is not installed")
        shot = os.path.join(SCRATCH, "shot.png")
        subprocess.run([exe, "--headless", "--no-sandbox", "--disable-gpu", "--screenshot=" + shot,
                        "--window-size=1000,1400", "file://" + self.prefix + "_report.html"],
                       capture_output=True, timeout=120)
        import matplotlib.image as mpimg
        img = mpimg.imread(shot)
        self.assertGreater(float(img[:, :, :3].std()), 0.02)

    def test_missing_tables_are_refused(self):
        r = subprocess.run([REPORT, os.path.join(SCRATCH, "nothing")], capture_output=True, text=True)
        self.assertEqual(r.returncode, 1)
        self.assertIn("run tamsel with --qc", r.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
