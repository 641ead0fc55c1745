// BMP files the loader must refuse, with its two messages, without reading
// or writing outside its buffers (run under the sanitizers), and files at
// the limits that still load.
#include "device.h"
#include "graphics/bmp.h"
#include "shell/globals.h"
#include "support/bmp_writer.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

static BmpSpec Change(BmpSpec spec, void (*change)(BmpSpec &)) {
    change(spec);
    return spec;
}

static BmpSpec EightBit(int32_t width, int32_t height) {
    BmpSpec spec;
    spec.bitsPerPixel = 8, spec.width = width, spec.height = height;
    spec.palette.assign(256, 0x808080);
    return spec;
}

// Each row's file loaded as picture and as mask: "-" when the record has no
// pixels, then the messages shown. Rows without a spec name a missing file.
TEST(LoadBitmapFile, RefusesBadFilesAndTellsWhy) {
    TestFolder folder("bmp-refusal");
    ASSERT_EQ(1, CopyTestPath(exeFolder, kExeFolderUnits, TestDevicePath(folder.path, true)));
    const std::string typeError = "-|Error: File Type error", base = TestUtf8(exeFolder);
    const std::string longFolder = base + std::string(250 - base.size(), 'd') + "\\";
    const struct { const char *what; BmpSpec spec; std::string expected; } rows[] = {
        {"not BM", Change({}, [](BmpSpec &s) { s.bfType = 0x4142; }), typeError},
        {"cut in the info header", Change({}, [](BmpSpec &s) { s.truncateTo = 30; }), typeError},
        {"offset inside the info header", Change({}, [](BmpSpec &s) { s.bfOffBits = 53; }), typeError},
        {"offset beyond the header buffer", Change(EightBit(1, 1), [](BmpSpec &s) { s.bfOffBits = 1079, s.gapBytes = 100; }), typeError},
        {"offset beyond the file", Change({}, [](BmpSpec &s) { s.bfOffBits = 900; }), typeError},
        {"zero width", Change({}, [](BmpSpec &s) { s.width = 0; }), typeError},
        {"negative width", Change({}, [](BmpSpec &s) { s.width = -4; }), typeError},
        {"top-down", Change({}, [](BmpSpec &s) { s.height = -2; }), typeError},
        {"huge height", EightBit(1, 5000), typeError},
        {"compressed", Change(EightBit(4, 4), [](BmpSpec &s) { s.biCompression = 1; }), typeError},
        {"row beyond the row buffer", Change({}, [](BmpSpec &s) { s.width = 1100; }), typeError},
        {"trailer makes rows too long", Change(EightBit(10, 1), [](BmpSpec &s) { s.extraBytes = 5000; }), typeError},
        {"pixels cut short", Change({}, [](BmpSpec &s) { s.height = 2, s.truncateTo = 54 + 4 + 1; }), typeError},
        {"header alone claims 3080x4096", Change(EightBit(3080, 4096), [](BmpSpec &s) { s.truncateTo = 1078; }), typeError},
        {"32 bits cut short", Change({}, [](BmpSpec &s) { s.bitsPerPixel = 32, s.height = 4, s.truncateTo = 54 + 12; }), typeError},
        {"largest offset", Change(EightBit(2, 1), [](BmpSpec &s) { s.gapBytes = 1078 - 54 - 1024; }), ""},
        {"widest 24-bit row", Change({}, [](BmpSpec &s) { s.width = 1026; }), ""},
        {"32 bits: not converted, no message", Change({}, [](BmpSpec &s) { s.bitsPerPixel = 32; }), "-"},
        {"missing", {}, "-|Error: File Open error " + base + "missing"},
        {"path over 256 units", {}, "-|Error: File Open error " + (longFolder + "path over 256 units").substr(0, kImagePathUnits - 1)},
    };
    for (const auto &r : rows)
        for (int kind : {kLoadPicture, kLoadMask}) {
            if (r.expected.size() <= 1 && kind == kLoadMask) continue;   // quiet rows: pictures only
            DeviceReset();
            bool missing = r.expected.find("Open") != std::string::npos;
            if (!missing) {
                ASSERT_EQ(1, WriteBmpFile(folder.path / "bad.bmp", r.spec));
            }
            bool overlong = std::string(r.what).rfind("path over", 0) == 0;
            CopyTestPath(exeFolder, kExeFolderUnits, DeviceUtf16(overlong ? longFolder : base));
            std::string name = missing ? r.what : "bad.bmp";
            ImageRecord record{};
            std::copy(name.begin(), name.end(), record.fileName);
            LoadBitmapFile(&record, kind);
            std::string actual = record.pixels ? "" : "-";
            for (const DeviceMessageBox &box : DeviceMessageBoxes())
                actual += "|" + DeviceUtf8(box.caption) + ": " + DeviceUtf8(box.text) + (box.style == MB_OK ? "" : " style");
            EXPECT_EQ(r.expected, actual) << r.what << ", kind " << kind;
        }
}
