// The system's part of a report file's life, one body per platform (report_file_posix.cpp,
// report_file_win32.cpp) under the body both share (report_file.cpp). Included by those three
// files only.
#pragma once

#include <cstdint>
#include <cstdio>

#include "platform/path_text.h"

/// Holds back the interruptions (POSIX blocks the signals; Windows takes the lock its console
/// handler waits for) while a temporary and the record of it change together, so that the
/// handler never meets a temporary that is not recorded, nor a recorded one that is gone.
void HoldInterruptions();
void ReleaseInterruptions();

/// Records the temporary `stream` writes, named `temporary`, for the interruption handler, which
/// removes it; and which file it is, for CheckOurTemporary. `temporary` must stay as it is until
/// ForgetTemporary: the handler reads it in place.
void RecordTemporary(const PathString& temporary, std::FILE* stream);

/// 0 while the recorded temporary is there; the code of an interruption when the interruption
/// handler came first and removed it (on Windows, where it runs beside the program, which is then
/// ending).
int RecordIntact();

void ForgetTemporary();

/// Opens a new file beside the report `report` for the report's text, with no more access than
/// the finished report will have: with `temporary` null, a file without a name where the system
/// makes one; else a file of that name, made exclusively and never through a link. Returns 0 or
/// the error code; on a failure nothing is left.
int OpenTemporary(const PathChar* report, const PathChar* temporary, std::FILE** stream);

/// Gives the file without a name that `stream` writes the new name `temporary`. Returns 0 or
/// the error code.
int NameTemporary(std::FILE* stream, const PathChar* temporary);

/// True for the code of a name that another file already has.
bool IsNameTaken(int errorCode);

/// Pushes what the system holds of the file to the disk. Returns 0 or the error code.
int SyncToDisk(std::FILE* stream);

/// 0 while `temporary` names the recorded file; else the code that the rename is refused with:
/// in a folder others may write, another file could have been put in its place.
int CheckOurTemporary(const PathChar* temporary);

/// Renames `temporary` over `report`. Returns 0 or the error code.
int ReplaceReport(const PathChar* temporary, const PathChar* report);

void RemoveTemporary(const PathChar* temporary);

/// What makes a temporary's name differ from moment to moment and from process to process.
std::uint64_t ClockTicks();
std::uint64_t ProcessNumber();
