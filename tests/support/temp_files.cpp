// Temporary paths for tests that write files (see temp_files.h).
#include "support/temp_files.h"

#include <stdio.h>
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

std::string read_whole_file(const std::string& path) {
  std::string text;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return text;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
  fclose(f);
  return text;
}
