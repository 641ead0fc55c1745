// The compiled resources, read back through FindResourceW and LockResource:
// every field of the three dialog templates, the icon group and the version
// record. On Windows the resources are the executable's own; on the device
// they are the embedded copy of the same compiled script.
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// ---- reading the bytes ---------------------------------------------------------

struct Reader {
    const unsigned char *bytes;
    size_t size, at;

    bool Has(size_t n) const { return at + n <= size; }
    WORD Word() {
        if (!Has(2)) { at = size + 1; return 0; }
        WORD value = (WORD)(bytes[at] | bytes[at + 1] << 8);
        at += 2;
        return value;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | (DWORD)Word() << 16;
    }
    void Align4() { at = (at + 3) & ~(size_t)3; }
    // A text, or "#<n>" for an ordinal (0xFFFF n).
    std::string TextOrOrdinal() {
        if (Has(2) && bytes[at] == 0xFF && bytes[at + 1] == 0xFF) {
            Word();
            std::string ordinal = "#";
            return ordinal += std::to_string(Word());
        }
        return Text();
    }
    std::string Text() {
        TestWString text;
        while (WORD unit = Word()) text += (WCHAR)unit;
        return TestUtf8(text);
    }
};

Reader ResourceBytes(int id, LPCWSTR type) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), type);
    if (!found) return {nullptr, 0, 0};
    const void *data = LockResource(LoadResource(nullptr, found));
    return {(const unsigned char *)data, (size_t)SizeofResource(nullptr, found), 0};
}

// ---- dialog templates -------------------------------------------------------------

struct Control {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    std::string cls, text;
};

struct Dialog {
    DWORD style, exStyle;
    short x, y, cx, cy;
    std::string menu, cls, caption;
    WORD points;
    std::string font;
    std::vector<Control> controls;
};

bool ParseDialog(Reader r, Dialog &d) {
    d.style = r.Dword();
    d.exStyle = r.Dword();
    WORD count = r.Word();
    d.x = (short)r.Word(), d.y = (short)r.Word(), d.cx = (short)r.Word(), d.cy = (short)r.Word();
    d.menu = r.TextOrOrdinal();
    d.cls = r.TextOrOrdinal();
    d.caption = r.Text();
    d.points = r.Word();
    d.font = r.Text();
    for (WORD i = 0; i < count; i++) {
        r.Align4();
        Control c;
        c.style = r.Dword();
        if (r.Dword() != 0) return false;  // no control has an extended style
        c.x = (short)r.Word(), c.y = (short)r.Word(), c.cx = (short)r.Word(), c.cy = (short)r.Word();
        c.id = r.Word();
        c.cls = r.TextOrOrdinal();
        c.text = r.TextOrOrdinal();
        r.at += r.Word();  // creation data
        d.controls.push_back(c);
    }
    return r.at <= r.size;
}

// Classes are the system's ordinals: 0x80 button, 0x82 static, 0x83 list box,
// 0x85 combo box.
const Control kPanelControls[] = {
    // style       x   y   cx  cy  id    class   text
    {0x50010000, 2, 2, 13, 11, 1067, "#128", "U"},
    {0x50010000, 2, 14, 13, 11, 1069, "#128", "D"},
    {0x50010000, 2, 26, 13, 11, 1068, "#128", "L"},
    {0x50010000, 2, 38, 13, 11, 1063, "#128", "R"},
    {0x50010000, 19, 2, 21, 11, 1062, "#128", "Ux10"},
    {0x50010000, 19, 14, 21, 11, 1065, "#128", "Dx10"},
    {0x50010000, 19, 26, 21, 11, 1064, "#128", "Lx10"},
    {0x50010000, 19, 38, 21, 11, 1066, "#128", "Rx10"},
    {0x50210003, 2, 54, 38, 62, 1061, "#133", ""},
    {0x50010000, 6, 70, 27, 9, 1058, "#128", "Hide"},
    {0x50010000, 6, 84, 27, 9, 1056, "#128", "About"},
    {0x50010000, 6, 95, 27, 9, 1057, "#128", "Quit"},
};
const Control kAboutControls[] = {
    {0x50010001, 36, 64, 50, 14, 1, "#128", "OK"},
    {0x50020000, 43, 14, 75, 10, 0xFFFF, "#130", "Pondlet"},
    {0x50020000, 12, 41, 106, 10, 0xFFFF, "#130", "A small friend from the pond"},
    {0x50020000, 50, 25, 59, 10, 0xFFFF, "#130", "Version 1.4"},
    {0x50000003, 10, 10, 20, 20, 0xFFFF, "#130", "#106"},
    {0x50020002, 10, 51, 106, 10, 0xFFFF, "#130", "(c) 2026 The Pondlet team"},
};
const Control kSelectControls[] = {
    // child, visible, border, vscroll, tabstop, notify, no integral height
    {0x50A10101, 7, 7, 105, 92, 1060, "#131", ""},
};

struct ExpectedDialog {
    int id;
    DWORD style;
    short cx, cy;
    const char *caption, *font;
    const Control *controls;
    size_t count;
} const kDialogs[] = {
    {125, 0x90C80AC0, 43, 107, "Pondlet", "System", kPanelControls, std::size(kPanelControls)},
    // the Japanese proportional Gothic face, in full-width letters
    {105, 0x80C808C0, 123, 85, "Version Info", "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF",
     kAboutControls, std::size(kAboutControls)},
    {126, 0x80C80AC0, 119, 106, "Select", "System", kSelectControls, std::size(kSelectControls)},
};

std::string Describe(const Control &c) {
    char text[200];
    snprintf(text, sizeof text, "style %08X at %d,%d size %dx%d id %u class %s text \"%s\"", (unsigned)c.style, c.x,
             c.y, c.cx, c.cy, c.id, c.cls.c_str(), c.text.c_str());
    return text;
}

TEST(Resources, DialogTemplates) {
    for (const ExpectedDialog &want : kDialogs) {
        std::string where = "dialog ";
        where += std::to_string(want.id);
        Reader bytes = ResourceBytes(want.id, MAKEINTRESOURCEW(5));
        ASSERT_NE(bytes.bytes, nullptr) << where;
        Dialog got;
        ASSERT_TRUE(ParseDialog(bytes, got)) << where;
        EXPECT_EQ(got.style, want.style) << where;
        EXPECT_EQ(got.exStyle | got.x | got.y, 0u) << where;
        EXPECT_EQ(got.cx, want.cx) << where;
        EXPECT_EQ(got.cy, want.cy) << where;
        EXPECT_TRUE(got.menu.empty() && got.cls.empty()) << where << " menu " << got.menu << " class " << got.cls;
        EXPECT_EQ(got.caption, want.caption);
        EXPECT_EQ(got.points, 9) << where;
        EXPECT_EQ(got.font, want.font) << where;
        ASSERT_EQ(got.controls.size(), want.count) << where;
        for (size_t i = 0; i < want.count; i++)
            EXPECT_EQ(Describe(got.controls[i]), Describe(want.controls[i])) << where << " control " << i;
    }
}

// ---- icons ---------------------------------------------------------------------------

TEST(Resources, IconGroupHoldsIcons1And2) {
    Reader group = ResourceBytes(106, MAKEINTRESOURCEW(14));
    ASSERT_NE(group.bytes, nullptr);
    EXPECT_EQ(group.Word(), 0);  // reserved
    EXPECT_EQ(group.Word(), 1);  // icons
    ASSERT_EQ(group.Word(), 2);
    struct Row {
        int size;
        WORD id;
    } rows[] = {{16, 1}, {32, 2}};
    for (const Row &row : rows) {
        int width = group.bytes[group.at], height = group.bytes[group.at + 1];
        group.at += 8;  // width, height, colours, reserved, planes, bit count
        DWORD bytesInRes = group.Dword();
        WORD id = group.Word();
        EXPECT_EQ(width, row.size);
        EXPECT_EQ(height, row.size);
        EXPECT_EQ(id, row.id);
        Reader icon = ResourceBytes(id, MAKEINTRESOURCEW(3));
        ASSERT_NE(icon.bytes, nullptr) << "icon " << id;
        EXPECT_EQ(icon.size, bytesInRes) << "icon " << id;
        // A BMP image header with the mask's rows doubling the height.
        EXPECT_EQ(icon.Dword(), 40u);
        EXPECT_EQ((int)icon.Dword(), row.size);
        EXPECT_EQ((int)icon.Dword(), 2 * row.size);
    }
    EXPECT_NE(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(106), IMAGE_ICON, 16, 16, 0), nullptr);
    EXPECT_EQ(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(107), IMAGE_ICON, 16, 16, 0), nullptr);
}

TEST(Resources, MissingResources) {
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(127), MAKEINTRESOURCEW(5)), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(4)), nullptr);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_TYPE_NOT_FOUND);
    // "#125" names the ordinal, as on Windows.
    EXPECT_NE(FindResourceW(nullptr, WSTR("#125"), MAKEINTRESOURCEW(5)), nullptr);
}

// ---- the version record ------------------------------------------------------------

// Walks the record's blocks (length, value length, type, key, value,
// children), filing each value under its path of keys.
void WalkVersionBlock(Reader r, const std::string &path, std::map<std::string, std::string> &values,
                      std::vector<unsigned char> *fixed) {
    size_t start = r.at;
    WORD length = r.Word(), valueLength = r.Word(), type = r.Word();
    std::string key = path + r.Text();
    r.Align4();
    size_t valueBytes = type == 1 ? valueLength * 2u : valueLength;
    if (fixed && valueBytes && r.Has(valueBytes)) fixed->assign(r.bytes + r.at, r.bytes + r.at + valueBytes);
    if (type == 1 && valueLength) {
        Reader text = r;
        values[key] = text.Text();
    } else if (valueBytes == 4) {
        Reader number = r;
        values[key] = std::to_string(number.Dword());
    }
    r.at += valueBytes;
    size_t end = start + length;
    for (r.Align4(); r.at + 6 <= end && r.at < r.size; r.Align4()) {
        size_t childLength = (size_t)(r.bytes[r.at] | r.bytes[r.at + 1] << 8);
        if (childLength == 0) break;
        Reader child = {r.bytes, end, r.at};
        WalkVersionBlock(child, key + "/", values, nullptr);
        r.at += childLength;
    }
}

TEST(Resources, VersionRecord) {
    Reader record = ResourceBytes(1, MAKEINTRESOURCEW(16));
    ASSERT_NE(record.bytes, nullptr);
    std::map<std::string, std::string> values;
    std::vector<unsigned char> fixed;
    WalkVersionBlock(record, "", values, &fixed);
    ASSERT_EQ(fixed.size(), 52u);
    Reader info = {fixed.data(), fixed.size(), 0};
    EXPECT_EQ(info.Dword(), 0xFEEF04BDu);
    info.Dword();  // structure version
    EXPECT_EQ(info.Dword(), 0x00010000u);  // file version 1, 0,
    EXPECT_EQ(info.Dword(), 0x00000001u);  // 0, 1
    EXPECT_EQ(info.Dword(), 0x00010004u);  // product version 1, 4,
    EXPECT_EQ(info.Dword(), 0x00000000u);  // 0, 0

    struct Row {
        const char *path, *value;
    } rows[] = {
        {"VS_VERSION_INFO/StringFileInfo/041104B0/ProductVersion", "1.4"},
        {"VS_VERSION_INFO/StringFileInfo/041104B0/ProductName", "Pondlet"},
        {"VS_VERSION_INFO/StringFileInfo/041104B0/InternalName", "Pondlet"},
        {"VS_VERSION_INFO/StringFileInfo/041104B0/FileVersion", "1, 0, 0, 1"},
        {"VS_VERSION_INFO/StringFileInfo/041104B0/FileDescription", "Pondlet desktop mascot"},
        // language 0x411 in the low word, code page 1200 in the high word
        {"VS_VERSION_INFO/VarFileInfo/Translation", "78644241"},
    };
    for (const Row &row : rows) EXPECT_EQ(values[row.path], row.value) << row.path;
}

} // namespace
