#include "tidy/report/failure_texts.h"

#include "platform/text_output.h"
#include "tidy/tidy_texts.h"

std::string ReasonWithCause(const char* reason, const std::string& cause) {
  return std::string(reason) + kCauseSeparator + cause;
}

std::string HoldFailureText(HoldResult result, int errorCode) {
  switch (result) {
    case HoldResult::kThroughLink:
      return kPassesThroughLink;
    case HoldResult::kNotFolder:
      return kThroughFile;
    case HoldResult::kMissing:
      return kNamesNoFile;
    default:
      return ReasonWithCause(kUnreachable, ErrorText(errorCode));
  }
}

std::string EntryFailureText(const EntryStatus& status) {
  switch (status.type) {
    case EntryType::kMissing:
      return kNamesNoFile;
    case EntryType::kLink:
      return kIsLink;
    case EntryType::kFailed:
      return ReasonWithCause(kUnreachable, ErrorText(status.errorCode));
    default:
      return kNotRegular;
  }
}

std::string FolderUnreachableText(HoldResult result, int errorCode) {
  return ReasonWithCause(kFolderUnreachable, HoldFailureText(result, errorCode));
}

std::string SystemRefusedText(int errorCode) {
  return ReasonWithCause(kSystemRefused, ErrorText(errorCode));
}
