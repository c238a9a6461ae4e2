// Temporary paths for tests that write files, and reading such files back.
#pragma once

#include <string>

// A path in the system's temporary folder, unique to this process.
std::string temp_path(const std::string& name);

// The whole content of a file, read in binary ("" when it cannot be opened).
std::string read_whole_file(const std::string& path);
