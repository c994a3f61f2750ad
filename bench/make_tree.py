#!/usr/bin/env python3
"""Builds a reproducible test tree for the benchmarks.

Usage: make_tree.py PROFILE [--seed N] [--base DIR]   prints the tree's folder

Profiles:
  many-small    about 100,000 files in about 5,000 folders, sizes mostly under 64 KiB with many
                shared sizes; about 20% of the files in duplicate sets of 2 to 5 (a few of them
                hard links), some sets of look-alikes (equal first and last 256 bytes, different
                middles), a few empty files
  large         about 40 files of 20 to 200 MiB: duplicate pairs and triples, unique files, and
                files of one size with different heads
  unique-sizes  about 100,000 files in about 5,000 folders, every size different: the walk alone
                (sparse files, so the tree costs almost no disk)
  worst         a few size classes of many look-alikes: equal first and last 256 bytes, different
                middles (most differ just after the head, some only just before the tail), with a
                few true duplicates among them
  look-alikes   40,000 files of 1,024 bytes in folders of 1,000, all with the same first and last
                256 bytes and different middles: "H" * 256, an 8-digit number 64 times, "T" * 256
  look-alikes-200k  the same with 200,000 files
  identical     40,000 identical files of 1 KiB in folders of 1,000 (give it twice to run_bench.py
                as "twice:identical" for the root given twice)
  home-like     about 520 files of 1 to 290 MiB, 2.4 GiB, as a home folder holds them:
                photos (some copied to a backup folder, 8 hard-linked into favourites), music
                (one album copied twice), an installer image and its copy, and two virtual disk
                images of one size, equal in their first 40 MiB and their last MiB (the
                fingerprint cannot tell them apart)
  snapshot      a tree of 20,000 files (sized, duplicated and laid out as in many-small) and
                three snapshots of it made with "cp -al", as hard-link backups make them; after
                each snapshot 1% of the tree's files are replaced with new content, so the
                snapshots share most files and each keeps a few of its own
  hard-links    one file of 200 MiB under 31 names (hard links) in 31 folders: a finder that
                compares a file with itself reads it 30 times over

The same profile and seed always give the same tree, byte for byte. A tree that is already
complete (its stamp file beside it matches) is reused as it is.
"""

import argparse
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile

GENERATOR_VERSION = 1
KIB = 1024
MIB = 1024 * KIB
SAMPLE = 256  # the fingerprint's head and tail length: look-alikes share exactly these


class Pool:
    """A few MiB of seeded random bytes; every file's content is cut from it."""

    def __init__(self, rng, size=8 * MIB):
        self.data = rng.randbytes(size)
        self.rng = rng

    def piece(self, length):
        if length <= len(self.data):
            offset = self.rng.randrange(0, len(self.data) - length + 1)
            return self.data[offset:offset + length]
        # Longer than the pool: 1 MiB slices from random places, so no two files share a layout.
        parts = []
        remaining = length
        while remaining > 0:
            take = min(remaining, MIB)
            parts.append(self.piece(take))
            remaining -= take
        return b"".join(parts)


def write_file(path, content):
    with open(path, "wb") as out:
        out.write(content)


def write_large(path, rng, pool, size, header=b""):
    """Writes a large file in 1 MiB slices without holding it in memory; `header` first, as a
    photo or a song starts with its format's marker."""
    with open(path, "wb") as out:
        out.write(header)
        remaining = size - len(header)
        while remaining > 0:
            take = min(remaining, MIB)
            out.write(pool.piece(take))
            remaining -= take


def make_folders(root, rng, count):
    """About `count` folders three levels deep with names of everyday length; returns them."""
    top = 16
    middle = 16
    bottom = max(1, (count - top - top * middle) // (top * middle))
    folders = []
    for a in range(top):
        first = os.path.join(root, "project-%02d" % a)
        folders.append(first)
        for b in range(middle):
            second = os.path.join(first, "module-%02d" % b)
            folders.append(second)
            for c in range(bottom):
                folders.append(os.path.join(second, "part-%03d" % c))
    for folder in folders:
        os.makedirs(folder, exist_ok=True)
    return folders


class Namer:
    def __init__(self, rng, folders):
        self.rng = rng
        self.folders = folders
        self.number = 0

    def next(self, folder=None):
        self.number += 1
        if folder is None:
            folder = self.rng.choice(self.folders)
        return os.path.join(folder, "file-%06d.bin" % self.number)


def small_size(rng):
    """Mostly under 64 KiB, log-uniform so small sizes are shared by many files; a few larger."""
    if rng.random() < 0.03:
        return rng.randrange(64 * KIB, MIB)
    return int(2 ** rng.uniform(0, 16))


def make_small_files(root, rng, total, folder_count):
    """`total` files in about `folder_count` folders, as many-small describes them; returns the
    pool their contents came from."""
    folders = make_folders(root, rng, folder_count)
    pool = Pool(rng)
    namer = Namer(rng, folders)
    made = 0
    # About 20% of the files in duplicate sets of 2 to 5; about 2% of the copies are hard links.
    while made < total * 20 // 100:
        count = rng.randint(2, 5)
        content = pool.piece(small_size(rng))
        first = namer.next()
        write_file(first, content)
        for _ in range(count - 1):
            path = namer.next()
            if rng.random() < 0.02:
                os.link(first, path)
            else:
                write_file(path, content)
        made += count
    # Look-alikes: sets of 2 to 4 with equal heads and tails and different middles.
    lookAlikes = 0
    while lookAlikes < total // 100:
        count = rng.randint(2, 4)
        size = rng.randrange(2 * SAMPLE + 1, 64 * KIB)
        head = pool.piece(SAMPLE)
        tail = pool.piece(SAMPLE)
        for _ in range(count):
            write_file(namer.next(), head + pool.piece(size - 2 * SAMPLE) + tail)
        lookAlikes += count
    made += lookAlikes
    for _ in range(50):
        write_file(namer.next(), b"")
    made += 50
    while made < total:
        write_file(namer.next(), pool.piece(small_size(rng)))
        made += 1
    return pool


def make_many_small(root, rng):
    make_small_files(root, rng, 100000, 5000)


def make_unique_sizes(root, rng):
    folders = make_folders(root, rng, 5000)
    namer = Namer(rng, folders)
    total = 100000
    # Distinct sizes; the files are sparse, since no duplicate finder opens a file of a size no
    # other file has.
    for size in rng.sample(range(1, 4 * total), total):
        with open(namer.next(), "wb") as out:
            out.truncate(size)


def make_large(root, rng):
    pool = Pool(rng)
    folders = [os.path.join(root, name) for name in ("incoming", "archive", "archive/old", "media")]
    for folder in folders:
        os.makedirs(folder, exist_ok=True)
    namer = Namer(rng, folders)

    def large_size():
        # Log-uniform over 20 to 200 MiB keeps the profile near 3 GiB.
        return int(2 ** rng.uniform(24.32, 27.64))

    def copies(count):
        size = large_size()
        first = namer.next()
        write_large(first, rng, pool, size)
        for _ in range(count - 1):
            shutil.copyfile(first, namer.next())

    for _ in range(6):
        copies(2)
    for _ in range(4):
        copies(3)
    # Unique files, two of which share a size while their heads differ: fingerprinted, never read.
    for _ in range(12):
        write_large(namer.next(), rng, pool, large_size())
    shared = large_size()
    for _ in range(2):
        write_large(namer.next(), rng, pool, shared)


def make_worst(root, rng):
    pool = Pool(rng)
    folders = [os.path.join(root, "set-%d" % number) for number in range(4)]
    for folder in folders:
        os.makedirs(folder, exist_ok=True)
    namer = Namer(rng, folders)
    for size in (600, 8 * KIB, 64 * KIB, MIB):
        head = pool.piece(SAMPLE)
        tail = pool.piece(SAMPLE)
        middles = []
        for index in range(200):
            if index % 10 == 9 and middles:
                # Differs from an earlier look-alike only in one byte just before the tail.
                middle = bytearray(rng.choice(middles))
                middle[len(middle) - 1 - rng.randrange(0, min(100, len(middle)))] ^= 0x5A
                middle = bytes(middle)
            else:
                middle = pool.piece(size - 2 * SAMPLE)
            middles.append(middle)
            write_file(namer.next(), head + middle + tail)
        for middle in rng.sample(middles, 3):
            write_file(namer.next(), head + middle + tail)


def write_numbered(root, count, content_of):
    """`count` files in folders of 1,000, file number n holding content_of(n)."""
    per_folder = 1000
    for number in range(count):
        folder = os.path.join(root, "set-%03d" % (number // per_folder))
        if number % per_folder == 0:
            os.makedirs(folder, exist_ok=True)
        write_file(os.path.join(folder, "file-%06d.bin" % number), content_of(number))


def look_alike(number):
    return b"H" * SAMPLE + (b"%08d" % number) * 64 + b"T" * SAMPLE


def make_look_alikes(root, rng):
    write_numbered(root, 40000, look_alike)


def make_look_alikes_200k(root, rng):
    write_numbered(root, 200000, look_alike)


def make_identical(root, rng):
    content = Pool(rng, KIB).piece(KIB)
    write_numbered(root, 40000, lambda number: content)


def log_uniform(rng, low, high):
    return int(2 ** rng.uniform(math.log2(low), math.log2(high)))


def make_home_photos(root, rng, pool):
    """Photos of 1 to 5 MiB by year and event; some copied to a backup folder, eight
    hard-linked into favourites."""
    photos = []
    for year in range(2018, 2025):
        for event in range(rng.randint(3, 6)):
            folder = os.path.join(root, "Pictures", str(year), "event-%02d" % event)
            os.makedirs(folder)
            for _ in range(rng.randint(6, 14)):
                path = os.path.join(folder, "IMG_%04d.jpg" % (1000 + len(photos)))
                write_large(path, rng, pool, log_uniform(rng, MIB, 5 * MIB), b"\xff\xd8\xff\xe1")
                photos.append(path)
    backup = os.path.join(root, "Backup", "phone")
    os.makedirs(backup)
    for path in rng.sample(photos, len(photos) // 6):
        shutil.copyfile(path, os.path.join(backup, os.path.basename(path)))
    favourites = os.path.join(root, "Pictures", "Favourites")
    os.makedirs(favourites)
    for path in rng.sample(photos, 8):
        os.link(path, os.path.join(favourites, os.path.basename(path)))


def make_home_music(root, rng, pool):
    """Tracks of 2 to 8 MiB by artist and album; one album also in two download folders."""
    albums = []
    for artist in range(12):
        for album in range(rng.randint(1, 2)):
            folder = os.path.join(root, "Music", "artist-%02d" % artist, "album-%d" % album)
            os.makedirs(folder)
            for track in range(rng.randint(6, 12)):
                write_large(os.path.join(folder, "%02d track.mp3" % (track + 1)), rng, pool,
                            log_uniform(rng, 2 * MIB, 8 * MIB), b"ID3\x04\x00")
            albums.append(folder)
    copied = rng.choice(albums)
    for download in ("Downloads/album", "Desktop/to sort/album"):
        shutil.copytree(copied, os.path.join(root, download))


def make_home_images(root, rng, pool):
    """An installer image of 290 MiB with a copy, and two virtual disk images of 96 MiB, one
    before an update and one after: equal in their first 40 MiB and in their zeroed last MiB."""
    os.makedirs(os.path.join(root, "Downloads"), exist_ok=True)
    installer = os.path.join(root, "Downloads", "installer-12.iso")
    write_large(installer, rng, pool, 290 * MIB)
    os.makedirs(os.path.join(root, "Backup", "images"))
    shutil.copyfile(installer, os.path.join(root, "Backup", "images", "installer-12.iso"))
    folder = os.path.join(root, "VMs")
    os.makedirs(folder)
    shared = pool.piece(40 * MIB)
    boot = pool.piece(SAMPLE)
    for name in ("disk.img", "disk-before-update.img"):
        with open(os.path.join(folder, name), "wb") as out:
            out.write(boot)
            out.write(shared[SAMPLE:])
            out.write(pool.piece(56 * MIB - MIB))
            out.write(bytes(MIB))


def make_home_like(root, rng):
    pool = Pool(rng)
    make_home_photos(root, rng, pool)
    make_home_music(root, rng, pool)
    make_home_images(root, rng, pool)


def make_snapshot(root, rng):
    live = os.path.join(root, "home")
    pool = make_small_files(live, rng, 20000, 1000)
    for snapshot in range(1, 4):
        subprocess.run(["cp", "-al", live, os.path.join(root, "snapshot-%d" % snapshot)],
                       check=True)
        # Changed files are written anew, as editors and copy tools do: a new inode, so the
        # snapshots keep the old content.
        paths = sorted(os.path.join(folder, name) for folder, _, names in os.walk(live)
                       for name in names)
        for path in rng.sample(paths, len(paths) // 100):
            os.remove(path)
            write_file(path, pool.piece(small_size(rng)))


def make_hard_links(root, rng):
    first = os.path.join(root, "names-00", "file.bin")
    os.makedirs(os.path.dirname(first))
    write_large(first, rng, Pool(rng), 200 * MIB)
    for name in range(1, 31):
        folder = os.path.join(root, "names-%02d" % name)
        os.makedirs(folder)
        os.link(first, os.path.join(folder, "file.bin"))


PROFILES = {
    "many-small": make_many_small,
    "large": make_large,
    "unique-sizes": make_unique_sizes,
    "worst": make_worst,
    "look-alikes": make_look_alikes,
    "look-alikes-200k": make_look_alikes_200k,
    "identical": make_identical,
    "home-like": make_home_like,
    "snapshot": make_snapshot,
    "hard-links": make_hard_links,
}


def ensure_tree(profile, seed, base):
    """Returns the tree's folder, building it first unless a complete one is there."""
    root = os.path.join(base, "%s-%d" % (profile, seed))
    stamp = root + ".complete"
    expected = "%s %d %d\n" % (profile, seed, GENERATOR_VERSION)
    if os.path.isdir(root) and os.path.isfile(stamp):
        with open(stamp) as existing:
            if existing.read() == expected:
                return root
    if os.path.exists(root):
        shutil.rmtree(root)
    if os.path.exists(stamp):
        os.remove(stamp)
    os.makedirs(root)
    print("building %s (seed %d) in %s..." % (profile, seed, root), file=sys.stderr)
    PROFILES[profile](root, random.Random("%s-%d" % (profile, seed)))
    # The stamp lies beside the tree, not in it, so no tool ever counts it as a file.
    with open(stamp, "w") as out:
        out.write(expected)
    return root


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("profile", choices=sorted(PROFILES))
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--base", default=os.path.join(tempfile.gettempdir(), "dupscan-bench"),
                        help="folder that holds the trees (default: %(default)s)")
    arguments = parser.parse_args()
    print(ensure_tree(arguments.profile, arguments.seed, arguments.base))


if __name__ == "__main__":
    main()
