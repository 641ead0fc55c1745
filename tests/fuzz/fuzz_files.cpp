#include "fuzz_files.h"

#include <fstream>
#include <unistd.h>

const std::filesystem::path &FuzzFolder() {
    static const std::filesystem::path folder = [] {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("pondlet-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

int FuzzWriteFile(const std::filesystem::path &path, const uint8_t *data, size_t size) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(data), (std::streamsize)size);
    return out.good() ? 1 : 0;
}

FuzzSkinParts SplitSkinInput(const uint8_t *data, size_t size) {
    std::string all(reinterpret_cast<const char *>(data), size);
    size_t marker = all.find(kPictureMarker);
    if (marker == std::string::npos) return {all, ""};
    return {all.substr(0, marker), all.substr(marker + kPictureMarker.size())};
}
