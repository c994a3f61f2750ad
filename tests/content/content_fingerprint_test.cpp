#include "content/content_fingerprint.h"

#include <gtest/gtest.h>

#include <array>

#include "content/content_digest.h"
#include "content/fingerprint_batches.h"
#include "support/digest_text.h"
#include "support/rewrite_on_open.h"
#include "support/temp_tree.h"

namespace {

Fingerprint FingerprintOf(const std::filesystem::path& file, std::int64_t size) {
  return ContentFingerprint(NativeText(file).c_str(), size);
}

TEST(ContentFingerprint, SmallFilesAreDigestedWhole) {
  TempTree tree;
  for (const std::size_t size : {0u, 1u, 511u}) {
    const std::string bytes = PatternBytes(size, 7);
    const auto file = tree.WriteFile("f" + std::to_string(size), bytes);
    EXPECT_EQ(FingerprintOf(file, static_cast<std::int64_t>(size)), DigestOf(bytes)) << size;
  }
  EXPECT_NE(FingerprintOf(tree / "f0", 0), ZeroFingerprint);
}

TEST(ContentFingerprint, LargerFilesAreDigestedByHeadAndTail) {
  TempTree tree;
  for (const std::size_t size : {512u, 513u, 1000u, 3000000u}) {
    const std::string bytes = PatternBytes(size, 9);
    const auto file = tree.WriteFile("f", bytes);
    const std::string sampled = bytes.substr(0, 256) + bytes.substr(size - 256);
    EXPECT_EQ(FingerprintOf(file, static_cast<std::int64_t>(size)), DigestOf(sampled)) << size;
  }
}

TEST(ContentFingerprint, FilesDifferingOnlyInTheMiddleLookAlike) {
  TempTree tree;
  std::string bytes = PatternBytes(4096, 3);
  const auto first = tree.WriteFile("first", bytes);
  bytes[2000] ^= 1;
  const auto second = tree.WriteFile("second", bytes);
  EXPECT_EQ(FingerprintOf(first, 4096), FingerprintOf(second, 4096));
  bytes[4095] ^= 1;
  const auto third = tree.WriteFile("third", bytes);
  EXPECT_NE(FingerprintOf(first, 4096), FingerprintOf(third, 4096));
}

TEST(ContentFingerprint, UnopenableFileGetsTheZeroFingerprint) {
  TempTree tree;
  EXPECT_EQ(FingerprintOf(tree / "missing", 10), ZeroFingerprint);
  EXPECT_EQ(FingerprintOf(tree.root(), 10), ZeroFingerprint);  // a directory is no file
}

TEST(ContentFingerprint, BytesAreDigestedAsStored) {
  TempTree tree;
  const std::string crlf = "line one\r\nline two\r\n";
  const std::string lf = "line one\nline two\n";
  const std::string controlZ = std::string(
      "before\x1a"
      "after");
  EXPECT_EQ(FingerprintOf(tree.WriteFile("crlf", crlf), 20), DigestOf(crlf));
  EXPECT_EQ(FingerprintOf(tree.WriteFile("lf", lf), 18), DigestOf(lf));
  EXPECT_EQ(FingerprintOf(tree.WriteFile("ctrlz", controlZ), 12), DigestOf(controlZ));
}

TEST(ContentFingerprint, ReadsNoMoreThanTheCataloguedSizeOfASmallFile) {
  TempTree tree;
  const auto file = tree.WriteFile("grown", "0123456789");
  EXPECT_EQ(FingerprintOf(file, 4), DigestOf("0123"));
  EXPECT_EQ(FingerprintOf(file, -1), DigestOf(""));
}

TEST(ContentFingerprint, FileShrunkSinceTheWalkDigestsWhatIsLeft) {
  TempTree tree;
  const auto file = tree.WriteFile("shrunk", "tiny");
  EXPECT_EQ(FingerprintOf(file, 4096), DigestOf("tiny"));
}

// The tail's offset past 4 GiB, where a 32-bit size_t wraps to the head.
TEST(ContentFingerprint, TheTailPastFourGibibytesIsRead) {
  TempTree tree;
  const std::int64_t size = (std::int64_t{1} << 32) + 1048576;
  const auto plain = tree.WriteSparseFile("plain", size, {{0, 'x'}});
  const auto atLast = tree.WriteSparseFile("at-last", size, {{0, 'x'}, {size - 1, 'z'}});
  EXPECT_NE(ContentFingerprint(NativeText(plain).c_str(), size),
            ContentFingerprint(NativeText(atLast).c_str(), size));
}

// Both ways of reading, whichever FingerprintFiles would choose here.
const std::array<FingerprintWay, 2> kWays = {FingerprintWay::kBatches, FingerprintWay::kOneByOne};

const char* WayName(FingerprintWay way) {
  return way == FingerprintWay::kBatches ? "in batches" : "one by one";
}

TEST(FingerprintFiles, EachEqualsTheFingerprintOfItsFileAlone) {
  TempTree tree;
  // Whole small files, sampled ones, files that grew or shrank since the walk, and files that
  // cannot be opened, each in every one of the four lanes.
  std::vector<std::pair<PathString, std::int64_t>> files;
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{1}, std::size_t{300}, std::size_t{511}, std::size_t{512},
        std::size_t{513}, kFirstDigestBlock, std::size_t{100000}}) {
    files.emplace_back(
        NativeText(tree.WriteFile("f" + std::to_string(size),
                                  PatternBytes(size, static_cast<std::uint32_t>(size)))),
        static_cast<std::int64_t>(size));
  }
  files.emplace_back(NativeText(tree / "missing"), 700);
  files.emplace_back(NativeText(tree.MakeDirectory("folder")), 20);
  files.emplace_back(NativeText(tree.WriteFile("grown", PatternBytes(900, 1))), 600);
  files.emplace_back(NativeText(tree.WriteFile("shrunk", PatternBytes(100, 2))), 9000);
  for (std::size_t test = 0; test < kWays.size() * kMd5Lanes; ++test) {
    const FingerprintWay way = kWays[test / kMd5Lanes];
    const std::size_t shift = test % kMd5Lanes;
    std::vector<Fingerprint> fingerprints(files.size());
    std::vector<WholeDigest> wholeDigests(files.size());
    std::size_t stored = 0;
    const auto jobAt = [&](std::size_t index) {
      const std::size_t file = (index + shift) % files.size();
      return FingerprintJob{files[file].first.c_str(), files[file].second, &fingerprints[file],
                            &wholeDigests[file]};
    };
    FingerprintFiles(
        files.size(), jobAt, [&]() { ++stored; }, way);
    EXPECT_EQ(stored, files.size());
    for (std::size_t file = 0; file < files.size(); ++file) {
      EXPECT_EQ(fingerprints[file],
                ContentFingerprint(files[file].first.c_str(), files[file].second))
          << WayName(way) << " shifted by " << shift << ": " << files[file].first;
      // Read whole, with the digest of every byte: the files of one byte up to a digest's first
      // block, as catalogued.
      const std::int64_t size = files[file].second;
      const bool readWhole =
          file < 7 && size > 0 && size <= static_cast<std::int64_t>(kFirstDigestBlock);
      ASSERT_EQ(wholeDigests[file].digest != kNoWholeDigest, readWhole) << files[file].first;
      if (readWhole) {
        const std::string bytes =
            PatternBytes(static_cast<std::size_t>(size), static_cast<std::uint32_t>(size));
        EXPECT_EQ(wholeDigests[file].digest, DigestBytes(bytes.data(), bytes.size()));
      }
    }
  }
}

// Batches full to their last request: in the first, every file is read as a head and a tail, as
// many reads as one call of the ring takes; the next ones mix whole files with sampled ones, and
// the last holds three files.
TEST(FingerprintFiles, FullBatchesEachEqualTheFingerprintOfTheirFileAlone) {
  TempTree tree;
  const std::size_t mixed[] = {300, kFirstDigestBlock, 9000};
  std::vector<PathString> paths;
  std::vector<std::int64_t> sizes;
  for (std::size_t file = 0; file < 2 * kFingerprintBatch + 3; ++file) {
    const std::size_t size = file < kFingerprintBatch ? 9000 : mixed[file % 3];
    const std::string name = "f" + std::to_string(file);
    paths.push_back(
        NativeText(tree.WriteFile(name, PatternBytes(size, static_cast<std::uint32_t>(file)))));
    sizes.push_back(static_cast<std::int64_t>(size));
  }
  for (const FingerprintWay way : kWays) {
    std::vector<Fingerprint> fingerprints(paths.size());
    std::vector<WholeDigest> wholeDigests(paths.size());
    const auto jobAt = [&](std::size_t index) {
      return FingerprintJob{paths[index].c_str(), sizes[index], &fingerprints[index],
                            &wholeDigests[index]};
    };
    FingerprintFiles(
        paths.size(), jobAt, []() {}, way);
    for (std::size_t file = 0; file < paths.size(); ++file) {
      EXPECT_EQ(fingerprints[file], ContentFingerprint(paths[file].c_str(), sizes[file]))
          << WayName(way) << ": " << paths[file];
      const std::string bytes =
          PatternBytes(static_cast<std::size_t>(sizes[file]), static_cast<std::uint32_t>(file));
      EXPECT_EQ(wholeDigests[file].digest,
                sizes[file] <= 4096 ? DigestBytes(bytes.data(), bytes.size()) : kNoWholeDigest)
          << WayName(way) << ": " << paths[file];
    }
  }
}

// A file under two names, the second more than one batch after the first, so the first is
// digested before the second is looked at; empty when the file system makes no hard links.
std::vector<PathString> TwoNamesApart(TempTree& tree, const std::string& bytes) {
  const auto first = tree.WriteFile("first", bytes);
  std::error_code noLinks;
  std::filesystem::create_hard_link(first, tree / "second", noLinks);
  if (noLinks) {
    return {};
  }
  std::vector<PathString> paths = {NativeText(first)};
  for (std::size_t other = 0; other < kFingerprintBatch; ++other) {
    paths.push_back(NativeText(tree.WriteFile("other" + std::to_string(other), bytes)));
  }
  paths.push_back(NativeText(tree / "second"));
  return paths;
}

// Two names of one file are read once, but only while the file stays as the first read found
// it: a name opened after a rewrite gets the fingerprint of the new bytes, and so does one that
// the walk marked as met before, which is looked at without an open.
TEST(FingerprintFiles, ASecondNameOfAFileRewrittenMeanwhileIsReadAfresh) {
  for (int test = 0; test < 4; ++test) {
    const bool metBefore = test % 2 == 1;
    const FingerprintWay way = kWays[static_cast<std::size_t>(test / 2)];
    TempTree tree;
    const std::vector<PathString> paths = TwoNamesApart(tree, PatternBytes(2000, 3));
    if (paths.empty()) {
      GTEST_SKIP() << "no hard links here";
    }
    std::vector<Fingerprint> fingerprints(paths.size());
    const auto jobAt = [&](std::size_t index) {
      return FingerprintJob{paths[index].c_str(), 2000, &fingerprints[index], nullptr,
                            metBefore && index + 1 == paths.size()};
    };
    {
      const OpenHook rewriting = RewriteAtOpenOf(tree / "second", tree / "first", "NEW!");
      std::size_t done = 0;
      FingerprintFiles(
          paths.size(), jobAt,
          [&]() {
            if (++done == 1 && metBefore) {
              RewriteInPlace(tree / "first", "NEW!");  // no open of the second name comes
            }
          },
          way);
    }
    SCOPED_TRACE(std::string(WayName(way)) + (metBefore ? ", met before" : ""));
    EXPECT_EQ(fingerprints.front(), fingerprints[1]);
    EXPECT_EQ(fingerprints.back(), FingerprintOf(tree / "first", 2000));
    EXPECT_NE(fingerprints.back(), fingerprints.front());
  }
}

}  // namespace
