#include "content/compare_files.h"

#include <cstdint>
#include <memory>

#include "content/read_ahead.h"

struct ReferenceHold {
  ReadableFile file;
  bool opened = false;
  /// The file as its first comparison found it: every later one must find it so.
  FileState firstSeen;
  bool seen = false;
  EarlyOpen next;  ///< the candidate after the current one, opened before its turn
};

namespace {

// A pair still too fresh after the run's one wait is compared as it is then: the look at the
// times after the read still sees every write that moves them.
void WaitBeforeReading(const FileState& first, const FileState& second) {
  WaitUntilWritesShow(RunWriteWait(), first, second);
}

CompareResult FailureResult(bool firstOpened, bool secondOpened) {
  if (firstOpened) {
    return CompareResult::kSecondFailed;
  }
  return secondOpened ? CompareResult::kFirstFailed : CompareResult::kBothFailed;
}

OpenResult OpenAlone(const PathChar* path, FileByPath* file) {
  ReadableFile opened;
  const OpenResult result = OpenForReading(path, &opened);
  if (result != OpenResult::kOpened) {
    return result;
  }
  file->path = path;
  file->state = opened.state;
  CloseFile(&opened);
  return result;
}

// The reference is still the file its first comparison read: a rewritten reference would make
// copies of its old bytes and of its new ones one group.
bool FirstSeenAgain(ReferenceHold& hold, const FileState& now) {
  if (!hold.seen) {
    hold.firstSeen = now;
    hold.seen = true;
    return true;
  }
  return SameFileState(hold.firstSeen, now);
}

CompareResult CompareOneAtATime(ComparisonReference& reference, const PathChar* secondPath,
                                FileState* secondState) {
  FileByPath first;
  FileByPath second;
  const OpenResult firstOpen = OpenAlone(reference.path, &first);
  const OpenResult secondOpen = OpenAlone(secondPath, &second);
  if (firstOpen == OpenResult::kNoDescriptor || secondOpen == OpenResult::kNoDescriptor) {
    return CompareResult::kNoDescriptor;  // nothing else of the comparison is open
  }
  const bool firstOpened = firstOpen == OpenResult::kOpened;
  const bool secondOpened = secondOpen == OpenResult::kOpened;
  if (!firstOpened || !secondOpened) {
    return FailureResult(firstOpened, secondOpened);
  }
  if (secondState != nullptr) {
    *secondState = second.state;
  }
  if (!FirstSeenAgain(*reference.hold, first.state)) {
    return CompareResult::kFirstChanged;
  }
  if (IsOneEntryTwice(first.state, second.state)) {
    return CompareResult::kOneFile;
  }
  if (SameFile(first.state.identity, second.state.identity)) {
    return CompareResult::kSame;  // two names of one file: see CompareOpenFiles
  }
  if (first.state.size != second.state.size) {
    return CompareResult::kDifferent;
  }
  WaitBeforeReading(first.state, second.state);
  return SameContentOneOpenAtATime(first, second) ? CompareResult::kSame
                                                  : CompareResult::kDifferent;
}

// Read-ahead only matters past the first block; below it the hint was one more system call per
// file, two for each of the 19,000 comparisons of a tree of small files.
void AdviseIfLarge(const ReadableFile& file) {
  if (file.state.size > static_cast<std::int64_t>(kCompareBlock)) {
    AdviseSequential(file);
  }
}

// Both files open: the bytes decide, unless they are one file, or either changed meanwhile: a
// file written while it is read could pass for a copy it never equalled at any one moment. A
// candidate that changed gives kDifferent with `*candidateChanged` set.
CompareResult CompareOpenFiles(const ComparisonReference& reference, const ReadableFile& candidate,
                               const PathChar* candidatePath, bool* candidateChanged) {
  *candidateChanged = false;
  const ReadableFile& held = reference.hold->file;
  if (SameFile(held.state.identity, candidate.state.identity)) {
    if (!FileUnchanged(held, reference.path)) {
      return CompareResult::kFirstChanged;
    }
    // Hard links: both opens found one file, and its bytes cannot differ from themselves. Reading
    // them took 31 names of one 200 MiB file 0.79 s warm; 0.013 s without (the bench's hard-links).
    return IsOneEntryTwice(held.state, candidate.state) ? CompareResult::kOneFile
                                                        : CompareResult::kSame;
  }
  AdviseIfLarge(candidate);
  WaitBeforeReading(held.state, candidate.state);
  bool readError = false;
  const bool sameBytes = SameContent(held, candidate, &readError);
  // The reference is looked at once, after the read: a change before it shows after it too, and
  // a look before it cost every pair two status calls.
  if (!FileUnchanged(held, reference.path)) {
    return CompareResult::kFirstChanged;
  }
  if (!sameBytes) {
    return CompareResult::kDifferent;
  }
  if (!FileUnchanged(candidate, candidatePath)) {
    *candidateChanged = true;
    return CompareResult::kDifferent;
  }
  return CompareResult::kSame;
}

// A candidate that changed while it was compared is opened and compared again, this many times in
// all at most: a touch, a chmod or a new link changes its status and not its bytes, and must not
// keep a copy out of its group (a touched hard link of a copy went unreported, every time). One
// that never stops changing is taken as different, as one written while it was read.
constexpr int kCandidateComparisons = 3;

CompareResult CompareCandidateUntilSettled(const ComparisonReference& reference,
                                           ReadableFile* candidateFile, bool* candidateOpened,
                                           const PathChar* candidate, FileState* candidateState) {
  bool candidateChanged = false;
  CompareResult result = CompareOpenFiles(reference, *candidateFile, candidate, &candidateChanged);
  for (int comparison = 1; candidateChanged && comparison < kCandidateComparisons; ++comparison) {
    CloseFile(candidateFile);
    *candidateOpened = OpenForReading(candidate, candidateFile) == OpenResult::kOpened;
    if (!*candidateOpened) {
      return CompareResult::kSecondFailed;  // gone or replaced: named like any file that fails
    }
    if (candidateState != nullptr) {
      *candidateState = candidateFile->state;
    }
    result = CompareOpenFiles(reference, *candidateFile, candidate, &candidateChanged);
  }
  return result;
}

// A candidate whose name, looked at without an open, names the file held as the reference: at
// that moment the two are one file, and no byte of it can differ from itself. Then only the
// reference is looked at again. On the snapshot tree (20,000 files under four names each), an
// open, two status calls and a close per other name became two status calls.
bool NamesHeldFile(const ComparisonReference& reference, const PathChar* candidate,
                   FileState* named) {
  const ReadableFile& held = reference.hold->file;
  return held.state.links > 1 && StateAtPath(candidate, named) &&
         SameFile(named->identity, held.state.identity);
}

// Opens the reference unless it is held. kOpened only when it is open and still the file the
// first comparison found.
OpenResult HoldReference(ComparisonReference& reference, bool* changed) {
  ReferenceHold& hold = *reference.hold;
  *changed = false;
  if (hold.opened) {
    return OpenResult::kOpened;
  }
  const OpenResult result = OpenForReading(reference.path, &hold.file);
  if (result != OpenResult::kOpened) {
    return result;
  }
  hold.opened = true;
  if (!FirstSeenAgain(hold, hold.file.state)) {
    *changed = true;
  }
  AdviseIfLarge(hold.file);
  return result;
}

}  // namespace

ComparisonReference::ComparisonReference(const PathChar* referencePath)
    : path(referencePath), hold(new ReferenceHold) {}

ComparisonReference::~ComparisonReference() { ReleaseReference(*this); }

CompareResult CompareWithReference(ComparisonReference& reference, const PathChar* candidate,
                                   const PathChar* next, FileState* candidateState) {
  ReferenceHold& hold = *reference.hold;
  bool changed = false;
  const OpenResult referenceOpen = HoldReference(reference, &changed);
  FileState named;
  if (referenceOpen == OpenResult::kOpened && !changed && hold.next.path != candidate &&
      NamesHeldFile(reference, candidate, &named)) {
    if (candidateState != nullptr) {
      *candidateState = named;
    }
    ReleaseEarly(hold.next);
    return FileUnchanged(hold.file, reference.path) ? CompareResult::kSame
                                                    : CompareResult::kFirstChanged;
  }
  ReadableFile candidateFile;
  const OpenResult candidateOpen = TakeEarlyOrOpen(hold.next, candidate, &candidateFile);
  bool candidateOpened = candidateOpen == OpenResult::kOpened;
  if (referenceOpen == OpenResult::kNoDescriptor || candidateOpen == OpenResult::kNoDescriptor) {
    // The held reference may have taken the last descriptor: let it go and need only one.
    if (candidateOpened) {
      CloseFile(&candidateFile);
    }
    ReleaseReference(reference);
    return CompareOneAtATime(reference, candidate, candidateState);
  }
  if (candidateOpened && candidateState != nullptr) {
    *candidateState = candidateFile.state;
  }
  CompareResult result;
  if (hold.opened && candidateOpened) {
    if (changed) {
      result = CompareResult::kFirstChanged;
    } else {
      // A reference of several names mostly meets its other names next, which are looked at
      // without an open (NamesHeldFile): an early open of each was three calls for nothing.
      if (next != nullptr && next != candidate && hold.file.state.links < 2) {
        OpenEarly(hold.next, next, static_cast<std::int64_t>(kCompareBlock),
                  hold.file.state.identity);
      }
      result = CompareCandidateUntilSettled(reference, &candidateFile, &candidateOpened, candidate,
                                            candidateState);
    }
  } else {
    result = FailureResult(hold.opened, candidateOpened);
  }
  if (candidateOpened) {
    CloseFile(&candidateFile);
  }
  return result;
}

bool IsOneEntryTwice(const FileState& first, const FileState& second) {
  return SameFile(first.identity, second.identity) && first.links == 1;
}

void ReleaseReference(ComparisonReference& reference) {
  ReferenceHold& hold = *reference.hold;
  ReleaseEarly(hold.next);
  if (hold.opened) {
    CloseFile(&hold.file);
    hold.opened = false;
  }
}

FreshWriteWait& RunWriteWait() {
  static FreshWriteWait wait;
  return wait;
}

CompareResult CompareFiles(const PathChar* first, const PathChar* second) {
  ComparisonReference reference(first);
  return CompareWithReference(reference, second);
}
