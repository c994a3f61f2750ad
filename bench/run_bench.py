#!/usr/bin/env python3
"""Times dupscan against the other duplicate finders on one tree, warm or cold cache.

Usage: run_bench.py [--runs N] [--cold] [--dupscan PROGRAM] [--baseline [LABEL=]PROGRAM]... TARGET...
  TARGET is a profile of make_tree.py (many-small, large, unique-sizes, worst, look-alikes,
  look-alikes-200k, identical, home-like, snapshot, hard-links), built or reused under --base,
  or any folder; "twice:TARGET" gives every tool its root twice.

Every tool gets the flags that make it do dupscan's job: recursive, hard links and empty files
counted, nothing deleted. Each tool runs once (which also gives the reports the floors and the
checks need), then --runs times in rotating order, each in its own scratch folder (rdfind and
rmlint write their result files there). The table shows the median wall time, the median
user+sys time and the median peak resident memory, each with its ratio to dupscan's, and the
floors: walking and sizing every file with find, and reading once every file that dupscan's
report lists in a group. The groups of fdupes and jdupes are checked against dupscan's report,
and every baseline's console and report against dupscan's, byte for byte.

--cold drops the system's caches (sync; echo 3 > /proc/sys/vm/drop_caches) before every timed
run, floors included. It needs root; without it the script says so and times nothing.
CPU and memory come from GNU time (/usr/bin/time, Debian's package "time").
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
DROP_CACHES = "/proc/sys/vm/drop_caches"
PROJECT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TWICE = "twice:"


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


def has_gnu_time():
    """True when TIME is GNU time, whose -f and -o this script needs."""
    try:
        result = subprocess.run([TIME, "--version"], capture_output=True, text=True)
    except OSError:
        return False
    return "GNU" in result.stdout + result.stderr


def can_drop_caches():
    return os.access(DROP_CACHES, os.W_OK)


def drop_caches():
    """Writes every dirty page out, then drops the page cache, dentries and inodes."""
    os.sync()
    with open(DROP_CACHES, "w") as control:
        control.write("3\n")


def run_once(command, workdir, stdout_path, cold=False):
    """Runs one command: wall time measured here; CPU time and peak memory from GNU time, which
    forks the command from its own small process (a child forked from this script would count
    the script's memory as its own peak)."""
    usage_path = os.path.join(workdir, "usage")
    if cold:
        drop_caches()
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


def seconds(value):
    return "%.3f" % value


def mebibytes(value):
    return "%.1f" % (value / (1024 * 1024))


def ratio(value, base):
    return "%.2f" % (value / base) if base > 0 else "-"


def resolve_target(target, arguments):
    """(root, title, roots given to each tool) of a TARGET argument."""
    twice = target.startswith(TWICE)
    name = target[len(TWICE):] if twice else target
    if name in make_tree.PROFILES:
        root = make_tree.ensure_tree(name, arguments.seed, arguments.base)
        title = "%s (seed %d)" % (name, arguments.seed)
    else:
        root = os.path.abspath(name)
        title = root
    if twice:
        title += ", root given twice"
    return root, title, [root, root] if twice else [root]


def chosen_tools(arguments, dupscan):
    """dupscan, each baseline after it, then the chosen peers."""
    tools = [tool for tool in peer_tools(dupscan)
             if tool[0] == "dupscan" or not arguments.peers or tool[0] in arguments.peers]
    for number, baseline in enumerate(arguments.baseline or []):
        label, program = baseline
        tools.insert(1 + number, ("dupscan (%s)" % label, [program]))
    return tools


def same_output(workdirs, first, second):
    """Whether two builds of dupscan wrote the same console and report, byte for byte."""
    def output(name):
        with open(os.path.join(workdirs[name], "duplicates.txt"), "rb") as report, \
                open(os.path.join(workdirs[name], "stdout"), "rb") as console:
            return report.read(), console.read()
    return output(first) == output(second)


def agreement_of(tools, workdirs, groups, root, twice):
    """The last column: baselines against dupscan byte for byte, fdupes and jdupes by groups."""
    agreement = {"dupscan": "-"}
    for name, _ in tools:
        if name.startswith("dupscan ("):
            agreement[name] = "same bytes" if same_output(workdirs, name, "dupscan") \
                else "NO: output differs"
    for name in ("fdupes", "jdupes"):
        # With the root twice each lists every path twice over, in its own way: not compared.
        if name in workdirs and not twice:
            theirs = listed_groups(os.path.join(workdirs[name], "stdout"), root.encode())
            agreement[name] = "yes" if sorted(map(sorted, theirs)) == sorted(map(sorted, groups)) \
                else "NO (%d groups, dupscan %d)" % (len(theirs), len(groups))
    return agreement


def floor_commands(root, duplicated, scratch):
    """The floors, and the reference row: what every finder that fingerprints must sample."""
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
    return floors, references


def timed_rounds(entries, runs, run_entry):
    """Every entry `runs` times, the order rotated by one each round; their samples by name."""
    samples = {name: [] for name, _ in entries}
    for round_number in range(runs):
        shift = round_number % len(entries)
        for name, command in entries[shift:] + entries[:shift]:
            samples[name].append(run_entry(name, command))
    return samples


def table_lines(title, files, duplicated, arguments, loads, tools, floors, references, samples,
                agreement):
    def median(name, field):
        return statistics.median(getattr(sample, field) for sample in samples[name])

    base_wall = median("dupscan", "wall")
    base_cpu = median("dupscan", "cpu")
    base_peak = median("dupscan", "peak")
    lines = [
        "### %s" % title,
        "",
        "%d files, %d in duplicate groups; median of %d %s runs; load average %.2f before, "
        "%.2f after." % (files, len(duplicated), arguments.runs,
                         "cold (caches dropped before each)" if arguments.cold else "warm",
                         loads[0], loads[1]),
        "",
        "| tool | wall s | × dupscan | user+sys s | × dupscan | peak MiB | × dupscan "
        "| peak B/file | groups agree |",
        "|---|---:|---:|---:|---:|---:|---:|---:|---|",
    ]
    for name, _ in tools:
        wall, cpu, peak = median(name, "wall"), median(name, "cpu"), median(name, "peak")
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
    return lines


def bench_target(target, arguments, dupscan):
    root, title, roots = resolve_target(target, arguments)
    files = count_files(root)
    tools = chosen_tools(arguments, dupscan)
    load_before = os.getloadavg()[0]
    scratch = tempfile.mkdtemp(prefix="dupscan-bench-run-")
    workdirs = {name: os.path.join(scratch, name.replace(" ", "_").replace("(", "")
                                   .replace(")", "")) for name, _ in tools}
    for folder in workdirs.values():
        os.makedirs(folder)

    def run_entry(name, command, cold=arguments.cold):
        if name in workdirs:
            return run_once(command + roots, workdirs[name],
                            os.path.join(workdirs[name], "stdout"), cold)
        return run_once(command, scratch, os.devnull, cold)

    # The untimed first run of every tool, whose outputs the checks and the read floor use.
    for name, command in tools:
        run_entry(name, command, cold=False)
    groups = report_groups(os.path.join(workdirs["dupscan"], "duplicates.txt"))
    agreement = agreement_of(tools, workdirs, groups, root, len(roots) > 1)
    duplicated = sorted({path for group in groups for path in group})
    floors, references = floor_commands(root, duplicated, scratch)
    for name, command in floors + references:
        run_entry(name, command, cold=False)
    samples = timed_rounds(tools + floors + references, arguments.runs, run_entry)
    shutil.rmtree(scratch)
    lines = table_lines(title, files, duplicated, arguments, (load_before, os.getloadavg()[0]),
                        tools, floors, references, samples, agreement)
    return "\n".join(lines) + "\n"


def machine_text(dupscan, arguments):
    """Date, machine, versions and the programs timed, for the head of a results file."""
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
    lines = [
        "- Date: %s" % datetime.datetime.now().strftime("%Y-%m-%d %H:%M"),
        "- Machine: %s, %d cores, %.0f GiB, Linux %s" % (cpu, os.cpu_count(), memory,
                                                       platform.release()),
        "- Cache: %s" % ("cold, dropped before every timed run" if arguments.cold else "warm"),
        "- dupscan: %s" % shown_program(dupscan),
    ]
    for label, program in arguments.baseline or []:
        lines.append("- dupscan (%s): %s" % (label, shown_program(program)))
    lines += ["- Peers: %s" % "; ".join(versions), ""]
    return "\n".join(lines)


def shown_program(program):
    """Never a path of this machine: the program's place in the project, or its name."""
    if program.startswith(PROJECT + os.sep):
        return os.path.relpath(program, PROJECT)
    return os.path.basename(program)


def default_dupscan():
    for preset in ("bench", "release"):
        candidate = os.path.join(PROJECT, "build", preset, "dupscan")
        if os.access(candidate, os.X_OK):
            return candidate
    return "dupscan"


def program_path(text):
    return os.path.abspath(text) if os.sep in text else text


def baseline_argument(text):
    """LABEL=PROGRAM, or PROGRAM alone, labelled "baseline"."""
    label, _, program = text.rpartition("=")
    return (label or "baseline", program_path(program))


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("targets", nargs="+", metavar="TARGET")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--cold", action="store_true",
                        help="drop the system's caches before every timed run (needs root)")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--base", default=os.path.join(tempfile.gettempdir(), "dupscan-bench"),
                        help="folder that holds the generated trees (default: %(default)s)")
    parser.add_argument("--peers", nargs="*", metavar="PEER",
                        help="time only these peers (default: all that are installed)")
    parser.add_argument("--baseline", action="append", type=baseline_argument,
                        metavar="[LABEL=]PROGRAM",
                        help="another dupscan build to time beside the first, such as the one "
                             "before a change; may be given more than once")
    parser.add_argument("--dupscan", default=default_dupscan(),
                        help="the program to time (default: %(default)s)")
    return parser.parse_args()


def main():
    arguments = parse_arguments()
    if not has_gnu_time():
        sys.exit("run_bench.py needs GNU time as %s for CPU time and peak memory: "
                 "apt-get install time" % TIME)
    if arguments.cold and not can_drop_caches():
        print("Cold runs need root, to write %s: skipped, nothing timed." % DROP_CACHES,
              file=sys.stderr)
        return
    dupscan = program_path(arguments.dupscan)
    print(machine_text(dupscan, arguments))
    for target in arguments.targets:
        print(bench_target(target, arguments, dupscan))
        sys.stdout.flush()


if __name__ == "__main__":
    main()
