#include "tidy/report/folder_way.h"

#include <algorithm>
#include <utility>

#include "platform/whole_path.h"

namespace {

// The separator the names of a way are joined by: on Windows a "\\?\" path takes no other.
constexpr PathChar kJoin = kPathSeparators[0];

// The folders held at once: each is a descriptor on POSIX, where a process may have no more than
// a thousand or so open. A way that would go deeper starts again from the top, which costs one
// hold of each folder above once every this many folders.
constexpr std::size_t kMostLevels = 256;

// A name that takes a folder one step down whether the path is read from the top or from the
// folder before it: not empty, not "." or "..", no separator of any kind, no ':' (a drive on
// Windows, "C:" alone being a working folder of its own, or a stream).
bool PlainName(const PathString& text, std::size_t from, std::size_t to) {
  const PathString name = text.substr(from, to - from);
  return !name.empty() && name != PathString(1, PathChar('.')) &&
         name != PathString(2, PathChar('.')) &&
         name.find_first_of(kPathSeparators) == PathString::npos &&
         name.find(PathChar(':')) == PathString::npos;
}

// Where the plain names that end `text` begin: the separator before the first of them.
std::size_t PlainStart(const PathString& text) {
  std::size_t start = text.size();
  while (start > 0) {
    const std::size_t separator = text.rfind(kJoin, start - 1);
    if (separator == PathString::npos || !PlainName(text, separator + 1, start)) {
      break;
    }
    start = separator;
  }
  return start;
}

}  // namespace

HoldResult FolderWay::Hold(const PathString& text, int* errorCode) {
  *errorCode = 0;
  const std::size_t plain = PlainStart(text);
  std::size_t common = 0;  // how far `text` and the deepest level's agree
  while (common < text.size() && common < text_.size() && text[common] == text_[common]) {
    ++common;
  }
  // Let go of the deepest first: on Windows the folders above are held only by the levels above.
  while (!levels_.empty()) {
    const std::size_t length = levels_.back().length;
    if (length > plain && length <= common && (length == text.size() || text[length] == kJoin)) {
      break;
    }
    levels_.pop_back();
  }
  text_ = text;
  std::size_t position = levels_.empty() ? 0 : levels_.back().length;
  while (!levels_.empty() && position < text.size()) {
    if (levels_.size() == kMostLevels) {
      levels_.clear();
      break;
    }
    const std::size_t end = std::min(text.find(kJoin, position + 1), text.size());
    const PathString name = text.substr(position + 1, end - position - 1);
    HeldFolder child;
    const HoldResult result = HoldSubfolder(levels_.back().held, name, false, &child, errorCode);
    if (result != HoldResult::kHeld) {
      return result;
    }
    const std::size_t link = AddLink(levels_.back().link, child.chain.back(), name);
    ReleaseAncestors(&child);
    levels_.push_back(Level{end, std::move(child), link});
    position = end;
  }
  return levels_.empty() ? HoldFromTop(text, errorCode) : HoldResult::kHeld;
}

HoldResult FolderWay::HoldFromTop(const PathString& text, int* errorCode) {
  HeldFolder held;
  const HoldResult result = HoldListedFolder(text, &held, errorCode);
  if (result == HoldResult::kHeld) {
    // The folders above are mostly the last start's (the day folders of one year): their links
    // are shared too.
    std::vector<std::size_t> start;
    for (std::size_t index = 0; index < held.chain.size(); ++index) {
      const std::size_t above = index == 0 ? kNoLink : start.back();
      const bool shared = links_ != nullptr && index < start_.size() &&
                          (*links_)[start_[index]].above == above &&
                          (*links_)[start_[index]].identity == held.chain[index] &&
                          (*links_)[start_[index]].name == held.names[index];
      start.push_back(shared ? start_[index]
                             : AddLink(above, held.chain[index], held.names[index]));
    }
    start_ = start;
    const std::size_t link = start.back();
    levels_.push_back(Level{text.size(), std::move(held), link});
  }
  return result;
}

std::size_t FolderWay::AddLink(std::size_t above, const FileIdentity& identity,
                               const PathString& name) {
  if (links_ == nullptr) {
    return kNoLink;
  }
  FolderLink link;
  link.above = above;
  link.depth = above == kNoLink ? 1 : (*links_)[above].depth + 1;
  link.identity = identity;
  link.name = name;
  links_->push_back(std::move(link));
  return links_->size() - 1;
}

bool IsOneOf(const FileIdentity& folder, const std::vector<FileIdentity>& folders) {
  for (const FileIdentity& one : folders) {
    if (SameFile(folder, one)) {
      return true;
    }
  }
  return false;
}

bool LinkUnderAny(const std::vector<FolderLink>& links, std::size_t link,
                  const std::vector<FileIdentity>& folders) {
  for (; link != kNoLink; link = links[link].above) {
    if (IsOneOf(links[link].identity, folders)) {
      return true;
    }
  }
  return false;
}

bool LinkChainIs(const std::vector<FolderLink>& links, std::size_t link,
                 const std::vector<FileIdentity>& chain) {
  std::size_t index = chain.size();
  for (; link != kNoLink && index > 0; link = links[link].above) {
    if (!(links[link].identity == chain[--index])) {
      return false;
    }
  }
  return link == kNoLink && index == 0;
}

bool ChainUnderAny(const std::vector<FileIdentity>& chain,
                   const std::vector<FileIdentity>& folders) {
  for (const FileIdentity& identity : chain) {
    if (IsOneOf(identity, folders)) {
      return true;
    }
  }
  return false;
}

std::size_t LevelUnderAny(const std::vector<FileIdentity>& chain,
                          const std::vector<FileIdentity>& folders) {
  for (std::size_t level = 0; level < chain.size(); ++level) {
    if (IsOneOf(chain[level], folders)) {
      return level;
    }
  }
  return chain.empty() ? 0 : chain.size() - 1;
}

std::vector<FileIdentity> LinkChain(const std::vector<FolderLink>& links, std::size_t link) {
  std::vector<FileIdentity> chain(link == kNoLink ? 0 : links[link].depth);
  for (std::size_t index = chain.size(); link != kNoLink && index > 0; link = links[link].above) {
    chain[--index] = links[link].identity;
  }
  return chain;
}

HoldResult HoldListedFolderAgain(const PathString& folder, const std::vector<FileIdentity>& chain,
                                 std::size_t below, HeldFolder* held, int* errorCode, bool* moved) {
  *errorCode = 0;
  *moved = false;
  FileIdentity above;
  if (below < chain.size() && HoldWholePath(folder, held) && held->chain.back() == chain.back() &&
      IdentityAbove(*held, chain.size() - 1 - below, &above) && above == chain[below]) {
    held->chain = chain;
    return HoldResult::kHeld;
  }
  const HoldResult result = HoldListedFolderAfresh(folder, held, errorCode);
  *moved = result == HoldResult::kHeld && held->chain != chain;
  return result;
}
