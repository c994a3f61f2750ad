// dupscan-tidy's entry: anything unexpected becomes one line and the exit status of trouble.
#include <exception>
#include <new>

#include "platform/program_entry.h"
#include "platform/text_output.h"
#include "tidy/driver/run_tidy.h"
#include "tidy/tidy_texts.h"

int ProgramMain(int count, PathChar** arguments) {
  try {
    return RunTidyArguments(count, arguments);
  } catch (const std::bad_alloc&) {
    PrintFailure(kTidyOutOfMemoryLine);
  } catch (const std::exception& failure) {
    PrintFailure(kTidyUnexpectedLine, failure.what());
  } catch (...) {
    PrintFailure(kTidyUnknownFailureLine);
  }
  return kExitTrouble;
}
