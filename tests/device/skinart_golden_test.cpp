// Golden screens: the bundled skin run by the whole program on the device at
// every depth and in every opacity the depth offers, at three times of day
// (one an hourly event showing its time text), hashed over the whole screen
// after a fixed number of ticks. Any change to loading, probing, composing
// or merging changes a hash; a mismatch prints the table to paste back once
// the change is known to be right (look at the screens with pondlet-tool).
#include "core/process.h"
#include "core/tables.h"
#include "device.h"
#include "engine/schedule.h"
#include "graphics/surfaces.h"
#include "shell/instance.h"
#include "shell/mainwindow.h"
#include "shell/panel.h"
#include "support/golden_run.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdio>

extern "C" __attribute__((used)) const char *__asan_default_options() { return "detect_leaks=0"; }

namespace {

namespace fs = std::filesystem;

TEST(BundledSkinGolden, WholeScreens) {
    TestFolder folder("golden");
    fs::copy(BundledSkin(), folder.path / "pondlet");
    // The first sequence plays whatever the time; 40 ticks reach the time's
    // own, and the third tick after 08:59:59.9 shows the hourly bubble.
    const struct {
        const char *name;
        SYSTEMTIME start;
        int ticks;
    } times[] = {
        {"midday", {2026, 12, 1, 7, 12, 30, 0, 0}, 40},
        {"night", {2026, 12, 1, 7, 3, 10, 0, 0}, 40},
        {"09:00 hourly", {2026, 12, 1, 7, 8, 59, 59, 900}, 3},
    };
    //  depth mode  midday      night       09:00 hourly
    const struct {
        int depth, mode;
        uint32_t hash[3];
    } golden[] = {
        {16, 0, {0x3F3B27EA, 0x0602B4EF, 0x92522F4A}}, {16, 1, {0xBA01EFE2, 0x38E5B4C8, 0x8D6FBAD1}},
        {16, 2, {0x3A136D1B, 0xEFE0FBF0, 0x02BB8BF4}}, {16, 3, {0x690FB8F2, 0xC578B13E, 0x723E0987}},
        {16, 4, {0x37432C4F, 0xBDDE4035, 0x3407EBC2}}, {24, 0, {0x1EEFDB49, 0x55FF3BC1, 0x5D0FE3D5}},
        {24, 1, {0x7ABCDD0D, 0xB0164CFD, 0x8CBD0F11}}, {24, 2, {0xB3F136F5, 0xBF72CB7D, 0x35646E31}},
        {24, 3, {0x299D87D9, 0xC6CC4A31, 0x2210E5ED}}, {24, 4, {0x8DEBAD53, 0xE7E1D6F7, 0xFD2ACF93}},
        {32, 0, {0x1EEFDB49, 0x55FF3BC1, 0x5D0FE3D5}}, {32, 1, {0x7ABCDD0D, 0xB0164CFD, 0x8CBD0F11}},
        {32, 2, {0xB3F136F5, 0xBF72CB7D, 0x35646E31}}, {32, 3, {0x299D87D9, 0xC6CC4A31, 0x2210E5ED}},
        {32, 4, {0x8DEBAD53, 0xE7E1D6F7, 0xFD2ACF93}}, {8, 0, {0x2D5F474C, 0x72B9AAB4, 0xC5176A35}},
        {8, 4, {0x4ED4FB4D, 0x944F01F3, 0xCDE377D6}},
    };
    std::string table;
    bool same = true;
    for (const auto &row : golden) {
        char line[128];
        uint32_t got[3];
        for (int t = 0; t < 3; t++) {
            got[t] = RunAndHash(folder.path, row.depth, row.mode, times[t].start, times[t].ticks);
            same &= got[t] == row.hash[t];
        }
        std::snprintf(line, sizeof line, "        {%d, %d, {0x%08X, 0x%08X, 0x%08X}},\n", row.depth, row.mode, got[0],
                      got[1], got[2]);
        table += line;
    }
    EXPECT_TRUE(same) << "the screens changed; the table now reads:\n" << table;
}

}  // namespace
