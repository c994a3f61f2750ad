#!/usr/bin/env python3
"""Times dupscan against the other duplicate finders on one tree, warm cache.

Usage: run_bench.py [--runs N] [--dupscan PROGRAM] TARGET...
  TARGET is a profile of make_tree.py (many-small, large, unique-sizes, worst), built or reused
  under --base, or any folder.

Every tool gets the flags that make it do dupscan's job: recursive, hard links and empty files
counted, nothing deleted. Each tool runs once to warm the cache, then --runs times in rotating
order, each in its own scratch folder (rdfind and rmlint write their result files there). The
table shows the median wall time, the median user+sys time and the median peak resident memory,
each with its ratio to dupscan's, and the floors: walking and sizing every file with find, and
reading once every file that dupscan's report lists in a group. The groups of fdupes and jdupes
are checked against dupscan's report.
"""

import argparse
import datetime
import os
import platform
import shutil
import stat
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import make_tree  # noqa: E402

TIME = "/usr/bin/time"
PROJECT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def peer_tools(dupscan):
    """(name, command before the root) for every tool that is installed."""
    tools = [
        ("dupscan", [dupscan]),
        ("fdupes", ["fdupes", "-r", "-H", "-q"]),
        ("jdupes", ["jdupes", "-r", "-H", "-z", "-q"]),
        ("rdfind", ["rdfind", "-removeidentinode", "false", "-ignoreempty", "false"]),
        ("rmlint", ["rmlint", "-T", "df", "-r", "-F"]),
        ("rmlint -t1", ["rmlint", "-T", "df", "-r", "-F", "-t", "1"]),
        ("duff", ["duff", "-r", "-a", "-t", "-q"]),
    ]
    return [tool for tool in tools if shutil.which(tool[1][0])]


class Sample:
    def __init__(self, wall, cpu, peak):
        self.wall = wall  # seconds
        self.cpu = cpu  # user + sys seconds
        self.peak = peak  # bytes


def run_once(command, workdir, stdout_path):
    """Runs one command: wall time measured here; CPU time and peak memory from GNU time, which
    forks the command from its own small process (a child forked from this script would count
    the script's memory as its own peak)."""
    usage_path = os.path.join(workdir, "usage")
    with open(stdout_path, "wb") as out:
        start = time.perf_counter()
        status = subprocess.call([TIME, "-f", "%U %S %M", "-o", usage_path] + command, cwd=workdir,
                                 stdout=out, stderr=subprocess.DEVNULL)
        wall = time.perf_counter() - start
    if status not in (0, 1):
        print("warning: %s exited with %d" % (" ".join(command), status), file=sys.stderr)
    with open(usage_path) as usage:
        user, system, peak = usage.read().split()[-3:]
    return Sample(wall, float(user) + float(system), int(peak) * 1024)


def report_groups(report_path):
    """The groups of a dupscan report as sets of paths; the empty files form one group."""
    groups = []
    current = None
    with open(report_path, "rb") as report:
        for line in report.read().split(b"\n"):
            if line == b"Empty Files:" or line.startswith(b"File Size: "):
                current = set()
            elif line == b"":
                if current:
                    groups.append(frozenset(current))
                current = None
            elif current is not None:
                current.add(line)
    return groups


def listed_groups(output_path, root):
    """The groups of fdupes or jdupes: paths one per line, a blank line after each group."""
    groups = []
    current = set()
    with open(output_path, "rb") as output:
        for line in output.read().split(b"\n"):
            if line == b"":
                if current:
                    groups.append(frozenset(current))
                current = set()
            else:
                current.add(os.path.join(root, line) if not line.startswith(b"/") else line)
    return groups


def count_files(root):
    """Regular files only, as every tool here catalogues them: links and the like do not count."""
    count = 0
    for folder, _, names in os.walk(root):
        for name in names:
            path = os.path.join(folder, name)
            if os.path.isfile(path) and not os.path.islink(path):
                count += 1
    return count


def seconds(value):
    return "%.3f" % value


def mebibytes(value):
    return "%.1f" % (value / (1024 * 1024))


def ratio(value, base):
    return "%.2f" % (value / base) if base > 0 else "-"


def bench_target(target, arguments, dupscan):
    if target in make_tree.PROFILES:
        root = make_tree.ensure_tree(target, arguments.seed, arguments.base)
        title = "%s (seed %d)" % (target, arguments.seed)
    else:
        root = os.path.abspath(target)
        title = root
    files = count_files(root)
    tools = [tool for tool in peer_tools(dupscan)
             if tool[0] == "dupscan" or not arguments.peers or tool[0] in arguments.peers]
    if arguments.baseline:
        tools.insert(1, ("dupscan (baseline)", [arguments.baseline]))
    load_before = os.getloadavg()[0]
    scratch = tempfile.mkdtemp(prefix="dupscan-bench-run-")
    workdirs = {}
    for name, _ in tools:
        workdirs[name] = os.path.join(scratch, name.replace(" ", "_"))
        os.makedirs(workdirs[name])

    def run_tool(name, command):
        return run_once(command + [root], workdirs[name], os.path.join(workdirs[name], "stdout"))

    # Warm-up, which also gives the report whose groups set the read floor.
    for name, command in tools:
        run_tool(name, command)
    groups = report_groups(os.path.join(workdirs["dupscan"], "duplicates.txt"))
    agreement = {"dupscan": "-"}
    if arguments.baseline:
        # Two builds of dupscan must agree to the byte, on the console and in the report.
        def output(name):
            with open(os.path.join(workdirs[name], "duplicates.txt"), "rb") as report, \
                    open(os.path.join(workdirs[name], "stdout"), "rb") as console:
                return report.read(), console.read()
        agreement["dupscan (baseline)"] = "same bytes" \
            if output("dupscan (baseline)") == output("dupscan") else "NO: output differs"
    for name in ("fdupes", "jdupes"):
        if name in workdirs:
            theirs = listed_groups(os.path.join(workdirs[name], "stdout"), root.encode())
            agreement[name] = "yes" if sorted(map(sorted, theirs)) == sorted(map(sorted, groups)) \
                else "NO (%d groups, dupscan %d)" % (len(theirs), len(groups))
    duplicated = sorted({path for group in groups for path in group})
    read_list = os.path.join(scratch, "duplicated-files")
    with open(read_list, "wb") as out:
        out.write(b"\0".join(duplicated) + (b"\0" if duplicated else b""))
    floors = [
        ("floor: walk (find -printf %s)", ["find", root, "-type", "f", "-printf", "%s\n"]),
        ("floor: read duplicated files once", ["xargs", "-0", "-r", "-a", read_list, "cat"]),
    ]
    # Not a floor of the targets, but what they leave out: every file whose size another file
    # shares must be opened and sampled, and head does just that, 512 bytes of each.
    sample_list = os.path.join(scratch, "shared-size-files")
    with open(sample_list, "wb") as out:
        out.write(b"".join(path + b"\0" for path in shared_size_files(root)))
    references = [
        ("reference: sample shared sizes (head -c 512)",
         ["xargs", "-0", "-r", "-a", sample_list, "head", "-q", "-c", "512"]),
    ]
    for _, command in floors + references:
        run_once(command, scratch, os.devnull)

    samples = {name: [] for name, _ in tools + floors + references}
    entries = tools + floors + references
    for round_number in range(arguments.runs):
        shift = round_number % len(entries)
        for name, command in entries[shift:] + entries[:shift]:
            if name.startswith(("floor:", "reference:")):
                samples[name].append(run_once(command, scratch, os.devnull))
            else:
                samples[name].append(run_tool(name, command))
    shutil.rmtree(scratch)

    def median(name, field):
        return statistics.median(getattr(sample, field) for sample in samples[name])

    base_wall = median("dupscan", "wall")
    base_cpu = median("dupscan", "cpu")
    base_peak = median("dupscan", "peak")
    lines = [
        "### %s" % title,
        "",
        "%d files, %d in duplicate groups; median of %d warm runs; load average %.2f before, "
        "%.2f after." % (files, len(duplicated), arguments.runs, load_before, os.getloadavg()[0]),
        "",
        "| tool | wall s | × dupscan | user+sys s | × dupscan | peak MiB | × dupscan "
        "| peak B/file | groups agree |",
        "|---|---:|---:|---:|---:|---:|---:|---:|---|",
    ]
    for name, _ in tools:
        wall = median(name, "wall")
        cpu = median(name, "cpu")
        peak = median(name, "peak")
        lines.append("| %s | %s | %s | %s | %s | %s | %s | %d | %s |" % (
            name, seconds(wall), ratio(wall, base_wall), seconds(cpu), ratio(cpu, base_cpu),
            mebibytes(peak), ratio(peak, base_peak), peak // max(files, 1),
            agreement.get(name, "-")))
    floor_total = 0.0
    for name, _ in floors:
        wall = median(name, "wall")
        floor_total += wall
        lines.append("| %s | %s | %s | | | | | | |" % (name, seconds(wall), ratio(wall, base_wall)))
    lines.append("| floor: walk + read | %s | %s | | | | | | |" % (
        seconds(floor_total), ratio(floor_total, base_wall)))
    for name, _ in references:
        wall = median(name, "wall")
        lines.append("| %s | %s | %s | | | | | | |" % (name, seconds(wall), ratio(wall, base_wall)))
    return "\n".join(lines) + "\n"


def shared_size_files(root):
    """Every regular file under root whose size another file there shares, as bytes paths."""
    by_size = {}
    for folder, _, names in os.walk(os.fsencode(root)):
        for name in names:
            path = os.path.join(folder, name)
            try:
                status = os.lstat(path)
            except OSError:
                continue
            if stat.S_ISREG(status.st_mode):
                by_size.setdefault(status.st_size, []).append(path)
    return [path for paths in by_size.values() if len(paths) > 1 for path in paths]


def machine_text(dupscan):
    """Date, machine and versions, for the head of a results file."""
    cpu = platform.processor() or "unknown processor"
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    cpu = line.split(":", 1)[1].strip()
                    break
    except OSError:
        pass
    memory = os.sysconf("SC_PAGE_SIZE") * os.sysconf("SC_PHYS_PAGES") / 2 ** 30
    versions = []
    for name, command in [("fdupes", ["fdupes", "--version"]), ("jdupes", ["jdupes", "--version"]),
                          ("rdfind", ["rdfind", "--version"]), ("rmlint", ["rmlint", "--version"]),
                          ("duff", ["duff", "-v"])]:
        if shutil.which(command[0]):
            result = subprocess.run(command, capture_output=True, text=True)
            text = (result.stdout + result.stderr).strip().splitlines()
            first = text[0].strip() if text else ""
            versions.append(first if first.startswith(name) else (name + " " + first).strip())
    return "\n".join([
        "- Date: %s" % datetime.datetime.now().strftime("%Y-%m-%d %H:%M"),
        "- Machine: %s, %d cores, %.0f GiB, Linux %s" % (cpu, os.cpu_count(), memory,
                                                       platform.release()),
        # Never a path of this machine: the program's place in the project, or its name.
        "- dupscan: %s" % (os.path.relpath(dupscan, PROJECT)
                         if dupscan.startswith(PROJECT + os.sep) else os.path.basename(dupscan)),
        "- Peers: %s" % "; ".join(versions),
        "",
    ])


def default_dupscan():
    for preset in ("bench", "release"):
        candidate = os.path.join(PROJECT, "build", preset, "dupscan")
        if os.access(candidate, os.X_OK):
            return candidate
    return "dupscan"


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("targets", nargs="+", metavar="TARGET")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--base", default=os.path.join(tempfile.gettempdir(), "dupscan-bench"),
                        help="folder that holds the generated trees (default: %(default)s)")
    parser.add_argument("--peers", nargs="*", metavar="PEER",
                        help="time only these peers (default: all that are installed)")
    parser.add_argument("--baseline", metavar="PROGRAM",
                        help="another dupscan build to time beside the first, such as the one "
                             "before a change")
    parser.add_argument("--dupscan", default=default_dupscan(),
                        help="the program to time (default: %(default)s)")
    arguments = parser.parse_args()
    dupscan = os.path.abspath(arguments.dupscan) if os.sep in arguments.dupscan \
        else arguments.dupscan
    if arguments.baseline and os.sep in arguments.baseline:
        arguments.baseline = os.path.abspath(arguments.baseline)
    print(machine_text(dupscan))
    for target in arguments.targets:
        print(bench_target(target, arguments, dupscan))
        sys.stdout.flush()


if __name__ == "__main__":
    main()
