"""Headless Chromium for the page's tests, and the trees, reports and pages they look at.

Chromium and its driver are Debian's (chromium, chromium-driver, python3-selenium): nothing here
downloads a browser. A tool that is missing fails the test; it never skips.
"""

import atexit
import os
import shutil
import struct
import subprocess
import tempfile
import time
import unittest
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

CHROMIUM = os.environ.get("DUPSCAN_CHROMIUM", "/usr/bin/chromium")
CHROMEDRIVER = os.environ.get("DUPSCAN_CHROMEDRIVER", "/usr/bin/chromedriver")
# Without the networking flags Chromium keeps trying to reach its own services, which a closed
# network refuses many at a time; the profile is new and empty for every browser.
CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--window-size=1280,900",
]
BUILD = os.path.abspath(os.environ.get("DUPSCAN_BUILD_DIR", "."))
DAY = 86400


def program(name):
    path = os.path.join(BUILD, name)
    if not os.access(path, os.X_OK):
        raise AssertionError("no program %s: set DUPSCAN_BUILD_DIR to the build folder" % path)
    return path


def run(arguments, cwd, check=True):
    result = subprocess.run(arguments, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if check and result.returncode != 0:
        raise AssertionError("%s exited with %d:\n%s%s" % (
            arguments, result.returncode, result.stdout.decode(errors="replace"),
            result.stderr.decode(errors="replace")))
    return result


def write_file(root, path, content, age_days=0):
    """Writes `content` at `path` (bytes, relative to `root`) and sets its age."""
    full = os.path.join(os.fsencode(root), path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as out:
        out.write(content)
    when = time.time() - age_days * DAY
    os.utime(full, (when, when))
    return full


def content(size, seed):
    """`size` bytes that differ for every seed."""
    block = bytes((seed * 31 + index * 7) % 251 for index in range(251))
    return (block * (size // len(block) + 1))[:size]


def png(width, height):
    """A PNG image of one colour."""
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xffffffff))
    rows = b"".join(b"\x00" + b"\x30\x70\xc0" * width for _ in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) +
            chunk(b"IEND", b""))


def write_page(work, output=None, roots=(b".",)):
    """Runs dupscan on `roots` in `work`, then dupscan-tidy page; returns the page's path."""
    run([program("dupscan")] + list(roots), work)
    arguments = [program("dupscan-tidy"), "page"]
    if output is not None:
        arguments += ["--output", output]
    run(arguments, work)
    return os.path.join(work, output or "duplicates.html")


_browser = {}


def browser():
    """The one Chromium of this process, started at its first use, with downloads allowed into
    a folder of its own."""
    if _browser:
        return _browser["driver"], _browser["downloads"]
    for tool in (CHROMIUM, CHROMEDRIVER):
        if not os.access(tool, os.X_OK):
            raise AssertionError(
                "%s is missing: scripts/install-deps installs chromium and chromium-driver" % tool)
    profile = tempfile.mkdtemp(prefix="dupscan-chromium-")
    downloads = os.path.join(profile, "downloads")
    os.mkdir(downloads)
    options = webdriver.ChromeOptions()
    options.binary_location = CHROMIUM
    for flag in CHROMIUM_FLAGS + ["--user-data-dir=" + os.path.join(profile, "user")]:
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
    driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                           {"behavior": "allow", "downloadPath": downloads})
    _browser.update(driver=driver, downloads=downloads)

    def close():
        driver.quit()
        shutil.rmtree(profile, ignore_errors=True)
    atexit.register(close)
    return driver, downloads


class BrowserTest(unittest.TestCase):
    """The process's Chromium; a new temporary folder for each test."""

    @classmethod
    def setUpClass(cls):
        cls.driver, cls.downloads = browser()

    def setUp(self):
        self.work = tempfile.mkdtemp(prefix="dupscan-page-")
        self.addCleanup(shutil.rmtree, self.work, True)

    def open_page(self, path, bound=30):
        """Loads the page and waits, at most `bound` seconds, until its folders are drawn."""
        self.driver.get("file://" + os.path.abspath(path))
        WebDriverWait(self.driver, bound).until(
            lambda driver: driver.execute_script("return document.documentElement.dataset.ready"))

    def script(self, text, *arguments):
        return self.driver.execute_script(text, *arguments)

    def groups_shown(self):
        """The group heads on screen, in order: [(rank text, head text, frees text)]."""
        return self.script("""
            return [...document.querySelectorAll('.group-head')]
                .sort((a, b) => parseFloat(a.style.top) - parseFloat(b.style.top))
                .map((row) => [row.querySelector('.rank').textContent,
                               row.querySelector('.what').textContent,
                               row.querySelector('.frees').textContent]);""")

    def files_shown(self, group=None):
        """The file rows on screen, in order: [(group, name, folder text, kept)]."""
        return self.script("""
            return [...document.querySelectorAll('.file')]
                .filter((row) => arguments[0] === null || row.dataset.group === arguments[0])
                .sort((a, b) => parseFloat(a.style.top) - parseFloat(b.style.top))
                .map((row) => [row.dataset.group, row.querySelector('.name').textContent,
                               row.querySelector('.where').textContent.split(' \\u00b7 ')[0],
                               row.querySelector('input').checked]);""",
                           None if group is None else str(group))

    def treemap_cells(self):
        """The treemap's folders: [(name, size text)]."""
        return self.script("""
            return [...document.querySelectorAll('#treemap button.cell')]
                .map((cell) => [cell.querySelector('.cell-name').textContent,
                                cell.querySelector('.cell-size').textContent]);""")
