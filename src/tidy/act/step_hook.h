// Test seam: a test ends the process at each boundary of an apply, to show that an interruption
// anywhere loses nothing.
#pragma once

/// Called after every line the journal gets and after every change to a folder. Null (nothing)
/// by default; only tests set one.
using StepHook = void (*)();
void SetStepHook(StepHook hook);

/// Calls the hook, if a test set one.
void StepBoundary();
