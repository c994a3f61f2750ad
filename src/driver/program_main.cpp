#include "platform/program_entry.h"

#include <exception>
#include <new>

#include "driver/run_search.h"
#include "output_texts.h"
#include "platform/text_output.h"

int ProgramMain(int count, PathChar** arguments) {
  try {
    TextOutput console = StandardOutput();
    return RunSearch(count, arguments, console);
  } catch (const std::bad_alloc&) {
    PrintFailure(kOutOfMemoryLine);
  } catch (const std::exception& failure) {
    PrintFailure(kUnexpectedFailureLine, failure.what());
  } catch (...) {
    PrintFailure(kUnknownFailureLine);
  }
  return 1;
}
