// The folders of a tree held on the way down it, so that a folder is held from the deepest folder
// held above it, not from the top: the report's folders, visited in the order of their texts,
// cost one hold each however deep the tree, where holding each from the top would cost its depth.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/held_folder.h"
#include "platform/path_text.h"

constexpr std::size_t kNoLink = static_cast<std::size_t>(-1);

/// One folder of a chain (see HeldFolder), the chains of many folders kept as one tree: a
/// folder's chain is its link and the links above it, each its folder's only copy.
struct FolderLink {
  std::size_t above = kNoLink;  ///< the folder above's link; kNoLink for the top
  std::size_t depth = 1;        ///< how many folders the chain down to this one has
  FileIdentity identity;
  PathString name;  ///< the name it was entered by (see HeldFolder::names)
};

class FolderWay {
 public:
  /// `links`, when given, gets a link for each folder held (see Link).
  explicit FolderWay(std::vector<FolderLink>* links = nullptr) : links_(links) {}

  /// Holds the folder `text`, a folder of the report as HoldListedFolder takes it: from the
  /// deepest folder held whose text it extends by plain names (no "." or "..", nothing a system
  /// reads as a drive or a stream), through each of those names; else from the top. The folders
  /// of the way stay held until a folder outside them is asked for, so each is still the one the
  /// way came down through.
  HoldResult Hold(const PathString& text, int* errorCode);

  /// The folder last held, after Hold returned kHeld.
  const HeldFolder& Held() const { return levels_.back().held; }
  /// Its link in `links`: the last of its chain.
  std::size_t Link() const { return levels_.back().link; }

 private:
  struct Level {
    std::size_t length;  ///< of its text, which begins the text of every level below it
    HeldFolder held;
    std::size_t link;
  };

  HoldResult HoldFromTop(const PathString& text, int* errorCode);
  std::size_t AddLink(std::size_t above, const FileIdentity& identity, const PathString& name);

  std::vector<Level> levels_;
  PathString text_;                 ///< the deepest level's
  std::vector<std::size_t> start_;  ///< the links of the chain of the last level held from the top
  std::vector<FolderLink>* links_;
};

/// Whether the chain that ends in `link` is `chain`, folder for folder.
bool LinkChainIs(const std::vector<FolderLink>& links, std::size_t link,
                 const std::vector<FileIdentity>& chain);

/// The chain (see HeldFolder) that ends in `link`, from the top; empty for kNoLink.
std::vector<FileIdentity> LinkChain(const std::vector<FolderLink>& links, std::size_t link);

/// HoldListedFolder for a folder held before with the chain `chain`: `moved` when the path now
/// leads to another folder, or to this one by another way. Where the system opens a whole path in
/// one call (see HoldWholePath), the folder found must be the last of `chain`, and the folder so
/// many levels above it (a folder has one folder above it) must still be `chain[below]`: the path
/// leads there now without a link, and the folder is still under that one, in a few system calls
/// whatever the depth. The folders between are not compared one by one there: one replaced by
/// another of its name, with the folders below moved into it, is not told apart. Otherwise, or
/// when either differs, the walk from the top must find the whole chain. `held` gets `chain`.
HoldResult HoldListedFolderAgain(const PathString& folder, const std::vector<FileIdentity>& chain,
                                 std::size_t below, HeldFolder* held, int* errorCode, bool* moved);

/// Whether `folder` is one of `folders`, by identity.
bool IsOneOf(const FileIdentity& folder, const std::vector<FileIdentity>& folders);

/// Whether a folder (by its link in `links`) is one of `folders` or below one, by identity.
bool LinkUnderAny(const std::vector<FolderLink>& links, std::size_t link,
                  const std::vector<FileIdentity>& folders);

/// The first level of `chain` that is one of `folders`; the last level when none is.
std::size_t LevelUnderAny(const std::vector<FileIdentity>& chain,
                          const std::vector<FileIdentity>& folders);

/// Whether a folder whose chain (see HeldFolder) is `chain` is one of `folders` or below one.
bool ChainUnderAny(const std::vector<FileIdentity>& chain,
                   const std::vector<FileIdentity>& folders);
