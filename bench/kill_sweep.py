#!/usr/bin/env python3
"""Kills dupscan-tidy apply at random moments and checks that no content is ever lost.

Usage: kill_sweep.py BUILD_DIR [--kills N] [--seed N] [--action ACTION]... [--groups N]
                     [--base DIR] [--btrfs] [--only K] [--keep-going]

For each action (remove, link, reflink, move) it builds one tree, the same for every kill: about
--groups groups of 2 to 4 copies, sizes from a byte to 3 MiB (most small, a few large), some
copies hard links of each other, some groups with a copy outside the --within folder (kept, never
touched), files of a group's size with other bytes, unique files and empty files. Three full
applies are timed first. Then, until --kills applies were killed: the tree is laid anew, dupscan
writes its report, every regular file's bytes are hashed, `dupscan-tidy apply --action ACTION
--within tree` starts and gets SIGKILL after a random delay between 0 and the shortest full
apply's time (one that ended before its kill is settled and checked too, and counted apart). The
settling run follows: for move `undo`, for the others the next `apply` on the same report, each
to its end; then, for remove, link and reflink, dupscan again and one more apply to its end.
After each of these runs:

  - every distinct content that was there before is still there at least once;
  - no file outside the tree changed (bytes, identity, size, time, mode) and none appeared;
  - each name still there holds the bytes it held; link and reflink keep every name, and undo
    puts every moved file back where it was;
  - no .dupscan-tidy.* name is left once the settling run ended, and it left none alone;
  - the statuses are sane: the killed apply died of the signal (or ended first, 0 or 1: counted),
    the settling apply gave 0 or 1 and undo 0 (2 when the apply was killed before it made its
    journal), the last apply 0.

The first fault ends that action's sweep (unless --keep-going): its folder is kept for a look,
and a line says how to run that try again.

reflink runs on a Btrfs file system in a loop image (1 GiB, sparse, under --base): that needs
root, mkfs.btrfs (Debian's btrfs-progs) and a loop device; where any is missing it says so and
skips that action. The others run under --base (the system's temp folder by default; /dev/shm
keeps the sweep off the disk), or with --btrfs in the loop image too, where each flush of the
journal and each rename does a journaling file system's work (on tmpfs they cost next to nothing),
so the steps and the gaps between them are of other lengths.

The tree and the delays come from --seed, so a sweep is repeated kill for kill; where the kill
lands within the apply still depends on the machine's speed at that moment. --only K runs the
K-th try of each action alone (the same tree, and the same part of the full apply's time).
Prints a Markdown table at the end.
"""

import argparse
import hashlib
import os
import random
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

KIB = 1024
MIB = 1024 * KIB
ACTIONS = ("remove", "link", "reflink", "move")
SPARE_PREFIX = ".dupscan-tidy."
SETTLED = "left by an interrupted apply"  # a spare name dealt with, or left for a person to see
JOURNAL = "dupscan-tidy.journal"
LEFT_ALONE = "neither the copy nor a copy of a file still there"


class Fault(Exception):
    pass


# ---------------------------------------------------------------------------------------------
# The tree


def pick_size(rng):
    roll = rng.random()
    if roll < 0.6:
        return rng.randint(1, 64 * KIB)
    if roll < 0.92:
        return rng.randint(64 * KIB, MIB)
    return rng.randint(MIB, 3 * MIB)


class TreeLayout:
    """Every file of the tree as (relative path, content key, hard-link source or None)."""

    def __init__(self, seed, groups):
        rng = random.Random(seed)
        self.pool = rng.randbytes(4 * MIB)
        self.contents = {}  # key -> (size, offset)
        self.files = []  # (path, key, link_to)
        folders = ["tree/" + "/".join(f"d{rng.randrange(6)}" for _ in range(rng.randint(1, 3)))
                   for _ in range(40)]
        outside = ["outside", "outside/keep"]
        for g in range(groups):
            size = pick_size(rng)
            key = self.content(rng, f"g{g}", size)
            names = [f"{rng.choice(folders)}/g{g}-c{c}.bin" for c in range(rng.randint(2, 4))]
            roll = rng.random()
            if roll < 0.1:  # one copy outside --within: it is kept and must never change
                names[0] = f"{rng.choice(outside)}/g{g}-out.bin"
            for name in names:
                self.files.append((name, key, None))
            if roll > 0.9:  # another name of one copy
                self.files.append((f"{rng.choice(folders)}/g{g}-hl.bin", key, names[-1]))
            elif 0.85 < roll <= 0.9:  # a name outside of a copy inside
                self.files.append((f"outside/g{g}-hl.bin", key, names[-1]))
            if rng.random() < 0.15:  # the group's size, other bytes
                other = self.content(rng, f"g{g}-other", size)
                self.files.append((f"{rng.choice(folders)}/g{g}-other.bin", other, None))
        for u in range(60):
            key = self.content(rng, f"u{u}", pick_size(rng))
            self.files.append((f"{rng.choice(folders)}/u{u}.bin", key, None))
        for e in range(5):
            self.contents[f"e{e}"] = (0, 0)
            self.files.append((f"{rng.choice(folders)}/empty{e}", f"e{e}", None))

    def content(self, rng, key, size):
        self.contents[key] = (size, rng.randrange(0, len(self.pool) - min(size, MIB) + 1))
        return key

    def data(self, key):
        size, offset = self.contents[key]
        head = key.encode().ljust(16, b".")[:min(size, 16)]
        body = bytearray()
        while len(body) < size - len(head):
            body += self.pool[offset:offset + min(MIB, size - len(head) - len(body))]
            offset = (offset * 7 + 4099) % (len(self.pool) - MIB)
        return head + bytes(body)

    def lay(self, work):
        if os.path.exists(work):
            shutil.rmtree(work)
        for sub in ("tree", "outside/keep", "holding"):
            os.makedirs(os.path.join(work, sub))
        for name, key, link_to in self.files:
            path = os.path.join(work, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            if link_to is not None:
                os.link(os.path.join(work, link_to), path)
                continue
            with open(path, "wb") as out:
                out.write(self.data(key))


# ---------------------------------------------------------------------------------------------
# What the tree holds


def snapshot(work, digests=True):
    """relative path -> (sha256, inode, size, mtime_ns, mode) for every regular file; and every
    other name found (spare names, links, anything else). Without digests, the names only."""
    files, spares = {}, []
    for top in ("tree", "outside", "holding"):
        for folder, dirs, names in os.walk(os.path.join(work, top)):
            for name in dirs + names:
                rel = os.path.relpath(os.path.join(folder, name), work)
                if name.startswith(SPARE_PREFIX):
                    spares.append(rel)
            for name in names:
                path = os.path.join(folder, name)
                info = os.lstat(path)
                rel = os.path.relpath(path, work)
                if not stat.S_ISREG(info.st_mode):
                    spares.append(rel)
                    continue
                if not digests:
                    continue
                digest = hashlib.sha256()
                with open(path, "rb") as f:
                    while chunk := f.read(MIB):
                        digest.update(chunk)
                files[rel] = (digest.hexdigest(), info.st_ino, info.st_size, info.st_mtime_ns,
                              info.st_mode)
    return files, spares


def check_state(action, before, after, after_undo):
    """Raises Fault naming the faults found, lost contents first."""
    files, spares = after
    faults = []
    lost = {entry[0] for entry in before.values()} - {entry[0] for entry in files.values()}
    if lost:
        faults.append(f"{len(lost)} contents lost: " + ", ".join(
            sorted(p for p, e in before.items() if e[0] in lost)[:8]))
    if spares:
        faults.append(f"spare names left: {spares[:8]}")
    for path, entry in before.items():
        now = files.get(path)
        if path.startswith("outside/"):
            # The hard-link count is the only thing a change inside may move (not recorded).
            if now != entry:
                faults.append(f"outside file changed: {path}: {entry} -> {now}")
        elif now is not None and now[0] != entry[0]:
            faults.append(f"{path} holds other bytes")
        elif now is None and (action in ("link", "reflink") or after_undo):
            faults.append(f"{path} is gone")
    for path in files:
        if path not in before and not (action == "move" and not after_undo
                                       and path.startswith("holding/")):
            faults.append(f"new file {path}")
    if faults:
        raise Fault("; ".join(faults[:6]) + (f" (and {len(faults) - 6} more)" if len(faults) > 6
                                               else ""))


# ---------------------------------------------------------------------------------------------
# Running the programs


class Programs:
    def __init__(self, build):
        self.dupscan = os.path.abspath(os.path.join(build, "dupscan"))
        self.tidy = os.path.abspath(os.path.join(build, "dupscan-tidy"))
        for program in (self.dupscan, self.tidy):
            if not os.access(program, os.X_OK):
                sys.exit(f"kill_sweep: no program {program}: build it first")

    def scan(self, work):
        run = subprocess.run([self.dupscan, "tree", "outside"], cwd=work,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if run.returncode != 0:
            raise Fault(f"dupscan exited {run.returncode}: {run.stderr.decode(errors='replace')}")

    def tidy_args(self, command, action):
        args = [self.tidy, command, "--within", "tree"]
        if action == "move":
            args += ["--holding", "holding"]
        if command == "apply":
            args += ["--action", action]
        return args

    def run(self, work, command, action, sane):
        run = subprocess.run(self.tidy_args(command, action), cwd=work, stdout=subprocess.PIPE,
                             stderr=subprocess.STDOUT)
        out = run.stdout.decode(errors="replace")
        # The lines worth showing: all but the plain ones of steps done.
        shown = "\n".join(line for line in out.splitlines() if SETTLED in line or not
                           line.startswith(("removed ", "linked ", "reflinked ", "moved ")))
        if run.returncode not in sane:
            raise Fault(f"{command} exited {run.returncode}:\n{shown[-4000:]}")
        if LEFT_ALONE in out:
            raise Fault(f"{command} left a spare name:\n{shown[-4000:]}")
        return out

    def start(self, work, action):
        return subprocess.Popen(self.tidy_args("apply", action), cwd=work,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


# ---------------------------------------------------------------------------------------------
# Reflink's file system


class LoopBtrfs:
    """A Btrfs file system in a sparse image, mounted while the sweep of reflink runs."""

    def __init__(self, base, action):
        self.image = os.path.join(base, f"kill-sweep-btrfs-{action}.img")
        self.mount = os.path.join(base, f"kill-sweep-btrfs-{action}")
        self.device, self.mounted, self.keep = None, False, False

    def __enter__(self):
        if os.geteuid() != 0:
            raise OSError("mounting a loop image needs root")
        if not shutil.which("mkfs.btrfs"):
            raise OSError("no mkfs.btrfs (Debian's btrfs-progs)")
        try:
            with open(self.image, "wb") as f:
                f.truncate(1024 * MIB)
            subprocess.run(["mkfs.btrfs", "-q", "-f", self.image], check=True,
                           capture_output=True)
            self.device = subprocess.run(["losetup", "-f", "--show", self.image], check=True,
                                         capture_output=True, text=True).stdout.strip()
            os.makedirs(self.mount, exist_ok=True)
            subprocess.run(["mount", self.device, self.mount], check=True, capture_output=True)
        except BaseException:
            self.__exit__()
            raise
        self.mounted = True
        return self

    def __exit__(self, *_):
        if self.keep:  # a fault's folder stays to be looked at
            print(f"  still mounted: {self.mount} ({self.device}, {self.image})", file=sys.stderr)
            return
        if self.mounted:
            subprocess.run(["umount", self.mount], capture_output=True)
        if os.path.isdir(self.mount):
            os.rmdir(self.mount)
        if self.device:
            subprocess.run(["losetup", "-d", self.device], capture_output=True)
        if os.path.exists(self.image):
            os.unlink(self.image)


# ---------------------------------------------------------------------------------------------
# The sweep


class Tally:
    def __init__(self, action):
        self.action = action
        self.kills = self.ended_first = self.spares_after_kill = self.lost = 0
        self.faults = []
        self.full = self.elapsed = 0.0


def settle(programs, work, action, before):
    if action == "move":
        # An apply killed before it made its journal moved nothing, and undo has nothing to read.
        journal = os.path.exists(os.path.join(work, JOURNAL))
        programs.run(work, "undo", action, (0,) if journal else (2,))
        check_state(action, before, snapshot(work), after_undo=True)
        return
    programs.run(work, "apply", action, (0, 1))
    check_state(action, before, snapshot(work), after_undo=False)
    programs.scan(work)
    programs.run(work, "apply", action, (0,))
    check_state(action, before, snapshot(work), after_undo=False)


def one_kill(programs, layout, work, action, delay, tally):
    """One apply killed after delay seconds and settled; False when it ended before the kill."""
    layout.lay(work)
    programs.scan(work)
    before, _ = snapshot(work)
    process = programs.start(work, action)
    time.sleep(delay)
    if process.poll() is None:  # one that ended meanwhile is not reaped yet: the kill is harmless
        os.kill(process.pid, signal.SIGKILL)
    status = process.wait()
    if status not in (-signal.SIGKILL, 0, 1):
        raise Fault(f"the apply to be killed exited {status}")
    killed = status == -signal.SIGKILL
    tally.kills += killed
    tally.ended_first += not killed
    _, spares = snapshot(work, digests=False)
    tally.spares_after_kill += bool(spares)
    settle(programs, work, action, before)
    return killed


def measure(programs, layout, work, action):
    """The shortest of three full applies, each checked as a settling run is."""
    times = []
    for _ in range(3):
        layout.lay(work)
        programs.scan(work)
        before, _ = snapshot(work)
        start = time.monotonic()
        programs.run(work, "apply", action, (0,))
        times.append(time.monotonic() - start)
        check_state(action, before, snapshot(work), after_undo=False)
        if action == "move":
            programs.run(work, "undo", action, (0,))
            check_state(action, before, snapshot(work), after_undo=True)
    return min(times)


def sweep(programs, layout, base, action, args):
    """Kills until --kills applies were killed: one that ended first is tried again with the
    next delay (at most three times as many tries)."""
    tally = Tally(action)
    work = os.path.join(base, f"kill-sweep-{action}")
    started = time.monotonic()
    try:
        tally.full = measure(programs, layout, work, action)
    except Fault as fault:
        tally.lost += "contents lost" in str(fault)
        tally.faults.append(f"a full apply: {fault}")
        print(f"{action}: FAULT in a full apply: {fault}\n  the folder is kept: {work}",
              file=sys.stderr)
        return tally
    rng = random.Random(f"{args.seed}:{action}")
    print(f"{action}: full apply {tally.full:.2f} s; {args.kills} kills", file=sys.stderr)
    attempt = 0
    while tally.kills < args.kills and attempt < 3 * args.kills:
        attempt += 1
        # A fraction of the full apply: --only K lands where try K did, on a machine as busy.
        delay = rng.random() * tally.full
        if args.only and attempt != args.only:
            if attempt > args.only:
                break
            continue
        try:
            one_kill(programs, layout, work, action, delay, tally)
        except Fault as fault:
            tally.lost += "contents lost" in str(fault)
            tally.faults.append(f"try {attempt} at {delay:.3f} s: {fault}")
            print(f"{action}: FAULT at try {attempt} (delay {delay:.3f} s): {fault}\n"
                  f"  the folder is kept: {work}\n  again: {sys.argv[0]} {args.build} "
                  f"--action {action} --seed {args.seed} --groups {args.groups} "
                  f"--base {args.base}{' --btrfs' * args.btrfs} --only {attempt}",
                  file=sys.stderr)
            if not args.keep_going:
                break
        print(f"{action}: {tally.kills}/{args.kills} kills, {len(tally.faults)} faults",
              end="\r", file=sys.stderr)
    tally.elapsed = time.monotonic() - started
    if not tally.faults:
        shutil.rmtree(work)
    print(file=sys.stderr)
    return tally


def run_action(programs, layout, args, action):
    if action != "reflink" and not args.btrfs:
        return sweep(programs, layout, args.base, action, args)
    try:
        with LoopBtrfs(args.base, action) as loop:
            tally = sweep(programs, layout, loop.mount, action, args)
            loop.keep = bool(tally.faults)
            return tally
    except (OSError, subprocess.CalledProcessError) as error:
        reason = getattr(error, "stderr", None) or error
        print(f"{action}: skipped: no Btrfs file system could be made here: {reason}",
              file=sys.stderr)
        return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("build", help="the build folder holding dupscan and dupscan-tidy")
    parser.add_argument("--kills", type=int, default=50)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--action", action="append", choices=ACTIONS)
    parser.add_argument("--groups", type=int, default=300)
    parser.add_argument("--base", default=tempfile.gettempdir())
    parser.add_argument("--only", type=int, help="run only the K-th try of each action")
    parser.add_argument("--keep-going", action="store_true", help="go on after a fault")
    parser.add_argument("--btrfs", action="store_true",
                        help="every action on the loop Btrfs, not only reflink")
    args = parser.parse_args()
    # A sweep stopped with SIGTERM still unmounts its file system and frees its loop device.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    programs = Programs(args.build)
    layout = TreeLayout(args.seed, args.groups)
    total = sum(layout.contents[key][0] for _, key, link in layout.files if link is None)
    print(f"tree: {len(layout.files)} names, {total / MIB:.0f} MiB, seed {args.seed}",
          file=sys.stderr)
    print("| action | kills | ended before the kill | spare names after the kill | "
          "contents lost | other faults | full apply | sweep |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|")
    failed = False
    for action in args.action or ACTIONS:
        tally = run_action(programs, layout, args, action)
        if tally is None:
            print(f"| {action} | skipped: no Btrfs file system here | | | | | | |")
            continue
        failed |= bool(tally.faults)
        print(f"| {action} | {tally.kills} | {tally.ended_first} | {tally.spares_after_kill} | "
              f"{tally.lost} | {len(tally.faults) - tally.lost} | {tally.full:.2f} s | "
              f"{tally.elapsed:.0f} s |", flush=True)
        for fault in tally.faults:
            print(f"\n- {action}, {fault}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
