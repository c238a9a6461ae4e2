// Writes the input (after the style bytes) to a cell glyph file, renders it by
// direct sampling, and checks the written glyph bitmap file has the same
// entries with the same sizes as decoding it in memory.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "fuzz/glyph_style_input.h"
#include "glyphs/cell_glyphs.h"
#include "glyphs/glyph_files.h"
#include "util/helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < FUZZ_STYLE_BYTES) return 0;
  glyph_style style = fuzz_style(data);
  static std::string in_path = "/tmp/glyph_render_fuzz_in_" + std::to_string(getpid());
  static std::string out_path = "/tmp/glyph_render_fuzz_out_" + std::to_string(getpid());
  FILE* f = fopen(in_path.c_str(), "wb");
  if (!f) return 0;
  fwrite(data + FUZZ_STYLE_BYTES, 1, size - FUZZ_STYLE_BYTES, f);
  fclose(f);
  remove(out_path.c_str());
  render_cell_glyph_file(in_path.c_str(), out_path.c_str(), style);

  uint32_t decoded_length = 0;
  uint8_t* decoded = decode_cell_glyphs(data + FUZZ_STYLE_BYTES, (uint32_t)(size - FUZZ_STYLE_BYTES), style,
                                        &decoded_length);
  int32_t written_length = -1;
  char* written = read_file(out_path.c_str(), &written_length);
  if (!decoded) {
    // An unusable style leaves no output file at all.
    if (written_length != -1) abort();
  } else {
    if (written_length != (int32_t)decoded_length) abort();
    // Same framing: widths and heights agree entry by entry.
    uint32_t at = 0;
    while (at < decoded_length) {
      if ((uint8_t)written[at] != decoded[at] || (uint8_t)written[at + 1] != decoded[at + 1]) abort();
      at += 2 + (uint32_t)decoded[at] * decoded[at + 1];
    }
  }
  free(decoded);
  free(written);
  return 0;
}
