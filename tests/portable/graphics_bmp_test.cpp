// BMP loading: the pixel layout both loader and WritePixel use, and the files the loader
// refuses, its messages heard through the observer so that no box waits for a person.
#include "core/observer.h"
#include "core/process.h"
#include "graphics/bmp.h"
#include "graphics/pixels.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

static ImageRecord loaded;  // the latest load's; the next load gives its pixels and palette back
static std::string told;    // what the loader told, "|" before each message

// Loads the named file of the program's folder with the given key, hearing what the loader tells.
static const ImageRecord &LoadNamed(const std::string &name, int kind, uint32_t key = 0) {
    FreeImageRecord(&loaded);
    loaded = ImageRecord{};
    loaded.transparentKey = key;
    std::copy(name.begin(), name.end(), loaded.fileName);
    told.clear();
    observer.message = [](const WCHAR *text) { told.append("|").append(TestUtf8(text)); };
    LoadBitmapFile(&loaded, kind);
    observer = Observer{};
    return loaded;
}

static const ImageRecord &Load(const BmpSpec &picture, int kind, uint32_t key = 0) {
    static TestFolder folder("bmp");
    WriteBmpFile(folder.path / "image.bmp", picture);
    SetTestFolder(TestDevicePath(folder.path, true));
    return LoadNamed("image.bmp", kind, key);
}

// Shape, depth and every ReadPixelIndex from the top row down, in hex.
static std::string Describe(const ImageRecord &r) {
    std::string out =
        std::to_string(r.width) + "x" + std::to_string(r.height) + "x" + std::to_string(r.bitsPerPixel) + ":";
    char text[16];
    for (int32_t y = 0; y < r.height && r.pixels; y++)
        for (int32_t x = 0; x < r.width; x++)
            out += (std::snprintf(text, sizeof text, " %X", ReadPixelIndex(&r, x, y)), text);
    return out;
}

// The picture (with a grey colour table at depths up to 8) over base's other fields.
static BmpSpec PictureOf(int bits, int32_t width, int32_t height, std::vector<uint32_t> pixels, BmpSpec base = {}) {
    base.bitsPerPixel = bits;
    base.width = width;
    base.height = height;
    base.pixels = std::move(pixels);
    for (int i = 0; bits <= 8 && i < (1 << bits); i++) base.palette.push_back(0x010101u * (uint32_t)i);
    return base;
}

// Bit order at every depth and 24-bit pixels reduced to 5-6-5, whatever the info header's size:
// the extra fields of 108- and 124-byte headers lie where a 40-byte header's colour table would
// be, and the shared buffer must still hold a 40-byte header and the table. WritePixel (over a
// maximal value, so it must clear its bits) gives the loaded bytes.
TEST(LoadBitmapFile, PicturesKeepTheirDepthAndBitOrder) {
    const std::pair<BmpSpec, const char *> rows[] = {
        {PictureOf(1, 10, 2, {1, 0, 1, 1, 0, 0, 0, 1, 1, 0, 0, 1, 0, 0, 1, 1, 1, 0, 0, 1}),
         "10x2x1: 1 0 1 1 0 0 0 1 1 0 0 1 0 0 1 1 1 0 0 1"},
        {PictureOf(2, 5, 2, {3, 2, 1, 0, 3, 0, 1, 2, 3, 0}), "5x2x2: 3 2 1 0 3 0 1 2 3 0"},
        {PictureOf(4, 3, 2, {15, 0, 7, 8, 9, 10}), "3x2x4: F 0 7 8 9 A"},
        {PictureOf(8, 3, 2, {1, 2, 255, 4, 5, 6}), "3x2x8: 1 2 FF 4 5 6"},
        {PictureOf(24, 2, 2, {0xFFFFFF, 0x123456, 0x0000FF, 0x070301}), "2x2x24: F8FCF8 103450 F8 0"},
    };
    for (auto [picture, expected] : rows)
        for (uint32_t headerBytes : {40u, 108u, 124u}) {
            picture.infoHeaderBytes = headerBytes;
            const ImageRecord &record = Load(picture, kLoadPicture);
            ASSERT_EQ(expected, Describe(record)) << "header " << headerBytes;
            std::vector<uint32_t> palette(record.palette,
                                          record.palette + (record.palette ? picture.palette.size() : 0));
            EXPECT_EQ(picture.palette, palette) << expected << ", header " << headerBytes;
            EXPECT_EQ(40, headerBuffer[0] | headerBuffer[1] << 8) << "the shared buffer keeps a 40-byte header";
            std::vector<BYTE> bytes((size_t)record.rowBytes * record.height, 0);
            ImageRecord written = record;
            written.pixels = bytes.data();
            for (int32_t i = 0; i < record.width * record.height; i++) {
                WritePixel(&written, i % record.width, i / record.width,
                           picture.bitsPerPixel == 24 ? 0xFFFFFF : (1u << picture.bitsPerPixel) - 1);
                WritePixel(&written, i % record.width, i / record.width, picture.pixels[i]);
            }
            EXPECT_EQ(0, std::memcmp(bytes.data(), record.pixels, bytes.size())) << expected;
        }
}

// Exactly 1008 bytes after unpadded pixel data mark unpadded rows (also narrow 1-bit ones); any
// other trailer is shared out among the rows. A file short of (part of) its last row's padding is padded.
TEST(LoadBitmapFile, RowLengthRule) {
    const BmpSpec unpadded = {.paddedRows = false, .extraBytes = 1008};
    const std::pair<BmpSpec, const char *> rows[] = {
        {PictureOf(8, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}, unpadded), "3x3x8: 1 2 3 4 5 6 7 8 9"},
        {PictureOf(8, 3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {.paddedRows = false, .extraBytes = 1007}),
         "3x3x8: 0 0 0 0 0 0 7 8 9"},
        {PictureOf(1, 3, 2, {1, 0, 1, 0, 1, 1}, unpadded), "3x2x1: 1 0 1 0 1 1"},
        {PictureOf(8, 3, 2, {1, 2, 3, 4, 5, 6}, {.truncateTo = 54 + 1024 + 7}), "3x2x8: 1 2 3 4 5 6"},
        {PictureOf(24, 2, 2, {0xFFFFFF, 0x123456, 0x0000FF, 0x070301}, {.truncateTo = 54 + 14}),
         "2x2x24: F8FCF8 103450 F8 0"},
    };
    for (const auto &[picture, expected] : rows) EXPECT_EQ(expected, Describe(Load(picture, kLoadPicture)));
}

// Depth 1 keeps its bits whatever the key; 2-8 compare the index with the
// key; 24 the full-precision colour; 16 gives an all-zero mask. Palette {0, 1}.
TEST(LoadBitmapFile, MasksBecomeOneBitByTheirRule) {
    const std::tuple<int, uint32_t, std::vector<uint32_t>, const char *> rows[] = {
        {1, 1, {0, 1, 1, 0}, "2x2x1: 0 1 1 0"},   {4, 5, {5, 0, 15, 5}, "2x2x1: 1 0 0 1"},
        {8, 0, {0, 1, 255, 0}, "2x2x1: 1 0 0 1"}, {24, 0xFFFFFF, {0xFFFFFF, 0xFFFFFE, 0xF8FCF8, 0}, "2x2x1: 1 0 0 0"},
        {16, 0, {1, 2, 3, 4}, "2x2x1: 0 0 0 0"},
    };
    for (const auto &[bits, key, pixels, expected] : rows) {
        const ImageRecord &record = Load(PictureOf(bits, 2, 2, pixels), kLoadMask, key);
        EXPECT_EQ(expected, Describe(record)) << "depth " << bits;
        ASSERT_NE(nullptr, record.palette) << "depth " << bits;
        EXPECT_EQ(0x100u, record.palette[0] | record.palette[1] << 8) << "depth " << bits;
    }
}

// Entries a short colour table does not give keep what the shared header buffer held before.
TEST(LoadBitmapFile, ShortColourTableLeavesOlderEntries) {
    Load({.bitsPerPixel = 4, .palette = std::vector<uint32_t>(16, 0x112233)}, kLoadPicture);
    const ImageRecord &record =
        Load({.bitsPerPixel = 4, .palette = {0x000001, 0x0080FF, 0xFF0000}, .pixels = {2}}, kLoadPicture);
    ASSERT_NE(nullptr, record.palette);
    EXPECT_EQ(std::vector<uint32_t>({0xFF0000, 0x112233, 0x112233}),
              std::vector<uint32_t>({ReadPixel(&record, 0, 0), record.palette[3], record.palette[15]}));
}

// Each row's file loaded as picture and as mask: "-" when the record has no
// pixels, then the messages. Rows without a picture name a missing file.
TEST(LoadBitmapFile, RefusesBadFilesAndTellsWhy) {
    TestFolder folder("bmp-refusal");
    const TestWString base = TestDevicePath(folder.path, true);
    const TestWString longFolder = base + TestWString(250 - base.size(), 'd') + (WCHAR)'\\';
    const std::string typeError = "-|File Type error", openError = "-|File Open error ";
    const TestWString overlong = (longFolder + WSTR("path over 256 units")).substr(0, kImagePathUnits - 1);
    const std::tuple<const char *, BmpSpec, std::string> rows[] = {
        {"not BM", {.bfType = 0x4142}, typeError},
        {"cut in the info header", {.truncateTo = 30}, typeError},
        {"offset inside the info header", {.bfOffBits = 53}, typeError},
        {"offset beyond the header buffer", PictureOf(8, 1, 1, {}, {.bfOffBits = 1079, .gapBytes = 100}), typeError},
        {"offset beyond the file", {.bfOffBits = 900}, typeError},
        {"zero width", {.width = 0}, typeError},
        {"negative width", {.width = -4}, typeError},
        {"top-down", {.height = -2}, typeError},
        {"huge height", PictureOf(8, 1, 5000, {}), typeError},
        {"compressed", PictureOf(8, 4, 4, {}, {.biCompression = 1}), typeError},
        {"row beyond the row buffer", {.width = 1100}, typeError},
        {"trailer makes rows too long", PictureOf(8, 10, 1, {}, {.extraBytes = 5000}), typeError},
        {"pixels cut short", {.height = 2, .truncateTo = 54 + 4 + 1}, typeError},
        {"header alone claims 3080x4096", PictureOf(8, 3080, 4096, {}, {.truncateTo = 1078}), typeError},
        {"32 bits cut short", {.height = 4, .bitsPerPixel = 32, .truncateTo = 54 + 12}, typeError},
        {"12-byte core header", {.infoHeaderBytes = 12}, typeError},
        {"64-byte header", {.infoHeaderBytes = 64}, typeError},
        {"124-byte header past the offset", {.bfOffBits = 130, .infoHeaderBytes = 124}, typeError},
        {"124-byte header, table overflow", PictureOf(8, 2, 1, {}, {.infoHeaderBytes = 124, .gapBytes = 1}), typeError},
        {"124-byte header, bit fields", {.bitsPerPixel = 32, .biCompression = 3, .infoHeaderBytes = 124}, typeError},
        {"124-byte header, top-down", {.height = -2, .infoHeaderBytes = 124}, typeError},
        {"largest offset", PictureOf(8, 2, 1, {}, {.gapBytes = 1078 - 54 - 1024}), ""},
        {"124-byte header, full 8-bit table", PictureOf(8, 2, 1, {}, {.infoHeaderBytes = 124}), ""},
        {"widest 24-bit row", {.width = 1026}, ""},
        {"32 bits: not converted, no message", {.bitsPerPixel = 32}, "-"},
        {"missing", {}, openError + TestUtf8(base) + "missing"},
        {"path over 256 units", {}, openError + TestUtf8(overlong)},
    };
    for (const auto &[what, picture, expected] : rows)
        for (int kind : {kLoadPicture, kLoadMask}) {
            if (expected.size() <= 1 && kind == kLoadMask) continue;  // quiet rows: pictures only
            bool missing = expected.find("Open") != std::string::npos;
            ASSERT_TRUE(missing || WriteBmpFile(folder.path / "bad.bmp", picture));
            SetTestFolder(std::string(what).rfind("path over", 0) == 0 ? longFolder : base);
            const ImageRecord &record = LoadNamed(missing ? what : "bad.bmp", kind);
            EXPECT_EQ(expected, (record.pixels ? "" : "-") + told) << what << ", kind " << kind;
        }
}

// Files with a 124-byte info header as ImageMagick's BMP writer (convert 6.9) saves them: a 16x16
// red picture with a blue square at 4..11, the second with a grey ramp over its top row, which
// needs 8 bits (saved uncompressed: 8-bit files are written RLE8 by default):
//   convert -size 16x16 xc:red -fill blue -draw "rectangle 4,4 11,11" -type Palette BMP:two-colour-v5.bmp
//   convert -size 16x16 xc:red -fill blue -draw "rectangle 4,4 11,11" ( -size 16x1 gradient:black-white )
//           -geometry +0+0 -composite -type Palette -compress none BMP:shades-v5.bmp
TEST(LoadBitmapFile, EditorFilesWithLongHeadersLoad) {
    std::filesystem::path data = std::filesystem::path(__FILE__).parent_path().parent_path() / "data" / "editor";
    ASSERT_EQ(1, SetTestFolder(TestDevicePath(data, true)));
    for (auto [name, bits] : {std::pair{"two-colour-v5.bmp", 1}, {"shades-v5.bmp", 8}}) {
        const ImageRecord &record = LoadNamed(name, kLoadPicture);
        EXPECT_EQ("", told) << name;
        ASSERT_NE(nullptr, record.pixels) << name;
        EXPECT_EQ(bits, record.bitsPerPixel) << name;
        std::string wrong;
        for (int32_t y = 0; y < 16; y++)
            for (int32_t x = 0; x < 16; x++) {
                bool square = x >= 4 && x <= 11 && y >= 4 && y <= 11;
                uint32_t expected = bits == 8 && y == 0 ? 0x111111u * (uint32_t)x : square ? 0xFF0000u : 0x0000FFu;
                if (ReadPixel(&record, x, y) != expected) wrong += std::to_string(x) + "," + std::to_string(y) + " ";
            }
        EXPECT_EQ("", wrong) << name << ": pixels of the wrong colour";
    }
}
