#!/usr/bin/python3
"""Converter-style VCF/BCF input keeps its sites.

Records are made from rows of a text intensity file the way array converters
write them: REF/ALT on the genome's alleles, the array's A allele REF on some
records and ALT on others, a few array sites with two ALT alleles, and
ALLELE_A/ALLELE_B once as integer indexes and once as bases with a star on
the one equal to REF. The run's VCF must keep CHROM/POS/ID/REF/ALT, its GT
decoded through ALLELE_A/ALLELE_B must equal the calls file, GP must peak at
GT, bcftools norm --check-ref e must accept it against the genome, and plink
1.9 and plink2 must read the calls' genotype counts back from the PLINK files.

usage: test_vcf_sites.py TAMSEL INTENSITIES SCRATCH
"""
import os
import shutil
import subprocess
import sys
import unittest

TAMSEL, INTENSITIES, SCRATCH = sys.argv[1:4]
BASES = "ACGT"
ROWS = 40


def run(*cmd, **kw):
    return subprocess.run(cmd, check=True, capture_output=True, text=True, **kw)


def other_base(*used):
    return next(b for b in BASES if b not in used)


def make_records():
    """(chrom, pos, id, ref, alts, a_index, b_index, values) per record."""
    with open(INTENSITIES) as f:
        header = f.readline().split()
        rows = [f.readline().split() for _ in range(ROWS)]
    samples = [header[i][:-2] for i in range(3, len(header), 2)]
    records = []
    for r, row in enumerate(rows):
        chrom, pos = row[1].split(":")
        a, b = row[2][0], row[2][1]
        values = row[3:]
        if r % 7 == 3:
            # An array site whose two alleles are both ALT alleles.
            ref = other_base(a, b)
            records.append((chrom, int(pos), row[0], ref, [a, b], 1, 2, values))
        elif r % 2:
            records.append((chrom, int(pos), row[0], b, [a], 1, 0, values))
        else:
            records.append((chrom, int(pos), row[0], a, [b], 0, 1, values))
    return samples, records


def write_vcf(path, samples, records, starred):
    kind = "String" if starred else "Integer"
    contigs = sorted({r[0] for r in records}, key=lambda c: int(c) if c.isdigit() else 99)
    with open(path, "w", newline="") as f:
        f.write("##fileformat=VCFv4.2\n")
        for c in contigs:
            f.write("##contig=<ID=%s>\n" % c)
        f.write('##FILTER=<ID=TRIALLELIC,Description="Both array alleles are ALT">\n')
        for t in ("ALLELE_A", "ALLELE_B"):
            f.write('##INFO=<ID=%s,Number=1,Type=%s,Description="array allele">\n' % (t, kind))
        for t in ("X", "Y"):
            f.write('##FORMAT=<ID=%s,Number=1,Type=Float,Description="intensity">\n' % t)
        f.write("#CHROM\tPOS\tID\tREF\tALT\tQUAL\tFILTER\tINFO\tFORMAT\t" + "\t".join(samples) + "\r\n")
        for chrom, pos, sid, ref, alts, ia, ib, values in sorted(records, key=lambda r: (contigs.index(r[0]), r[1])):
            alleles = [ref] + alts
            if starred:
                info = "ALLELE_A=%s%s;ALLELE_B=%s%s" % (alleles[ia], "*" if ia == 0 else "",
                                                       alleles[ib], "*" if ib == 0 else "")
            else:
                info = "ALLELE_A=%d;ALLELE_B=%d" % (ia, ib)
            flt = "TRIALLELIC" if len(alts) > 1 else "PASS"
            gts = ["%s:%s" % (values[2 * i], values[2 * i + 1]) for i in range(len(samples))]
            f.write("\t".join([chrom, str(pos), sid, ref, ",".join(alts), ".", flt, info, "X:Y"] + gts) + "\r\n")


def write_fasta(path, records):
    """A genome whose bases at the records' positions are their REF."""
    by_chrom = {}
    for chrom, pos, _, ref, *_ in records:
        by_chrom.setdefault(chrom, {})[pos] = ref
    with open(path, "w") as f:
        for chrom, bases in by_chrom.items():
            seq = ["T"] * (max(bases) + 20)
            for pos, b in bases.items():
                seq[pos - 1] = b
            f.write(">%s\n" % chrom)
            s = "".join(seq)
            for i in range(0, len(s), 60):
                f.write(s[i:i + 60] + "\n")
    # bcftools needs the index; it builds it when asked to normalise.


def calls_by_id(path):
    with open(path) as f:
        f.readline()
        return {w[0]: [int(c) for c in w[3:]] for w in (line.split() for line in f)}


class VcfSites(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(SCRATCH, ignore_errors=True)
        os.makedirs(SCRATCH)
        cls.samples, cls.records = make_records()
        cls.fasta = os.path.join(SCRATCH, "ref.fa")
        write_fasta(cls.fasta, cls.records)

    def check_run(self, name, starred, bcf_input):
        d = os.path.join(SCRATCH, name)
        os.makedirs(d)
        src = os.path.join(d, "in.vcf")
        write_vcf(src, self.samples, self.records, starred)
        if bcf_input:
            run("bcftools", "view", "-Ob", "-o", os.path.join(d, "in.bcf"), src)
            src = os.path.join(d, "in.bcf")
        out = os.path.join(d, "o")
        run(TAMSEL, "-i", src, "-o", out, "-c", "--vcf", out + ".bcf", "--plink", out)
        calls = calls_by_id(out + "_calls")
        want = {r[2]: r for r in self.records}
        self.assertEqual(len(calls), ROWS)

        # The sites as they stood in the input.
        q = run("bcftools", "query", "-f", "%CHROM\t%POS\t%ID\t%REF\t%ALT\t%INFO/ALLELE_A\t%INFO/ALLELE_B[\t%GT|%GP]\n",
                out + ".bcf").stdout
        for line in q.splitlines():
            w = line.split("\t")
            chrom, pos, sid, ref, alts, ia, ib, values = want[w[2]]
            self.assertEqual(w[:5], [chrom, str(pos), sid, ref, ",".join(alts)], name)
            self.assertEqual((int(w[5]), int(w[6])), (ia, ib), name)
            lo, hi = min(ia, ib), max(ia, ib)
            code = {(ia, ia): 1, (lo, hi): 2, (ib, ib): 3}
            for i, cell in enumerate(w[7:]):
                gt, gp = cell.split("|")
                if gt in ("./.", "."):
                    got = 4
                else:
                    j, k = sorted(int(x) for x in gt.replace("|", "/").split("/"))
                    got = code[(j, k)]
                    p = [float(x) for x in gp.split(",")]
                    self.assertEqual(len(p), (len(alts) + 1) * (len(alts) + 2) // 2)
                    self.assertEqual(max(range(len(p)), key=p.__getitem__), k * (k + 1) // 2 + j,
                                     "%s %s sample %d: GP %s does not peak at GT %s" % (name, sid, i, gp, gt))
                self.assertEqual(got, calls[sid][i], "%s %s sample %d: GT %s" % (name, sid, i, gt))

        # The genome agrees with every REF.
        r = subprocess.run(["bcftools", "norm", "--check-ref", "e", "-f", self.fasta, "-Ou", "-o", os.devnull,
                            out + ".bcf"], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)

        # plink reads the calls' genotype counts back, allele by allele.
        counts = {}
        for sid, c in calls.items():
            chrom, pos, _, ref, alts, ia, ib, _ = want[sid]
            alleles = [ref] + alts
            counts[sid] = {alleles[ia]: c.count(1), alleles[ib]: c.count(3), "het": c.count(2)}
        run("plink1.9", "--bfile", out, "--freqx", "--allow-no-sex", "--out", out + "_p1", cwd=d)
        with open(out + "_p1.frqx") as f:
            f.readline()
            for w in (line.rstrip("\n").split("\t") for line in f):
                self.assertEqual({w[2]: int(w[4]), w[3]: int(w[6]), "het": int(w[5])}, counts[w[1]], name)
        run("plink2", "--bfile", out, "--geno-counts", "--out", out + "_p2", cwd=d)
        with open(out + "_p2.gcount") as f:
            head = f.readline().lstrip("#").split()
            for line in f:
                w = dict(zip(head, line.split()))
                self.assertEqual({w["REF"]: int(w["HOM_REF_CT"]), w["ALT"]: int(w["TWO_ALT_GENO_CTS"]),
                                  "het": int(w["HET_REF_ALT_CTS"])}, counts[w["ID"]], name)
        return calls

    def test_integer_indexes_and_starred_bases_give_the_same_calls(self):
        a = self.check_run("integer_vcf", starred=False, bcf_input=False)
        b = self.check_run("starred_bcf", starred=True, bcf_input=True)
        c = self.check_run("integer_bcf", starred=False, bcf_input=True)
        self.assertEqual(a, b)
        self.assertEqual(a, c)

    def test_allele_text_has_no_star_and_unnamed_multiallelic_records_are_skipped(self):
        d = os.path.join(SCRATCH, "text")
        os.makedirs(d)
        src = os.path.join(d, "in.vcf")
        write_vcf(src, self.samples, self.records, starred=True)
        with open(src) as f:
            lines = f.read().splitlines(True)
        # One array site loses ALLELE_A/ALLELE_B: nothing says which two alleles are A and B.
        for i, line in enumerate(lines):
            if "TRIALLELIC\tALLELE" in line:
                w = line.split("\t")
                w[7] = "."
                lines[i] = "\t".join(w)
                dropped = w[2]
                break
        with open(src, "w", newline="") as f:
            f.writelines(lines)
        r = subprocess.run([TAMSEL, "-i", src, "-o", os.path.join(d, "o"), "-c"], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertIn("no ALLELE_A/ALLELE_B naming two of them; the record is skipped", r.stderr)
        with open(os.path.join(d, "o_calls")) as f:
            f.readline()
            rows = [line.split()[:3] for line in f]
        self.assertEqual(len(rows), ROWS - 1)
        self.assertNotIn(dropped, [w[0] for w in rows])
        for sid, _, allele in rows:
            chrom, pos, _, ref, alts, ia, ib, _ = {x[2]: x for x in self.records}[sid]
            self.assertEqual(allele, "[%s/%s]" % (([ref] + alts)[ia], ([ref] + alts)[ib]))


COMPLEMENT = {"A": "T", "C": "G", "G": "C", "T": "A"}


def write_indexed_fasta(path, bases_by_chrom):
    """One line per contig, and its .fai written by hand."""
    with open(path, "w") as f, open(path + ".fai", "w") as fai:
        offset = 0
        for chrom, bases in bases_by_chrom.items():
            seq = ["T"] * (max(bases) + 20)
            for pos, b in bases.items():
                seq[pos - 1] = b
            head = ">%s\n" % chrom
            f.write(head + "".join(seq) + "\n")
            offset += len(head)
            fai.write("%s\t%d\t%d\t%d\t%d\n" % (chrom, len(seq), offset, len(seq), len(seq) + 1))
            offset += len(seq) + 1


class FastaRef(unittest.TestCase):
    """The text layout's alleles put on the genome: forward, reverse, neither."""

    def test_text_layout_on_the_reference(self):
        d = os.path.join(SCRATCH, "fasta_ref")
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
        with open(INTENSITIES) as f:
            lines = [f.readline() for _ in range(ROWS + 1)]
        src = os.path.join(d, "in.int")
        with open(src, "w") as f:
            f.writelines(lines)
        rows = [line.split()[:3] for line in lines[1:]]
        genome, expect = {}, {}
        for r, (sid, pos, alleles) in enumerate(rows):
            chrom, p = pos.split(":")
            a, b = alleles[0], alleles[1]
            flip = COMPLEMENT[a] != b and COMPLEMENT[a] not in (a, b)
            kind = r % 4
            if kind == 0:
                ref, want = a, (a, [b], 0, 1, "")
            elif kind == 1:
                ref, want = b, (b, [a], 1, 0, "")
            elif kind == 2 and flip:
                # The allele text is on the other strand.
                ref, want = COMPLEMENT[b], (COMPLEMENT[b], [COMPLEMENT[a]], 1, 0, "")
            else:
                ref = other_base(a, b, COMPLEMENT[a], COMPLEMENT[b]) if len({a, b, COMPLEMENT[a], COMPLEMENT[b]}) < 4 else None
                if ref is None:
                    ref, want = a, (a, [b], 0, 1, "")
                else:
                    want = (ref, [a, b], 1, 2, "REFMISMATCH")
            genome.setdefault(chrom, {})[int(p)] = ref
            expect[sid] = want
        fasta = os.path.join(d, "ref.fa")
        write_indexed_fasta(fasta, genome)
        out = os.path.join(d, "o")
        r = subprocess.run([TAMSEL, "-i", src, "-o", out, "-c", "--vcf", out + ".vcf.gz", "--plink", out,
                            "--fasta-ref", fasta], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        mismatches = sum(1 for w in expect.values() if w[4])
        self.assertGreater(mismatches, 0)
        self.assertIn("%d SNPs whose alleles are not the reference genome's base on either strand" % mismatches, r.stderr)
        header = run("bcftools", "view", "-h", out + ".vcf.gz").stdout
        self.assertIn("##reference=" + fasta, header)
        self.assertRegex(header, r"##contig=<ID=15,length=\d+>")
        calls = calls_by_id(out + "_calls")
        q = run("bcftools", "query", "-f", "%ID\t%REF\t%ALT\t%INFO/ALLELE_A\t%INFO/ALLELE_B\t%FILTER\t%INFO/REFMISMATCH[\t%GT]\n",
                out + ".vcf.gz").stdout
        for line in q.splitlines():
            w = line.split("\t")
            ref, alts, ia, ib, flag = expect[w[0]]
            self.assertEqual(w[1:5], [ref, ",".join(alts), str(ia), str(ib)], w[0])
            self.assertEqual(w[6] == "1", bool(flag), w[0])
            lo, hi = min(ia, ib), max(ia, ib)
            code = {(ia, ia): 1, (lo, hi): 2, (ib, ib): 3}
            got = [4 if gt == "./." else code[tuple(sorted(int(x) for x in gt.split("/")))] for gt in w[7:]]
            self.assertEqual(got, calls[w[0]], w[0])
        r = subprocess.run(["bcftools", "norm", "--check-ref", "e", "-f", fasta, "-Ou", "-o", os.devnull,
                            out + ".vcf.gz"], capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, r.stderr)
        # Without the genome the same run gives today's alleles: REF A, ALT B.
        plain = os.path.join(d, "plain")
        run(TAMSEL, "-i", src, "-o", plain, "-c", "--vcf", plain + ".vcf")
        first = run("bcftools", "query", "-f", "%REF%ALT\n", plain + ".vcf").stdout.split()
        self.assertEqual(first, [w[2][0] + w[2][1] for w in rows])

    def test_unusable_genomes_stop_the_run_before_any_output(self):
        d = os.path.join(SCRATCH, "bad_fasta")
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
        with open(os.path.join(d, "noindex.fa"), "w") as f:
            f.write(">15\nACGT\n")
        with open(os.path.join(d, "o_calls"), "w") as f:
            f.write("kept\n")
        for fasta, says in (("noindex.fa", "has no index"), ("missing.fa", "cannot open the FASTA")):
            r = subprocess.run([TAMSEL, "-i", INTENSITIES, "-o", os.path.join(d, "o"), "-c", "--vcf",
                                os.path.join(d, "o.vcf"), "--fasta-ref", os.path.join(d, fasta)],
                               capture_output=True, text=True)
            self.assertEqual(r.returncode, 1)
            self.assertIn(says, r.stderr)
            with open(os.path.join(d, "o_calls")) as f:
                self.assertEqual(f.read(), "kept\n")
            self.assertFalse(os.path.exists(os.path.join(d, "o.vcf")))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
