// Temporary paths for tests that write files (see temp_files.h).
#include "support/temp_files.h"

#include <stdlib.h>

#ifdef _WIN32
#include <process.h>
#define bf_getpid _getpid
#else
#include <unistd.h>
#define bf_getpid getpid
#endif

std::string temp_path(const std::string& name) {
  const char* dir = getenv("TMPDIR");
#ifdef _WIN32
  if (!dir) dir = getenv("TEMP");
  if (!dir) dir = ".";
#else
  if (!dir) dir = "/tmp";
#endif
  return std::string(dir) + "/bf_test_" + std::to_string(bf_getpid()) + "_" + name;
}
