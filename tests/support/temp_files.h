// Temporary paths for tests that write files.
#pragma once

#include <string>

// A path in the system's temporary folder, unique to this process.
std::string temp_path(const std::string& name);
