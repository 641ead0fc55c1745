// What the harnesses share: a private scratch folder on the host for the
// files an input becomes, and the split of an input into script and picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

// A folder of this process's own (made once, emptied by nobody: every input
// overwrites the same few files).
const std::filesystem::path &FuzzFolder();
// Writes bytes to path; returns 1, or 0 when the host refuses.
int FuzzWriteFile(const std::filesystem::path &path, const uint8_t *data, size_t size);

// A skin input is the script, then optionally this marker and one picture.
inline const std::string kPictureMarker = "\n%%PICTURE%%\n";
struct FuzzSkinParts {
    std::string script, picture;
};
FuzzSkinParts SplitSkinInput(const uint8_t *data, size_t size);
