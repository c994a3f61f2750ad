// Two pieces of work at once, one on a second thread: a stage whose time goes on a system call
// per file has a second core to make half of them on.
#pragma once

#include <functional>

/// Runs `beside` on a second thread while the calling thread runs `own`, and returns once both
/// are done. Where no thread can be started, `beside` runs on the calling thread after `own`:
/// the work is done either way, on one core. Only the calling thread receives the signals that
/// interrupt a run.
void RunSideBySide(const std::function<void()>& own, const std::function<void()>& beside);
