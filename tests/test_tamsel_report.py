"""tamsel-report on the shipped X example with a few gender codes flipped: the
page parses, holds its plots and names the mismatched samples; the MultiQC
files are written (and read by multiqc, when installed); headless chromium
renders the page to a PNG that is not blank, when installed. From runs that
wrote a VCF (BCF, or text without CONTRAST and STRENGTH): the command line,
the version and the cluster plots.

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

    def words(self):
        return " ".join("".join(self.text).split())


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

    def test_without_a_vcf_the_command_and_version_are_unknown(self):
        text = self.page.words()
        self.assertIn("tamsel version: unknown", text)
        self.assertIn("Command line: unknown", text)

    def test_missing_tables_are_refused(self):
        r = subprocess.run([REPORT, os.path.join(SCRATCH, "nothing")], capture_output=True, text=True)
        self.assertEqual(r.returncode, 1)
        self.assertIn("run tamsel with --qc", r.stderr)


def report_page(args):
    r = subprocess.run([REPORT] + args + ["--no-mqc"], capture_output=True, text=True)
    page = Page()
    if r.returncode == 0:
        with open(args[0] + "_report.html") as f:
            page.feed(f.read())
    return r, page, page.words()


class FromVcf(unittest.TestCase):
    """Runs that wrote a VCF and no calls file: the page names the run's command
    and version, and draws the cluster plots from GT, CONTRAST and STRENGTH."""

    @classmethod
    def setUpClass(cls):
        cls.dir = os.path.join(SCRATCH, "vcf")
        shutil.rmtree(cls.dir, ignore_errors=True)
        os.makedirs(cls.dir)
        cls.int = os.path.join(EXAMPLES, "small_x.int")
        cls.gender = os.path.join(EXAMPLES, "small_x.gender")
        out = subprocess.run([TAMSEL, "--version"], capture_output=True, text=True).stdout
        cls.version = out.split()[1]

    def run_tamsel(self, name, vcf):
        prefix = os.path.join(self.dir, name)
        subprocess.run([TAMSEL, "-i", self.int, "-o", prefix, "-X", "-g", self.gender, "--qc",
                        "--vcf", prefix + vcf], check=True, capture_output=True)
        return prefix

    def test_bcf_found_beside_the_tables_gives_command_version_and_plots(self):
        if not shutil.which("bcftools"):
            self.skipTest("bcftools is not installed")
        prefix = self.run_tamsel("b", ".bcf")
        r, page, text = report_page([prefix, "--worst", "3"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("tamsel version: " + self.version, text)
        self.assertIn("-X -g " + self.gender + " --qc --vcf " + prefix + ".bcf", text)
        self.assertIn("From the CONTRAST and STRENGTH of " + prefix + ".bcf", text)
        self.assertEqual(page.images, 10)
        # Indexed, only the worst SNPs' regions are read: the same page.
        with open(prefix + "_report.html") as f:
            streamed = f.read()
        subprocess.run(["bcftools", "index", prefix + ".bcf"], check=True, capture_output=True)
        r, page, text = report_page([prefix, "--worst", "3"])
        self.assertEqual(r.returncode, 0, r.stderr)
        with open(prefix + "_report.html") as f:
            self.assertEqual(f.read(), streamed)

    def test_vcf_without_contrast_and_strength(self):
        prefix = self.run_tamsel("v", ".vcf")
        with open(prefix + ".vcf") as f:
            lines = f.read().splitlines()
        # The two FORMAT fields left out, written with CRLF line ends.
        kept = []
        for line in lines:
            if line.startswith("##FORMAT=<ID=CONTRAST") or line.startswith("##FORMAT=<ID=STRENGTH"):
                continue
            if not line.startswith("#"):
                w = line.split("\t")
                w[8:] = [":".join(f.split(":")[:3]) for f in w[8:]]
                line = "\t".join(w)
            kept.append(line)
        bare = prefix + "_bare.vcf"
        with open(bare, "w", newline="") as f:
            f.write("\r\n".join(kept) + "\r\n")
        r, page, text = report_page([prefix, "--vcf", bare, "--worst", "3"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn(bare + " has no FORMAT CONTRAST and STRENGTH: give -i INTENSITIES", r.stderr)
        self.assertIn("No cluster plots", text)
        self.assertEqual(page.images, 7)
        # With the intensities, the calls still come from the VCF's GT.
        r, page, text = report_page([prefix, "--vcf", bare, "-i", self.int, "--worst", "3"])
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(page.images, 10)
        self.assertIn("Command line: " + TAMSEL, text)

        # A record cut short is refused with its file and line.
        cut = prefix + "_cut.vcf"
        with open(cut, "w") as f:
            f.write("\n".join(l if l.startswith("#") else l.rsplit("\t", 1)[0] for l in lines) + "\n")
        r, page, text = report_page([prefix, "--vcf", cut, "--worst", "3"])
        self.assertEqual(r.returncode, 1)
        self.assertRegex(r.stderr, "^tamsel-report: " + cut + " line [0-9]+: ")

        # A VCF whose samples are not the tables' is not taken for the run's.
        other = prefix + "_other.vcf"
        with open(other, "w") as f:
            for l in lines:
                if l.startswith("#CHROM"):
                    w = l.split("\t")
                    l = "\t".join(w[:9] + w[9:][::-1])
                f.write(l + "\n")
        r, page, text = report_page([prefix, "--vcf", other])
        self.assertEqual(r.returncode, 1)
        self.assertIn(other + " has 30 samples, " + prefix + "_sampleqc 30, or in another order", r.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
