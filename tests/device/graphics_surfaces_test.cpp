// The work surfaces' failures and the display probe on the simulated screen,
// whose depth and failing calls tests choose.
#include "core/tables.h"
#include "device.h"
#include "graphics/pixels.h"
#include "graphics/probe.h"
#include "graphics/surfaces.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <tuple>

static std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%06X", v);
    return text;
}

// A 240 x 320 screen and an 8 x 8 area (width as given); fail names a call that fails once after
// failAfter successes. Returns CreateWorkSurfaces' result.
static int Start(int screenDepth, int32_t width = 8, const char *fail = "", int failAfter = 0) {
    DeviceReset();
    if (*fail) DeviceFailNext(fail, 1, failAfter);
    DeviceSetScreen(240, 320, screenDepth, 0x808080);
    SetDisplayFormat(DisplayFormat{});
    SkinTables tables = {};
    tables.areaWidth = width;
    tables.areaHeight = 8;
    tables.graphicMax = tables.textMax = -1;
    UseSkinTables(&tables);
    OpenDisplay();
    return CreateWorkSurfaces();
}

// Every step of the creation can fail: the three records, the captured screen and the coverage
// mask (allocations 0-4), the work DIB (also one made without bits) and its DC, and on 8-bit
// displays the probe's DIB and DC. Each is told with a beep and leaves nothing allocated or alive.
TEST(Surfaces, CreationFailuresAreToldWithABeepAndLeaveNothing) {
    const std::tuple<int, const char *, int, int32_t, const char *> rows[] = {
        {16, "CreateDIBSection", 0, 8, "baseBmp error ("},  {16, "CreateDIBSection:bits", 0, 8, "baseBmp error ("},
        {16, "CreateCompatibleDC", 0, 8, "baseDC error ("}, {16, "", 0, 5000, "baseBmp error ("},
        {16, "LocalAlloc", 0, 8, "baseBmp error (8)"},      {16, "LocalAlloc", 1, 8, "baseBmp error (8)"},
        {16, "LocalAlloc", 2, 8, "baseBmp error (8)"},      {16, "LocalAlloc", 3, 8, "baseBmp error (8)"},
        {16, "LocalAlloc", 4, 8, "baseBmp error (8)"},      {8, "CreateDIBSection", 1, 8, "tmp256Bmp error ("},
        {8, "CreateCompatibleDC", 1, 8, "baseDC error ("},
    };
    for (auto [depth, call, after, width, prefix] : rows) {
        std::string name = std::string(call) + " after " + std::to_string(after);
        ReleaseWorkSurfaces();
        size_t allocations = DeviceLiveAllocations();
        EXPECT_EQ(0, Start(depth, width, call, after)) << name;
        EXPECT_EQ(0, WorkSurfacesReady()) << name;
        EXPECT_EQ(std::pair(allocations, 0), std::pair(DeviceLiveAllocations(), DeviceLiveGdiObjects()))
            << name << ": live blocks, live GDI objects";
        ASSERT_EQ(1u, DeviceMessageBoxes().size()) << name;
        std::string box = DeviceUtf8(DeviceMessageBoxes()[0].caption) + ": " + DeviceUtf8(DeviceMessageBoxes()[0].text);
        EXPECT_TRUE(box.rfind("Error: " + std::string(prefix), 0) == 0 && box.back() == ')') << "got " << box;
        EXPECT_EQ(std::vector<UINT>{64}, DeviceBeeps()) << name;
    }
    ASSERT_EQ(1, Start(8));
    ReleaseWorkSurfaces();
    EXPECT_EQ(0, DeviceLiveGdiObjects()) << "released surfaces leave no object";
}

// A 1-bit black-and-white picture, a skipped 24-bit one, a white text in use and one not in use.
// On 16, 24 and 32 bits black becomes the darkest and white the lightest colour the display keeps
// apart from its own; on 8 bits every rewritten colour survives the palette.
TEST(Probe, SubstitutesColoursTheDisplayKeepsApart) {
    for (int depth : {16, 24, 32, 8}) {
        ASSERT_EQ(1, Start(depth));
        BYTE pixels[1] = {};
        ColourValue palette[2] = {0x000000, depth == 8 ? 0x3377BBu : 0xFFFFFFu};
        ImageRecord pictures[2]{};
        pictures[0].pixels = pictures[1].pixels = pixels;
        pictures[0].bitsPerPixel = 1;
        pictures[0].palette = palette;
        pictures[1].bitsPerPixel = 24;
        TextItem texts[2]{};
        texts[0].height = 12;
        texts[1].height = -1;
        texts[0].colour = texts[1].colour = 0xFFFFFF;
        SkinTables tables = skinTables;
        tables.graphics = pictures;
        tables.graphicMax = 1;
        tables.texts = texts;
        tables.textMax = 1;
        UseSkinTables(&tables);
        DeviceFillScreen(0, 0, 1, 1, 0x4080C0);
        COLORREF corner = DeviceReadScreen(0, 0);
        ProbeDisplayFormat(&workSurface);
        const DisplayFormat &f = displayFormat;
        EXPECT_EQ(Hex(corner), Hex(DeviceReadScreen(0, 0))) << "the probe's pixel stays, depth " << depth;
        EXPECT_EQ("FFFFFF", Hex(texts[1].colour)) << "text not in use, depth " << depth;
        if (depth != 8) {
            EXPECT_EQ("F8FCF8 F8FCF8 000008 F8FCF0 | 000008 F8FCF0 F8FCF0",
                      Hex(f.channelMask[0] << 16 | f.channelMask[1] << 8 | f.channelMask[2]) + " " + Hex(f.whiteValue) +
                          " " + Hex(f.darkSubstitute) + " " + Hex(f.lightSubstitute) + " | " + Hex(palette[0]) + " " +
                          Hex(palette[1]) + " " + Hex(texts[0].colour))
                << "depth " << depth;
            continue;
        }
        EXPECT_EQ("FFFFFF 0", Hex(f.whiteValue) + " " + std::to_string(f.channelMask[0]));
        EXPECT_TRUE(f.darkSubstitute != 0 && f.lightSubstitute != 0xFFFFFF && palette[0] == f.darkSubstitute);
        for (uint32_t colour : {palette[0], palette[1], texts[0].colour}) {
            DeviceFillScreen(5, 5, 1, 1, colour);
            EXPECT_EQ(Hex(colour), Hex(DeviceReadScreen(5, 5) & 0xF8FCF8)) << "not a display colour";
        }
    }
}
