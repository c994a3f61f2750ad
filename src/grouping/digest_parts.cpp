#include "grouping/digest_parts.h"

#include <algorithm>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// The records of `list` still in the working list, in order.
std::vector<std::uint32_t> PresentIn(const WorkingList& working, const CandidateList& list) {
  std::vector<std::uint32_t> present;
  for (std::size_t position = list.start; position < list.records.size(); ++position) {
    if (working.present[list.records[position]] != 0) {
      present.push_back(list.records[position]);
    }
  }
  return present;
}

// A digest taken when the fingerprint read the whole file: complete, and read from no file now.
bool HasWholeDigest(const WorkingList& working, std::uint32_t record) {
  return working.wholeDigests != nullptr && working.wholeDigests[record].digest != kNoWholeDigest &&
         working.wholeDigestStale[record] == 0;
}

// A whole digest decides which records a reference meets, and a file deleted, rewritten or
// touched since the fingerprints must be met as if no digest had been taken: deleted, its failure
// line is printed at its turn; rewritten to equal another file, it is grouped with it.
bool KeepsWholeDigest(WorkingList& working, std::uint32_t record, const WholeDigestCheck& holds) {
  if (!HasWholeDigest(working, record)) {
    return false;
  }
  if (holds != nullptr &&
      !holds(working.records[record].path, working.wholeDigests[record].stateStamp)) {
    working.wholeDigestStale[record] = 1;
    return false;
  }
  return true;
}

// The block-by-block digest of a record without a whole one, made on its first use: only the
// records that need reading cost one.
ContentDigest& DigestOf(WorkingList& working, std::uint32_t record) {
  if (working.digestOf[record] == kNoRecord) {
    working.digestOf[record] = static_cast<std::uint32_t>(working.digests.size());
    working.digests.emplace_back();
  }
  return working.digests[working.digestOf[record]];
}

// What tells records apart at one step of the parting: size, whether the digest is complete,
// and the digest of the block read last; equal keys at every step mean equal digests.
std::tuple<std::int64_t, bool, std::uint64_t> DigestKey(const WorkingList& working,
                                                        std::uint32_t record) {
  if (HasWholeDigest(working, record)) {
    return std::make_tuple(working.size, true, working.wholeDigests[record].digest);
  }
  const ContentDigest& digest = working.digests[working.digestOf[record]];
  return std::make_tuple(digest.state.size, digest.complete, digest.lastBlock);
}

// Reads one more block of every record of `part` and splits it by what the blocks hold. Parts
// of one record, and parts whose digests are complete, are final; the others go back on
// `pending` for the next block.
void PartOneBlock(WorkingList& working, const DigestFunction& digest, const WholeDigestCheck& holds,
                  std::vector<std::uint32_t> part, std::vector<std::vector<std::uint32_t>>& pending,
                  FingerprintSet& set) {
  std::vector<std::uint32_t> readable;
  for (const std::uint32_t record : part) {
    if (KeepsWholeDigest(working, record, holds)) {
      readable.push_back(record);
      continue;
    }
    ContentDigest& state = DigestOf(working, record);
    if (!state.complete) {
      digest(working.records[record].path, state);
    }
    if (state.failed) {
      set.undigested.records.push_back(record);
    } else {
      readable.push_back(record);
    }
  }
  std::sort(readable.begin(), readable.end(), [&working](std::uint32_t left, std::uint32_t right) {
    const auto leftKey = DigestKey(working, left);
    const auto rightKey = DigestKey(working, right);
    return leftKey != rightKey ? leftKey < rightKey : left < right;
  });
  for (std::size_t first = 0, end; first < readable.size(); first = end) {
    const auto key = DigestKey(working, readable[first]);
    for (end = first + 1; end < readable.size() && DigestKey(working, readable[end]) == key;
         ++end) {
    }
    if (end - first == 1) {
      // Its own digest: a list of one would cost more than the rest of its record.
      working.listOf[readable[first]] = kAloneInSet;
      continue;
    }
    std::vector<std::uint32_t> same(readable.begin() + static_cast<std::ptrdiff_t>(first),
                                    readable.begin() + static_cast<std::ptrdiff_t>(end));
    if (!std::get<1>(key)) {
      pending.push_back(std::move(same));
      continue;
    }
    for (const std::uint32_t record : same) {
      working.listOf[record] = static_cast<std::uint32_t>(set.byDigest.size());
    }
    set.byDigest.push_back(CandidateList{std::move(same), 0});
  }
}

}  // namespace

void PartByDigest(WorkingList& working, std::uint32_t reference, const DigestFunction& digest,
                  const WholeDigestCheck& holds) {
  FingerprintSet& set = working.sets[working.setOf[reference]];
  if (working.digestOf.empty()) {
    working.digestOf.assign(working.count, kNoRecord);
    working.wholeDigestStale.assign(working.count, 0);
  }
  std::vector<std::uint32_t> members = PresentIn(working, set.all);
  set.all = CandidateList{members, 0};
  members.push_back(reference);  // taken last, so above every present record: still in order
  std::vector<std::vector<std::uint32_t>> pending{std::move(members)};
  while (!pending.empty()) {
    std::vector<std::uint32_t> part = std::move(pending.back());
    pending.pop_back();
    PartOneBlock(working, digest, holds, std::move(part), pending, set);
  }
  std::sort(set.undigested.records.begin(), set.undigested.records.end());
  set.digested = true;
}
