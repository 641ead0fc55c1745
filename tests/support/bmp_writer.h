// BMP files for tests, described field by field in BmpSpec (bmpfile.h), so
// each loader test shows in its source what the file holds.
#pragma once

#include "bmpfile.h"
#include "support/test_files.h"

// Writes the file to a host path. Returns 1, or 0 when it cannot be written.
inline int WriteBmpFile(const std::filesystem::path &path, const BmpSpec &spec) {
    return WriteTestFile(path, BmpFileBytes(spec));
}
