// BMP loading on the device: the two messages, and every file the loader
// must refuse without reading or writing outside its buffers (run this
// under the sanitizers).
#include "device.h"
#include "graphics/bmp.h"
#include "graphics/pixels.h"
#include "shell/globals.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class BmpRefusal : public ::testing::Test {
protected:
    TestFolder folder{"bmp-refusal"};
    void SetUp() override {
        DeviceReset();
        ASSERT_EQ(CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(folder.path, true)), 1);
    }
    ImageRecord Load(const std::string &name, int kind) {
        ImageRecord record{};
        for (size_t i = 0; i < name.size() && i < kFileNameUnits - 1; i++)
            record.fileName[i] = (WCHAR)name[i];
        LoadBitmapFile(&record, kind);
        return record;
    }
    std::string Messages() {
        std::string out;
        for (auto &box : DeviceMessageBoxes()) {
            out += DeviceUtf8(box.caption) + ": " + DeviceUtf8(box.text) + "\n";
            EXPECT_EQ(box.style, (UINT)MB_OK);
            EXPECT_EQ(box.owner, nullptr);
        }
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
    ImageRecord record = Load("absent.bmp", kLoadPicture);
    EXPECT_EQ(record.pixels, nullptr);
    std::string path = TestUtf8(exeFolder) + "absent.bmp";
    EXPECT_EQ(Messages(), "Error: File Open error " + path + "\n");
}

TEST_F(BmpRefusal, UnreadableFilesSayFileTypeError) {
    BmpSpec wideRow;                 // 1100 x 3 bytes: beyond the 3080-byte row buffer
    wideRow.width = 1100;
    BmpSpec longTrailer = EightBit(10, 1);   // (size - offset) / height: 5010-byte rows
    longTrailer.extraBytes = 5000;
    struct { const char *what; BmpSpec spec; } rows[] = {
        {"not BM", [] { BmpSpec s; s.bfType = 0x4142; return s; }()},
        {"empty file", [] { BmpSpec s; s.truncateTo = 0; return s; }()},
        {"cut in the info header", [] { BmpSpec s; s.truncateTo = 30; return s; }()},
        {"offset inside the info header", [] { BmpSpec s; s.bfOffBits = 53; return s; }()},
        {"offset beyond the header buffer", [] { BmpSpec s = EightBit(1, 1); s.bfOffBits = 1079; s.gapBytes = 100; return s; }()},
        {"offset beyond the file", [] { BmpSpec s; s.bfOffBits = 900; return s; }()},
        {"zero width", [] { BmpSpec s; s.width = 0; return s; }()},
        {"negative width", [] { BmpSpec s; s.width = -4; return s; }()},
        {"zero height", [] { BmpSpec s; s.height = 0; return s; }()},
        {"top-down", [] { BmpSpec s; s.height = -2; return s; }()},
        {"huge width", [] { BmpSpec s = EightBit(5000, 1); return s; }()},
        {"huge height", [] { BmpSpec s = EightBit(1, 5000); return s; }()},
        {"compressed", [] { BmpSpec s = EightBit(4, 4); s.biCompression = 1; return s; }()},
        {"row beyond the row buffer", wideRow},
        {"trailer makes rows too long", longTrailer},
    };
    for (auto &r : rows) {
        for (int kind : {kLoadPicture, kLoadMask}) {
            DeviceReset();
            ASSERT_EQ(WriteBmpFile(folder.path / "bad.bmp", r.spec), 1);
            ImageRecord record = Load("bad.bmp", kind);
            EXPECT_EQ(record.pixels, nullptr) << r.what << " kind " << kind;
            EXPECT_EQ(record.width, 0) << r.what;
            EXPECT_EQ(Messages(), "Error: File Type error\n") << r.what << " kind " << kind;
        }
    }
}

// Limits that still load: the largest header offset, the widest 24-bit row,
// a depth the loader does not convert (no message, no pixels).
TEST_F(BmpRefusal, FilesAtTheLimitsLoadQuietly) {
    BmpSpec farOffset = EightBit(2, 1);
    farOffset.gapBytes = 1078 - 54 - 1024;
    BmpSpec widest;
    widest.width = 1026;
    widest.pixels.assign(1026, 0xFFFFFF);
    BmpSpec oddDepth = EightBit(2, 2);
    oddDepth.bitsPerPixel = 3;
    struct { const char *what; BmpSpec spec; bool hasPixels; } rows[] = {
        {"offset 1078", farOffset, true},
        {"1026 pixels of 24 bits", widest, true},
        {"depth 3", oddDepth, false},
    };
    for (auto &r : rows) {
        DeviceReset();
        ASSERT_EQ(WriteBmpFile(folder.path / "edge.bmp", r.spec), 1);
        ImageRecord record = Load("edge.bmp", kLoadPicture);
        EXPECT_EQ(record.pixels != nullptr, r.hasPixels) << r.what;
        EXPECT_EQ(Messages(), "") << r.what;
    }
}

// A path longer than the 256-unit path buffer is cut, not overrun, and
// reported with the cut path.
TEST_F(BmpRefusal, OverlongPathIsCutAndReported) {
    std::string folderPath = TestUtf8(exeFolder);
    std::string longFolder = folderPath + std::string(250 - folderPath.size(), 'd') + "\\";
    ASSERT_EQ(CopyTestPath(exeFolder, kExeFolderUnits, DeviceUtf16(longFolder)), 1);
    ImageRecord record = Load("picture-with-a-long-name.bmp", kLoadPicture);
    EXPECT_EQ(record.pixels, nullptr);
    std::string cut = (longFolder + "picture-with-a-long-name.bmp").substr(0, kImagePathUnits - 1);
    EXPECT_EQ(Messages(), "Error: File Open error " + cut + "\n");
}

// A fileName that fills all 64 units without a terminator is read as its
// first 63 units.
TEST_F(BmpRefusal, UnterminatedFileNameStopsAt63Units) {
    std::string name(59, 'n');
    name += ".bmp";
    ASSERT_EQ(WriteBmpFile(folder.path / name, EightBit(1, 1)), 1);
    ImageRecord record{};
    for (int i = 0; i < kFileNameUnits; i++) record.fileName[i] = (WCHAR)(i < 63 ? name[i] : 'x');
    LoadBitmapFile(&record, kLoadPicture);
    EXPECT_NE(record.pixels, nullptr);
    EXPECT_EQ(Messages(), "");
}

}  // namespace
