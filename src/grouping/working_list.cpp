#include "grouping/working_list.h"

#include <algorithm>
#include <numeric>
#include <tuple>
#include <utility>

namespace {

// The list number of a record whose digest no other record of its set shares.
constexpr std::uint32_t kAloneInSet = kNoRecord - 1;

bool FingerprintLess(const Fingerprint& left, const Fingerprint& right) {
  return std::tie(left.first, left.second) < std::tie(right.first, right.second);
}

// One set per fingerprint that two or more records share, each listing its records in order.
void SortIntoSets(WorkingList& working) {
  std::vector<std::uint32_t> order(working.count);
  std::iota(order.begin(), order.end(), 0);
  const FileRecord* records = working.records;
  std::sort(order.begin(), order.end(), [records](std::uint32_t left, std::uint32_t right) {
    if (records[left].fingerprint != records[right].fingerprint) {
      return FingerprintLess(records[left].fingerprint, records[right].fingerprint);
    }
    return left < right;
  });
  for (std::size_t first = 0, end; first < order.size(); first = end) {
    const Fingerprint& fingerprint = records[order[first]].fingerprint;
    for (end = first + 1; end < order.size() && records[order[end]].fingerprint == fingerprint;
         ++end) {
    }
    if (end - first < 2) {
      continue;  // nothing shares its fingerprint: it is never a candidate
    }
    FingerprintSet set;
    set.all.records.assign(order.begin() + static_cast<std::ptrdiff_t>(first),
                           order.begin() + static_cast<std::ptrdiff_t>(end));
    for (const std::uint32_t record : set.all.records) {
      working.setOf[record] = static_cast<std::uint32_t>(working.sets.size());
    }
    working.sets.push_back(std::move(set));
  }
}

// Puts `record` in `list` at its place in order, unless it is there: a scan's FinishScan drops the
// records that had left, and parting lists only the records present then.
void EnsureListed(CandidateList& list, std::uint32_t record) {
  std::vector<std::uint32_t>& records = list.records;
  const auto first = records.begin() + static_cast<std::ptrdiff_t>(list.start);
  const auto at = std::lower_bound(first, records.end(), record);
  if (at != records.end() && *at == record) {
    return;
  }
  if (at == first && list.start > 0) {
    records[--list.start] = record;
    return;
  }
  records.insert(at, record);
}

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

void StartWorkingList(WorkingList& working, const SizeClassView& sizeClass) {
  const std::size_t count = sizeClass.count;
  working.records = sizeClass.records;
  working.size = sizeClass.size;
  working.wholeDigests = sizeClass.wholeDigests;
  working.count = static_cast<std::uint32_t>(count);
  working.remaining = working.count;
  working.end = working.count;
  working.present.assign(count, 1);
  working.sets.clear();
  working.setOf.assign(count, kNoRecord);
  working.listOf.assign(count, kNoRecord);
  working.digests.clear();
  working.digestOf.clear();
  working.wholeDigestStale.clear();
  SortIntoSets(working);
}

std::uint32_t TakeLast(WorkingList& working) {
  while (working.present[working.end - 1] == 0) {
    --working.end;
  }
  const std::uint32_t last = --working.end;
  RemoveRecord(working, last);
  return last;
}

void RemoveRecord(WorkingList& working, std::uint32_t record) {
  working.present[record] = 0;
  --working.remaining;
}

void ReturnRecord(WorkingList& working, std::uint32_t record) {
  working.present[record] = 1;
  ++working.remaining;
  const std::uint32_t setNumber = working.setOf[record];
  if (setNumber == kNoRecord) {
    return;
  }
  FingerprintSet& set = working.sets[setNumber];
  EnsureListed(set.all, record);
  if (!set.digested) {
    return;
  }
  const std::uint32_t list = working.listOf[record];
  if (list < set.byDigest.size()) {
    EnsureListed(set.byDigest[list], record);
  } else if (list == kNoRecord) {
    EnsureListed(set.undigested, record);
  }
}

bool IsDigested(const WorkingList& working, std::uint32_t reference) {
  const std::uint32_t set = working.setOf[reference];
  return set != kNoRecord && working.sets[set].digested;
}

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

CandidateCursor CandidatesOf(WorkingList& working, std::uint32_t reference, std::uint32_t from) {
  CandidateCursor cursor;
  const std::uint32_t setNumber = working.setOf[reference];
  if (setNumber == kNoRecord) {
    return cursor;
  }
  FingerprintSet& set = working.sets[setNumber];
  const std::uint32_t list = working.listOf[reference];
  if (!set.digested || list == kNoRecord) {
    cursor.sources[cursor.count++] = &set.all;  // a reference without a digest meets them all
  } else {
    if (list != kAloneInSet) {
      cursor.sources[cursor.count++] = &set.byDigest[list];
    }
    cursor.sources[cursor.count++] = &set.undigested;
  }
  for (int source = 0; source < cursor.count; ++source) {
    const std::vector<std::uint32_t>& records = cursor.sources[source]->records;
    const auto first = records.begin() + static_cast<std::ptrdiff_t>(cursor.sources[source]->start);
    cursor.positions[source] =
        static_cast<std::size_t>(std::lower_bound(first, records.end(), from) - records.begin());
  }
  return cursor;
}

std::uint32_t NextCandidate(const WorkingList& working, CandidateCursor& cursor) {
  std::uint32_t next = kNoRecord;
  int nextSource = -1;
  for (int source = 0; source < cursor.count; ++source) {
    const std::vector<std::uint32_t>& records = cursor.sources[source]->records;
    std::size_t& position = cursor.positions[source];
    while (position < records.size() && working.present[records[position]] == 0) {
      ++position;
    }
    if (position < records.size() && records[position] < next) {
      next = records[position];
      nextSource = source;
    }
  }
  if (nextSource >= 0) {
    ++cursor.positions[nextSource];
  }
  return next;
}

void FinishScan(const WorkingList& working, CandidateCursor& cursor) {
  for (int source = 0; source < cursor.count; ++source) {
    CandidateList& list = *cursor.sources[source];
    // The records that stay close up toward the scan's position, so the rest never moves.
    std::size_t kept = cursor.positions[source];
    for (std::size_t position = cursor.positions[source]; position-- > list.start;) {
      if (working.present[list.records[position]] != 0) {
        list.records[--kept] = list.records[position];
      }
    }
    list.start = kept;
  }
  cursor.count = 0;
}
