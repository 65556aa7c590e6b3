#!/usr/bin/env python3
"""Mutation check: does the suite notice one-line faults?

Each mutant in mutants.txt names a file, a text that occurs exactly once in
it and its replacement. For each mutant the script writes the change, builds
incrementally in its own build directory, runs the suite (stopping at the
first failing test) and puts the file back, whatever happens, Ctrl+C
included. It prints killed, survived, build failure or stale per mutant and
the score last: killed / (killed + survived), equivalent mutants left out.

Run by hand from anywhere (not part of CTest or CI):

    tests/mutation/mutate.py                 # every mutant
    tests/mutation/mutate.py reader-range services-pmt-switch   # some, by id
    tests/mutation/mutate.py --list-ids

A run on two cores takes roughly one to two minutes per mutant: a mutant in
the core relinks every test.
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
DEFAULT_LIST = Path(__file__).resolve().with_name("mutants.txt")

# Tests that usually notice a fault in a folder run first, so a killed mutant
# costs only those; the others run when they all pass. Either way the whole
# suite has run before a mutant counts as survived.
FIRST_TESTS = {
    "config": "cfgreader|cfgwriter|number|fuzz_cfgreader|test_cli",
    "psi": "psibuffer|psivmprogram|exportcheck|test_cli",
    "mbn": "mbnprogram|sectiondecoder|tsrender|fuzz_mbndump|test_cli|tsdecoder",
    "si": "sectionreader|sectiondecoder|import|fuzz_mbndump|test_cli",
    "import": "import|sectioncollector|test_cli",
    "check": "configcheck|test_cli|editing",
    "cli": "test_cli|tsrender|tsdecoder",
    "app": "streampage|servicespage|filterpage|documents|editing|habits",
    "dialogs": "test_dialogs|valueentry|settings|editing",
}


@dataclass
class Mutant:
    ident: str
    path: str
    original: str
    replacement: str
    equivalent: str  # why it cannot be told apart from the original, or ""
    line: int  # in the list file


class Interrupted(Exception):
    pass


def parse_list(list_file):
    mutants, errors = [], []
    current = None
    for number, raw in enumerate(list_file.read_text(encoding="utf-8").splitlines(), 1):
        if not raw.strip() or raw.lstrip().startswith("#"):
            continue
        if raw.startswith("- ") and current and current.original is None:
            current.original = raw[2:]
        elif (raw == "+" or raw.startswith("+ ")) and current and current.original is not None \
                and current.replacement is None:
            current.replacement = raw[2:]
        elif raw.startswith("= ") and current and current.replacement is not None:
            current.equivalent = raw[2:].strip()
        elif not raw[0].isspace() and len(raw.split()) == 2:
            ident, path = raw.split()
            current = Mutant(ident, path, None, None, "", number)
            mutants.append(current)
        else:
            errors.append(f"{list_file}:{number}: cannot read this line: {raw!r}")
    seen = set()
    for m in mutants:
        if m.original is None or m.replacement is None:
            errors.append(f"{list_file}:{m.line}: mutant {m.ident} lacks its '- ' or '+ ' line")
        elif m.original == m.replacement:
            errors.append(f"{list_file}:{m.line}: mutant {m.ident} changes nothing")
        if m.ident in seen:
            errors.append(f"{list_file}:{m.line}: mutant id {m.ident} is used twice")
        seen.add(m.ident)
    return mutants, errors


def run(command, log, timeout=None, env=None):
    """Runs command in its own process group with output to log; returns its
    exit code, or None when it ran past timeout (the group is then killed)."""
    with open(log, "a", encoding="utf-8") as out:
        out.write("$ " + " ".join(command) + "\n")
        out.flush()
        child = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT, env=env,
                                 start_new_session=True)
        try:
            return child.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()
            return None
        except BaseException:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()
            raise


class Runner:
    def __init__(self, args):
        self.build = Path(args.build_dir).resolve()
        self.jobs = str(args.jobs)
        self.timeout = args.timeout
        self.logs = self.build / "mutation-logs"
        self.backup = self.build / "mutation-backup"
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen")

    def restore_leftovers(self):
        """Puts back files that a killed earlier run left mutated."""
        if not self.backup.is_dir():
            return
        for saved in sorted(p for p in self.backup.rglob("*") if p.is_file()):
            target = ROOT / saved.relative_to(self.backup)
            shutil.copyfile(saved, target)
            print(f"restored {target.relative_to(ROOT)} from an interrupted run", flush=True)
        shutil.rmtree(self.backup)

    def configure(self):
        self.logs.mkdir(parents=True, exist_ok=True)
        if (self.build / "CMakeCache.txt").exists():
            return True
        return run(["cmake", "-S", str(ROOT), "-B", str(self.build), "-DVELUNOR_BENCH=OFF"],
                   self.logs / "configure.log") == 0

    def compile(self, log, targets=()):
        chosen = ["--target", *targets] if targets else []
        return run(["cmake", "--build", str(self.build), "-j", self.jobs, *chosen], log) == 0

    def tests_matching(self, pattern):
        """The tests (each built by a target of its name) that pattern selects."""
        listing = subprocess.run(["ctest", "--test-dir", str(self.build), "-N", "-R", pattern],
                                 capture_output=True, text=True).stdout
        targets = subprocess.run(["cmake", "--build", str(self.build), "--target", "help"],
                                 capture_output=True, text=True).stdout.split()
        return [t for t in re.findall(r"Test\s+#\d+: (\S+)", listing) if t in targets]

    def ctest(self, log, *selection):
        return run(["ctest", "--test-dir", str(self.build), "-j", self.jobs, "--stop-on-failure",
                    "--output-on-failure", *selection], log, timeout=self.timeout, env=self.env)

    def suite(self, log, first=None):
        """'' when every test passed, else the failing tests (or 'timeout').
        With `first`, only those tests and the command-line tools they run
        are built and run at first: a mutant they kill costs no more."""
        parts = [("-R", first), ("-E", first)] if first else [()]
        for part in parts:
            if part and part[0] == "-R":
                targets = self.tests_matching(first) + ["velunor-cli", "dvb_print_si"]
                if not self.compile(log, targets):
                    return "build failure"
            elif not self.compile(log):
                return "build failure"
            start = log.stat().st_size if log.exists() else 0
            code = self.ctest(log, *part)
            if code is None:
                return "timeout"
            if code != 0:
                text = log.read_text(encoding="utf-8", errors="replace")[start:]
                failed = re.findall(r"^\s*\d+ - (\S+) \(", text, re.MULTILINE)
                return ", ".join(dict.fromkeys(failed)) or f"ctest exit {code}"
        return ""

    def mutate(self, m):
        """The verdict and its detail for one mutant; the file is put back before returning."""
        target = ROOT / m.path
        if not target.is_file():
            return "stale", "the file is gone"
        text = target.read_text(encoding="utf-8")
        count = text.count(m.original)
        if count != 1:
            return "stale", f"the original text occurs {count} times"
        log = self.logs / f"{m.ident}.log"
        log.unlink(missing_ok=True)
        saved = self.backup / m.path
        saved.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(target, saved)
        try:
            target.write_text(text.replace(m.original, m.replacement), encoding="utf-8")
            failed = self.suite(log, FIRST_TESTS.get(m.path.split("/")[0]))
            if failed == "build failure":
                return failed, f"see {log}"
        finally:
            shutil.copyfile(saved, target)
            shutil.rmtree(self.backup)
        if failed:
            return "killed", failed
        if m.equivalent:
            return "equivalent", m.equivalent
        return "survived", ""


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("ids", nargs="*", help="run only these mutants")
    parser.add_argument("--list", default=str(DEFAULT_LIST), help="the mutant list (default: %(default)s)")
    parser.add_argument("--build-dir", default=str(ROOT / "build-mutation"),
                        help="build directory of its own (default: %(default)s)")
    parser.add_argument("-j", "--jobs", type=int, default=2, help="parallel build and test jobs (default: 2)")
    parser.add_argument("--timeout", type=int, default=900,
                        help="seconds one ctest run may take before the mutant counts as killed (default: 900)")
    parser.add_argument("--no-baseline", action="store_true",
                        help="skip the check that the unchanged suite passes")
    parser.add_argument("--list-ids", action="store_true", help="print the mutant ids and stop")
    args = parser.parse_args()

    mutants, errors = parse_list(Path(args.list))
    if errors:
        sys.exit("\n".join(errors))
    if args.list_ids:
        for m in mutants:
            print(f"{m.ident:40} {m.path}")
        return 0
    unknown = [i for i in args.ids if i not in {m.ident for m in mutants}]
    if unknown:
        sys.exit("unknown mutant id(s): " + ", ".join(unknown))
    chosen = [m for m in mutants if not args.ids or m.ident in args.ids]

    def interrupted(signum, frame):
        raise Interrupted(signal.Signals(signum).name)
    signal.signal(signal.SIGINT, interrupted)
    signal.signal(signal.SIGTERM, interrupted)

    runner = Runner(args)
    runner.restore_leftovers()
    print(f"{len(chosen)} mutant(s) from {args.list}, build in {runner.build}", flush=True)
    results = []
    started = time.monotonic()
    try:
        if not runner.configure() or not runner.compile(runner.logs / "baseline.log"):
            sys.exit(f"the unchanged tree does not build; see {runner.logs / 'baseline.log'}")
        if not args.no_baseline:
            failed = runner.suite(runner.logs / "baseline.log")
            if failed:
                sys.exit(f"the unchanged suite fails ({failed}); see {runner.logs / 'baseline.log'}")
        for n, m in enumerate(chosen, 1):
            begun = time.monotonic()
            verdict, detail = runner.mutate(m)
            results.append((m, verdict, detail))
            print(f"[{n:2}/{len(chosen)}] {m.ident:38} {m.path:32} {verdict}"
                  f"{' (' + detail + ')' if detail else ''}  {time.monotonic() - begun:.0f} s", flush=True)
    except Interrupted as why:
        print(f"\ninterrupted ({why}); every file is back as it was", flush=True)

    count = {v: sum(1 for _, verdict, _ in results if verdict == v)
             for v in ("killed", "survived", "equivalent", "build failure", "stale")}
    survivors = [m for m, verdict, _ in results if verdict == "survived"]
    if survivors:
        print("\nSurvivors:")
        for m in survivors:
            print(f"  {m.ident:38} {m.path}: '{m.original.strip()}' -> '{m.replacement.strip()}'")
    judged = count["killed"] + count["survived"]
    score = f"{100.0 * count['killed'] / judged:.1f}%" if judged else "n/a"
    print(f"\n{len(results)} of {len(chosen)} run in {(time.monotonic() - started) / 60:.0f} min: "
          + ", ".join(f"{n} {v}" for v, n in count.items()))
    print(f"Mutation score: {count['killed']}/{judged} killed = {score}")
    return 0 if len(results) == len(chosen) else 130


if __name__ == "__main__":
    sys.exit(main())
