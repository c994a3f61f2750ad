#include "content/md5.h"

#include <gtest/gtest.h>

#include <random>

#include "support/digest_text.h"
#include "support/temp_tree.h"

namespace {

TEST(Md5, MatchesTheRfc1321TestSuite) {
  const std::pair<const char*, const char*> suite[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
       "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [message, digest] : suite) {
    EXPECT_EQ(HexDigest(DigestOf(message)), digest) << "message \"" << message << "\"";
  }
}

TEST(Md5, FingerprintWordsHoldDigestBytesLittleEndian) {
  const Fingerprint digest = DigestOf("");
  EXPECT_EQ(digest.first, 0x04b2008fd98c1dd4ULL);
  EXPECT_EQ(digest.second, 0x7e42f8ec980980e9ULL);
  EXPECT_NE(digest, ZeroFingerprint);
}

// Feeds `bytes` in runs whose lengths come from `nextRun`, from the given start offset.
Fingerprint DigestInRuns(const std::string& bytes, const std::function<std::size_t()>& nextRun,
                         std::size_t start = 0) {
  std::vector<char> unaligned(start, '\0');  // runs at odd addresses too
  unaligned.insert(unaligned.end(), bytes.begin(), bytes.end());
  const char* data = unaligned.data() + start;
  Md5Context context;
  Md5Init(context);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const std::size_t run = std::min(nextRun(), bytes.size() - done);
    Md5Append(context, data + done, static_cast<std::int32_t>(run));
    done += run;
  }
  return Md5Finish(context);
}

TEST(Md5, AnySplitOfAMessageGivesTheSameDigest) {
  std::mt19937 random(1321);
  for (const std::size_t length :
       {0u, 1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 1000u, 70000u}) {
    const std::string message = PatternBytes(length, static_cast<std::uint32_t>(length));
    const Fingerprint whole = DigestOf(message);
    EXPECT_EQ(DigestInRuns(message, [] { return std::size_t{1}; }), whole) << length;
    EXPECT_EQ(DigestInRuns(message, [] { return std::size_t{64}; }), whole) << length;
    EXPECT_EQ(DigestInRuns(
                  message, [] { return std::size_t{37}; }, 3),
              whole)
        << length;
    std::size_t first = 1;
    EXPECT_EQ(DigestInRuns(
                  message, [&first] { return first == 1 ? (first = 0, 60) : 70; }, 1),
              whole)
        << length;
    EXPECT_EQ(DigestInRuns(
                  message, [&random] { return std::size_t{random() % 200 + 1}; }, 2),
              whole)
        << length;
  }
}

TEST(Md5, ZeroAndNegativeCountsChangeNothing) {
  Md5Context context;
  Md5Init(context);
  Md5Append(context, "abc", 3);
  Md5Append(context, "zzz", 0);
  Md5Append(context, "zzz", -5);
  EXPECT_EQ(HexDigest(Md5Finish(context)), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(Md5, PadLengthsAtTheBlockEdges) {
  // 55 bytes take one pad byte and fit one block; 56 need a second block.
  EXPECT_EQ(HexDigest(DigestOf(std::string(55, 'a'))), "ef1772b6dff9a122358552954ad0df65");
  EXPECT_EQ(HexDigest(DigestOf(std::string(56, 'a'))), "3b0c8ac703f828b04c6c197006d17218");
  EXPECT_EQ(HexDigest(DigestOf(std::string(1000000, 'a'))), "7707d6ae4e027c70eea2a935c2296f21");
}

// Md5Several, by each way this processor runs, against the digest of each message on its own.
void ExpectSeveralMatch(const std::vector<std::string>& messages) {
  const unsigned char* starts[kMd5Lanes];
  std::size_t lengths[kMd5Lanes];
  for (std::size_t lane = 0; lane < messages.size(); ++lane) {
    starts[lane] = reinterpret_cast<const unsigned char*>(messages[lane].data());
    lengths[lane] = messages[lane].size();
  }
  for (const Md5Way way : {Md5Way::kOneByOne, Md5Way::kFourLanes, Md5Way::kEightLanes}) {
    if (!Md5WayRuns(way)) {
      continue;
    }
    Fingerprint digests[kMd5Lanes];
    Md5SeveralBy(way, starts, lengths, static_cast<int>(messages.size()), digests);
    for (std::size_t lane = 0; lane < messages.size(); ++lane) {
      EXPECT_EQ(HexDigest(digests[lane]), HexDigest(DigestOf(messages[lane])))
          << "way " << static_cast<int>(way) << ", lane " << lane << " of " << messages.size()
          << ", " << messages[lane].size() << " bytes";
    }
  }
}

TEST(Md5Several, EqualsTheDigestOfEachMessageAlone) {
  for (const Md5Way way : {Md5Way::kFourLanes, Md5Way::kEightLanes}) {
    if (!Md5WayRuns(way)) {
      std::printf("this processor has no %d lanes: that way is not tested here\n",
                  way == Md5Way::kFourLanes ? 4 : 8);
    }
  }
  ExpectSeveralMatch({"", "a", "abc", "message digest"});
  ExpectSeveralMatch({"abc"});
  // Every length up to the limit, in every lane, beside messages that end sooner or later.
  for (std::size_t length = 0; length <= kMd5SeveralLimit; ++length) {
    std::vector<std::string> messages;
    for (int lane = 0; lane < kMd5Lanes; ++lane) {
      const std::size_t own =
          (length + static_cast<std::size_t>(lane) * 131) % (kMd5SeveralLimit + 1);
      messages.push_back(PatternBytes(
          own, static_cast<std::uint32_t>(length * 8) + static_cast<std::uint32_t>(lane)));
    }
    ExpectSeveralMatch(messages);
    messages.resize(1 + length % kMd5Lanes);
    ExpectSeveralMatch(messages);
  }
}

}  // namespace
