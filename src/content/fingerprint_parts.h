// What the two ways of fingerprinting share (file by file with a read-ahead window, and in
// batches): the sample a fingerprint digests, the small file read whole for its digest too, and
// the files of several names read under their first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "content/content_fingerprint.h"
#include "platform/readable_file.h"

/// Below this size the fingerprint digests the whole file; from it on, the first and last
/// kSampleLength bytes.
constexpr std::int64_t kWholeFileLimit = 512;
constexpr std::size_t kSampleLength = 256;

/// Reads what the fingerprint digests into `sample` (kWholeFileLimit bytes): the whole file below
/// the limit, as many bytes as the walk saw; else its head followed by its tail as it is now.
void ReadSampleFrom(const ReadableFile& file, std::int64_t size, unsigned char* sample,
                    std::size_t* length);

/// Whether the file, open in `state`, is read whole in one read for its whole digest too: the job
/// asks for one, and the file is no longer than a digest's first block and still of its size.
bool ReadsWhole(const FingerprintJob& job, const FileState& state);

/// From the whole file's bytes (`job.size` of them, read from a file in `state`), the whole digest
/// and the state's stamp into the job's slot, then the sample into `sample`, which may be `whole`
/// itself.
void TakeWholeFile(const FingerprintJob& job, const FileState& state, const unsigned char* whole,
                   unsigned char* sample, std::size_t* length);

/// The digest of no bytes: an empty file's fingerprint, given without an open.
Fingerprint EmptyMessageDigest();

/// A file of several names (hard links) as the open of its first name found it, and what reading
/// it gave: its other names take these without a read while their opens find it unchanged. Only
/// what that test needs: on 20,000 files of four names each, the whole FileState cost 0.8 MB more.
struct ReadOnce {
  std::int64_t size = 0;  ///< when read, and as catalogued: the fingerprint depends on both
  std::int64_t modified = 0;
  std::int64_t changed = 0;
  Fingerprint fingerprint;
  WholeDigest wholeDigest;
  std::uint32_t namesLeft = 0;  ///< names not yet met; at 0 the entry goes
};

/// Only files of more than one name, each until its last name is met: a tree without hard links
/// keeps nothing here.
using FilesReadOnce = std::unordered_map<FileIdentity, ReadOnce, FileIdentityHash>;

/// Stores the fingerprint (and whole digest) of a file of several names already read under
/// another name, when `now` finds it as that read did. False: read it.
bool TakeReadOnce(FilesReadOnce& readOnce, const FileState& now, const FingerprintJob& job);

/// A later name of a file of several names taken by a status call alone, without an open, when it
/// finds the file as its first name's read did. On the snapshot tree (20,000 files under four
/// names each) an open and a status call of each of the 60,000 later names became one status call.
bool TakeByStatus(FilesReadOnce& readOnce, const FingerprintJob& job);

/// Digests `count` samples (1 to kMd5Lanes) side by side and stores each as its job's fingerprint;
/// keeps what a file of several names gave, for its other names. `states` are the files as read.
void DigestSamples(const unsigned char* const samples[], const std::size_t lengths[],
                   const FingerprintJob* const jobs[], const FileState states[], int count,
                   FilesReadOnce& readOnce);
