// The shot options (see runner_shots.h; the shots themselves are in
// runner_shots_png.cpp).
#include "runner/runner_shots.h"

#include <stdio.h>
#include <string.h>

#include "runner/runner_args.h"

int runner_shot_option(const char* name, const char* value, runner_shot_check* check, char* error,
                       size_t error_size) {
  long long n = 0;
  const char* wants = nullptr;
  if (strcmp(name, "--validate") == 0) {
    if (value) {
      check->validate_dir = value;
      return 1;
    }
    wants = "--validate wants a folder";
  } else if (strcmp(name, "--tolerance") == 0) {
    if (value && runner_parse_count(value, 255, &n)) {
      check->tolerance = (int32_t)n;
      return 1;
    }
    wants = "--tolerance wants 0 to 255";
  } else if (strcmp(name, "--max-differing") == 0) {
    if (value && runner_parse_count(value, 1LL << 40, &n)) {
      check->max_differing = n;
      return 1;
    }
    wants = "--max-differing wants a pixel count";
  } else {
    return -1;
  }
  snprintf(error, error_size, "%s", wants);
  return 0;
}

void runner_shot_add_options(std::vector<cli_option>* table) {
  table->push_back({"validate", CLI_VALUE, RUNNER_SHOT_OPTION_ID});
  table->push_back({"tolerance", CLI_VALUE, RUNNER_SHOT_OPTION_ID + 1});
  table->push_back({"max-differing", CLI_VALUE, RUNNER_SHOT_OPTION_ID + 2});
}

std::string runner_shot_usage(const char* validate, const char* tolerance, const char* per) {
  return std::string("  --validate DIR      ") + validate + "\n" +
         "  --tolerance N       per-channel difference a pixel may have (default " + tolerance + "\n" +
         "  --max-differing N   pixels per " + per + " allowed beyond the tolerance (default 0)\n";
}
