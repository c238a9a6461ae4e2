// Puts the x87 unit into extended precision before any test runs, as the
// program's process entry does.
#include "shell/fpu.h"

namespace {
struct fpu_setup {
  fpu_setup() { fpu_use_extended_precision(); }
} fpu_setup_instance;
}  // namespace
