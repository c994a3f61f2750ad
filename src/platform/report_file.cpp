// What both platforms' report files share: the order of a report's life, the attempts at a free
// name, and the rename or removal at its end, over the system's part in report_file_system.h.
#include "platform/report_file.h"

#include "platform/report_file_system.h"
#include "platform/temporary_name.h"

namespace {

// A name already taken is another file's: a new suffix is drawn, this many times at most.
constexpr int kNameAttempts = 100;
constexpr int kProcessShift = 32;

// What draws a new suffix each attempt and each run: the time, the process and the attempt.
std::uint64_t TemporarySeed(int attempt) {
  return ClockTicks() ^ (ProcessNumber() << kProcessShift) ^ static_cast<std::uint64_t>(attempt);
}

// Draws names beside the report until `make` makes a file of one that was free, and records it.
// Called with the interruptions held. Returns 0 or the last attempt's error code.
template <typename Make>
int MakeNamedTemporary(ReportFile* report, std::FILE* const* stream, Make make) {
  int errorCode = 0;
  PathString temporary;
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    temporary = TemporaryName(report->name.c_str(), TemporarySeed(attempt));
    errorCode = make(temporary.c_str());
    if (!IsNameTaken(errorCode)) {
      break;
    }
  }
  if (errorCode == 0) {
    report->temporary = temporary;
    RecordTemporary(report->temporary, *stream);
  }
  return errorCode;
}

// Renames the temporary over the report when `keep`, else removes it, and forgets it. Returns 0
// or the error code; a temporary that could not be renamed is removed, unless another file has
// taken its name.
int SettleTemporary(ReportFile* report, bool keep) {
  if (report->temporary.empty()) {
    return 0;
  }
  HoldInterruptions();
  int errorCode = RecordIntact();
  if (errorCode == 0) {
    const PathChar* temporary = report->temporary.c_str();
    const int notOurs = CheckOurTemporary(temporary);
    if (keep) {
      errorCode = notOurs != 0 ? notOurs : ReplaceReport(temporary, report->name.c_str());
    }
    if ((!keep || errorCode != 0) && notOurs == 0) {
      RemoveTemporary(temporary);
    }
  }
  ForgetTemporary();
  ReleaseInterruptions();
  report->temporary.clear();
  return errorCode;
}

// A file without a name gets one beside the report, to be renamed over it; recorded, so that an
// interruption from here on removes it.
int NameUnnamedTemporary(ReportFile* report, std::FILE* stream) {
  HoldInterruptions();
  const int errorCode = MakeNamedTemporary(
      report, &stream, [&](const PathChar* temporary) { return NameTemporary(stream, temporary); });
  ReleaseInterruptions();
  return errorCode;
}

}  // namespace

int CreateReport(const PathChar* name, ReportFile* report) {
  report->name = name;
  report->text = TextOutput();
  std::FILE* stream = nullptr;
  HoldInterruptions();
  // Without a name where the system allows, so that a run killed outright leaves nothing behind.
  int errorCode = OpenTemporary(name, nullptr, &stream);
  if (errorCode != 0) {
    errorCode = MakeNamedTemporary(report, &stream, [&](const PathChar* temporary) {
      return OpenTemporary(name, temporary, &stream);
    });
  }
  ReleaseInterruptions();
  report->text.stream = stream;
  return errorCode;
}

int FinishReport(ReportFile* report) {
  std::FILE* stream = report->text.stream;
  report->text.stream = nullptr;
  int errorCode = report->text.error;
  ClearRuntimeError();
  if ((std::fflush(stream) != 0 || std::ferror(stream)) && errorCode == 0) {
    errorCode = RuntimeErrorCode();
  }
  // On the disk before it takes the earlier report's place, so that a crash just after the
  // rename cannot leave an empty report; and a network file system reports late failures here.
  if (errorCode == 0) {
    errorCode = SyncToDisk(stream);
  }
  if (errorCode == 0 && report->temporary.empty()) {
    errorCode = NameUnnamedTemporary(report, stream);
  }
  ClearRuntimeError();
  if (std::fclose(stream) != 0 && errorCode == 0) {
    errorCode = RuntimeErrorCode();
  }
  if (errorCode != 0) {
    SettleTemporary(report, false);
    return errorCode;
  }
  return SettleTemporary(report, true);
}

void AbandonReport(ReportFile* report) {
  if (report->text.stream != nullptr) {
    std::fclose(report->text.stream);
    report->text.stream = nullptr;
  }
  SettleTemporary(report, false);
}
