#!/usr/bin/env python3
"""The page of duplicates at scale: its size, and the time until a browser shows its first groups.

Usage: bench/page_bench.py BUILD_DIR [FILES...] (default 100000 1000000)

For each count, a tree of that many files in pairs (a photo and its copy in a backup, in folders
of 1,000), dupscan's report of it written directly (the benchmark is of the page, not of the
search), then dupscan-tidy page; headless Chromium (Debian's) loads the page three times, each in
a new tab of one browser. "first groups" is the time from the load's start until the list's first
group is on the page (the wall clock around the load, and the page's own clock when it had made
its first rows); "ready" is until the folders' treemap is drawn too.
"""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "browser"))
os.environ.setdefault("DUPSCAN_BUILD_DIR", sys.argv[1] if len(sys.argv) > 1 else "build/release")
from browser import browser, program  # noqa: E402

from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

RUNS = 3


def make_pairs(work, files):
    with open(os.path.join(work, "duplicates.txt"), "w") as report:
        for pair in range(files // 2):
            if pair % 1000 == 0:
                folder = "Photos/%04d" % (pair // 1000)
                for side in ("", "Backup/"):
                    os.makedirs(os.path.join(work, "home", side + folder))
            names = []
            for side in ("", "Backup/"):
                name = "home/%s%s/IMG_%07d.jpg" % (side, folder, pair)
                with open(os.path.join(work, name), "wb") as out:
                    out.write(b"%023d\n" % pair)
                names.append(name)
            report.write("File Size: 24 bytes\n%s\n\n" % "\n".join(sorted(names)))


def measure(files):
    work = tempfile.mkdtemp(prefix="dupscan-page-bench-")
    try:
        started = time.monotonic()
        make_pairs(work, files)
        made = time.monotonic() - started
        started = time.monotonic()
        subprocess.run([program("dupscan-tidy"), "page"], cwd=work, check=True,
                       stdout=subprocess.DEVNULL)
        written = time.monotonic() - started
        page = os.path.join(work, "duplicates.html")
        driver, _ = browser()
        walls, clocks, readies = [], [], []
        for _ in range(RUNS):
            driver.get("about:blank")
            started = time.monotonic()
            driver.get("file://" + page)
            WebDriverWait(driver, 120).until(
                lambda d: d.execute_script("return document.querySelector('.group-head')"))
            walls.append(time.monotonic() - started)
            clocks.append(float(driver.execute_script(
                "return document.documentElement.dataset.firstGroupsMs")) / 1000)
            WebDriverWait(driver, 120).until(
                lambda d: d.execute_script("return document.documentElement.dataset.ready"))
            readies.append(time.monotonic() - started)
        print("%9d files: page %.1f MB (%d bytes), written in %.1f s (tree made in %.0f s); "
              "first groups %.2f s (page's clock %.2f s), ready %.2f s; median of %d" % (
                  files, os.path.getsize(page) / 1e6, os.path.getsize(page), written, made,
                  statistics.median(walls), statistics.median(clocks),
                  statistics.median(readies), RUNS), flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def main():
    counts = [int(count) for count in sys.argv[2:]] or [100000, 1000000]
    for files in counts:
        measure(files)


if __name__ == "__main__":
    main()
