// gallery_runner's command line (see gallery_runner_options.h).
#include "gallery/gallery_runner_options.h"

#include <string.h>

#include <iterator>
#include <vector>

#include "gallery/gallery.h"
#include "runner/runner_args.h"
#include "util/cli_options.h"

std::string gallery_runner_usage(void) {
  std::string pages;
  for (int32_t i = 0; i < GALLERY_PAGE_COUNT; i++) pages += std::string(i ? "," : "") + gallery_page_names[i];
  return "Usage: gallery_runner [options]\n"
         "  --size WxH          surface size in pixels, at least 320x240 (default 960x600)\n"
         "  --out DIR           where screenshots (or, when validating, the pictures that\n"
         "                      differ and their diff pictures) go (default gallery-shots)\n" +
         runner_shot_usage("compare each page with DIR/<page>.png instead of saving it",
                           "8: the pages\n"
                           "                      are flat and text; boxfield_runner's field allows 24)",
                           "page") +
         "  --pages A,B,...     pages to render, by name (default all: " + pages +
         ")\n"
         "  --time SECONDS      animation time the clock is held at (default 0)\n"
         "  --mouse FX,FY       mouse position as fractions of the size (default 0.62,0.42)\n"
         "  --strict            any GL error fails the run (exit 1)\n"
         "  -h, --help, --version  this text, the version\n" +
         cli_convention_help;
}

enum {
  OPT_VERSION = CLI_FIRST_ID,
  OPT_SIZE,
  OPT_OUT,
  OPT_PAGES,
  OPT_TIME,
  OPT_MOUSE,
  OPT_STRICT,
};

static const cli_option gallery_runner_own_options[] = {
    {"help", CLI_NO_VALUE, CLI_HELP}, {"version", CLI_NO_VALUE, OPT_VERSION}, {"size", CLI_VALUE, OPT_SIZE},
    {"out", CLI_VALUE, OPT_OUT},      {"pages", CLI_VALUE, OPT_PAGES},        {"time", CLI_VALUE, OPT_TIME},
    {"mouse", CLI_VALUE, OPT_MOUSE},  {"strict", CLI_NO_VALUE, OPT_STRICT},
};

// "A,B,...": page names, each found in any case.
static bool gallery_runner_pages(cli_parser* p, const char* text, std::vector<int32_t>* pages) {
  pages->clear();
  std::string name;
  for (const char* c = text;; c++) {
    if (*c == ',' || *c == 0) {
      int32_t page = gallery_page_by_name(name.c_str());
      if (page < 0) return cli_refuse(p, "no page '%s'", name.c_str());
      pages->push_back(page);
      name.clear();
      if (*c == 0) return true;
    } else {
      name += *c;
    }
  }
}

// Reads the options into o; false with p->error set on a mistake.
static bool gallery_runner_read_options(cli_parser* p, gallery_runner_options* o) {
  for (;;) {
    const char* value = nullptr;
    int id = cli_next(p, &value);
    switch (id) {
      case CLI_END:
        return true;
      case CLI_ERROR:
        return false;
      case CLI_OPERAND:
        return cli_refuse(p, "unexpected argument '%s'", value);
      case CLI_HELP:
        o->help = true;
        break;
      case OPT_VERSION:
        o->version = true;
        break;
      case OPT_SIZE:
        if (!runner_parse_size(value, 320, 240, &o->width, &o->height))
          return cli_refuse(p, "--size wants WxH, from 320x240 to 8192x8192 (got '%s')", value);
        break;
      case OPT_OUT:
        o->out_dir = value;
        break;
      case OPT_PAGES:
        if (!gallery_runner_pages(p, value, &o->pages)) return false;
        break;
      case OPT_TIME:
        if (!runner_parse_number(value, 0, 1e6, &o->time))
          return cli_refuse(p, "--time wants seconds from 0 to 1000000 (got '%s')", value);
        break;
      case OPT_MOUSE: {
        const char* comma = strchr(value, ',');
        std::string fx(value, comma ? (size_t)(comma - value) : strlen(value));
        if (!comma || !runner_parse_number(fx.c_str(), 0, 1, &o->mouse_fx) ||
            !runner_parse_number(comma + 1, 0, 1, &o->mouse_fy))
          return cli_refuse(p, "--mouse wants FX,FY, each from 0 to 1 (got '%s')", value);
        break;
      }
      case OPT_STRICT:
        o->strict = true;
        break;
      default: {
        // The shot options, read by the runner library.
        std::string name = cli_option_name(*p, id);
        char why[160];
        int taken = runner_shot_option(name.c_str(), value, &o->shots, why, sizeof why);
        if (taken < 0) return cli_refuse(p, "unhandled option %s", name.c_str());
        if (taken == 0) return cli_refuse(p, "%s (got '%s')", why, value);
        break;
      }
    }
  }
}

bool gallery_runner_parse_options(const std::vector<std::string>& args, gallery_runner_options* o,
                                  std::string* error) {
  std::vector<cli_option> table(std::begin(gallery_runner_own_options), std::end(gallery_runner_own_options));
  runner_shot_add_options(&table);
  cli_parser p;
  cli_begin(&p, args, table.data(), table.size());
  o->pages.clear();
  for (int32_t i = 0; i < GALLERY_PAGE_COUNT; i++) o->pages.push_back(i);
  bool ok = gallery_runner_read_options(&p, o);
  if (!ok) *error = p.error;
  return ok;
}
