// Windows changes to folders: MoveFileExW without replacing, CreateHardLinkW, and removal through
// a handle on the very file that was looked at. Windows has no exchange of two names and no
// reflink that this program makes (ReFS block cloning is not asked for): those say unsupported.
#include "platform/entry_actions.h"

#include <windows.h>

#include "platform/file_state_win32.h"
#include "platform/held_folder_win32.h"

namespace {

ActionOutcome Outcome(ActionResult result, DWORD errorCode = 0) {
  ActionOutcome outcome;
  outcome.result = result;
  outcome.errorCode = static_cast<int>(errorCode);
  return outcome;
}

ActionOutcome Failure(DWORD errorCode) {
  switch (errorCode) {
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return Outcome(ActionResult::kExists, errorCode);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return Outcome(ActionResult::kMissing, errorCode);
    case ERROR_NOT_SAME_DEVICE:
      return Outcome(ActionResult::kOtherVolume, errorCode);
    default:
      return Outcome(ActionResult::kFailed, errorCode);
  }
}

}  // namespace

ActionOutcome RenameWithoutReplacing(const HeldFolder& from, const PathString& name,
                                     const HeldFolder& to, const PathString& newName) {
  // Neither MOVEFILE_REPLACE_EXISTING nor MOVEFILE_COPY_ALLOWED: an existing name is refused,
  // and a move to another volume fails instead of becoming a copy and a deletion.
  if (!MoveFileExW(EntryPath(from, name).c_str(), EntryPath(to, newName).c_str(), 0)) {
    return Failure(GetLastError());
  }
  return Outcome(ActionResult::kDone);
}

ActionOutcome ExchangeEntries(const HeldFolder&, const PathString&, const PathString&) {
  return Outcome(ActionResult::kUnsupported, ERROR_NOT_SUPPORTED);
}

ActionOutcome RemoveFile(const HeldFolder& folder, const PathString& name,
                         const FileState& expected) {
  // The file is opened, looked at and marked for deletion through one handle: what is removed
  // is what was looked at, whatever takes its name meanwhile.
  const HANDLE handle = CreateFileW(EntryPath(folder, name).c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return Failure(GetLastError());
  }
  BY_HANDLE_FILE_INFORMATION information;
  ActionOutcome outcome = Outcome(ActionResult::kDone);
  if (!GetFileInformationByHandle(handle, &information)) {
    outcome = Failure(GetLastError());
  } else {
    const FileState now = FileStateOf(handle, information);
    FILE_DISPOSITION_INFO disposition;
    disposition.DeleteFile = TRUE;
    if ((information.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != 0 ||
        !SameFile(now.identity, expected.identity) || !OpenedAsEntry(folder, handle, name)) {
      outcome = Outcome(ActionResult::kNotExpected);
    } else if (!SetFileInformationByHandle(handle, FileDispositionInfo, &disposition,
                                           sizeof disposition)) {
      outcome = Failure(GetLastError());
    }
  }
  CloseHandle(handle);
  return outcome;
}

ActionOutcome RemoveEmptyFolder(const HeldFolder& parent, const PathString& name) {
  if (!RemoveDirectoryW(EntryPath(parent, name).c_str())) {
    return Failure(GetLastError());
  }
  return Outcome(ActionResult::kDone);
}

ActionOutcome MakeHardLink(const HeldFolder& from, const PathString& name, const HeldFolder& to,
                           const PathString& newName) {
  if (!CreateHardLinkW(EntryPath(to, newName).c_str(), EntryPath(from, name).c_str(), nullptr)) {
    return Failure(GetLastError());
  }
  return Outcome(ActionResult::kDone);
}

ActionOutcome ShareBlocks(const ReadableFile&, const HeldFolder&, const PathString&,
                          const ReadableFile&) {
  return Outcome(ActionResult::kUnsupported, ERROR_NOT_SUPPORTED);
}

// NTFS journals its folders' changes itself; a folder handle opened only to read its attributes
// could not be flushed anyway.
void SyncFolder(const HeldFolder&) {}
