// gallery_runner's command line: surface size, pages, shots or validation,
// the held clock and mouse. Read on util/cli_options.h, the programs' common
// convention, with no files opened and nothing printed, so tests and fuzz
// targets can call it. Depends on gallery_core (page names) and the runner
// library (value parsing, the shot options).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "runner/runner_shots.h"

struct gallery_runner_options {
  bool help = false;     // --help, -h
  bool version = false;  // --version
  int32_t width = 960;   // --size WxH
  int32_t height = 600;
  std::string out_dir = "gallery-shots";    // --out DIR
  runner_shot_check shots = {"", 8, 0};     // --validate DIR, --tolerance N, --max-differing N
  double time = 0.0;                        // --time SECONDS
  double mouse_fx = 0.62, mouse_fy = 0.42;  // --mouse FX,FY: fractions of the size
  std::vector<int32_t> pages;               // --pages A,B,...: pages to shoot, in order (default all)
  bool strict = false;                      // --strict: any GL error fails the run
};

// Reads the arguments after the program name. Returns true with out filled,
// or false with a one-line message naming the mistake.
bool gallery_runner_parse_options(const std::vector<std::string>& args, gallery_runner_options* out,
                                  std::string* error);

// The usage text (several lines, ending with a line feed).
std::string gallery_runner_usage(void);
