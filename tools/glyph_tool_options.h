// glyph_tool's command line: a command (convert, render, export-builtin,
// specimen) with its files, the glyph style and the specimen sheet's
// options. Read on util/cli_options.h, the programs' common convention,
// with no files opened and nothing printed, so tests and fuzz targets can
// call it. Depends on glyphs/cell_glyphs (styles).
#pragma once

#include <string>
#include <vector>

#include "glyphs/cell_glyphs.h"

struct glyph_tool_options {
  bool help = false;                                 // --help, -h, or "help" as the command
  bool version = false;                              // --version
  glyph_style style = make_glyph_style(6.0f, 6.0f);  // --cell, --stroke, --curve, --dot, --samples
  int direct = 0;                                    // --direct
  int columns = 16;                                  // --columns N
  int zoom = 1;                                      // --zoom N
  int label_cell = 3;                                // --label-cell N
  int grid = 0;                                      // --grid
  int first = 0, last = MAX_GLYPHS - 1;              // --codes A-B
  std::vector<std::string> args;                     // the command, then exactly its files
};

// Reads the arguments after the program name. Returns true with out filled
// (a known command with the right number of files, unless help or the
// version was asked for), or false with a one-line message.
bool glyph_tool_parse_options(const std::vector<std::string>& args, glyph_tool_options* out,
                              std::string* error);
