#include "support/rewrite_on_open.h"

#include <chrono>
#include <fstream>

#include "platform/readable_file.h"

namespace {

std::filesystem::path rewriteAtOpenOf;
std::filesystem::path rewrite;
std::string rewriteWith;

void RewriteBeforeOpen(const PathChar* path) {
  if (PathString(path) == rewriteAtOpenOf.native()) {
    const auto written = std::filesystem::last_write_time(rewrite);
    std::ofstream(rewrite, std::ios::binary | std::ios::in | std::ios::out) << rewriteWith;
    std::filesystem::last_write_time(rewrite, written + std::chrono::seconds(1));
  }
}

}  // namespace

void RewriteAtOpenOf(const std::filesystem::path& trigger, const std::filesystem::path& file,
                     const std::string& bytes) {
  rewriteAtOpenOf = trigger;
  rewrite = file;
  rewriteWith = bytes;
  SetBeforeOpenHook(RewriteBeforeOpen);
}

void StopRewriting() { SetBeforeOpenHook(nullptr); }
