// Feeds arbitrary bytes to both array file readers. The first byte picks the
// reader; a read that succeeds must describe exactly the bytes it consumed and
// survive a write-and-read-back round trip.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "util/dyn_array.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  int compact = data[0] & 1;
  // fmemopen refuses a zero-length buffer; an empty stream is a closed one.
  static const uint8_t nothing[1] = {0};
  FILE* in = size > 1 ? fmemopen((void*)(data + 1), size - 1, "rb") : fmemopen((void*)nothing, 1, "rb");
  if (!in) return 0;
  if (size == 1) fgetc(in);
  dyn_array a = compact ? dyn_array_read_compact(in) : dyn_array_read(in);
  dyn_array_status status = dyn_array_last_status();
  fclose(in);
  if (status == DYN_ARRAY_OK) {
    if (a.count > a.capacity) abort();
    size_t header = compact ? 5 : 16;
    if (header + (size_t)a.count * a.elem_size > size - 1) abort();
    FILE* out = tmpfile();
    if (out) {
      if (compact) {
        dyn_array_write_compact(&a, out);
      } else {
        dyn_array_write(&a, out);
      }
      rewind(out);
      dyn_array b = compact ? dyn_array_read_compact(out) : dyn_array_read(out);
      if (dyn_array_last_status() != DYN_ARRAY_OK || b.count != a.count ||
          (a.count && memcmp(a.data, b.data, (size_t)a.count * a.elem_size) != 0)) {
        abort();
      }
      dyn_array_release(b);
      fclose(out);
    }
  } else if (a.count != 0) {
    abort();
  }
  // Exercise the resize rules on whatever came back.
  uint32_t elem = a.elem_size;
  if (elem && elem <= 64) {
    unsigned char element[64] = {0};
    for (int i = 0; i < 8; i++) dyn_array_push(&a, element);
    while (a.count) dyn_array_remove_at(&a, 0);
  }
  dyn_array_release(a);
  return 0;
}
