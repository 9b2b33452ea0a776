#!/usr/bin/env python3
"""Mutation check of the portable core: how many small faults do the native tests catch?

Makes one small fault at a time in a copy of the source tree (a comparison flipped or loosened,
&& and || swapped, an integer constant off by one, a returned true or false inverted, a call
statement dropped), rebuilds the native unit tests and quillox-note in that copy, and runs the
unit tests and the tool's end-to-end test, stopping at the first failure. A fault the tests catch
is killed; one they miss survives. The working tree is never written to.

    scripts/mutate.sh [--seed N] [--count N] [--work DIR] [--list] [--who]

With --who every test runs against every mutant, and each line names all the tests that failed:
a test that is never the only one to catch a mutant adds no bite the others lack.

The sample is a fixed-seed shuffle of every possible mutant, so two runs with the same seed and
count try the same faults as long as the core's sources are unchanged. A mutant that does not
compile is skipped and the next one in the shuffled order takes its place.
"""

import argparse
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
KNOWN = ROOT / "scripts" / "mutate_known.txt"

# The portable core as the native build compiles it; files that include windows.h are left out
# (they are built only for Windows and tested under Wine).
SOURCE_DIRS = ["src/storage", "src/storage/crypto", "src/startup", "src/editor", "src/base",
               "src/cli"]

TABLE_ROW = re.compile(r"^\s*(?:0x[0-9a-fA-F]+u?|\d+u?)(?:\s*,\s*(?:0x[0-9a-fA-F]+u?|\d+u?))*\s*,?\s*$")
CALL_STATEMENT = re.compile(r"^(\s*)(?!return\b|if\b|while\b|for\b|switch\b|case\b|delete\b)"
                            r"[A-Za-z_][\w:.\->]*(?:<[\w:, ]*>)?\(.*\);\s*$")
SWAPS = [
    (re.compile(r"(?<=\s)==(?=\s)"), "!="),
    (re.compile(r"(?<=\s)!=(?=\s)"), "=="),
    (re.compile(r"(?<=\s)<=(?=\s)"), "<"),
    (re.compile(r"(?<=\s)>=(?=\s)"), ">"),
    (re.compile(r"(?<=\s)<(?=\s)"), "<="),
    (re.compile(r"(?<=\s)>(?=\s)"), ">="),
    (re.compile(r"(?<=\s)&&(?=\s)"), "||"),
    (re.compile(r"(?<=\s)\|\|(?=\s)"), "&&"),
    (re.compile(r"\breturn true;"), "return false;"),
    (re.compile(r"\breturn false;"), "return true;"),
]
INTEGER = re.compile(r"(?<![\w.])(0x[0-9a-fA-F]+|\d+)([uU]?[lL]{0,2})(?![\w.])")


def core_sources(tree, build_dir):
    """What the native build compiles from the core's folders, minus files that include windows.h."""
    commands = json.loads((build_dir / "compile_commands.json").read_text())
    compiled = {Path(c["file"]).resolve() for c in commands}
    files = []
    for d in SOURCE_DIRS:
        for p in sorted((tree / d).glob("*.cpp")):
            if p.resolve() in compiled and "windows.h" not in p.read_text():
                files.append(p.relative_to(tree).as_posix())
    return files


def code_mask(lines):
    """For each line, the line with comments and string/char literals blanked out (same length)."""
    out, in_block = [], False
    for line in lines:
        chars, i = list(line), 0
        while i < len(line):
            if in_block:
                end = line.find("*/", i)
                stop = len(line) if end < 0 else end + 2
                chars[i:stop] = " " * (stop - i)
                in_block, i = end < 0, stop
            elif line.startswith("//", i):
                chars[i:] = " " * (len(line) - i)
                break
            elif line.startswith("/*", i):
                in_block = True
            elif line[i] in "\"'":
                quote, j = line[i], i + 1
                while j < len(line) and line[j] != quote:
                    j += 2 if line[j] == "\\" else 1
                chars[i + 1:j] = " " * (j - i - 1)
                i = j + 1
            else:
                i += 1
        out.append("".join(chars))
    return out


def mutants_of(tree, rel):
    lines = (tree / rel).read_text().split("\n")
    masked = code_mask(lines)
    found = []
    for n, (line, code) in enumerate(zip(lines, masked)):
        stripped = code.strip()
        if not stripped or stripped.startswith("#") or "static_assert" in code:
            continue
        for pattern, repl in SWAPS:
            for m in pattern.finditer(code):
                found.append((rel, n, m.start(), m.group(0), repl))
        if not TABLE_ROW.match(code):
            for m in INTEGER.finditer(code):
                if re.fullmatch(r"0x[0-9a-fA-F]{5,}", m.group(1)):
                    continue  # a round constant: hundreds of them, each caught by any vector
                digits = m.group(1)
                value = int(digits, 8 if re.fullmatch(r"0[0-7]+", digits) else 0)
                new = value + 1 if value == 0 else value - 1
                text = (hex(new) if digits.startswith("0x") else
                        "0" + oct(new)[2:] if re.fullmatch(r"0[0-7]+", digits) else str(new))
                text += m.group(2)
                found.append((rel, n, m.start(), m.group(0), text))
        if (CALL_STATEMENT.match(code) and code.count("(") == code.count(")")
                and not re.match(r"\s*[A-Z_]+\(", code)):  # unrolled crypto rounds, as above
            indent = len(code) - len(code.lstrip())
            found.append((rel, n, indent, line[indent:], "(void)0;  // call dropped"))
    return found


def apply(work, mutant):
    rel, n, col, old, new = mutant
    path = work / rel
    original = path.read_text()
    lines = original.split("\n")
    assert lines[n][col:col + len(old)] == old, mutant
    lines[n] = lines[n][:col] + new + lines[n][col + len(old):]
    path.write_text("\n".join(lines))
    return path, original


def run(cmd, timeout, stdout_to=subprocess.DEVNULL, **kw):
    """Runs cmd in its own process group; on timeout the whole group is ended."""
    proc = subprocess.Popen(cmd, stdout=stdout_to, stderr=subprocess.DEVNULL,
                            start_new_session=True, **kw)
    try:
        return proc.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        return "timeout"
    except BaseException:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        raise


def prepare(work):
    """Copies the tree (no build output, no .git) and builds it once."""
    tree, build = work / "src-tree", work / "build"
    # Files are copied only where their content differs, so the copy's timestamps stay newer than
    # the objects built from it and the build stays incremental and right.
    wanted = set()
    for d in ["CMakeLists.txt", "CMakePresets.json", "cmake", "src", "tests"]:
        for p in [ROOT / d] if (ROOT / d).is_file() else (ROOT / d).rglob("*"):
            if p.is_file():
                rel = p.relative_to(ROOT)
                wanted.add(rel)
                target = tree / rel
                if not target.exists() or target.read_bytes() != p.read_bytes():
                    target.parent.mkdir(parents=True, exist_ok=True)
                    shutil.copy(p, target)
    for p in list(tree.rglob("*")) if tree.exists() else []:
        if p.is_file() and p.relative_to(tree) not in wanted:
            p.unlink()
    if not (build / "build.ninja").exists():
        subprocess.run(["cmake", "-S", tree, "-B", build, "-G", "Ninja",
                        "-DCMAKE_BUILD_TYPE=RelWithDebInfo", "-DQUILLOX_BENCH=OFF"],
                       check=True, stdout=subprocess.DEVNULL)
    return tree, build


def build(build_dir):
    return run(["nice", "cmake", "--build", build_dir, "--target", "unit_tests", "quillox-note"],
               timeout=600) == 0


def every_failure(tree, build_dir, timeout):
    """The names of all the tests that fail (the unit test cases one by one, then "cli")."""
    report = build_dir / "unit.json"
    report.unlink(missing_ok=True)
    unit = run([build_dir / "tests/unit/unit_tests", f"--gtest_output=json:{report}"], timeout,
               cwd=build_dir)
    failed = []
    if unit != 0:
        try:
            suites = json.loads(report.read_text())["testsuites"]
            failed = [f"{s['name']}.{t['name']}" for s in suites for t in s["testsuite"]
                      if t.get("failures")]
        except (OSError, ValueError, KeyError):
            pass
        failed = failed or [f"unit tests ({unit})"]
    log = build_dir / "cli.log"
    with open(log, "w") as out:
        cli = run(["bash", tree / "tests/cli/cli_test.sh", build_dir / "mutant-cli",
                   build_dir / "src/cli/quillox-note"], timeout, stdout_to=out)
    # The tool's test goes on after a failure: each of its sections ("== ...") that saw one.
    sections, section = [], "start"
    for line in log.read_text(errors="replace").splitlines():
        if line.startswith("== "):
            section = "-".join(re.findall(r"[a-z-]+", line[3:].split(":")[0])[:2])
        elif line.startswith("FAIL:") and f"cli:{section}" not in sections:
            sections.append(f"cli:{section}")
    return failed + (sections or ["cli"] if cli != 0 else [])


def tests(tree, build_dir, timeout, who=False):
    """0 when every native test passes; otherwise what failed first (with who: everything)."""
    if who:
        return " ".join(every_failure(tree, build_dir, timeout)) or 0
    unit = run(["nice", build_dir / "tests/unit/unit_tests", "--gtest_fail_fast", "--gtest_brief=1"],
               timeout, cwd=build_dir)
    if unit != 0:
        return f"unit tests ({unit})"
    cli = run(["nice", "bash", tree / "tests/cli/cli_test.sh", build_dir / "mutant-cli",
               build_dir / "src/cli/quillox-note"], timeout)
    return 0 if cli == 0 else f"cli test ({cli})"


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--count", type=int, default=60)
    ap.add_argument("--work", type=Path, default=ROOT / "build" / "mutate")
    ap.add_argument("--list", action="store_true", help="print the sampled mutants and stop")
    ap.add_argument("--who", action="store_true", help="name every test that catches each mutant")
    args = ap.parse_args()

    # Files in the order of their names (not their folders), mutants in the order of the file, so
    # that moving a file between folders or adding an include keeps the same sample.
    tree, build_dir = prepare(args.work.resolve())
    # Built first, so that the list of compiled files is that of the sources as they are now.
    if not build(build_dir):
        sys.exit("the unmutated tree does not build")
    files = sorted(core_sources(tree, build_dir), key=lambda f: Path(f).name)
    every = [m for f in files for m in mutants_of(tree, f)]
    order = every[:]
    random.Random(args.seed).shuffle(order)
    if args.list:
        for m in order[:args.count]:
            print(f"{m[0]}:{m[1] + 1}: {m[3]!r} -> {m[4]!r}")
        return 0

    started = time.monotonic()
    if tests(tree, build_dir, 600) != 0:
        sys.exit("the native tests fail without any mutant")
    # A mutant that makes the tests hang is caught by the clock.
    timeout = max(30, 4 * (time.monotonic() - started))

    known = KNOWN.read_text() if KNOWN.exists() else ""
    killed, survivors, skipped, tried = 0, [], 0, 0
    print(f"{len(every)} possible mutants; seed {args.seed}, count {args.count}")
    for mutant in order:
        if tried == args.count:
            break
        rel, n, _, old, new = mutant
        path, original = apply(tree, mutant)
        source_line = original.split("\n")[n].strip()
        where = f"{rel}:{n + 1}: {old.strip()} -> {new.strip()}    [{source_line}]"
        try:
            if not build(build_dir):
                skipped += 1
                print(f"  skipped (does not compile)  {where}", flush=True)
                continue
            tried += 1
            verdict = tests(tree, build_dir, timeout, args.who)
        finally:
            path.write_text(original)
        if verdict:
            killed += 1
            print(f"  killed by {verdict:<18} {where}", flush=True)
        else:
            key = f"{Path(rel).name}: {old.strip()} -> {new.strip()}    [{source_line}]"
            note = "  (known)" if key in known else ""
            survivors.append(where + note)
            print(f"  SURVIVED                    {where}{note}", flush=True)
    build(build_dir)  # leave the copy built from the unmutated sources

    print(f"\nseed {args.seed}, count {args.count}: killed {killed}/{tried}"
          f" ({100 * killed / max(tried, 1):.0f} %), {skipped} skipped as not compiling")
    for s in survivors:
        print(f"  survivor: {s}")
    return 0


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    sys.exit(main())
