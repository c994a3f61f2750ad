#!/usr/bin/env python3
"""The page of a report of 200,000 files shows its first groups within the bound and renders
only the rows on screen. The bound is generous, so only a real fault (every row rendered, the
whole list laid out) fails it. 200,000 rows are past what a script may pass as one call's
arguments (V8 refuses between 100,000 and 130,000), and a page that made every row would hold
them all; a million files took 42 s of the release suite, alone on the machine, where this
takes a fifth of that. The times of a million-file page are bench/page_bench.py's, in
bench/RESULTS.md.

Usage: DUPSCAN_BUILD_DIR=build/release page_large_test.py
"""

import os
import time
import unittest

from selenium.webdriver.support.ui import WebDriverWait

from browser import BrowserTest, program, run

FILES = 200000
NAMES_PER_FILE = 10  # hard links: the names cost a tenth of the files' writes
FILES_PER_FOLDER = 100
BOUND_SECONDS = 30


def make_tree(work):
    """200,000 names of 20,000 files, 10 to a group, and the report dupscan writes of them."""
    size = 16
    with open(os.path.join(work, "duplicates.txt"), "w") as report:
        for number in range(FILES // NAMES_PER_FILE):
            if number % FILES_PER_FOLDER == 0:
                folder = "t/d%04d" % (number // FILES_PER_FOLDER)
                os.makedirs(os.path.join(work, folder))
            first = os.path.join(work, folder, "f%06d.jpg" % number)
            with open(first, "wb") as out:
                out.write(b"%015d\n" % number)
            names = ["%s/f%06d.jpg" % (folder, number)]
            for link in range(1, NAMES_PER_FILE):
                name = "%s/f%06d-%d.jpg" % (folder, number, link)
                os.link(first, os.path.join(work, name))
                names.append(name)
            report.write("File Size: %d bytes\n%s\n\n" % (size, "\n".join(sorted(names))))


class ManyFiles(BrowserTest):
    def test_first_groups_of_many_files_within_the_bound(self):
        # A memory file system counts every name, hard links too, against its inodes.
        room = os.statvfs(self.work).f_favail
        if room < FILES * 11 // 10:
            self.skipTest("the temporary folder's file system has room for %d more names, not %d"
                          % (room, FILES))
        make_tree(self.work)
        run([program("dupscan-tidy"), "page"], self.work)
        started = time.monotonic()
        self.driver.get("file://" + os.path.join(self.work, "duplicates.html"))
        WebDriverWait(self.driver, BOUND_SECONDS).until(
            lambda driver: driver.execute_script("return document.querySelector('.group-head')"))
        seconds = time.monotonic() - started
        self.assertLess(seconds, BOUND_SECONDS)
        self.assertEqual(self.script("return document.getElementById('file-count').textContent"),
                         "200,000")
        # Only what is on screen: a window of 900 pixels holds some twenty rows.
        self.assertLess(self.script("return document.querySelectorAll('.row').length"), 100)
        self.script("const list = document.getElementById('list');"
                    "list.scrollTop = list.scrollHeight / 2;")
        self.script("return new Promise((done) => requestAnimationFrame(() => done()))")
        self.assertLess(self.script("return document.querySelectorAll('.row').length"), 100)
        self.assertGreater(int(self.script(
            "return document.querySelector('.group-head .rank').textContent.slice(1)"
            ".replace(/,/g, '')")), 1000)
        print("first groups of %d files in %.1f s" % (FILES, seconds))


if __name__ == "__main__":
    unittest.main()
