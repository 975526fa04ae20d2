#!/usr/bin/env python3
"""Golden end-to-end tests: each folder holding an `args` file or a `case.s26`
is one case. The case's files are copied into a fresh temporary folder, the
assembler runs there with the fixed assembly time, and its console output,
exit code, listing and object dump are compared with the expected files.

Case files:
  case.s26   the source (added as the last word unless `args` names it);
             inline `; EXPECT-ERROR: n` / `; EXPECT-WARNING: n` comments name
             the diagnostics reported for that line (all others are faults)
  args       extra command-line words, one line, shell-quoted
  env        KEY=VALUE lines added to the environment (QASMOPT, QASM_INC)
  stdin      text fed to standard input
  stdout     exact console output
  exit       exit code (default 0)
  case.lst   exact listing (`-l case.lst` is added)
  case.dump  object dump of case.r26 (needs the qdump tool)
  files      names (one a line) of files that must exist after the run;
             a leading '!' says the file must not exist
  pending    the case needs a part of the assembler still to come; its first
             line says which. The case is skipped (and counted) until the
             file is removed.

UPDATE_GOLDEN=1 rewrites stdout, exit, case.lst and case.dump from the run.
"""
import argparse
import difflib
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

DIAG = re.compile(r'"([^"]*)",(\d+)  (Error|Warning)\[(\d+)\]')
EXPECT = re.compile(r';\s*EXPECT-(ERROR|WARNING):\s*([0-9 ,]+)')
FAKE_TIME = {"VEK_INTERNAL__USE_FAKE_TIME": "1", "TZ": "UTC"}


def read(path, mode="r"):
    with open(path, mode) as f:
        return f.read()


def diff(expected, actual, name):
    return "".join(difflib.unified_diff(expected.splitlines(True), actual.splitlines(True),
                                        "expected/" + name, "actual/" + name))


def inline_expectations(source):
    want = set()
    for number, line in enumerate(source.splitlines(), 1):
        for kind, nums in EXPECT.findall(line):
            for n in re.split(r"[ ,]+", nums.strip()):
                want.add((number, "Error" if kind == "ERROR" else "Warning", int(n)))
    return want


def run_case(qasm, qdump, case_dir, update):
    failures = []
    with tempfile.TemporaryDirectory(prefix="qasm-golden-") as work:
        for name in os.listdir(case_dir):
            src = os.path.join(case_dir, name)
            if os.path.isdir(src):
                shutil.copytree(src, os.path.join(work, name))
            elif name not in ("stdout", "exit", "case.dump", "files"):
                shutil.copy(src, work)
        words = []
        if os.path.exists(os.path.join(case_dir, "args")):
            words = shlex.split(read(os.path.join(case_dir, "args")))
        has_source = os.path.exists(os.path.join(case_dir, "case.s26"))
        if has_source and "case.s26" not in words:
            words.append("case.s26")
        want_lst = os.path.exists(os.path.join(case_dir, "case.lst"))
        if want_lst:
            os.remove(os.path.join(work, "case.lst"))
            words = ["-l", "case.lst"] + words
        env = {k: v for k, v in os.environ.items() if k not in ("QASMOPT", "QASM_INC")}
        env.update(FAKE_TIME)
        if os.path.exists(os.path.join(case_dir, "env")):
            for line in read(os.path.join(case_dir, "env")).splitlines():
                if "=" in line:
                    k, v = line.split("=", 1)
                    env[k] = v
        stdin = None
        if os.path.exists(os.path.join(case_dir, "stdin")):
            stdin = read(os.path.join(case_dir, "stdin"), "rb")
        try:
            proc = subprocess.run([qasm] + words, cwd=work, env=env, input=stdin,
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
        except subprocess.TimeoutExpired:
            return ["timed out (hang)"]
        console = proc.stdout.decode("latin-1")
        code = proc.returncode

        if code < 0 or code > 3:
            failures.append("exit code %d: crash or unknown exit" % code)
        if code >= 2 and any(n.endswith(".r26") for n in os.listdir(work)):
            failures.append("object file left behind after a failed run")

        expected_files = {"stdout": console, "exit": "%d\n" % code}
        if want_lst:
            lst = os.path.join(work, "case.lst")
            expected_files["case.lst"] = read(lst, "rb").decode("latin-1") if os.path.exists(lst) else ""
        if os.path.exists(os.path.join(case_dir, "case.dump")):
            obj = os.path.join(work, "case.r26")
            if qdump and os.path.exists(obj):
                expected_files["case.dump"] = subprocess.run(
                    [qdump, obj], stdout=subprocess.PIPE, stderr=subprocess.STDOUT).stdout.decode("latin-1")
            else:
                expected_files["case.dump"] = "(no object file)\n"

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

        if has_source:
            want = inline_expectations(read(os.path.join(case_dir, "case.s26"), "rb").decode("latin-1"))
            got = set()
            for fname, line, kind, num in DIAG.findall(console):
                if os.path.basename(fname) == "case.s26":
                    got.add((int(line), kind, int(num)))
            if want or got:
                for item in sorted(want - got):
                    failures.append("line %d: expected %s[%d], not reported" % item)
                for item in sorted(got - want):
                    failures.append("line %d: unexpected %s[%d]" % item)

        files_path = os.path.join(case_dir, "files")
        if os.path.exists(files_path):
            for name in read(files_path).split():
                must_not = name.startswith("!")
                name = name.lstrip("!")
                exists = os.path.exists(os.path.join(work, name))
                if must_not and exists:
                    failures.append("file %s exists after the run" % name)
                if not must_not and not exists:
                    failures.append("file %s missing after the run" % name)
    return failures


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--qasm", required=True)
    ap.add_argument("--qdump")
    ap.add_argument("--root", required=True)
    ap.add_argument("filter", nargs="?", default="")
    a = ap.parse_args()
    update = os.environ.get("UPDATE_GOLDEN") == "1"
    cases = []
    for dirpath, dirnames, filenames in os.walk(a.root):
        dirnames.sort()
        if "args" in filenames or "case.s26" in filenames:
            cases.append(dirpath)
    passed = failed = skipped = 0
    for case in sorted(cases):
        name = os.path.relpath(case, a.root)
        if a.filter not in name:
            continue
        if os.path.exists(os.path.join(case, "pending")):
            skipped += 1
            print("SKIP %s: %s" % (name, read(os.path.join(case, "pending")).splitlines()[0]))
            continue
        failures = run_case(os.path.abspath(a.qasm), a.qdump and os.path.abspath(a.qdump), case, update)
        if failures:
            failed += 1
            print("FAIL %s" % name)
            for f in failures:
                print("  " + f.replace("\n", "\n  "))
        else:
            passed += 1
    print("golden: %d passed, %d failed, %d skipped" % (passed, failed, skipped))
    return 1 if failed or passed == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
