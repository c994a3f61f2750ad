#include "tidy/act/step_hook.h"

namespace {
StepHook stepHook = nullptr;
}

void SetStepHook(StepHook hook) { stepHook = hook; }

void StepBoundary() {
  if (stepHook != nullptr) {
    stepHook();
  }
}
