#include "grouping/working_list.h"

#include <algorithm>
#include <numeric>
#include <tuple>
#include <utility>

namespace {

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
