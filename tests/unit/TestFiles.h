// Temporary files for tests: each test gets its own folder, removed at exit.
#pragma once

#include <string>

// A private folder for this test process (created on first use).
std::string TempDir();
// Writes `bytes` to a new file in TempDir() and returns its path.
std::string WriteTempFile(const std::string& bytes);
