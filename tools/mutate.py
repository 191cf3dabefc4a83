#!/usr/bin/env python3
"""The mutation run's engine (tools/mutate runs it inside a test session).

Reads the catalogue, and for each mutant: checks that its "before" text occurs
exactly once in the copy of the tree, plants the edit, builds the test programs
it names, runs them with ctest until the first failure, and puts the file back.
"""
import argparse
import os
import re
import signal
import subprocess
import sys
import time


class Mutant:
    def __init__(self, name):
        self.name = name
        self.file = None
        self.tests = None
        self.sees = ""
        self.equivalent = ""
        self.before = None
        self.after = None


def read_catalogue(path):
    groups, mutants = {}, []
    current, block, lines = None, None, []

    def close_block():
        if current is not None and block is not None:
            setattr(current, block, "\n".join(lines))

    with open(path, encoding="utf-8") as f:
        for raw in f.read().split("\n"):
            if raw.startswith("== ") or raw.startswith("--- "):
                close_block()
                block, lines = None, []
                if raw.startswith("== "):
                    current = Mutant(raw[3:].strip())
                    mutants.append(current)
                else:
                    block = raw[4:].strip()
                    if block not in ("before", "after"):
                        sys.exit(f"{path}: unknown block '{raw}'")
                continue
            if block is not None and not (raw.startswith("#") and lines and not lines[-1].strip()):
                lines.append(raw)
                continue
            if block is not None:
                close_block()
                block, lines = None, []
            if not raw.strip() or raw.startswith("#"):
                continue
            key, _, value = raw.partition(" ")
            if key == "group":
                name, _, regex = value.partition("=")
                groups[name.strip()] = regex.strip()
            elif current is not None and key in ("file", "tests", "sees", "equivalent"):
                setattr(current, key, value.strip())
            else:
                sys.exit(f"{path}: cannot read '{raw}'")
    close_block()
    for m in mutants:
        # A blank line ends a block: it is the separator before the next mutant.
        for attr in ("before", "after"):
            text = getattr(m, attr)
            if text is None:
                sys.exit(f"{path}: mutant {m.name} has no {attr} block")
            setattr(m, attr, text.rstrip("\n"))
        if not m.file or not m.tests:
            sys.exit(f"{path}: mutant {m.name} needs file and tests")
    return groups, mutants


def ordered(regex, names):
    """The names that match, in the order of the alternatives that name them:
    a catalogue lists the quick tests of a group first."""
    inner = regex
    m = re.fullmatch(r"\^\((.*)\)\$", regex)
    if m and "(" not in m.group(1):
        inner = m.group(1)
    alternatives = [a.strip("^$()") for a in inner.split("|")] if inner is not regex else []

    def key(name):
        for i, a in enumerate(alternatives):
            if re.fullmatch(a, name):
                return i
        return len(alternatives)
    return sorted((n for n in names if re.search(regex, n)), key=key)


def test_regex(groups, selector):
    # "a|b" of group names joins their regexes; anything else is a regex.
    parts = selector.split("|")
    if all(p in groups for p in parts):
        return "|".join(f"({groups[p]})" for p in parts)
    return selector


def all_tests(build):
    out = subprocess.run(["ctest", "--test-dir", build, "-N"], capture_output=True, text=True).stdout
    return re.findall(r"Test\s+#\d+: (\S+)", out)


def build_targets(build, targets, log):
    cmd = ["nice", "cmake", "--build", build, "-j", str(os.cpu_count() or 1), "--target", *targets]
    with open(log, "a") as f:
        f.write("$ " + " ".join(cmd) + "\n")
        f.flush()
        return subprocess.run(cmd, stdout=f, stderr=subprocess.STDOUT).returncode == 0


def run_tests(build, names, timeout, log):
    """Runs the tests one by one in the order given, up to the first that fails.
    Returns (failed test or None, seconds)."""
    start = time.time()
    for name in names:
        failed, _ = run_ctest(build, "^" + name + "$", max(1, timeout - (time.time() - start)), log)
        if failed == "time limit":
            failed = name + " (time limit)"
        if failed:
            return failed, time.time() - start
    return None, time.time() - start


def run_ctest(build, regex, timeout, log):
    """Returns (failed test or None, seconds). A run past the time limit counts as failed."""
    cmd = ["nice", "ctest", "--test-dir", build, "-R", regex, "--stop-on-failure", "--output-on-failure"]
    start = time.time()
    try:
        result = subprocess.run(cmd, capture_output=True, encoding="utf-8", errors="replace", timeout=timeout)
        out = result.stdout + result.stderr
    except subprocess.TimeoutExpired as e:
        out = (e.stdout or b"").decode(errors="replace") if isinstance(e.stdout, bytes) else (e.stdout or "")
        subprocess.run(["wineserver", "-k"], capture_output=True)
        with open(log, "a") as f:
            f.write(out + "\n(time limit)\n")
        return "time limit", time.time() - start
    with open(log, "a") as f:
        f.write("$ " + " ".join(cmd) + "\n" + out + "\n")
    if "No tests were found" in out:
        sys.exit("ctest found no test for " + regex)
    failed = re.findall(r"Test\s+#\d+: (\S+) \.*\**(?:Failed|Exception|Timeout|Not Run)", out)
    if failed:
        return failed[0], time.time() - start
    if result.returncode != 0:
        return "ctest exit %d" % result.returncode, time.time() - start
    return None, time.time() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--catalogue", required=True)
    parser.add_argument("--tree", required=True)
    parser.add_argument("--build", required=True)
    parser.add_argument("--only", default="", help="regex over mutant names")
    parser.add_argument("--results", required=True)
    parser.add_argument("--baseline", action="store_true", help="first run every test the catalogue names")
    # A mutant's tests take a minute or two at most; one that hangs a test
    # program is killed by the limit instead of waiting for ctest's own.
    parser.add_argument("--time-limit", type=int, default=300, help="seconds for one mutant's tests")
    args = parser.parse_args()

    # Stopped from outside, the run still puts the mutated file back.
    for stop in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(stop, lambda number, frame: sys.exit(128 + number))

    groups, mutants = read_catalogue(args.catalogue)
    if args.only:
        mutants = [m for m in mutants if re.search(args.only, m.name)]
    known = all_tests(args.build)
    log = args.results + ".log"
    open(log, "w").close()

    def names_for(regex):
        return [t for t in known if re.search(regex, t)]

    def group_names(m):
        parts = m.tests.split("|")
        if all(p in groups for p in parts):
            names = []
            for p in parts:
                names += [n for n in ordered(groups[p], known) if n not in names]
            return names
        return ordered(m.tests, known)

    if args.baseline:
        regex = "|".join(f"({test_regex(groups, m.tests)})" for m in mutants)
        targets = names_for(regex)
        print(f"baseline: building and running {len(targets)} test programs", flush=True)
        if not build_targets(args.build, targets, log):
            sys.exit("baseline build failed; see " + log)
        failed, seconds = run_ctest(args.build, "^(" + "|".join(targets) + ")$", args.time_limit * 4, log)
        if failed:
            sys.exit(f"baseline: {failed} fails without any mutant; see {log}")
        print(f"baseline: green in {seconds:.0f} s", flush=True)

    counts = {"killed": 0, "survived": 0, "equivalent": 0, "stale": 0, "broken": 0}
    started = time.time()
    with open(args.results, "w") as results:
        for m in mutants:
            path = os.path.join(args.tree, m.file)
            try:
                with open(path, encoding="utf-8", newline="") as f:
                    original = f.read()
            except OSError:
                original = ""
            targets = group_names(m)
            t0 = time.time()
            if original.count(m.before) != 1 or not targets:
                verdict, detail = "stale", f"before text found {original.count(m.before)} times" if targets else "no tests"
            else:
                mutated = original.replace(m.before, m.after, 1)
                try:
                    with open(path, "w", encoding="utf-8", newline="") as f:
                        f.write(mutated)
                    if not build_targets(args.build, targets, log):
                        verdict, detail = "broken", "does not build"
                    else:
                        failed, _ = run_tests(args.build, targets, args.time_limit, log)
                        verdict, detail = ("killed", failed) if failed else ("survived", "")
                        if verdict == "survived" and m.equivalent:
                            verdict = "equivalent"
                finally:
                    with open(path, "w", encoding="utf-8", newline="") as f:
                        f.write(original)
            counts[verdict] += 1
            line = f"{verdict:10} {m.name:40} {detail:32} {time.time() - t0:5.0f} s"
            print(line, flush=True)
            results.write(line + "\n")
        scored = counts["killed"] + counts["survived"] + counts["equivalent"]
        score = f"score: {counts['killed']}/{scored} killed"
        if scored:
            score += f" ({100.0 * counts['killed'] / scored:.0f}%)"
        score += (f"; {counts['equivalent']} argued equivalent in MUTATION.md, {counts['survived']} survived, "
                  f"{counts['stale']} stale, {counts['broken']} broken; {(time.time() - started) / 60:.0f} min")
        print(score, flush=True)
        results.write(score + "\n")
    # Put the copy's objects back in step with the unmutated sources.
    build_targets(args.build, names_for("|".join(f"({test_regex(groups, m.tests)})" for m in mutants)), log)
    return 0 if counts["survived"] + counts["broken"] + counts["stale"] == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
