// What the device adds to the embedded resources: icon handles chosen by
// size, and the dialog id behind a template's bytes (which the device reports
// for open dialogs).
#include "device.h"
#include "internal.h"

#include <gtest/gtest.h>

namespace {

const void *ResourceData(int id, LPCWSTR type) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type);
    return found ? LockResource(LoadResource(nullptr, found)) : nullptr;
}

TEST(DeviceResources, DialogIdOfTemplateBytes) {
    for (int id : {105, 125, 126}) {
        const void *data = ResourceData(id, RT_DIALOG);
        ASSERT_NE(data, nullptr) << id;
        EXPECT_EQ(DeviceResourceIdOfData(data), id);
        EXPECT_EQ(DeviceResourceIdOfData((const char *)data + 2), -1) << id;
    }
    EXPECT_EQ(DeviceResourceIdOfData(ResourceData(1, RT_ICON)), -1);
    EXPECT_EQ(DeviceResourceIdOfData(nullptr), -1);
}

TEST(DeviceResources, IconNearestTheSizeAsked) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    auto load = [&](int cx, int cy) {
        return LoadImageW(module, MAKEINTRESOURCEW(106), IMAGE_ICON, cx, cy, LR_DEFAULTCOLOR);
    };
    HANDLE small = load(16, 16), large = load(32, 32);
    ASSERT_NE(small, nullptr);
    ASSERT_NE(large, nullptr);
    EXPECT_NE(small, large);
    EXPECT_LT((uintptr_t)large, (uintptr_t)1 << 32);
    struct Row {
        int cx, cy;
        HANDLE expected;
    } rows[] = {{20, 20, small}, {24, 25, large}, {0, 0, large}, {48, 48, large}, {1, 1, small}};
    for (const Row &row : rows) EXPECT_EQ(load(row.cx, row.cy), row.expected) << row.cx << "x" << row.cy;
    EXPECT_EQ(LoadImageW(module, MAKEINTRESOURCEW(106), IMAGE_BITMAP, 16, 16, 0), nullptr);
}

} // namespace
