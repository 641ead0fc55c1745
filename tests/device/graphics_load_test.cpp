// BMP files the loader must refuse, with its two messages, without reading
// or writing outside its buffers (run under the sanitizers), and files at
// the limits that still load.
#include "core/process.h"
#include "device.h"
#include "graphics/bmp.h"
#include "graphics/pixels.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>

static BmpSpec Change(BmpSpec picture, void (*change)(BmpSpec &)) {
    change(picture);
    return picture;
}

static BmpSpec EightBit(int32_t width, int32_t height, uint32_t headerBytes = 40) {
    BmpSpec picture;
    picture.bitsPerPixel = 8;
    picture.width = width;
    picture.height = height;
    picture.infoHeaderBytes = headerBytes;
    picture.palette.assign(256, 0x808080);
    return picture;
}

// Each row's file loaded as picture and as mask: "-" when the record has no
// pixels, then the messages shown. Rows without a picture name a missing file.
TEST(LoadBitmapFile, RefusesBadFilesAndTellsWhy) {
    TestFolder folder("bmp-refusal");
    ASSERT_EQ(1, SetTestFolder(TestDevicePath(folder.path, true)));
    const std::string typeError = "-|Error: File Type error", base = TestUtf8(exeFolder);
    const std::string longFolder = base + std::string(250 - base.size(), 'd') + "\\";
    const struct {
        const char *what;
        BmpSpec picture;
        std::string expected;
    } rows[] = {
        {"not BM", Change({}, [](BmpSpec &s) { s.bfType = 0x4142; }), typeError},
        {"cut in the info header", Change({}, [](BmpSpec &s) { s.truncateTo = 30; }), typeError},
        {"offset inside the info header", Change({}, [](BmpSpec &s) { s.bfOffBits = 53; }), typeError},
        {"offset beyond the header buffer",
         Change(EightBit(1, 1),
                [](BmpSpec &s) {
                    s.bfOffBits = 1079;
                    s.gapBytes = 100;
                }),
         typeError},
        {"offset beyond the file", Change({}, [](BmpSpec &s) { s.bfOffBits = 900; }), typeError},
        {"zero width", Change({}, [](BmpSpec &s) { s.width = 0; }), typeError},
        {"negative width", Change({}, [](BmpSpec &s) { s.width = -4; }), typeError},
        {"top-down", Change({}, [](BmpSpec &s) { s.height = -2; }), typeError},
        {"huge height", EightBit(1, 5000), typeError},
        {"compressed", Change(EightBit(4, 4), [](BmpSpec &s) { s.biCompression = 1; }), typeError},
        {"row beyond the row buffer", Change({}, [](BmpSpec &s) { s.width = 1100; }), typeError},
        {"trailer makes rows too long", Change(EightBit(10, 1), [](BmpSpec &s) { s.extraBytes = 5000; }), typeError},
        {"pixels cut short",
         Change({},
                [](BmpSpec &s) {
                    s.height = 2;
                    s.truncateTo = 54 + 4 + 1;
                }),
         typeError},
        {"header alone claims 3080x4096", Change(EightBit(3080, 4096), [](BmpSpec &s) { s.truncateTo = 1078; }),
         typeError},
        {"32 bits cut short",
         Change({},
                [](BmpSpec &s) {
                    s.bitsPerPixel = 32;
                    s.height = 4;
                    s.truncateTo = 54 + 12;
                }),
         typeError},
        {"12-byte core header", Change({}, [](BmpSpec &s) { s.infoHeaderBytes = 12; }), typeError},
        {"64-byte header", Change({}, [](BmpSpec &s) { s.infoHeaderBytes = 64; }), typeError},
        {"124-byte header past the offset",
         Change({},
                [](BmpSpec &s) {
                    s.infoHeaderBytes = 124;
                    s.bfOffBits = 130;
                }),
         typeError},
        {"124-byte header, table beyond the buffer", Change(EightBit(2, 1, 124), [](BmpSpec &s) { s.gapBytes = 1; }),
         typeError},
        {"124-byte header, bit fields",
         Change({},
                [](BmpSpec &s) {
                    s.infoHeaderBytes = 124;
                    s.bitsPerPixel = 32;
                    s.biCompression = 3;
                }),
         typeError},
        {"124-byte header, top-down",
         Change({},
                [](BmpSpec &s) {
                    s.infoHeaderBytes = 124;
                    s.height = -2;
                }),
         typeError},
        {"largest offset", Change(EightBit(2, 1), [](BmpSpec &s) { s.gapBytes = 1078 - 54 - 1024; }), ""},
        {"124-byte header, full 8-bit table", EightBit(2, 1, 124), ""},
        {"widest 24-bit row", Change({}, [](BmpSpec &s) { s.width = 1026; }), ""},
        {"32 bits: not converted, no message", Change({}, [](BmpSpec &s) { s.bitsPerPixel = 32; }), "-"},
        {"missing", {}, "-|Error: File Open error " + base + "missing"},
        {"path over 256 units",
         {},
         "-|Error: File Open error " + (longFolder + "path over 256 units").substr(0, kImagePathUnits - 1)},
    };
    for (const auto &r : rows)
        for (int kind : {kLoadPicture, kLoadMask}) {
            if (r.expected.size() <= 1 && kind == kLoadMask) continue;  // quiet rows: pictures only
            DeviceReset();
            bool missing = r.expected.find("Open") != std::string::npos;
            if (!missing) {
                ASSERT_EQ(1, WriteBmpFile(folder.path / "bad.bmp", r.picture));
            }
            bool overlong = std::string(r.what).rfind("path over", 0) == 0;
            SetTestFolder(DeviceUtf16(overlong ? longFolder : base));
            std::string name = missing ? r.what : "bad.bmp";
            ImageRecord record{};
            std::copy(name.begin(), name.end(), record.fileName);
            LoadBitmapFile(&record, kind);
            std::string actual = record.pixels ? "" : "-";
            for (const DeviceMessageBox &box : DeviceMessageBoxes())
                actual +=
                    "|" + DeviceUtf8(box.caption) + ": " + DeviceUtf8(box.text) + (box.style == MB_OK ? "" : " style");
            EXPECT_EQ(r.expected, actual) << r.what << ", kind " << kind;
            FreeImageRecord(&record);
        }
}

// Files as a common editor saves them, with a 124-byte info header, made by
// ImageMagick's default BMP writer (convert 6.9) from a 16x16 red picture
// with a blue square at 4..11, the second with a black-to-white ramp over
// its top row, which needs 8 bits (saved uncompressed: 8-bit files are
// written RLE8 by default):
//   convert -size 16x16 xc:red -fill blue -draw "rectangle 4,4 11,11"
//           -type Palette BMP:two-colour-v5.bmp
//   convert -size 16x16 xc:red -fill blue -draw "rectangle 4,4 11,11"
//           ( -size 16x1 gradient:black-white ) -geometry +0+0 -composite
//           -type Palette -compress none BMP:shades-v5.bmp
TEST(LoadBitmapFile, EditorFilesWithLongHeadersLoad) {
    const struct {
        const char *name;
        int bits;
        bool ramp;
    } rows[] = {
        {"two-colour-v5.bmp", 1, false},
        {"shades-v5.bmp", 8, true},
    };
    std::filesystem::path data = std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "editor";
    ASSERT_EQ(1, SetTestFolder(TestDevicePath(data, true)));
    for (const auto &r : rows) {
        DeviceReset();
        ImageRecord record{};
        std::copy_n(r.name, std::strlen(r.name), record.fileName);
        LoadBitmapFile(&record, kLoadPicture);
        EXPECT_TRUE(DeviceMessageBoxes().empty()) << r.name;
        ASSERT_NE(nullptr, record.pixels) << r.name;
        EXPECT_EQ(r.bits, record.bitsPerPixel) << r.name;
        std::string wrong;
        for (int32_t y = 0; y < 16; y++)
            for (int32_t x = 0; x < 16; x++) {
                bool square = x >= 4 && x <= 11 && y >= 4 && y <= 11;
                uint32_t expected = r.ramp && y == 0 ? 0x111111u * (uint32_t)x : square ? 0xFF0000u : 0x0000FFu;
                if (ReadPixel(&record, x, y) != expected) wrong += " " + std::to_string(x) + "," + std::to_string(y);
            }
        EXPECT_EQ("", wrong) << r.name << ": pixels of the wrong colour";
        FreeImageRecord(&record);
    }
}
