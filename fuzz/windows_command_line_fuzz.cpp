// Splits arbitrary text as a Windows command line (the Win32 builds read
// their arguments this way). Each argument is built from the line's own
// characters, so none is longer than the line and no argument holds a
// blank or tab that was not inside quotes; the arguments then go through
// the box-field program's parser, which a Windows user reaches this way.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "boxfield/box_field_options.h"
#include "util/cli_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  std::string line((const char*)data, size);  // a NUL inside ends the line early
  std::vector<std::string> args = cli_split_windows_command_line(line.c_str());
  size_t total = 0;
  for (const std::string& a : args) total += a.size();
  if (total > strlen(line.c_str())) abort();
  if (line.find('"') == std::string::npos) {
    // Without quotes an argument is a run of other characters, backslashes
    // kept as they are.
    for (const std::string& a : args) {
      if (a.empty() || a.find_first_of(" \t") != std::string::npos) abort();
    }
  }
  if (!args.empty()) args.erase(args.begin());
  box_field_options o;
  std::string error;
  box_field_parse_options(args, &o, &error);
  return 0;
}
