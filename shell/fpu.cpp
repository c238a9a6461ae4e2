// x87 precision control (see fpu.h). GCC on x86 Linux starts in extended
// precision already; the Windows runtimes may start in double precision.
#include "shell/fpu.h"

#if defined(__i386__) || defined(__x86_64__)
void fpu_use_extended_precision(void) {
  unsigned short control;
  __asm__ __volatile__("fnstcw %0" : "=m"(control));
  control = (unsigned short)((control & ~0x0300u) | 0x0300u);  // precision control: 64-bit mantissa
  __asm__ __volatile__("fldcw %0" : : "m"(control));
}
#else
void fpu_use_extended_precision(void) {}
#endif
