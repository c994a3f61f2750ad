#!/usr/bin/env python3
"""dupscan-tidy's search for folders that are copies of others, on the two shapes that once made
it quadratic: many sibling folders copied whole (day folders of photos and their backup), and one
deep chain of folders copied whole.

Usage: bench/copy_folders_bench.py BUILD_DIR [--days N...] [--depth N...]
(default: --days 1000 2000 --depth 500 2000 4000)

For each tree: dupscan's report, then `dupscan-tidy plan` (the reading and checking of the report
that every command does) and `dupscan-tidy summary` (the same and the search for copied folders),
each with its wall time and peak memory from GNU time. The search's own cost is the difference.
"""

import argparse
import os
import subprocess
import tempfile


def make_days(root, count):
    for top in ("photos", "backup"):
        for day in range(count):
            folder = os.path.join(root, top, "day%05d" % day)
            os.makedirs(folder)
            for name, text in (("a.jpg", "a%d\n" % day), ("b.jpg", "bb%d\n" % day)):
                with open(os.path.join(folder, name), "w") as file:
                    file.write(text)
    return ["photos", "backup"]


def make_deep(root, depth):
    for top in ("one", "two"):
        os.mkdir(os.path.join(root, top))
        here = os.open(os.path.join(root, top), os.O_RDONLY)
        for level in range(depth):  # by descriptor: the paths grow past what a path may hold
            file = os.open("f.txt", os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=here)
            os.write(file, b"x%d\n" % level)
            os.close(file)
            os.mkdir("d", dir_fd=here)
            below = os.open("d", os.O_RDONLY, dir_fd=here)
            os.close(here)
            here = below
        os.close(here)
    return ["one", "two"]


def timed(command, where):
    result = subprocess.run(["/usr/bin/time", "-f", "%e %M"] + command, cwd=where,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True, check=True)
    seconds, kilobytes = result.stderr.split()[-2:]
    return float(seconds), int(kilobytes) // 1024


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--days", type=int, nargs="*", default=[1000, 2000])
    parser.add_argument("--depth", type=int, nargs="*", default=[500, 2000, 4000])
    options = parser.parse_args()
    dupscan = os.path.abspath(os.path.join(options.build, "dupscan"))
    tidy = os.path.abspath(os.path.join(options.build, "dupscan-tidy"))
    print("| tree | plan (s, MB) | summary (s, MB) |\n|---|---|---|")
    trees = [("days", n, make_days) for n in options.days]
    trees += [("depth", n, make_deep) for n in options.depth]
    for kind, count, make in trees:
        root = tempfile.mkdtemp(prefix="copy-folders-")
        try:
            roots = make(root, count)
            subprocess.run([dupscan] + roots, cwd=root, stdout=subprocess.DEVNULL, check=True)
            plan = timed([tidy, "plan"], root)
            summary = timed([tidy, "summary"], root)
            print("| %s %d | %.2f, %d | %.2f, %d |" % ((kind, count) + plan + summary))
        finally:
            subprocess.run(["rm", "-rf", root], check=True)  # past Python's recursion


if __name__ == "__main__":
    main()
