#include "tidy/report/whole_file.h"

#include "platform/held_folder.h"
#include "platform/readable_file.h"
#include "tidy/report/failure_texts.h"
#include "tidy/tidy_texts.h"

namespace {
constexpr std::size_t kReadBlock = 1 << 20;
}

bool ReadWholeFileNoLink(const PathString& name, std::string* bytes, std::string* why) {
  PathString folderPath;
  PathString fileName;
  SplitPath(name, &folderPath, &fileName);
  HeldFolder folder;
  int errorCode = 0;
  const HoldResult held = HoldFolder(folderPath, &folder, &errorCode);
  if (held != HoldResult::kHeld) {
    *why = HoldFailureText(held, errorCode);
    return false;
  }
  const EntryStatus status = StatEntry(folder, fileName);
  ReadableFile file;
  if (status.type != EntryType::kFile) {
    *why = EntryFailureText(status);
    return false;
  }
  const OpenResult opened = OpenEntry(folder, fileName, &file);
  if (opened != OpenResult::kOpened) {
    *why = opened == OpenResult::kNoDescriptor ? kNoDescriptors : kNotRegular;
    return false;
  }
  bool readError = false;
  for (;;) {
    const std::size_t had = bytes->size();
    bytes->resize(had + kReadBlock);
    const std::size_t got =
        ReadAt(file, static_cast<std::int64_t>(had), &(*bytes)[had], kReadBlock, &readError);
    bytes->resize(had + got);
    if (got == 0 || readError) {
      break;
    }
  }
  CloseFile(&file);
  if (readError) {
    *why = kUnreadable;
  }
  return !readError;
}
