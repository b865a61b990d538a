#!/usr/bin/env python3
"""gather.py -- joins the row-range shards of one tamsel output file.

Usage: gather.py [--threads N] OUTPUT SHARD...

Every shard starts with the same header line; the output gets it once, then
the rows of the shards in the order given. A name ending in ".gz" is read as
BGZF and written again with bgzip, whose blocks are those of a single tamsel
--bgzip run, so the result is byte-identical to it. The output appears only
when complete: it is written under a temporary name and renamed at the end.
"""
import gzip
import os
import shutil
import subprocess
import sys


def fail(message):
    sys.stderr.write("gather.py: " + message + "\n")
    sys.exit(1)


def open_shard(path):
    try:
        return gzip.open(path, "rb") if path.endswith(".gz") else open(path, "rb")
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


def main(argv):
    threads = 1
    if len(argv) > 2 and argv[1] == "--threads":
        threads = max(1, int(argv[2]))
        argv = argv[2:]
    if len(argv) < 3:
        fail("usage: gather.py [--threads N] OUTPUT SHARD...")
    output, shards = argv[1], argv[2:]
    tmp = output + ".gathering"
    try:
        with open(tmp, "wb") as target:
            if output.endswith(".gz"):
                bgzip = shutil.which("bgzip") or fail("bgzip (Debian package tabix) is needed for .gz outputs")
                proc = subprocess.Popen([bgzip, "-c", "-@", str(threads)], stdin=subprocess.PIPE, stdout=target)
                copy_shards(shards, proc.stdin)
                proc.stdin.close()
                if proc.wait() != 0:
                    fail("bgzip failed while writing %s" % output)
            else:
                copy_shards(shards, target)
        os.replace(tmp, output)
    except OSError as e:
        fail("cannot write %s: %s" % (output, e.strerror or e))
    finally:
        if os.path.exists(tmp):
            os.remove(tmp)


if __name__ == "__main__":
    main(sys.argv)
