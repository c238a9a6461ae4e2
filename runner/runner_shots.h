// A program's shots: saved as PNG files, or compared with reference
// pictures of the same names under a per-channel tolerance and a count of
// pixels allowed beyond it (the pictures that differ are saved beside, with
// a picture of where they differ). The options that choose between the two
// (--validate DIR, --tolerance N, --max-differing N) are read here for
// every program that takes shots. runner_shot_option and runner_shot_usage
// are in runner_support; runner_shot_take reads and writes PNG files and
// is in runner_png. Depends on runner/runner_image.h and runner/runner_report.h.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "runner/runner_image.h"
#include "runner/runner_report.h"
#include "util/cli_options.h"

struct runner_shot_check {
  std::string validate_dir;   // --validate DIR: compare with DIR/<name>.png ("": save the shots)
  int32_t tolerance = 0;      // --tolerance N: per-channel difference a pixel may have
  int64_t max_differing = 0;  // --max-differing N: pixels per shot allowed beyond the tolerance
};

// Returns 1 when name ("--validate", ...) is one of the options and its
// value is good, 0 when the value is not (a one-line message in error), -1
// when name is none of them.
int runner_shot_option(const char* name, const char* value, runner_shot_check* check, char* error,
                       size_t error_size);

// Their rows for a program's option table, with ids from
// RUNNER_SHOT_OPTION_ID up; a program reads them by name (cli_option_name)
// with runner_shot_option.
enum { RUNNER_SHOT_OPTION_ID = CLI_FIRST_ID + 1100 };
void runner_shot_add_options(std::vector<cli_option>* table);

// Usage lines of those options (each line starts with two blanks):
// "--validate DIR" followed by validate, "--tolerance N" by "per-channel
// difference a pixel may have (default " and tolerance, "--max-differing
// N" by "pixels per <per> allowed beyond the tolerance (default 0)". The
// texts may hold further lines, indented to the descriptions' column.
std::string runner_shot_usage(const char* validate, const char* tolerance, const char* per);

// Saves picture as <out_dir>/<name>.png, or with check.validate_dir set
// compares it with <validate_dir>/<name>.png; on a difference beyond the
// limits the picture and its difference picture are saved as
// <out_dir>/<name>.got.png and <out_dir>/<name>.diff.png ("" out_dir: the
// current folder). The result names the file saved or compared with and
// says what differed or failed.
runner_shot runner_shot_take(const char* name, int32_t frame, const runner_image& picture,
                             const runner_shot_check& check, const std::string& out_dir);
