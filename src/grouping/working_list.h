// The working list of one size class, indexed for grouping: each reference finds the records it
// must compare in working-list order, without passing over the others. A class of thousands of
// look-alikes (equal size and fingerprint, different content) then costs time in proportion to
// its size, where scanning the whole list for every reference cost its square.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "catalogue/file_record.h"
#include "catalogue/size_catalogue.h"
#include "content/content_digest.h"

/// No record: the end of a scan.
constexpr std::uint32_t kNoRecord = ~std::uint32_t{0};

/// The list number of a record whose digest no other record of its set shares.
constexpr std::uint32_t kAloneInSet = kNoRecord - 1;

/// Records in working-list order (ascending record numbers). A record that leaves the working
/// list stays in the lists that hold it until a scan passes it.
struct CandidateList {
  std::vector<std::uint32_t> records;
  std::size_t start = 0;  ///< the entries before it are gone
};

/// The records of one fingerprint. Until two of them are found to differ, each is a candidate of
/// every other. From then on their content digests part them: a reference compares only the
/// records whose digests equal its own, and those whose digests could not be had.
struct FingerprintSet {
  CandidateList all;
  std::vector<CandidateList> byDigest;
  CandidateList undigested;
  bool digested = false;
};

/// A copy of one size class's records, which grouping takes references from and removes
/// records from; the records' order is the order of their numbers (0 to count - 1).
struct WorkingList {
  const FileRecord* records = nullptr;
  std::uint32_t count = 0;
  std::uint32_t remaining = 0;  ///< records still in the list
  std::uint32_t end = 0;        ///< every record still in the list is below it
  std::vector<std::uint8_t> present;
  std::vector<FingerprintSet> sets;
  std::vector<std::uint32_t> setOf;  ///< per record; kNoRecord: no other has its fingerprint
  /// Per record, in a digested set, its list in `byDigest`; kNoRecord: undigested; a record no
  /// other shares its digest with has no list.
  std::vector<std::uint32_t> listOf;
  /// Per record, once a set of the class is digested: its digest in `digests`, if it has one
  /// there (kNoRecord: none yet, or a whole-content digest below serves).
  std::vector<std::uint32_t> digestOf;
  std::vector<ContentDigest> digests;
  std::int64_t size = 0;  ///< of every record, as catalogued
  /// Per record, whole-content digests taken with the fingerprints (or kNoWholeDigest): these
  /// records need no read to be parted while their files are as read. Null: none were taken.
  const WholeDigest* wholeDigests = nullptr;
  /// Per record, once a set of the class is digested: 1 when its whole digest no longer stands
  /// for its file, which is then read like a file without one.
  std::vector<std::uint8_t> wholeDigestStale;
};

/// Fills the list with the records of a class, all present, sorted into sets by fingerprint.
void StartWorkingList(WorkingList& working, const SizeClassView& sizeClass);

/// Takes the last record out of the list and returns it: the next reference.
std::uint32_t TakeLast(WorkingList& working);

/// Takes a record out of the list.
void RemoveRecord(WorkingList& working, std::uint32_t record);

/// Puts back a record a scan took out, into every list that must hold it, so that every later
/// reference meets it; between scans only. A record that left before its set was parted has no
/// digest there, and meets every reference as one whose digest could not be had.
void ReturnRecord(WorkingList& working, std::uint32_t record);

/// Whether the set of `reference` is already parted by digests.
bool IsDigested(const WorkingList& working, std::uint32_t reference);

/// The candidates of one reference still in the list, in working-list order: the records of its
/// fingerprint, or once its set is digested those with its digest and those without one.
struct CandidateCursor {
  CandidateList* sources[2] = {nullptr, nullptr};
  std::size_t positions[2] = {0, 0};
  int count = 0;
};

/// The candidates of `reference` from record `from` on.
CandidateCursor CandidatesOf(WorkingList& working, std::uint32_t reference, std::uint32_t from);

/// The next candidate still in the list, or kNoRecord.
std::uint32_t NextCandidate(const WorkingList& working, CandidateCursor& cursor);

/// Closes up the lists behind the cursor: records that left them are dropped from the part
/// the scan passed, at a cost in proportion to that part alone.
void FinishScan(const WorkingList& working, CandidateCursor& cursor);
