// glyph_tool: the font designer's command line for cell glyph fonts. Converts
// cell glyph files into glyph bitmap files (through the tile cache or by direct
// sampling), exports the built-in font as a cell glyph file, and draws
// specimen sheets (PNG) of any cell glyph file with every glyph and its code.
// Depends on glyphs/ (rasteriser, converters, built-in font), font/font_atlas
// (glyph opacity), geometry/palette and runner/runner_image (PNG files).
//
// A usage error prints one line and exits with status 2 (util/cli_options.h);
// every other failure prints one line on stderr and exits with status 1; the
// library functions it calls report nothing, so the tool checks the input
// (check_cell_glyphs) and the output it reads back itself.
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "font/font_atlas.h"
#include "geometry/palette.h"
#include "glyphs/builtin_font.h"
#include "glyphs/cell_glyphs.h"
#include "glyphs/glyph_files.h"
#include "runner/runner_image.h"
#include "tools/glyph_tool_options.h"
#include "util/cli_options.h"
#include "util/file_replace.h"
#include "util/helpers.h"

// ---------------------------------------------------------------------------
// Messages and options

static const char* const USAGE =
    "Usage: glyph_tool COMMAND [options]\n"
    "       glyph_tool -h | --help | --version\n"
    "\n"
    "commands:\n"
    "  convert IN OUT         cell glyph file -> glyph bitmap file, by copying the\n"
    "                         tiles of the cell codes (what the program does)\n"
    "  render IN OUT          cell glyph file -> glyph bitmap file, by sampling every\n"
    "                         pixel against the cell grid (smoother cell borders)\n"
    "  export-builtin OUT     write the built-in font as a cell glyph file\n"
    "  specimen IN OUT.png    draw every glyph of a cell glyph file with its code;\n"
    "                         IN may be \"builtin\" for the built-in font\n"
    "\n"
    "style options (convert, render, specimen):\n"
    "  --cell W[xH]           cell size in pixels, 1 to 255 (default 6, the program's)\n"
    "  --stroke X[,Y]         stroke half-width as a fraction of the cell (default 0.2)\n"
    "  --curve X[,Y]          arc squareness, 0 (round) up to below 1 (default 0)\n"
    "  --dot S                dot radius as a multiple of the stroke (default 1)\n"
    "  --samples N            anti-aliasing samples per axis, 0 to 46340 (default 10)\n"
    "\n"
    "specimen options:\n"
    "  --direct               sample pixels directly instead of copying tiles\n"
    "  --columns N            glyphs per row (default 16)\n"
    "  --zoom N               enlarge the sheet N times, 1 to 16 (default 1)\n"
    "  --label-cell N         cell size of the code labels, 2 to 16 (default 3)\n"
    "  --grid                 tint every other cell of each glyph\n"
    "  --codes A-B            draw only the glyphs of codes A to B (default all)\n"
    "\n"
    "Glyphs are drawn black on white with the opacity the font atlas gives them;\n"
    "the light box behind each glyph is its full bitmap. Codes are decimal.\n";

static int fail(const char* format, const char* a = "", const char* b = "") {
  fprintf(stderr, "glyph_tool: ");
  fprintf(stderr, format, a, b);
  fprintf(stderr, "\n");
  return 1;
}

// The options, read by tools/glyph_tool_options.h.
using options = glyph_tool_options;

// ---------------------------------------------------------------------------
// Files

// Reads a whole file; prints why and returns 0 when it cannot.
static int read_input(const std::string& path, std::vector<uint8_t>* out) {
  int32_t length = -1;
  errno = 0;
  char* data = read_file(path.c_str(), &length);
  if (!data && length < 0) return !fail("cannot open %s: %s", path.c_str(), strerror(errno ? errno : ENOENT));
  if (data) out->assign((uint8_t*)data, (uint8_t*)data + length);
  free(data);
  return 1;
}

// 1 when data reads as a glyph bitmap set (what convert and render write):
// entries of width, height and that many pixels, each 255 or a grey level
// 16 to 39, ending exactly at the end, at least one pixel in all.
static int looks_like_glyph_bitmaps(const std::vector<uint8_t>& data) {
  size_t at = 0, pixels = 0;
  int entries = 0;
  while (at < data.size()) {
    if (at + 2 > data.size() || ++entries > MAX_GLYPHS) return 0;
    size_t count = (size_t)data[at] * data[at + 1];
    at += 2;
    if (count > data.size() - at) return 0;
    for (size_t i = 0; i < count; i++) {
      uint8_t v = data[at + i];
      if (v != GLYPH_PIXEL_EMPTY && (v < 16 || v > 39)) return 0;
    }
    at += count;
    pixels += count;
  }
  return pixels > 0;
}

static int check_input(const std::string& path, const std::vector<uint8_t>& data, glyph_style style) {
  int entry = -1;
  cell_glyph_problem problem = check_cell_glyphs(data.data(), (uint32_t)data.size(), style, &entry);
  if (problem == CELL_GLYPHS_OK) return 1;
  // A converter's output given back as input is the likely mistake: say so
  // rather than name the first cell code that does not fit.
  if (looks_like_glyph_bitmaps(data))
    return !fail("%s looks like a glyph bitmap file (what convert and render write), not a cell glyph file",
                 path.c_str());
  std::string where = path + ": entry " + std::to_string(entry);
  return !fail("%s: %s", where.c_str(), cell_glyph_problem_text(problem));
}

// Fails unless a file can be written at path (the library would write nothing).
static int check_writable(const std::string& path) {
  std::string why;
  if (!file_replace_prepare_file(path.c_str(), &why))
    return !fail("cannot write %s: %s", path.c_str(), why.c_str());
  return 1;
}

static std::vector<uint8_t> decode(const std::vector<uint8_t>& cells, glyph_style style) {
  uint32_t length = 0;
  uint8_t* bitmaps = decode_cell_glyphs(cells.data(), (uint32_t)cells.size(), style, &length);
  std::vector<uint8_t> out(bitmaps, bitmaps + length);
  free(bitmaps);
  return out;
}

// Runs one of the converters and checks that the output holds what the
// glyphs should give: decoding exactly, direct sampling the same entry sizes.
// The command line has given each command exactly its files.
static int run_converter(const options& opt, int direct) {
  const std::string& in = opt.args[1];
  const std::string& out = opt.args[2];
  std::vector<uint8_t> cells;
  if (!read_input(in, &cells) || !check_input(in, cells, opt.style) || !check_writable(out)) return 1;
  std::vector<uint8_t> expected = decode(cells, opt.style);
  if (direct)
    render_cell_glyph_file(in.c_str(), out.c_str(), opt.style);
  else
    convert_cell_glyph_file(in.c_str(), out.c_str(), opt.style);
  std::vector<uint8_t> written;
  if (!read_input(out, &written) || written.size() != expected.size() || (!direct && written != expected))
    return fail("writing %s failed", out.c_str());
  return 0;
}

static int export_builtin(const options& opt) {
  const std::string& out = opt.args[1];
  std::string why;
  if (!file_replace_write(out.c_str(), builtin_font_cells, BUILTIN_FONT_CELLS_LENGTH, &why))
    return fail("cannot write %s: %s", out.c_str(), why.c_str());
  return 0;
}

// ---------------------------------------------------------------------------
// Specimen sheets

namespace {
struct bitmap_glyph {
  int width = 0, height = 0;
  const uint8_t* pixels = nullptr;
};

struct image {
  int width, height;
  std::vector<uint8_t> rgb;
  void fill(int x, int y, int w, int h, uint32_t colour) {
    for (int r = y; r < y + h && r < height; r++)
      for (int c = x; c < x + w && c < width; c++) put(c, r, colour);
  }
  void put(int x, int y, uint32_t colour) {
    uint8_t* p = &rgb[((size_t)y * width + x) * 3];
    p[0] = (uint8_t)(colour >> 16);
    p[1] = (uint8_t)(colour >> 8);
    p[2] = (uint8_t)colour;
  }
  // Blends colour over the pixel with opacity alpha (0..255).
  void blend(int x, int y, uint32_t colour, int alpha) {
    uint8_t* p = &rgb[((size_t)y * width + x) * 3];
    for (int i = 0; i < 3; i++) {
      int ink = (int)((colour >> (16 - 8 * i)) & 0xFF);
      p[i] = (uint8_t)((p[i] * (255 - alpha) + ink * alpha + 127) / 255);
    }
  }
};
}  // namespace

// Splits a glyph_bitmap_set into its entries.
static std::vector<bitmap_glyph> split_bitmaps(const std::vector<uint8_t>& set) {
  std::vector<bitmap_glyph> glyphs;
  size_t pos = 0;
  while (pos + 2 <= set.size()) {
    bitmap_glyph g;
    g.width = set[pos];
    g.height = set[pos + 1];
    g.pixels = set.data() + pos + 2;
    pos += 2 + (size_t)g.width * g.height;
    if (pos > set.size()) break;
    glyphs.push_back(g);
  }
  return glyphs;
}

static void draw_glyph(image* img, const bitmap_glyph& g, int x, int y, uint32_t colour,
                       const uint8_t* alpha) {
  for (int r = 0; r < g.height; r++)
    for (int c = 0; c < g.width; c++)
      if (x + c < img->width && y + r < img->height)
        img->blend(x + c, y + r, colour, alpha[g.pixels[r * g.width + c]]);
}

static int text_width(const std::vector<bitmap_glyph>& font, const std::string& text, int gap) {
  int w = 0;
  for (unsigned char ch : text) w += (ch < font.size() ? font[ch].width : 0) + gap;
  return w > 0 ? w - gap : 0;
}

static void draw_label(image* img, const std::vector<bitmap_glyph>& font, const std::string& text, int x,
                       int y, int gap, const uint8_t* alpha) {
  for (unsigned char ch : text) {
    if (ch >= font.size()) continue;
    draw_glyph(img, font[ch], x, y, 0x3050A0, alpha);
    x += font[ch].width + gap;
  }
}

static int write_png(const std::string& path, const image& img) {
  runner_image out;
  out.width = img.width;
  out.height = img.height;
  out.rgb = img.rgb;
  std::string why;
  if (!runner_write_png(path.c_str(), out, &why))
    return !fail("cannot write %s: %s", path.c_str(), why.c_str());
  return 1;
}

// The glyph bitmaps of a cell glyph set, rendered by direct sampling through
// a temporary file next to the output.
static int render_direct(const std::vector<uint8_t>& cells, const options& opt, const std::string& near,
                         std::vector<uint8_t>* out) {
  std::string in_tmp = near + ".cells.tmp", out_tmp = near + ".glyphs.tmp";
  std::string why;
  if (!file_replace_write(in_tmp.c_str(), cells.data(), cells.size(), &why))
    return !fail("cannot write %s: %s", in_tmp.c_str(), why.c_str());
  render_cell_glyph_file(in_tmp.c_str(), out_tmp.c_str(), opt.style);
  int ok = read_input(out_tmp, out);
  remove(in_tmp.c_str());
  remove(out_tmp.c_str());
  return ok;
}

static int specimen(const options& opt) {
  const std::string& in = opt.args[1];
  const std::string& out = opt.args[2];
  if (!check_writable(out)) return 1;
  std::vector<uint8_t> cells;
  if (in == "builtin")
    cells.assign(builtin_font_cells, builtin_font_cells + BUILTIN_FONT_CELLS_LENGTH);
  else if (!read_input(in, &cells))
    return 1;
  if (!check_input(in, cells, opt.style)) return 1;
  std::vector<uint8_t> bitmaps;
  if (opt.direct) {
    if (!render_direct(cells, opt, out, &bitmaps)) return 1;
  } else {
    bitmaps = decode(cells, opt.style);
  }
  std::vector<bitmap_glyph> all = split_bitmaps(bitmaps);
  std::vector<bitmap_glyph> glyphs;
  for (int code = opt.first; code <= opt.last && code < (int)all.size(); code++) glyphs.push_back(all[code]);
  if (glyphs.empty()) return fail("%s holds no glyphs to draw", in.c_str());

  glyph_style label_style = make_glyph_style((float)opt.label_cell, (float)opt.label_cell);
  std::vector<uint8_t> label_bitmaps = decode(
      std::vector<uint8_t>(builtin_font_cells, builtin_font_cells + BUILTIN_FONT_CELLS_LENGTH), label_style);
  std::vector<bitmap_glyph> label_font = split_bitmaps(label_bitmaps);

  // Opacity of every pixel value, as the font atlas computes it.
  float red[256], green[256], blue[256];
  build_palette_256(red, green, blue);
  uint8_t alpha[256];
  for (int v = 0; v < 256; v++) alpha[v] = glyph_texel_alpha((uint8_t)v, red, green, blue);

  int max_w = 1, max_h = 1;
  for (const bitmap_glyph& g : glyphs) {
    if (g.width > max_w) max_w = g.width;
    if (g.height > max_h) max_h = g.height;
  }
  int label_gap = opt.label_cell / 3 + 1;
  int label_h = label_font.size() > '0' ? label_font['0'].height : 0;
  int label_w = text_width(label_font, std::to_string(opt.first + glyphs.size() - 1), label_gap);
  int pad = 4;
  int slot_w = (max_w > label_w ? max_w : label_w) + 2 * pad;
  int slot_h = label_h + 2 + max_h + 2 * pad;
  int columns = opt.columns < (int)glyphs.size() ? opt.columns : (int)glyphs.size();
  int rows = ((int)glyphs.size() + columns - 1) / columns;

  image img;
  img.width = columns * slot_w;
  img.height = rows * slot_h;
  img.rgb.assign((size_t)img.width * img.height * 3, 255);
  int tile_w = (int)opt.style.cell_width, tile_h = (int)opt.style.cell_height;
  for (size_t i = 0; i < glyphs.size(); i++) {
    int x = (int)(i % columns) * slot_w, y = (int)(i / columns) * slot_h;
    if ((i / columns + i % columns) % 2) img.fill(x, y, slot_w, slot_h, 0xF4F4F4);
    draw_label(&img, label_font, std::to_string(opt.first + i), x + pad, y + pad, label_gap, alpha);
    const bitmap_glyph& g = glyphs[i];
    int gx = x + pad, gy = y + pad + label_h + 2;
    img.fill(gx, gy, g.width, g.height, 0xDDE8F0);
    if (opt.grid)
      for (int r = 0; r < g.height; r++)
        for (int c = 0; c < g.width; c++)
          if ((r / tile_h + c / tile_w) % 2) img.put(gx + c, gy + r, 0xC8D8E4);
    draw_glyph(&img, g, gx, gy, 0x000000, alpha);
  }
  if (opt.zoom > 1) {
    image big;
    big.width = img.width * opt.zoom;
    big.height = img.height * opt.zoom;
    big.rgb.resize((size_t)big.width * big.height * 3);
    for (int y = 0; y < big.height; y++)
      for (int x = 0; x < big.width; x++)
        memcpy(&big.rgb[((size_t)y * big.width + x) * 3],
               &img.rgb[((size_t)(y / opt.zoom) * img.width + x / opt.zoom) * 3], 3);
    img = big;
  }
  return write_png(out, img) ? 0 : 1;
}

// ---------------------------------------------------------------------------
// Entry

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  options opt;
  std::string message;
  if (!glyph_tool_parse_options(args, &opt, &message)) {
    fputs(cli_usage_error_line("glyph_tool", message).c_str(), stderr);
    return CLI_USAGE_STATUS;
  }
  if (opt.help) {
    fputs(USAGE, stdout);
    fputs(cli_convention_help, stdout);
    return 0;
  }
  if (opt.version) {
    printf("glyph_tool %s\n", BF_VERSION);
    return 0;
  }
  const std::string& command = opt.args[0];
  if (command == "convert") return run_converter(opt, 0);
  if (command == "render") return run_converter(opt, 1);
  if (command == "export-builtin") return export_builtin(opt);
  return specimen(opt);
}
