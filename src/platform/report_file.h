// The report file's life. It is checked before the walk, written to a new temporary file beside
// it, and put in its place only when whole: until then an earlier report stays as it was. An
// interrupted run (SIGINT, SIGTERM, SIGHUP and any other signal that ends a process but SIGKILL;
// on Windows Ctrl-C, Ctrl-Break or a closed console) removes the temporary and then ends as the
// interruption would have ended it.
#pragma once

#include <cstddef>

#include "platform/path_text.h"
#include "platform/text_output.h"

/// Checks, without creating or changing anything, that a new report could take the place of
/// `name`: nothing of that name exists, or a regular file the user may write (on Windows also
/// neither hidden nor a system file; on POSIX neither append-only nor immutable, and in a folder
/// with the sticky bit, their own), and its folder takes a new file and lets one go (on POSIX not
/// deleted, nor append-only). A link, a FIFO, a socket, a device, a folder or a reparse point of
/// that name is refused without being opened. Returns 0 or the reason's error code.
int CheckReportWritable(const PathChar* name);

/// True when the file listed as `listedName` in the working folder (`folder`, as the system takes
/// it) is the one a report named `name`, in the working folder, would replace. POSIX: the names
/// are equal byte for byte. Windows: they are equal ignoring case, as the system matches names,
/// and both open as one file; in a folder that tells case apart the other file is no report.
bool IsReportFile(const PathChar* name, const PathString& folder, const PathChar* listedName,
                  std::size_t listedLength);

struct ReportFile;

/// Creates a new file beside `name` and opens it as `report`'s text: on Linux a file without a
/// name where the file system makes one (named only when FinishReport puts it in place), else
/// named `name` + "." + a random suffix (exclusively, never through a link). It keeps an earlier
/// report's permission bits on POSIX; otherwise it gets what any new file gets. One report at a
/// time. Returns 0 or the error code.
int CreateReport(const PathChar* name, ReportFile* report);

/// Pushes the text to the disk, names the temporary if it has no name yet, closes it and renames
/// it over the report. Returns 0, or the code of the first failure (a write, the flush, the
/// naming, the close, the rename); then the temporary is removed and an earlier report is left as
/// it was.
int FinishReport(ReportFile* report);

/// Closes and removes the temporary, leaving an earlier report as it was. Nothing when no
/// temporary is open.
void AbandonReport(ReportFile* report);

/// A report being written: its text goes to the temporary until FinishReport.
struct ReportFile {
  TextOutput text;
  PathString name;
  PathString temporary;  ///< the temporary's name; empty while it has none, or there is none

  ReportFile() = default;
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;
  /// A run that ends early, by a failure or an exception, leaves no temporary behind.
  ~ReportFile() { AbandonReport(this); }
};
