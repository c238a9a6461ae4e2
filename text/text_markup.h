// Text markup preprocessing: in-place passes that turn Greek letter names
// into glyph escapes (codes 256 to 308), `^` and `_` scripts into
// script-level escapes, and #col=N# / #tab=N# codes into colour and tab
// escapes, in the escape format the text renderer reads (byte 2: glyph
// escape of 3 bytes; byte 5: layout escape of 6 bytes). Depends on
// util/helpers (ascii_lower, char_code).
//
// Buffers: every pass takes the text and the size in bytes of the buffer that
// holds it (the text, its terminating zero and any room to grow). A pass never
// writes at or past text + size. When a replacement would not fit, the pass
// stops there: what it converted so far stays, the rest stays as written, the
// text stays terminated and every escape in it stays whole, and
// text_markup_last_complete() answers 0. A text with no terminating zero
// within size (escapes stepped over whole) is left untouched and also answers
// 0. Escapes already in the text are stepped over whole by every pass, so the
// passes may run in any order.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Greek names (any letter case; a capital first letter gives the capital)
// and the five var- variants become glyph escapes. Returns text.
char* substitute_greek_names(char* text, size_t size);
// Turns ^ and _ scripts into script-level escapes, nesting braced arguments
// up to `levels` deep (0 does nothing; a negative budget sets no limit),
// starting from the given raise and scale (256 = normal size). Returns 1 when
// all fit, else 0.
int32_t apply_scripts(char* text, size_t size, int32_t levels, int16_t raise, int16_t scale);
// #col=N# and #tab=N# (any letter case) become colour and tab escapes.
// Returns text.
char* apply_markup_codes(char* text, size_t size);
// substitute_greek_names, then apply_scripts with raise 0 and scale 256.
// Returns text.
char* prepare_text(char* text, size_t size, int32_t levels);
// 1 when the last pass (both passes of prepare_text) converted everything.
int text_markup_last_complete(void);
