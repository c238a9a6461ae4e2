// Floating-point unit set-up at process entry.
#pragma once

// Switches the x87 unit to a 64-bit mantissa (extended precision), which the
// toolkit's resize and angle arithmetic relies on. No effect off x86.
void fpu_use_extended_precision(void);
