#!/usr/bin/env python3
"""Writes large synthetic sources for the end-to-end benchmarks (never tests).

  gen_source.py data N      N data lines: DB/DW with numbers, strings and
                            expressions, a label every 10 lines, in two segments,
                            a module every 5,000 lines
  gen_source.py chain N     a chain of N forward SET references written in
                            reverse order (each solved only after pass 1)
The source goes to standard output.
"""
import sys


def data(n):
    # A module every 5,000 lines keeps each segment within the 64 KiB the cores address.
    out = []
    for i in range(n):
        if i % 5000 == 0:
            if i:
                out.append("        ENDMOD")
            out += [f"        NAME    bench{i // 5000}", "        RSEG    TABLES:CONST", "        RSEG    CODE:CODE"]
        if i % 10 == 0:
            out.append(f"L{i}:")
        k = i % 5
        if k == 0:
            out.append(f"        DB      {i & 0xFF},{(i * 7) & 0xFF},\"text {i}\",0")
        elif k == 1:
            out.append(f"        DW      L{i - i % 10},{i & 0x7FFF},L{i - i % 10}+{i % 10}")
        elif k == 2:
            out.append(f"        DB      LOW L{i - i % 10},HIGH({i}*3),{i % 100} MOD 7")
        elif k == 3:
            out.append("        RSEG    TABLES" if i % 100 == 3 else f"        DW      \"ab\",{i & 0xFFFF}")
        else:
            out.append("        RSEG    CODE" if i % 100 == 4 else f"        DB      {i & 0x7F} ; a comment")
    out.append("        END")
    return out


def chain(n):
    out = ["        RSEG    CODE"]
    out += [f"S{i}      SET     S{i + 1}+1" for i in range(n)]
    out += [f"S{n}      SET     0", "        DW      S0", "        END"]
    return out


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("data", "chain"):
        sys.stderr.write(__doc__)
        return 2
    lines = {"data": data, "chain": chain}[sys.argv[1]](int(sys.argv[2]))
    sys.stdout.write("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
