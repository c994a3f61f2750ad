#!/usr/bin/env python3
"""`dupscan-tidy apply` on one deep chain of folders with duplicates at every level: the shape that
made its cost per pair grow with the depth when each pair's folders were held from the top.

Usage: bench/deep_apply_bench.py BUILD_DIR [--depth N...] [--shape pairs|top...]
       [--action remove|link|move...]
(default: --depth 1000 2000 4000 --shape pairs top --action remove link)

Shapes: `pairs`, two equal files in every folder of the chain, a group for each level; `top`, one
file at the top of the tree and a copy of it in every folder of the chain, one group (the top one
kept). For each depth, shape and action a new tree: dupscan's report, then `dupscan-tidy plan`
and `apply --within` the tree (with `move`, `undo` after it), each with its wall time and peak
memory from GNU time. dupscan's paths stop at the system's longest, about 2,040 levels of this
chain: deeper levels are in no report.
"""

import argparse
import os
import subprocess
import tempfile


def make_chain(root, depth, shape):
    os.mkdir(os.path.join(root, "t"))
    here = os.open(os.path.join(root, "t"), os.O_RDONLY)
    if shape == "top":
        with open(os.path.join(root, "t", "k"), "w") as file:
            file.write("the same bytes\n")
    for level in range(depth):  # by descriptor: the paths grow past what a path may hold
        os.mkdir("d", dir_fd=here)
        below = os.open("d", os.O_RDONLY, dir_fd=here)
        os.close(here)
        here = below
        names = ("a", "b") if shape == "pairs" else ("c",)
        for name in names:
            file = os.open(name, os.O_WRONLY | os.O_CREAT, 0o644, dir_fd=here)
            os.write(file, b"the same bytes\n" if shape == "top" else b"level %d\n" % level)
            os.close(file)
    os.close(here)


def timed(command, where):
    result = subprocess.run(["/usr/bin/time", "-f", "%e %U %S %M"] + command, cwd=where,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    seconds, user, system, kilobytes = result.stderr.split()[-4:]
    exit = "" if result.returncode == 0 else " (exit %d)" % result.returncode
    return "%.2f s (cpu %.2f), %d MB%s" % (float(seconds), float(user) + float(system),
                                           int(kilobytes) // 1024, exit)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--depth", type=int, nargs="*", default=[1000, 2000, 4000])
    parser.add_argument("--shape", nargs="*", default=["pairs", "top"])
    parser.add_argument("--action", nargs="*", default=["remove", "link"])
    parser.add_argument("--base", default=None, help="where the trees are made")
    options = parser.parse_args()
    dupscan = os.path.abspath(os.path.join(options.build, "dupscan"))
    tidy = os.path.abspath(os.path.join(options.build, "dupscan-tidy"))
    print("| depth | shape | action | dupscan | plan | apply | undo |\n|---|---|---|---|---|---|---|")
    for depth in options.depth:
        for shape in options.shape:
            for action in options.action:
                root = tempfile.mkdtemp(prefix="deep-apply-", dir=options.base)
                try:
                    make_chain(root, depth, shape)
                    os.mkdir(os.path.join(root, "held"))
                    scan = timed([dupscan, "t"], root)
                    rules = ["--keep", "shortest"] if shape == "top" else []
                    acting = ["--action", action] + rules
                    holding = ["--holding", "held"] if action == "move" else []
                    plan = timed([tidy, "plan"] + acting + holding, root)
                    apply = timed([tidy, "apply", "--within", "t"] + acting + holding, root)
                    undo = (timed([tidy, "undo", "--within", "t"] + holding, root)
                            if action == "move" else "")
                    print("| %d | %s | %s | %s | %s | %s | %s |" %
                          (depth, shape, action, scan, plan, apply, undo), flush=True)
                finally:
                    subprocess.run(["rm", "-rf", root], check=True)  # past Python's recursion


if __name__ == "__main__":
    main()
