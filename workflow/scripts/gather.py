#!/usr/bin/env python3
"""gather.py -- joins the row-range shards of one tamsel output file.

Usage: gather.py [--threads N] [--level L] OUTPUT SHARD...
       gather.py [--threads N] [--level L] --sampleqc OUTPUT PART...
       gather.py --plink PREFIX SHARD_PREFIX...
       gather.py [--threads N] [--level L] --vcf OUTPUT COMMAND SHARD...

Every shard starts with the same header line; the output gets it once, then
the rows of the shards in the order given. With --sampleqc the shards are
PREFIX_sampleqc.part tables (tamsel --qc --qc-part) whose per-sample sums are
added up and turned into the PREFIX_sampleqc table of one run. With --plink
the shards' .bed bodies are joined after the 3 magic bytes, their .bim rows
joined, and the .fam (the same in every shard) copied. With --vcf the shards'
VCF (.vcf.gz) or BCF files are joined in the order given, whatever their
contigs, into the file of one run: the first shard's header with the contigs
of later shards appended as a run meets them and ##tamselCommand=COMMAND, the
records as they are (a BCF record's contig number translated to the joined
header), in the BGZF blocks tamsel cuts: a BCF's header in blocks of its own,
a VCF's blocks ending at line ends. A name ending in ".gz" is read as
BGZF and written again with bgzip, whose blocks are those of a single tamsel
--bgzip run, so the result is byte-identical to it. The output appears only
when complete: it is written under a temporary name and renamed at the end.
"""
import gzip
import math
import os
import re
import struct
import shutil
import subprocess
import sys


def fail(message):
    sys.stderr.write("gather.py: " + message + "\n")
    sys.exit(1)


def open_shard(path):
    try:
        return gzip.open(path, "rb") if path.endswith((".gz", ".bcf")) else open(path, "rb")
    except OSError as e:
        fail("cannot read %s: %s" % (path, e.strerror or e))


def copy_shards(shards, out):
    header = None
    for path in shards:
        with open_shard(path) as f:
            try:
                first = f.readline()
                if not first.endswith(b"\n"):
                    fail("%s has no complete header line" % path)
                if header is None:
                    header = first
                    out.write(first)
                elif first != header:
                    fail("the header of %s differs from that of %s" % (path, shards[0]))
                shutil.copyfileobj(f, out, 1 << 20)
            except (OSError, EOFError) as e:
                fail("%s is damaged or cut short: %s" % (path, e))


# What tamsel's sampleqc table is made of; the sex-check limits are those of
# src/io/qc_writer.h.
EXPECTED_UNIT = 2.0 ** -40
SEX_MIN_EXPECTED, SEX_MALE_MAX, SEX_FEMALE_MIN = 10.0, 0.25, 0.45
PART_MAGIC = "#tamsel_sampleqc_part"


def real(v):
    """tamsel's six significant digits: "NA" unless finite, 0 and 1 bare."""
    if not math.isfinite(v):
        return "NA"
    if v == 0 and math.copysign(1, v) > 0:
        return "0"
    if v == 1:
        return "1"
    return "%.6g" % v


def read_part(path):
    try:
        with open(path) as f:
            lines = f.read().split("\n")
    except OSError as e:
        fail("cannot read %s: %s" % (path, e.strerror or e))
    first = lines[0].split("\t")
    if len(first) != 5 or first[0] != PART_MAGIC or lines[-1] != "":
        fail("%s is not a complete sampleqc part (tamsel --qc --qc-part)" % path)
    rows = [l.split("\t") for l in lines[2:-1]]
    for r in rows:
        if len(r) != 7:
            fail("%s is damaged: a row has %d fields, not 7" % (path, len(r)))
    return int(first[2]), first[4] == "1", rows


def sampleqc_text(parts):
    snps, x, total = 0, None, None
    for path in parts:
        n, px, rows = read_part(path)
        if total is None:
            x, total = px, [[r[0]] + [int(v) for v in r[1:6]] + [r[6]] for r in rows]
        elif px != x or [r[0] for r in rows] != [t[0] for t in total]:
            fail("the samples of %s differ from those of %s" % (path, parts[0]))
        else:
            for t, r in zip(total, rows):
                for k in range(1, 6):
                    t[k] += int(r[k])
        snps += n
    out = ["sample\tcall_rate\thet_rate"]
    if x:
        out[0] += "\tx_snps\tx_het\tx_het_expected\tx_het_ratio\timplied_sex\tgender_code\tsex_mismatch"
    for name, called, het, x_snps, x_het, fixed, code in total:
        row = [name, real(called / snps if snps > 0 else math.nan), real(het / called if called > 0 else math.nan)]
        if x:
            expected = float(fixed) * EXPECTED_UNIT
            ratio = x_het / expected if expected > 0 else math.nan
            sex = "unknown"
            if expected >= SEX_MIN_EXPECTED:
                sex = "male" if ratio <= SEX_MALE_MAX else "female" if ratio >= SEX_FEMALE_MIN else "unknown"
            given = code != "NA"
            mismatch = given and ((sex == "male" and code != "1") or (sex == "female" and code == "1"))
            row += [str(x_snps), str(x_het), real(expected), real(ratio), sex, code, "1" if mismatch else "0"]
        out.append("\t".join(row))
    return ("\n".join(out) + "\n").encode()


def write_whole(output, fill, threads=1, compress=True):
    """Writes output through fill(file) under a temporary name, BGZF for ".gz" unless compress is False."""
    tmp = output + ".gathering"
    try:
        with open(tmp, "wb") as target:
            if compress and output.endswith(".gz"):
                proc = subprocess.Popen(bgzip_command(threads), stdin=subprocess.PIPE, stdout=target)
                fill(proc.stdin)
                proc.stdin.close()
                if proc.wait() != 0:
                    fail("bgzip failed while writing %s" % output)
            else:
                fill(target)
        os.replace(tmp, output)
    except OSError as e:
        fail("cannot write %s: %s" % (output, e.strerror or e))
    finally:
        if os.path.exists(tmp):
            os.remove(tmp)


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError as e:
        fail("cannot read %s: %s" % (path, e.strerror or e))


def gather_plink(prefix, shards):
    magic = b"\x6c\x1b\x01"
    for s in shards:
        with open(s + ".bed", "rb") as f:
            if f.read(3) != magic:
                fail("%s.bed is not a SNP-major PLINK .bed" % s)
    fam = read_bytes(shards[0] + ".fam")
    for s in shards[1:]:
        if read_bytes(s + ".fam") != fam:
            fail("%s.fam differs from %s.fam" % (s, shards[0]))

    def bed(out):
        out.write(magic)
        for s in shards:
            with open(s + ".bed", "rb") as f:
                f.seek(3)
                shutil.copyfileobj(f, out, 1 << 20)

    def bim(out):
        for s in shards:
            with open(s + ".bim", "rb") as f:
                shutil.copyfileobj(f, out, 1 << 20)

    # The .bed last: its presence says the set is complete.
    write_whole(prefix + ".bim", bim)
    write_whole(prefix + ".fam", lambda out: out.write(fam))
    write_whole(prefix + ".bed", bed)


BGZF_EOF = bytes.fromhex("1f8b08040000000000ff0600424302001b0003000000000000000000")
BCF_MAGIC = b"BCF\x02\x02"
CONTIG = re.compile(r"##contig=<ID=([^,>]*)")


# The BGZF level the shards were written at (--level), None for htslib's own.
LEVEL = None


def level_option():
    return [] if LEVEL is None else ["-l", LEVEL]


def bgzip_command(threads):
    bgzip = shutil.which("bgzip") or fail("bgzip (Debian package tabix) is needed for .gz and .bcf outputs")
    return [bgzip, "-c", "-@", str(threads)] + level_option()


def read_vcf_header(path, f):
    """The header lines of an open shard (BCF or VCF text), f left at its first record."""
    if path.endswith(".bcf"):
        if f.read(5) != BCF_MAGIC:
            fail("%s is not a BCF 2.2 file" % path)
        raw = f.read(4)
        size = struct.unpack("<I", raw)[0] if len(raw) == 4 else 0
        text = f.read(size)
        if size == 0 or len(text) != size:
            fail("%s is cut short in its header" % path)
        lines = text.rstrip(b"\0").decode().split("\n")
    else:
        lines = []
        while not lines or not lines[-1].startswith("#CHROM"):
            line = f.readline()
            if not line.startswith(b"#") or not line.endswith(b"\n"):
                fail("%s is cut short in its header" % path)
            lines.append(line.decode().rstrip("\n"))
        lines.append("")
    if len(lines) < 2 or not lines[-2].startswith("#CHROM") or lines[-1] != "":
        fail("%s has no #CHROM line ending its header" % path)
    return lines[:-1]


def contigs_of(lines):
    return [m.group(1) for m in (CONTIG.match(l) for l in lines) if m]


def copy_bcf_records(path, f, out, new_id):
    """Copies the records, each one's contig number (its first shared field) mapped through new_id."""
    while True:
        lengths = f.read(8)
        if not lengths:
            return
        if len(lengths) != 8:
            fail("%s is cut short in a record" % path)
        shared, indiv = struct.unpack("<II", lengths)
        body = f.read(shared + indiv)
        if len(body) != shared + indiv or shared < 4:
            fail("%s is cut short in a record" % path)
        rid = struct.unpack("<i", body[:4])[0]
        if not 0 <= rid < len(new_id):
            fail("%s has a record with contig number %d, which its header lacks" % (path, rid))
        out.write(lengths)
        out.write(struct.pack("<i", new_id[rid]))
        out.write(body[4:])


def gather_vcf(output, command, shards, threads):
    bcf = output.endswith(".bcf")
    headers = []
    for path in shards:
        with open_shard(path) as f:
            try:
                headers.append(read_vcf_header(path, f))
            except (OSError, EOFError, UnicodeDecodeError) as e:
                fail("%s is damaged or cut short: %s" % (path, e))
    # A run adds each contig to its header where it first meets it: at the end.
    lines = ["##tamselCommand=" + command if l.startswith("##tamselCommand=") else l for l in headers[0]]
    contigs = contigs_of(lines)
    first_rest = [l for l in headers[0] if not CONTIG.match(l) and not l.startswith("##tamselCommand=")]
    for path, h in zip(shards[1:], headers[1:]):
        if [l for l in h if not CONTIG.match(l) and not l.startswith("##tamselCommand=")] != first_rest:
            fail("the header of %s differs from that of %s in more than its contigs" % (path, shards[0]))
        for line, name in ((l, CONTIG.match(l)) for l in h):
            if name and name.group(1) not in contigs:
                # A BCF header numbers its contigs (IDX=) in the order listed.
                lines.insert(len(lines) - 1, re.sub(r",IDX=\d+>$", ",IDX=%d>" % len(contigs), line))
                contigs.append(name.group(1))
    text = ("\n".join(lines) + "\n").encode()
    index = {name: i for i, name in enumerate(contigs)}

    def fill(out):
        if bcf:
            # The header in blocks of its own, the records in full 64 KiB blocks.
            head = BCF_MAGIC + struct.pack("<I", len(text) + 1) + text + b"\0"
            packed = subprocess.run(bgzip_command(threads), input=head, stdout=subprocess.PIPE, check=True).stdout
            if not packed.endswith(BGZF_EOF):
                fail("bgzip wrote no end-of-file block")
            out.write(packed[:-len(BGZF_EOF)])
            out.flush()
            proc = subprocess.Popen(bgzip_command(threads), stdin=subprocess.PIPE, stdout=out)
        else:
            # htslib cuts a VCF's blocks at line ends, as bcftools does.
            bcftools = shutil.which("bcftools") or fail("bcftools is needed for .vcf.gz outputs")
            proc = subprocess.Popen([bcftools, "view", "--no-version", "-Oz", "--threads", str(threads - 1)] +
                                    level_option() + ["-"],
                                    stdin=subprocess.PIPE, stdout=out)
            proc.stdin.write(text)
        for path, h in zip(shards, headers):
            with open_shard(path) as f:
                try:
                    read_vcf_header(path, f)
                    new_id = [index[c] for c in contigs_of(h)]
                    if not bcf or new_id == list(range(len(new_id))):
                        shutil.copyfileobj(f, proc.stdin, 1 << 20)
                    else:
                        copy_bcf_records(path, f, proc.stdin, new_id)
                except (OSError, EOFError) as e:
                    fail("%s is damaged or cut short: %s" % (path, e))
        proc.stdin.close()
        if proc.wait() != 0:
            fail("compressing %s failed" % output)

    write_whole(output, fill, threads, compress=False)


def main(argv):
    global LEVEL
    threads = 1
    while len(argv) > 2 and argv[1] in ("--threads", "--level"):
        if argv[1] == "--threads":
            threads = max(1, int(argv[2]))
        elif argv[2].isdigit() and int(argv[2]) <= 9:
            LEVEL = argv[2]
        else:
            fail("--level needs a BGZF level from 0 to 9, not %s" % argv[2])
        argv = argv[2:]
    mode = argv[1] if len(argv) > 1 and argv[1] in ("--sampleqc", "--plink", "--vcf") else ""
    if mode:
        argv = argv[1:]
    if len(argv) < 3:
        fail("usage: gather.py [--threads N] [--sampleqc | --plink] OUTPUT SHARD...")
    output, shards = argv[1], argv[2:]
    if mode == "--vcf":
        if len(shards) < 2:
            fail("usage: gather.py [--threads N] --vcf OUTPUT COMMAND SHARD...")
        gather_vcf(output, shards[0], shards[1:], threads)
    elif mode == "--plink":
        gather_plink(output, shards)
    elif mode == "--sampleqc":
        text = sampleqc_text(shards)
        write_whole(output, lambda out: out.write(text), threads)
    else:
        write_whole(output, lambda out: copy_shards(shards, out), threads)


if __name__ == "__main__":
    main(sys.argv)
