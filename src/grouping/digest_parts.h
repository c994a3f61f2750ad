// Parting the records of one fingerprint by their content, once two of them have shown different
// bytes: each reference then meets only the records whose digests equal its own (and those without
// one). A class of thousands of look-alikes otherwise cost a comparison per pair.
#pragma once

#include <cstdint>
#include <functional>

#include "content/content_digest.h"
#include "grouping/working_list.h"

/// Same contract as ExtendContentDigest; tests put a fake in its place, which keeps its state in
/// what it captures.
using DigestFunction = std::function<bool(const PathChar* path, ContentDigest& digest)>;

/// Same contract as WholeDigestHolds; tests put a fake in its place.
using WholeDigestCheck = std::function<bool(const PathChar* path, std::uint64_t stateStamp)>;

/// Parts the set of `reference` (the reference included) by content digests, read block by block
/// only as far as it takes to tell each record from the others. A whole digest serves only when
/// `holds` finds its file as it was read (null: always, for tests).
void PartByDigest(WorkingList& working, std::uint32_t reference, const DigestFunction& digest,
                  const WholeDigestCheck& holds);
