#include "driver/program_main.h"

#include <exception>
#include <new>

#include "driver/run_search.h"
#include "platform/text_output.h"

int ProgramMain(int count, PathChar** arguments) {
  try {
    TextOutput console = StandardOutput();
    return RunSearch(count, arguments, console);
  } catch (const std::bad_alloc&) {
    PrintFailure("dupscan: out of memory\n");
  } catch (const std::exception& failure) {
    PrintFailure("dupscan: %s\n", failure.what());
  } catch (...) {
    PrintFailure("dupscan: unexpected failure\n");
  }
  return 1;
}
