#!/usr/bin/env python3
"""Golden end-to-end tests: each folder holding an `args` file or a `case.s26`
is one case. The case's files are copied into a fresh temporary folder, the
assembler runs there with the fixed assembly time, and its console output,
exit code, listing and object dump are compared with the expected files.

Case files:
  case.s26   the source (added as the last word unless `args` names it).
             Inline expectations in its comments, for the line they stand on:
               ; EXPECT-ERROR: 428        a report of error 428
               ; EXPECT-WARNING: 12 @5    warning 12, its marker at column 5
               ; EXPECT-ERROR: 40, 6      two reports (numbers may repeat;
                                          a repeated comment counts again)
               ; EXPECT: 8E 34 12         the code bytes the listing shows
             Every report for case.s26 must be expected. The code bytes are
             read from the listing (`-l case.lst` is added when the words
             name no list file); while no listing is written they are not
             checked, and the run says so once. A line that expects an error
             lists no code, so its code bytes are not read from the listing.
  args       extra command-line words, one line, shell-quoted
  env        KEY=VALUE lines added to the environment (QASMOPT, QASM_INC)
  stdin      text fed to standard input
  stdout     exact console output, compared byte for byte (the bytes are read
             as Latin-1, one character per byte); the case's temporary folder
             is written as <work>
  exit       exit code (default 0)
  case.lst   exact listing (`-l case.lst` is added)
  case.dump  `qdump --no-offsets` of case.r26 (checked when --qdump is given;
             with --qdump every object a case leaves must read back cleanly)
  files      names (one a line) of files that must exist after the run;
             a leading '!' says the file must not exist

A folder holding a `link` file is a link case: every `*.s26` of the folder
(and of the files named in `copy`) is assembled on its own, in name order,
then qlink links the objects:
  link       qlink's words (shell-quoted, may span lines)
  args       extra assembler words for every source (for example -v1)
  copy       files to bring into the work folder, one a line, relative to
             the case folder (sources and include files kept elsewhere)
  stdout     qlink's exact console output; exit its exit code (default 0)
  NAME       for each output that the link words name (-o, default a.hex,
             and -m), the exact text of that file; NAME.bytes the bytes of
             a binary output (-F bin), 16 a line after their offset
Every source must assemble without a diagnostic, every object must read back
with qdump, and a failed link (exit 2 or 3) must leave none of its outputs.

A sanitizer report is never a pass: the sanitizers exit with 99 and stop at
the first report, and their report text fails the case whatever its exit.

UPDATE_GOLDEN=1 rewrites stdout, exit, case.lst and case.dump from the run
(and a link case's expected outputs that exist).
"""
import argparse
import collections
import difflib
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

DIAG = re.compile(r'"([^"]*)",(\d+)  (Error|Warning)\[(\d+)\]')
# The same diagnostics as IDE records (--IDE, --IDE2): line, column, type 11 or 10, tag, file.
IDE_DIAG = re.compile(r'\$\$COM_POS "(\d+)" "(\d+)" \$\$TYPE "(1[01])" \$\$TAG "(\d+)" \$\$FILEPATH "((?:[^"\\]|\\.)*)"')
MARKER = re.compile(r"-*\^")               # the console's column marker under the source line
IDE_MARKER = re.compile("\xc1(\\d+)")     # the column mark of the first IDE protocol
EXPECT_DIAG = re.compile(r";\s*EXPECT-(ERROR|WARNING):([^;]*)")
EXPECT_BYTES = re.compile(r";\s*EXPECT:([^;]*)")
DIAG_ITEM = re.compile(r"(\d+)(?:\s*@\s*(\d+))?")
SANITIZER_REPORT = re.compile(r"runtime error:|ERROR: \w+Sanitizer|SUMMARY: \w+Sanitizer")
SANITIZER_EXIT = 99
FAKE_TIME = {"VEK_INTERNAL__USE_FAKE_TIME": "1", "TZ": "UTC"}
SANITIZER_OPTIONS = {
    "ASAN_OPTIONS": "exitcode=%d:halt_on_error=1" % SANITIZER_EXIT,
    "UBSAN_OPTIONS": "exitcode=%d:halt_on_error=1:print_stacktrace=1" % SANITIZER_EXIT,
    "LSAN_OPTIONS": "exitcode=%d" % SANITIZER_EXIT,
}
NO_LISTING = "EXPECT bytes not checked: no listing"
NO_QDUMP = "case.dump not checked: no qdump given"

# A listing line of a statement: line number (5 columns, then 4 blanks or a
# point and a 2-column sub-line counter and a blank), location (4 or more hex
# digits and a blank), up to 4 code bytes in an 8-column field, the marker
# column ("*": more bytes than the line shows), then the source text.
LISTING_LINE = re.compile(r"(?P<num>[ \d]{4}\d)(?:    |\.(?P<sub>[\d ]{2}) )(?P<loc>[0-9A-F]{4,9}) "
                          r"(?P<code>(?=(?:[0-9A-F]{2}){0,4} *[ *])[0-9A-F ]{8})(?P<mark>[ *])")
# A continuation line of code bytes: 14 blanks, then up to 4 bytes.
LISTING_MORE_CODE = re.compile(r" {14}((?:[0-9A-F]{2}){1,4}) *")
# Source text broken onto continuation lines, and diagnostic lines, begin at
# the text column; the code continuation lines of a statement follow its text.
LISTING_TEXT_INDENT = " " * 23


def read(path, mode="r"):
    with open(path, mode) as f:
        return f.read()


def diff(expected, actual, name):
    return "".join(difflib.unified_diff(expected.splitlines(True), actual.splitlines(True),
                                        "expected/" + name, "actual/" + name))


# ---- Inline expectations ------------------------------------------------------------------

def inline_expectations(source):
    """The expectations of a source: ({(line, kind, number): [column or None, ...]},
    {line: [code bytes]}, [unreadable comments as failure texts])."""
    diags = collections.defaultdict(list)
    code = {}
    bad = []
    for number, line in enumerate(source.splitlines(), 1):
        for kind, items in EXPECT_DIAG.findall(line):
            kind = "Error" if kind == "ERROR" else "Warning"
            if DIAG_ITEM.sub("", items).replace(",", "").strip():
                bad.append("line %d: cannot read the expectation %r" % (number, items.strip()))
                continue
            for num, column in DIAG_ITEM.findall(items):
                diags[(number, kind, int(num))].append(int(column) if column else None)
        for text in EXPECT_BYTES.findall(line):
            words = text.split()
            if not all(re.fullmatch(r"[0-9A-Fa-f]{2}", w) for w in words):
                bad.append("line %d: cannot read the code bytes %r" % (number, text.strip()))
                continue
            if number in code:
                bad.append("line %d: code bytes expected twice" % number)
            code[number] = [w.upper() for w in words]
    # A statement with an error lists no code (its object record is the error
    # record); bytes expected on such a line are the encoder's, checked in-process.
    for (number, kind, _), _ in list(diags.items()):
        if kind == "Error":
            code.pop(number, None)
    return diags, code, bad


def console_diagnostics(console, source_name="case.s26"):
    """The reports of `source_name` on the console: {(line, kind, number): [column or None, ...]}.
    A heading takes the column of the last marker line before it."""
    got = collections.defaultdict(list)
    column = None
    for text in console.split("\n"):
        if MARKER.fullmatch(text):
            column = len(text)
            continue
        mark = IDE_MARKER.fullmatch(text)
        if mark:
            column = int(mark.group(1))
            continue
        for fname, line, kind, num in DIAG.findall(text):
            if os.path.basename(fname) == source_name:
                got[(int(line), kind, int(num))].append(column)
        for line, col, ide_type, num, fname in IDE_DIAG.findall(text):
            if os.path.basename(fname) == source_name:
                got[(int(line), "Error" if ide_type == "11" else "Warning", int(num))].append(int(col))
    return got


def check_diagnostics(want, got):
    """Failure texts: reports missing, unexpected, counted wrong, or at another column."""
    failures = []
    for key in sorted(set(want) | set(got)):
        line, kind, num = key
        w, g = want.get(key, []), list(got.get(key, []))
        if not w:
            failures.append("line %d: unexpected %s[%d]" % key)
        elif not g:
            failures.append("line %d: expected %s[%d], not reported" % key)
        elif len(w) != len(g):
            failures.append("line %d: %s[%d] expected %d times, reported %d" % (line, kind, num, len(w), len(g)))
        for column in (c for c in w if c is not None):
            if column in g:
                g.remove(column)
            elif g:
                shown = ", ".join("?" if c is None else str(c) for c in g)
                failures.append("line %d: %s[%d] expected at column %d, reported at %s" % (line, kind, num, column, shown))
    return failures


# ---- The listing ----------------------------------------------------------------------------

def parse_listing(text):
    """The code bytes per source line number: {line: (bytes, truncated)} for the
    statement lines of the listing (expansion lines, numbered n.k, are not the
    line n), plus the set of line numbers listed more than once."""
    lines = {}
    twice = set()
    last = None  # the bytes of the statement whose code continuation lines may follow
    for row in text.split("\n"):
        m = LISTING_LINE.match(row)
        if m:
            field = m.group("code").rstrip()
            code = [field[i:i + 2] for i in range(0, len(field), 2)]
            if m.group("sub") is not None:
                last = code
                continue
            number = int(m.group("num"))
            if number in lines:
                twice.add(number)
            lines[number] = (code, m.group("mark") == "*")
            last = code
            continue
        more = LISTING_MORE_CODE.fullmatch(row)
        if more and last is not None:
            last.extend(more.group(1)[i:i + 2] for i in range(0, len(more.group(1)), 2))
            continue
        if row.strip() and not row.startswith(LISTING_TEXT_INDENT):
            last = None
    return lines, twice


def check_code(want, listed, twice):
    failures = []
    for line in sorted(want):
        expected = want[line]
        if line in twice:
            failures.append("line %d: listed more than once, code bytes not checked" % line)
        elif line not in listed:
            failures.append("line %d: expected code %s, line not in the listing" % (line, " ".join(expected)))
        else:
            shown, truncated = listed[line]
            ok = (expected[:len(shown)] == shown and len(expected) > len(shown)) if truncated else expected == shown
            if not ok:
                failures.append("line %d: expected code %s, listed %s%s" % (
                    line, " ".join(expected) or "(none)", " ".join(shown) or "(none)", " *" if truncated else ""))
    return failures


def list_file_of(words):
    """The list file the words ask for, or None when they ask for none."""
    for i, w in enumerate(words):
        if w == "-l" and i + 1 < len(words):
            name = words[i + 1]
            return name if os.path.splitext(name)[1] else name + ".lst"
        if w.startswith("-L"):
            return os.path.join(w[2:], "case.lst")
    return None


# ---- One case ------------------------------------------------------------------------------

def environment(case_dir):
    env = {k: v for k, v in os.environ.items() if k not in ("QASMOPT", "QASM_INC")}
    env.update(FAKE_TIME)
    for name, options in SANITIZER_OPTIONS.items():  # ours last: they win
        env[name] = (env[name] + ":" + options) if env.get(name) else options
    if os.path.exists(os.path.join(case_dir, "env")):
        for line in read(os.path.join(case_dir, "env")).splitlines():
            if "=" in line:
                k, v = line.split("=", 1)
                env[k] = v
    return env


def run_tool(words, work, env, stdin=None):
    """Runs one tool in the work folder: (console with the folder as <work>, exit code), None on a hang."""
    try:
        proc = subprocess.run(words, cwd=work, env=env, input=stdin,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
    except subprocess.TimeoutExpired:
        return None
    console = proc.stdout.decode("latin-1")
    for folder in sorted({work, os.path.realpath(work)}, key=len, reverse=True):
        console = console.replace(folder, "<work>")
    return console, proc.returncode


def exit_failures(code, console):
    """A sanitizer report, a crash or an exit code no tool gives."""
    if code == SANITIZER_EXIT or SANITIZER_REPORT.search(console):
        return ["sanitizer report (exit code %d)" % code]
    if code < 0 or code > 3:
        return ["exit code %d: crash or unknown exit" % code]
    return []


def unreadable_objects(qdump, work):
    failures = []
    for name in sorted(n for n in os.listdir(work) if n.endswith(".r26")):
        check = subprocess.run([qdump, "--no-offsets", os.path.join(work, name)],
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        if check.returncode != 0:
            problems = [l for l in check.stdout.decode("latin-1").splitlines() if l.startswith("qdump:")]
            failures.append("qdump cannot read %s: %s" % (name, "; ".join(problems) or check.returncode))
    return failures


def compare_expected(case_dir, expected_files, code, update):
    """Each expected file that the case holds against the run's text; a missing
    `exit` file expects 0. With `update` the files are rewritten instead."""
    failures = []
    for name, actual in expected_files.items():
        path = os.path.join(case_dir, name)
        if name == "exit" and not os.path.exists(path):
            if code != 0:
                if update:
                    with open(path, "w") as f:
                        f.write(actual)
                else:
                    failures.append("exit code %d, expected 0" % code)
            continue
        if not os.path.exists(path):
            continue
        want = read(path, "rb").decode("latin-1")
        if want != actual:
            if update:
                with open(path, "wb") as f:
                    f.write(actual.encode("latin-1"))
            else:
                failures.append(diff(want, actual, name))
    return failures


def check_files(case_dir, work):
    """The `files` list: names that must exist after the run, or with '!' must not."""
    failures = []
    if not os.path.exists(os.path.join(case_dir, "files")):
        return failures
    for name in read(os.path.join(case_dir, "files")).split():
        must_not = name.startswith("!")
        name = name.lstrip("!")
        exists = os.path.exists(os.path.join(work, name))
        if must_not and exists:
            failures.append("file %s exists after the run" % name)
        if not must_not and not exists:
            failures.append("file %s missing after the run" % name)
    return failures


def run_case(qasm, qdump, case_dir, update, notices):
    failures = []
    has = lambda name: os.path.exists(os.path.join(case_dir, name))
    with tempfile.TemporaryDirectory(prefix="qasm-golden-") as work:
        for name in os.listdir(case_dir):
            src = os.path.join(case_dir, name)
            if os.path.isdir(src):
                shutil.copytree(src, os.path.join(work, name))
            elif name not in ("stdout", "exit", "case.dump", "files", "case.lst"):
                shutil.copy(src, work)
        words = shlex.split(read(os.path.join(case_dir, "args"))) if has("args") else []
        source = read(os.path.join(case_dir, "case.s26"), "rb").decode("latin-1") if has("case.s26") else ""
        want_diags, want_code, unreadable = inline_expectations(source)
        failures += unreadable
        if has("case.s26") and "case.s26" not in words:
            words.append("case.s26")
        list_file = list_file_of(words)
        if list_file is None and (has("case.lst") or want_code):
            list_file = "case.lst"
            words = ["-l", list_file] + words
        stdin = read(os.path.join(case_dir, "stdin"), "rb") if has("stdin") else None
        ran = run_tool([qasm] + words, work, environment(case_dir), stdin)
        if ran is None:
            return ["timed out (hang)"]
        console, code = ran

        failures += exit_failures(code, console)
        if code >= 2 and any(n.endswith(".r26") for n in os.listdir(work)):
            failures.append("object file left behind after a failed run")
        if any(re.search(r"~\d+\.tmp$", n) for n in os.listdir(work)):
            failures.append("an output left behind under its temporary name")
        if qdump:  # every object a run leaves reads back without a problem
            failures += unreadable_objects(qdump, work)

        expected_files = {"stdout": console, "exit": "%d\n" % code}
        listing = None
        if list_file is not None and os.path.isfile(os.path.join(work, list_file)):
            listing = read(os.path.join(work, list_file), "rb").decode("latin-1")
        if has("case.lst"):
            expected_files["case.lst"] = listing or ""
        if has("case.dump"):
            obj = os.path.join(work, "case.r26")
            if not qdump:
                notices[NO_QDUMP].append(case_dir)
            elif os.path.exists(obj):
                expected_files["case.dump"] = subprocess.run(
                    [qdump, "--no-offsets", obj], stdout=subprocess.PIPE,
                    stderr=subprocess.STDOUT).stdout.decode("latin-1")
            else:
                expected_files["case.dump"] = "(no object file)\n"

        failures += compare_expected(case_dir, expected_files, code, update)

        if has("case.s26"):
            failures += check_diagnostics(want_diags, console_diagnostics(console))
        if want_code:
            listed, twice = parse_listing(listing or "")
            if listed:
                failures += check_code(want_code, listed, twice)
            else:
                notices[NO_LISTING].append(case_dir)

        failures += check_files(case_dir, work)
    return failures


# ---- A link case ---------------------------------------------------------------------------

def link_outputs(words):
    """The files a qlink command writes: (output, binary?, map file or None)."""
    output, binary, map_file = "a.hex", False, None
    i = 0
    while i < len(words):
        w = words[i]
        for flag in ("-o", "-m", "-F"):
            if w.startswith(flag):
                value = w[2:] if len(w) > 2 else (words[i + 1] if i + 1 < len(words) else "")
                if len(w) == 2:
                    i += 1
                if flag == "-o":
                    output = value
                elif flag == "-m":
                    map_file = value
                else:
                    binary = value == "bin"
        i += 1
    return output, binary, map_file


def bytes_text(data):
    """A binary image as text: the offset, then 16 bytes a line."""
    return "".join("%06X: %s\n" % (i, " ".join("%02X" % b for b in data[i:i + 16])) for i in range(0, len(data), 16))


def run_link_case(qasm, qlink, qdump, case_dir, update):
    failures = []
    has = lambda name: os.path.exists(os.path.join(case_dir, name))
    if not qlink or not os.path.exists(qlink):
        return ["no qlink at %s" % qlink]
    env = environment(case_dir)
    with tempfile.TemporaryDirectory(prefix="qasm-golden-") as work:
        brought = [n for n in os.listdir(case_dir) if n.endswith((".s26", ".inc"))]
        if has("copy"):
            brought += read(os.path.join(case_dir, "copy")).split()
        for name in brought:
            shutil.copy(os.path.join(case_dir, name), work)
        asm_words = shlex.split(read(os.path.join(case_dir, "args"))) if has("args") else []
        for source in sorted(os.path.basename(n) for n in brought if n.endswith(".s26")):
            ran = run_tool([qasm] + asm_words + [source], work, env)
            if ran is None:
                return ["%s: the assembler timed out (hang)" % source]
            console, code = ran
            failures += ["%s: %s" % (source, f) for f in exit_failures(code, console)]
            if code != 0 or DIAG.search(console):
                failures.append("%s does not assemble cleanly (exit %d):\n%s" % (source, code, console.strip()))
        if qdump:
            failures += unreadable_objects(qdump, work)
        if failures:
            return failures

        words = shlex.split(read(os.path.join(case_dir, "link")))
        ran = run_tool([qlink] + words, work, env)
        if ran is None:
            return ["qlink timed out (hang)"]
        console, code = ran
        failures += exit_failures(code, console)
        output, binary, map_file = link_outputs(words)
        outputs = [output] + ([map_file] if map_file else [])
        if code >= 2:
            failures += ["%s left behind after a failed link" % n for n in outputs
                         if os.path.exists(os.path.join(work, n))]

        expected_files = {"stdout": console, "exit": "%d\n" % code}
        for name in outputs:
            path = os.path.join(work, name)
            data = read(path, "rb") if os.path.isfile(path) else None
            if name == output and binary:
                expected_files[name + ".bytes"] = bytes_text(data) if data is not None else "(no file)\n"
            else:
                expected_files[name] = data.decode("latin-1") if data is not None else "(no file)\n"
        failures += compare_expected(case_dir, expected_files, code, update)
        failures += check_files(case_dir, work)
    return failures


def find_cases(root):
    cases = []
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames.sort()
        if "args" in filenames or "case.s26" in filenames or "link" in filenames:
            cases.append(dirpath)
    return sorted(cases)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--qasm")
    ap.add_argument("--qdump")
    ap.add_argument("--qlink", help="the linker of the link cases (default: qlink beside the assembler)")
    ap.add_argument("--root")
    ap.add_argument("--topic", help="run only the cases of this folder under the root")
    ap.add_argument("--self-test", action="store_true", help="test the runner itself")
    ap.add_argument("filter", nargs="?", default="")
    a = ap.parse_args()
    if a.self_test:
        return self_test()
    if not a.qasm or not a.root:
        ap.error("--qasm and --root are required")
    update = os.environ.get("UPDATE_GOLDEN") == "1"
    root = os.path.join(a.root, a.topic) if a.topic else a.root
    notices = collections.defaultdict(list)
    passed = failed = 0
    for case in find_cases(root):
        name = os.path.relpath(case, a.root)
        if a.filter not in name:
            continue
        qdump = a.qdump and os.path.abspath(a.qdump)
        if os.path.exists(os.path.join(case, "link")):
            qlink = os.path.abspath(a.qlink or os.path.join(os.path.dirname(a.qasm), "qlink"))
            failures = run_link_case(os.path.abspath(a.qasm), qlink, qdump, case, update)
        else:
            failures = run_case(os.path.abspath(a.qasm), qdump, case, update, notices)
        if failures:
            failed += 1
            print("FAIL %s" % name)
            for f in failures:
                print("  " + f.replace("\n", "\n  "))
        else:
            passed += 1
    for notice, cases in sorted(notices.items()):
        print("%s (%d case%s)" % (notice, len(cases), "" if len(cases) == 1 else "s"))
    print("golden: %d passed, %d failed" % (passed, failed))
    return 1 if failed or passed == 0 else 0


# ---- Self-test ---------------------------------------------------------------------------

LISTING_SAMPLE = (
    "###############################################################################\n"
    "#     VEK Assembler V4.62.5.50016/W32 for 78K0 and 78K0S  07/Dec/2024  05:57:00 #\n"
    "###############################################################################\n"
    "\n"
    "    1    0000          START:\n"
    "    2    0000 00       NOP\n"
    "    3    0001 8E3412   MOVW AX,#1234H ; EXPECT: 8E 34 12\n"
    "    4    0004 01020304 DB 1,2,3,4,5,6 ; a comment that is broken onto a continuation\n"
    "                       line before the code bytes that did not fit\n"
    "              0506\n"
    "    5    0006 0A0B0C0D*DB 10,11,12,13,14\n"
    "    6                  ; a comment, no location\n"
    "    7    000F          CALLIT MACRO\n"
    "    7.1  000F 9A0010   CALL !1000H\n"
    "    7.2  0012 AF       RET\n"
    "    8    0013 F2       MOV A,B ; a long line whose text goes on\n"
    "                       beyond the width of the listing\n"
    "\n"
    "                       ------^\n"
    "                       \"case.s26\",8  Error[40]: Bad instruction\n"
    "\x0c                                    - case -                         Page    2\n"
    "\n"
    "    9    0100 ABCDEF01 DB 0ABH,0CDH,0EFH,1,2\n"
    "              02\n"
    "   12    0101 00       NOP\n"
    "   12    0102 00       NOP\n"
)


def self_test():
    import unittest

    class Runner(unittest.TestCase):
        def test_listing_lines_bytes_and_continuations(self):
            lines, twice = parse_listing(LISTING_SAMPLE)
            self.assertEqual(lines[1], ([], False))
            self.assertEqual(lines[2], (["00"], False))
            self.assertEqual(lines[3], (["8E", "34", "12"], False))
            self.assertEqual(lines[4], (["01", "02", "03", "04", "05", "06"], False))
            self.assertEqual(lines[5], (["0A", "0B", "0C", "0D"], True))
            self.assertNotIn(6, lines)            # no location, no code
            self.assertEqual(lines[7], ([], False))  # expansion lines are not line 7
            self.assertEqual(lines[8], (["F2"], False))
            self.assertEqual(lines[9], (["AB", "CD", "EF", "01", "02"], False))  # after a page header
            self.assertEqual(twice, {12})

        def test_code_checks(self):
            lines, twice = parse_listing(LISTING_SAMPLE)
            ok = {3: ["8E", "34", "12"], 4: ["01", "02", "03", "04", "05", "06"], 1: [],
                  5: ["0A", "0B", "0C", "0D", "0E"]}
            self.assertEqual(check_code(ok, lines, twice), [])
            self.assertEqual(check_code({2: ["01"]}, lines, twice), ["line 2: expected code 01, listed 00"])
            self.assertEqual(check_code({5: ["0A", "0B", "0C", "0D"]}, lines, twice),
                             ["line 5: expected code 0A 0B 0C 0D, listed 0A 0B 0C 0D *"])
            self.assertEqual(check_code({30: ["00"]}, lines, twice), ["line 30: expected code 00, line not in the listing"])
            self.assertEqual(len(check_code({12: ["00"]}, lines, twice)), 1)
            self.assertEqual(parse_listing("#####\n#  CRC:0  #\n\n\x0c")[0], {})  # a summary block only

        def test_expectations(self):
            diags, code, bad = inline_expectations(
                "  NOP ; EXPECT: 00\n"
                "  XX 12A ; EXPECT-ERROR: 40, 6\n"
                "  MOVW 3,AX ; EXPECT-ERROR: 428 @12\n"
                "L: ; EXPECT-ERROR: 42 ; EXPECT-ERROR: 42 @1 ; EXPECT-WARNING: 12\n"
                "  X ; EXPECT-ERROR: 4O\n"
                "  Y ; EXPECT: 8E 3\n")
            self.assertEqual(code, {1: ["00"]})
            self.assertEqual(dict(diags), {(2, "Error", 40): [None], (2, "Error", 6): [None],
                                           (3, "Error", 428): [12], (4, "Error", 42): [None, 1],
                                           (4, "Warning", 12): [None]})
            self.assertEqual(len(bad), 2)

        def test_console_columns(self):
            console = ("\n  MOVW 3,AX\n-----------^\n\"case.s26\",3  Error[428]: Address operand must be even\n"
                       "\"case.s26\",3  Warning[15]: Constant truncated\n"
                       "\nL:\n^\n\"inc.s26\",1  Error[42]: Duplicate label:'L'\n"
                       "\n\xc1" "7\n\xc0\"case.s26\",9  Error[40]: Bad instruction\n")
            self.assertEqual(dict(console_diagnostics(console)), {(3, "Error", 428): [12], (3, "Warning", 15): [12],
                                                                  (9, "Error", 40): [7]})

        def test_diagnostic_checks(self):
            got = {(3, "Error", 428): [12], (4, "Error", 42): [1]}
            self.assertEqual(check_diagnostics({(3, "Error", 428): [12], (4, "Error", 42): [None]}, got), [])
            self.assertEqual(check_diagnostics({(3, "Error", 428): [9], (4, "Error", 42): [None]}, got),
                             ["line 3: Error[428] expected at column 9, reported at 12"])
            self.assertEqual(check_diagnostics({(3, "Error", 428): [12], (4, "Error", 42): [None, None]}, got),
                             ["line 4: Error[42] expected 2 times, reported 1"])
            self.assertEqual(check_diagnostics({(3, "Error", 428): [12]}, got), ["line 4: unexpected Error[42]"])
            self.assertEqual(check_diagnostics({(5, "Warning", 1): [None]}, {}), ["line 5: expected Warning[1], not reported"])

        def test_list_file_named_by_the_words(self):
            self.assertEqual(list_file_of(["-l", "out", "case.s26"]), "out.lst")
            self.assertEqual(list_file_of(["-l", "x.txt"]), "x.txt")
            self.assertEqual(list_file_of(["-Lsub"]), os.path.join("sub", "case.lst"))
            self.assertIsNone(list_file_of(["-x", "case.s26"]))

        def test_runs_of_a_stand_in_assembler(self):
            # A stand-in for the assembler: prints the console text of its
            # `console` file and exits with the code in its `code` file.
            with tempfile.TemporaryDirectory() as tmp:
                fake = os.path.join(tmp, "fake_qasm")
                with open(fake, "w") as f:
                    f.write("#!%s\nimport sys\nsys.stdout.write(open('console').read())\n"
                            "sys.exit(int(open('code').read()))\n" % sys.executable)
                os.chmod(fake, 0o755)
                case = os.path.join(tmp, "case")
                os.mkdir(case)

                def run(console, code, source, expected_exit=None):
                    for name, text in (("console", console), ("code", str(code)), ("case.s26", source)):
                        with open(os.path.join(case, name), "w") as f:
                            f.write(text)
                    if os.path.exists(os.path.join(case, "exit")):
                        os.remove(os.path.join(case, "exit"))
                    if expected_exit is not None:
                        with open(os.path.join(case, "exit"), "w") as f:
                            f.write("%d\n" % expected_exit)
                    notices = collections.defaultdict(list)
                    return run_case(fake, None, case, False, notices), notices

                report = "\nX\n^\n\"case.s26\",1  Error[40]: Bad instruction\n"
                self.assertEqual(run(report, 2, "X ; EXPECT-ERROR: 40 @1\n", 2)[0], [])
                failures = run(report + "case.s26:1: runtime error: shift exponent\n", 1, "X ; EXPECT-ERROR: 40\n", 1)[0]
                self.assertIn("sanitizer report (exit code 1)", failures)
                self.assertIn("sanitizer report (exit code 99)", run("", SANITIZER_EXIT, "  END\n", 99)[0])
                failures, notices = run("", 0, "  NOP ; EXPECT: 00\n")
                self.assertEqual(failures, [])
                self.assertEqual(notices[NO_LISTING], [case])

        def test_link_words_and_binary_text(self):
            self.assertEqual(link_outputs(["-F", "bin", "-o", "x.bin", "-mx.map", "a.r26"]), ("x.bin", True, "x.map"))
            self.assertEqual(link_outputs(["-oapp.hex", "--library", "l.r26", "a.r26"]), ("app.hex", False, None))
            self.assertEqual(link_outputs(["a.r26"]), ("a.hex", False, None))
            self.assertEqual(bytes_text(bytes(range(17))),
                             "000000: " + " ".join("%02X" % i for i in range(16)) + "\n000010: 10\n")

        def test_link_case_of_stand_in_tools(self):
            # The stand-in assembler writes NAME.r26; the stand-in linker writes
            # a.hex with the text of `hex` and exits with the code in `code`.
            with tempfile.TemporaryDirectory() as tmp:
                tools = {"asm": "import sys\nopen(sys.argv[-1][:-4] + '.r26', 'w').write('x')\n",
                         "lnk": "import sys\nopen('a.hex', 'w').write(open('hex').read())\n"
                                "print('linked')\nsys.exit(int(open('code').read()))\n"}
                for name, body in tools.items():
                    with open(os.path.join(tmp, name), "w") as f:
                        f.write("#!%s\n%s" % (sys.executable, body))
                    os.chmod(os.path.join(tmp, name), 0o755)
                case = os.path.join(tmp, "case")
                os.mkdir(case)
                files = {"m.s26": "", "link": "m.r26", "hex": ":00000001FF\n", "stdout": "linked\n",
                         "a.hex": ":00000001FF\n", "code": "0", "copy": "hex\ncode"}
                for name, text in files.items():
                    with open(os.path.join(case, name), "w") as f:
                        f.write(text)
                run = lambda: run_link_case(os.path.join(tmp, "asm"), os.path.join(tmp, "lnk"), None, case, False)
                self.assertEqual(run(), [])
                with open(os.path.join(case, "hex"), "w") as f:
                    f.write(":00000001FE\n")
                self.assertEqual(len(run()), 1)  # the output differs
                for name, text in (("code", "2"), ("exit", "2\n"), ("a.hex", "(no file)\n")):
                    with open(os.path.join(case, name), "w") as f:
                        f.write(text)
                self.assertIn("a.hex left behind after a failed link", run())

        def test_sanitizer_options_win_over_the_environment(self):
            saved = os.environ.get("ASAN_OPTIONS")
            os.environ["ASAN_OPTIONS"] = "exitcode=1"
            try:
                options = environment(tempfile.gettempdir())["ASAN_OPTIONS"].split(":")
            finally:
                if saved is None:
                    del os.environ["ASAN_OPTIONS"]
                else:
                    os.environ["ASAN_OPTIONS"] = saved
            self.assertEqual([o for o in options if o.startswith("exitcode=")][-1], "exitcode=%d" % SANITIZER_EXIT)

    result = unittest.TextTestRunner(verbosity=1).run(unittest.defaultTestLoader.loadTestsFromTestCase(Runner))
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
