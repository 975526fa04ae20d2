#!/usr/bin/env python3
"""What the list file costs: a generated source assembled by the real qasm
with `-l bench.lst -p60 -x2` and without a listing; prints time, peak memory
and the listing's share of both.

    python3 bench/listing_bench.py --qasm build/qasm [--lines 100000 1000000] [--repeat 3] [--rept]

The source mixes comment lines with long comments, labelled data lines, data
lines of more than four bytes under LSTCOD +, storage and values. --rept adds
REPT blocks (an assembler without repeat blocks reports them as errors and
stops at the error limit, so they are left out unless asked for).
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

COMMENT = "; " + "a long comment that describes what the next lines do, " * 2


def make_source(lines, rept):
    out = ["        LSTCOD  +"]
    i = 0
    while len(out) < lines - 1:
        if i % 4000 == 0:  # a segment holds 64 KiB: a new one every 4000 statements
            out.append("        RSEG    CODE%d" % (i // 4000))
        k = i % 8
        if k == 0:
            out.append(COMMENT)
        elif k == 1:
            out.append("L%d:     DB      1,2,3,4,5,6,7,8,9,10,11,12  %s" % (i, COMMENT[:40]))
        elif k == 2:
            out.append("        DW      1234H,5678H,L%d           ; words" % (i - 1))
        elif k == 3:
            out.append("        DB      \"text of a string constant\"")
        elif k == 4:
            out.append("V%d      SET     %d" % (i, i))
        elif k == 5:
            out.append("        DS      2")
        elif k == 6 and rept:
            out += ["        REPT    3", "        DB      0AAH,0BBH", "        ENDR"]
        else:
            out.append("        DD      12345678H                ; a long word")
        i += 1
    out.append("        END")
    return "\n".join(out) + "\n"


def run(qasm, words, cwd):
    """Seconds (wall, user+sys) and peak resident kilobytes of one run."""
    start = time.perf_counter()
    proc = subprocess.Popen([qasm] + words, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    code = os.waitstatus_to_exitcode(status)
    if code not in (0, 1):
        sys.exit("qasm %s exited with %d" % (" ".join(words), code))
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss


def best(qasm, words, cwd, repeat):
    runs = [run(qasm, words, cwd) for _ in range(repeat)]
    return min(r[0] for r in runs), min(r[1] for r in runs), max(r[2] for r in runs)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--qasm", required=True)
    ap.add_argument("--lines", type=int, nargs="+", default=[100000, 1000000])
    ap.add_argument("--repeat", type=int, default=3)
    ap.add_argument("--rept", action="store_true")
    a = ap.parse_args()
    qasm = os.path.abspath(a.qasm)
    print("%10s %-9s %9s %9s %10s %12s %12s" % ("lines", "listing", "wall s", "cpu s", "peak MiB", "lines/s", "list MiB"))
    with tempfile.TemporaryDirectory(prefix="qasm-listing-bench-") as work:
        for lines in a.lines:
            with open(os.path.join(work, "bench.s26"), "w") as f:
                f.write(make_source(lines, a.rept))
            plain = best(qasm, ["-S", "bench.s26"], work, a.repeat)
            listed = best(qasm, ["-S", "-l", "bench.lst", "-p60", "-x2", "bench.s26"], work, a.repeat)
            size = os.path.getsize(os.path.join(work, "bench.lst")) / 2**20
            for name, r, extra in (("off", plain, ""), ("-p60 -x2", listed, "%12.1f" % size)):
                print("%10d %-9s %9.3f %9.3f %10.1f %12.0f %s" % (lines, name, r[0], r[1], r[2] / 1024, lines / r[1], extra))
            print("%10s listing share: %.0f%% of cpu time, %.0f%% of peak memory" % (
                "", 100 * (listed[1] - plain[1]) / listed[1], 100 * (listed[2] - plain[2]) / listed[2]))


if __name__ == "__main__":
    main()
