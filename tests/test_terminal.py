#!/usr/bin/python3
"""On a terminal, the progress line and the run's own console lines never
share a line, and the run ends with one line of its resources.

usage: test_terminal.py TAMSEL SIMULATE SCRATCH
"""
import os
import pty
import re
import shutil
import subprocess
import sys
import unittest

TAMSEL, SIMULATE, SCRATCH = sys.argv[1:4]


def screen_lines(raw):
    """The lines a terminal shows: '\\r' returns to the start, ESC[K erases to the end."""
    lines, cur, col = [], [], 0
    i = 0
    while i < len(raw):
        c = raw[i]
        if raw.startswith("\x1b[K", i):
            del cur[col:]
            i += 3
            continue
        if c == "\r":
            col = 0
        elif c == "\n":
            lines.append("".join(cur))
            cur, col = [], 0
        else:
            if col < len(cur):
                cur[col] = c
            else:
                cur.append(c)
            col += 1
        i += 1
    lines.append("".join(cur))
    return lines


def run_on_terminal(args):
    """Runs with standard output and standard error on one pseudo-terminal."""
    pid, fd = pty.fork()
    if pid == 0:
        os.execv(args[0], args)
    out = b""
    while True:
        try:
            chunk = os.read(fd, 65536)
        except OSError:
            break
        if not chunk:
            break
        out += chunk
    _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status), out.decode(errors="replace")


class Terminal(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(SCRATCH, ignore_errors=True)
        os.makedirs(SCRATCH)
        cls.prefix = os.path.join(SCRATCH, "sim")
        subprocess.run([SIMULATE, "--snps", "700", "--samples", "800", "--seed", "5", "--out", cls.prefix],
                       check=True, capture_output=True)

    def test_progress_and_console_lines_never_mix(self):
        status, raw = run_on_terminal([TAMSEL, "-i", self.prefix + ".int", "-o", os.path.join(SCRATCH, "t"), "-c"])
        self.assertEqual(status, 0, raw)
        self.assertIn("SNPs/s", raw, "no progress line was drawn; the run was too quick to test")
        shown = screen_lines(raw.replace("\r\n", "\n"))
        for line in shown:
            if "SNPs/s" in line:
                self.assertRegex(line, r"^tamsel: \d+ SNPs, \d+ SNPs/s", "mixed line: %r" % line)
            self.assertFalse(re.search(r"SNPs/s.*SNP \d", line), "mixed line: %r" % line)
        console = [l for l in shown if re.match(r"^SNP \d+ $", l)]
        self.assertEqual(len(console), 70)
        self.assertRegex(raw, r"tamsel: wall \d+\.\d\d s, CPU \d+\.\d\d s, peak memory \d+\.\d MB")
        # The terminal changes nothing on standard output or in the files.
        plain = subprocess.run([TAMSEL, "-i", self.prefix + ".int", "-o", os.path.join(SCRATCH, "p"), "-c"],
                               capture_output=True, text=True)
        with open(os.path.join(SCRATCH, "t_calls")) as a, open(os.path.join(SCRATCH, "p_calls")) as b:
            self.assertEqual(a.read(), b.read())
        self.assertEqual([l for l in shown if l and "tamsel:" not in l], plain.stdout.splitlines())

    def test_compressed_inputs_show_the_share_read(self):
        src = self.prefix + ".int"
        for tool, name in (("gzip", "sim.int.gz"), ("bgzip", "sim.int.bgz")):
            path = os.path.join(SCRATCH, name)
            with open(src, "rb") as f, open(path, "wb") as out:
                subprocess.run([tool, "-c"], stdin=f, stdout=out, check=True)
            status, raw = run_on_terminal([TAMSEL, "-i", path, "-o", os.path.join(SCRATCH, name), "-c"])
            self.assertEqual(status, 0, raw)
            self.assertRegex(raw, r"tamsel: \d+ SNPs, \d+ SNPs/s of about \d+ \(\d+%\), \d+ min \d\d s left", tool)

    def test_stats_line_off_a_terminal_only_when_asked(self):
        out = os.path.join(SCRATCH, "s")
        r = subprocess.run([TAMSEL, "-i", self.prefix + ".int", "-o", out, "-c", "-s", "1", "20"],
                           capture_output=True, text=True)
        self.assertNotIn("peak memory", r.stderr)
        r2 = subprocess.run([TAMSEL, "-i", self.prefix + ".int", "-o", out + "2", "-c", "-s", "1", "20", "--stats"],
                            capture_output=True, text=True)
        self.assertEqual(r2.stdout, r.stdout)
        self.assertEqual(len(re.findall(r"tamsel: wall .* peak memory", r2.stderr)), 1, r2.stderr)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
