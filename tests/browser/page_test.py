#!/usr/bin/env python3
"""The page dupscan-tidy writes, loaded in headless Chromium: what it shows, that no name runs as
code, that its policy holds, and the plan it saves.

Usage: DUPSCAN_BUILD_DIR=build/release page_test.py [unittest arguments]
"""

import os
import unittest

from selenium.common.exceptions import NoAlertPresentException
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

from selenium.webdriver.support.ui import Select, WebDriverWait

from browser import BrowserTest, content, png, program, run, write_file, write_page

HOSTILE_IMAGE = b"<img src=x onerror=alert(1)>.jpg"
# A name cannot hold "/", so the closing tag spans folders: the folder text holds "</script ",
# which ends a script element whatever follows the space.
HOSTILE_SCRIPT = b"</script ><script>document.title='ran'</script>.txt"


class PageShowsTheReport(BrowserTest):
    """A home folder: photos copied to a backup and to downloads, music copied once."""

    def make_home(self):
        beach, city, song = content(5000, 1), content(3000, 2), content(4096, 3)
        write_file(self.work, b"home/Pictures/2022/beach.jpg", beach, 900)
        write_file(self.work, b"home/Backup/2022/beach.jpg", beach, 100)
        write_file(self.work, b"home/Downloads/beach (1).jpg", beach, 10)
        write_file(self.work, b"home/Pictures/2022/city.jpg", city, 900)
        write_file(self.work, b"home/Backup/2022/city.jpg", city, 100)
        write_file(self.work, b"home/Music/song.mp3", song, 500)
        write_file(self.work, b"home/Backup/Music/song.mp3", song, 50)

    def test_groups_biggest_first_with_the_kept_files_and_the_folders_they_free(self):
        self.make_home()
        self.open_page(write_page(self.work, roots=[b"home"]))
        self.assertEqual(
            [(head, frees) for _, head, frees in self.groups_shown()],
            [("3 files of 4.88 KB (5,000 bytes)", "frees 9.77 KB"),
             ("2 files of 4.00 KB (4,096 bytes)", "frees 4.00 KB"),
             ("2 files of 2.93 KB (3,000 bytes)", "frees 2.93 KB")])
        kept = [(name, folder) for _, name, folder, checked in self.files_shown() if checked]
        self.assertEqual(kept, [("beach.jpg", "home/Pictures/2022/"), ("song.mp3", "home/Music/"),
                                ("city.jpg", "home/Pictures/2022/")])
        # Backup frees 5,000 + 4,096 + 3,000 bytes, Downloads 5,000.
        self.assertEqual(sorted(self.treemap_cells()),
                         [["Backup", "11.81 KB"], ["Downloads", "4.88 KB"]])
        self.driver.find_element(By.CSS_SELECTOR, "#treemap button[data-node]").click()
        self.assertEqual(len(self.groups_shown()), 3)  # every group has a copy in Backup
        self.assertEqual(sorted(name for name, _ in self.treemap_cells()), ["2022", "Music"])
        self.driver.find_element(By.XPATH, "//div[@id='treemap']//button[.//span='Music']").click()
        self.assertEqual([head for _, head, _ in self.groups_shown()],
                         ["2 files of 4.00 KB (4,096 bytes)"])

    def test_the_keyboard_reaches_every_control_and_chooses_a_kept_file(self):
        self.make_home()
        self.open_page(write_page(self.work, roots=[b"home"]))
        reached = set()
        body = self.driver.find_element(By.TAG_NAME, "body")
        body.send_keys(Keys.TAB)
        for _ in range(40):
            reached.add(self.script(
                "const e = document.activeElement; return e.id || e.className || e.tagName"))
            self.driver.switch_to.active_element.send_keys(Keys.TAB)
        for control in ("cell", "rule-1", "rule-2", "rule-3", "apply-rules", "save-plan", "list",
                        "INPUT"):
            self.assertIn(control, reached)
        first = self.driver.find_element(By.CSS_SELECTOR, ".file input:checked")
        first.send_keys(Keys.ARROW_UP)
        self.assertEqual([checked for _, _, _, checked in self.files_shown("0")],
                         [False, True, False])
        self.assertEqual(self.groups_shown()[0][2], "frees 9.77 KB")


class NamesAreText(BrowserTest):
    def test_hostile_names_show_as_their_text_and_run_nothing(self):
        payload = content(3000, 4)
        write_file(self.work, b"t/" + HOSTILE_IMAGE, payload, 20)
        write_file(self.work, b"t/" + HOSTILE_SCRIPT, payload, 10)
        write_file(self.work, b"t/caf\xe9\t.txt", payload, 5)
        self.open_page(write_page(self.work, roots=[b"t"]))
        shown = {(name, folder) for _, name, folder, _ in self.files_shown()}
        self.assertEqual(shown, {
            ("<img src=x onerror=alert(1)>.jpg", "t/"),
            ("script>.txt", "t/</script ><script>document.title='ran'</"),
            ("caf\\xe9\\t.txt", "t/")})
        with self.assertRaises(NoAlertPresentException):
            self.driver.switch_to.alert.text
        self.assertEqual(self.script("return document.title"), "Duplicates in duplicates.txt")
        self.assertEqual(self.script("return document.querySelectorAll('img[src=\"x\"]').length"), 0)

    def test_the_policy_allows_only_the_pages_own_code_and_no_connection(self):
        write_file(self.work, b"t/a.txt", b"same", 1)
        write_file(self.work, b"t/b.txt", b"same", 1)
        self.open_page(write_page(self.work, roots=[b"t"]))
        policy = self.script("""return document.querySelector(
            'meta[http-equiv="Content-Security-Policy"]').content""")
        self.assertTrue(policy.startswith("default-src 'none'; script-src 'sha256-"), policy)
        violations = self.script("""
            const seen = [];
            document.addEventListener('securitypolicyviolation',
                                      (event) => seen.push(event.violatedDirective));
            const script = document.createElement('script');
            script.textContent = 'window.injected = 1';
            document.body.append(script);
            const style = document.createElement('style');
            style.textContent = 'body { color: red }';
            document.head.append(style);
            window.fetched = 'no';
            fetch('file:///').then(() => { window.fetched = 'yes'; },
                                   () => { window.fetched = 'refused'; });
            return new Promise((done) => setTimeout(() => done(seen), 300));""")
        self.assertIsNone(self.script("return window.injected"))
        self.assertEqual(self.script("return window.fetched"), "refused")
        self.assertEqual(sorted(violations), ["connect-src", "script-src-elem", "style-src-elem"])


class SavedPlan(BrowserTest):
    def saved_plan(self):
        """Clicks Save plan and returns the bytes the browser downloaded."""
        for name in os.listdir(self.downloads):
            os.remove(os.path.join(self.downloads, name))
        self.driver.find_element(By.ID, "save-plan").click()
        saved = os.path.join(self.downloads, "duplicates.plan")
        WebDriverWait(self.driver, 20).until(lambda _: os.path.exists(saved))
        with open(saved, "rb") as plan:
            return plan.read()

    def test_the_plan_saved_after_a_change_is_plan_save_s_to_the_byte_and_apply_carries_it_out(self):
        odd = content(700, 5)
        # The oldest is kept by the rules; the person keeps the newest instead.
        write_file(self.work, b"t/old \"q\" \\ <b>.bin", odd, 30)
        write_file(self.work, b"t/sub/caf\xc3\xa9 \xff\t.bin", odd, 20)
        write_file(self.work, b"t/sub/new \xe2\x80\xa8.bin", odd, 10)
        # Of one age and one length: every rule keeps the first.
        plain = content(400, 6)
        one = write_file(self.work, b"t/one.txt", plain, 5)
        os.utime(write_file(self.work, b"t/two.txt", plain), ns=(os.stat(one).st_mtime_ns,) * 2)
        self.open_page(write_page(self.work, roots=[b"t"]))
        self.driver.find_element(
            By.XPATH, "//label[@data-group='0'][.//span[@class='name']='new \u2028.bin']//input"
        ).click()
        downloaded = self.saved_plan()
        run([program("dupscan-tidy"), "plan", "--keep", "newest", "--save", "expected.plan"],
            self.work)
        with open(os.path.join(self.work, "expected.plan"), "rb") as expected:
            self.assertEqual(downloaded, expected.read())
        with open(os.path.join(self.work, "page.plan"), "wb") as plan:
            plan.write(downloaded)
        run([program("dupscan-tidy"), "apply", "--plan", "page.plan", "--within", "t"], self.work)
        tree = os.path.join(os.fsencode(self.work), b"t")
        left = sorted(os.listdir(tree) +
                      [b"sub/" + name for name in os.listdir(os.path.join(tree, b"sub"))])
        self.assertEqual(left, [b"one.txt", b"sub", b"sub/new \xe2\x80\xa8.bin"])

    def test_rules_chosen_on_the_page_leave_their_ties_to_the_defaults_as_keep_does(self):
        same = content(500, 7)
        longer = write_file(self.work, b"t/much/longer/path.bin", same, 10)
        os.utime(write_file(self.work, b"t/short.bin", same), ns=(os.stat(longer).st_mtime_ns,) * 2)
        write_file(self.work, b"t/older.bin", same, 30)
        run([program("dupscan"), "t"], self.work)
        # The longer path first in the report: "first" alone would keep it, "shortest" does not.
        report = os.path.join(self.work, "duplicates.txt")
        with open(report, "rb") as text:
            lines = text.read().split(b"\n")
        with open(report, "wb") as text:
            text.write(b"\n".join(lines[:1] + sorted(lines[1:4], key=len, reverse=True) + lines[4:]))
        run([program("dupscan-tidy"), "page"], self.work)
        self.open_page(os.path.join(self.work, "duplicates.html"))
        for number, rule in ((1, "newest"), (2, ""), (3, "")):
            Select(self.driver.find_element(By.ID, "rule-%d" % number)).select_by_value(rule)
        self.driver.find_element(By.ID, "apply-rules").click()
        downloaded = self.saved_plan()
        run([program("dupscan-tidy"), "plan", "--keep", "newest", "--save", "expected.plan"],
            self.work)
        with open(os.path.join(self.work, "expected.plan"), "rb") as expected:
            self.assertEqual(downloaded, expected.read())
        self.assertIn(b'"keep","path":"t/short.bin"', downloaded)


class Thumbnails(BrowserTest):
    def test_images_load_by_relative_address_whatever_their_names_and_the_pages_place(self):
        image = png(16, 12)
        names = [b"a #1?%.png", b"\xff b.png", b"plain.png"]
        for name in names:
            write_file(self.work, b"pics/" + name, image, 5)
            write_file(self.work, b"pics/copy/" + name, image, 1)
        os.mkdir(os.path.join(self.work, "pages"))
        self.open_page(write_page(self.work, output="pages/dup.html", roots=[b"pics"]))
        self.script("return new Promise((done) => setTimeout(done, 300))")
        widths = self.script("""return [...document.querySelectorAll('.file')].map((row) =>
            [row.querySelector('.name').textContent,
             (row.querySelector('.thumb img') || {naturalWidth: 0}).naturalWidth])""")
        self.assertEqual(len(widths), 6)
        for name, width in widths:
            self.assertEqual(width, 16, name)


if __name__ == "__main__":
    unittest.main()
