#include "tidy/report/failure_texts.h"

#include "platform/text_output.h"
#include "tidy/tidy_texts.h"

std::string HoldFailureText(HoldResult result, int errorCode) {
  switch (result) {
    case HoldResult::kThroughLink:
      return kPassesThroughLink;
    case HoldResult::kNotFolder:
    case HoldResult::kMissing:
      return kNamesNoFile;
    default:
      return std::string(kUnreachable) + ": " + ErrorText(errorCode);
  }
}

std::string EntryFailureText(const EntryStatus& status) {
  switch (status.type) {
    case EntryType::kMissing:
      return kNamesNoFile;
    case EntryType::kLink:
      return kIsLink;
    case EntryType::kFailed:
      return std::string(kUnreachable) + ": " + ErrorText(status.errorCode);
    default:
      return kNotRegular;
  }
}
