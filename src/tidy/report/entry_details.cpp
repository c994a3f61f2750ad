#include "tidy/report/entry_details.h"

#include <utility>

void AskShared(const HeldFolder& folder, const PathString& name, FileState* state,
               std::map<std::uint64_t, bool>* sharing) {
  const auto known = sharing->find(state->identity.volume);
  if (state->allocated <= 0 || (known != sharing->end() && !known->second)) {
    return;
  }
  ReadableFile file;
  if (OpenEntry(folder, name, &file) != OpenResult::kOpened) {
    return;
  }
  bool canShare = false;
  if (SameFile(file.state.identity, state->identity)) {
    state->shared = SharedBytes(file, &canShare);
    (*sharing)[state->identity.volume] = canShare;
  }
  CloseFile(&file);
}

std::uint32_t AccessTable::OfEntry(const HeldFolder& folder, const PathString& name,
                                   AccessDetail asked) {
  FileAccess access;
  if (asked == AccessDetail::kNone || !EntryAccessOf(folder, name, asked, &access)) {
    return 0;
  }
  return Keep(access);
}

std::uint32_t AccessTable::OfFolder(const HeldFolder& folder, AccessDetail asked) {
  FileAccess access;
  if (asked != AccessDetail::kWriters || !FolderAccessOf(folder, &access)) {
    return 0;
  }
  return Keep(access);
}

std::uint32_t AccessTable::Keep(const FileAccess& access) {
  if (!access.known) {
    return 0;
  }
  Key key(access.owner, access.group, access.mode, access.accessList, access.attributes,
          access.folder);
  const auto found = index_.find(key);
  if (found != index_.end()) {
    return found->second;
  }
  const auto index = static_cast<std::uint32_t>(checked_->accesses.size());
  checked_->accesses.push_back(access);
  index_.emplace(std::move(key), index);
  return index;
}
