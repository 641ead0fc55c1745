// BMP loading on the device: the two messages, and every file the loader
// must refuse without reading or writing outside its buffers (run this
// under the sanitizers).
#include "device.h"
#include "graphics/bmp.h"
#include "shell/globals.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class BmpRefusal : public ::testing::Test {
protected:
    TestFolder folder{"bmp-refusal"};
    void SetUp() override { ASSERT_EQ(CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(folder.path, true)), 1); }
    // Loads name (cut to 63 units) on a fresh device; the messages it showed,
    // one line each, "-" when the record has no pixels.
    std::string Load(const std::string &name, int kind, const BmpSpec *spec = nullptr) {
        DeviceReset();
        if (spec) {
            EXPECT_EQ(WriteBmpFile(folder.path / name, *spec), 1);
        }
        ImageRecord record{};
        for (size_t i = 0; i < name.size() && i < kFileNameUnits - 1; i++) record.fileName[i] = (WCHAR)name[i];
        LoadBitmapFile(&record, kind);
        std::string out = record.pixels ? "" : "-";
        for (const DeviceMessageBox &box : DeviceMessageBoxes())
            out += "\n" + DeviceUtf8(box.caption) + ": " + DeviceUtf8(box.text) + (box.style == MB_OK ? "" : " style") +
                   (box.owner ? " owner" : "");
        return out;
    }
};

BmpSpec EightBit(int32_t width, int32_t height) {
    BmpSpec spec;
    spec.bitsPerPixel = 8;
    spec.width = width;
    spec.height = height;
    spec.palette.assign(256, 0x808080);
    return spec;
}

TEST_F(BmpRefusal, MissingFileNamesTheFullPath) {
    EXPECT_EQ(Load("absent.bmp", kLoadPicture), "-\nError: File Open error " + TestUtf8(exeFolder) + "absent.bmp");
}

TEST_F(BmpRefusal, UnreadableFilesSayFileTypeError) {
    auto with = [](BmpSpec spec, auto change) { change(spec); return spec; };
    struct {
        const char *what;
        BmpSpec spec;
    } rows[] = {
        {"not BM", with(BmpSpec{}, [](BmpSpec &s) { s.bfType = 0x4142; })},
        {"empty file", with(BmpSpec{}, [](BmpSpec &s) { s.truncateTo = 0; })},
        {"cut in the info header", with(BmpSpec{}, [](BmpSpec &s) { s.truncateTo = 30; })},
        {"offset inside the info header", with(BmpSpec{}, [](BmpSpec &s) { s.bfOffBits = 53; })},
        {"offset beyond the header buffer", with(EightBit(1, 1), [](BmpSpec &s) { s.bfOffBits = 1079; s.gapBytes = 100; })},
        {"offset beyond the file", with(BmpSpec{}, [](BmpSpec &s) { s.bfOffBits = 900; })},
        {"zero width", with(BmpSpec{}, [](BmpSpec &s) { s.width = 0; })},
        {"negative width", with(BmpSpec{}, [](BmpSpec &s) { s.width = -4; })},
        {"zero height", with(BmpSpec{}, [](BmpSpec &s) { s.height = 0; })},
        {"top-down", with(BmpSpec{}, [](BmpSpec &s) { s.height = -2; })},
        {"huge width", EightBit(5000, 1)},
        {"huge height", EightBit(1, 5000)},
        {"compressed", with(EightBit(4, 4), [](BmpSpec &s) { s.biCompression = 1; })},
        {"row beyond the row buffer", with(BmpSpec{}, [](BmpSpec &s) { s.width = 1100; })},   // 3300 bytes
        {"trailer makes rows too long", with(EightBit(10, 1), [](BmpSpec &s) { s.extraBytes = 5000; })},
    };
    for (auto &r : rows)
        for (int kind : {kLoadPicture, kLoadMask})
            EXPECT_EQ(Load("bad.bmp", kind, &r.spec), "-\nError: File Type error") << r.what << ", kind " << kind;
}

// Limits that still load: the largest header offset, the widest 24-bit row,
// a depth the loader does not convert (no message, no pixels).
TEST_F(BmpRefusal, FilesAtTheLimitsLoadQuietly) {
    BmpSpec farOffset = EightBit(2, 1), widest, oddDepth = EightBit(2, 2);
    farOffset.gapBytes = 1078 - 54 - 1024;
    widest.width = 1026;
    widest.pixels.assign(1026, 0xFFFFFF);
    oddDepth.bitsPerPixel = 3;
    EXPECT_EQ(Load("edge.bmp", kLoadPicture, &farOffset), "") << "offset 1078";
    EXPECT_EQ(Load("edge.bmp", kLoadPicture, &widest), "") << "1026 pixels of 24 bits";
    EXPECT_EQ(Load("edge.bmp", kLoadPicture, &oddDepth), "-") << "depth 3";
}

// A path longer than the 256-unit path buffer is cut, not overrun, and
// reported with the cut path; a fileName filling all 64 units without a
// terminator is read as its first 63.
TEST_F(BmpRefusal, OverlongPathsAndNames) {
    std::string longFolder = TestUtf8(exeFolder);
    longFolder += std::string(250 - longFolder.size(), 'd') + "\\";
    ASSERT_EQ(CopyTestPath(exeFolder, kExeFolderUnits, DeviceUtf16(longFolder)), 1);
    std::string cut = (longFolder + "picture-with-a-long-name.bmp").substr(0, kImagePathUnits - 1);
    EXPECT_EQ(Load("picture-with-a-long-name.bmp", kLoadPicture), "-\nError: File Open error " + cut);

    ASSERT_EQ(CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(folder.path, true)), 1);
    std::string name = std::string(59, 'n') + ".bmp";
    BmpSpec picture = EightBit(1, 1);
    ASSERT_EQ(WriteBmpFile(folder.path / name, picture), 1);
    ImageRecord record{};
    for (int i = 0; i < kFileNameUnits; i++) record.fileName[i] = (WCHAR)(i < 63 ? name[i] : 'x');
    LoadBitmapFile(&record, kLoadPicture);
    EXPECT_NE(record.pixels, nullptr);
}

}  // namespace
