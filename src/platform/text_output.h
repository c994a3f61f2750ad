// Console and report output. Formats are narrow printf formats; a path goes in as a PathChar
// string through "%" PATH_ARG. POSIX writes bytes as they are. Windows writes UTF-8 without a
// byte order mark, whatever the code page, so every name comes out whole and ASCII text is
// unchanged; a real console gets the wide text through WriteConsoleW instead.
#pragma once

#include <cstdio>
#include <string>

#include "platform/path_text.h"

struct TextOutput {
  std::FILE* stream = nullptr;
  int error = 0;  ///< the first write failure's code, 0 while every write succeeded
};

inline TextOutput StandardOutput() { return TextOutput{stdout, 0}; }

/// Writes one formatted text. Failures stay in the stream's error flag.
void PrintText(TextOutput& output, const char* format, ...);

/// Sends out what the stream still holds and returns the first failure of any write to it, 0
/// when every byte reached its file: for the end of a program whose output is its product. On
/// POSIX it also closes a copy of the stream's descriptor, where a network file system tells
/// late failures; the stream itself stays open.
int FinishOutput(TextOutput& output);

/// One line on standard error, after flushing the console so the order is kept.
void PrintFailure(const char* format, ...);

/// The platform's text for an error code, for messages.
std::string ErrorText(int errorCode);

/// Forgets the runtime's record of a failure, before a stream call whose failure is to be told.
void ClearRuntimeError();

/// The code a failed stream call (a write, a flush, a close) left: the system's own where the
/// runtime kept one, else a write fault.
int RuntimeErrorCode();
