// The compiled resources read back through FindResourceW and LockResource:
// on Windows the executable's own, on the device the embedded copy.
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Little-endian reads; a read past the end gives 0 and leaves `at` past `size`.
struct Reader {
    const unsigned char *bytes;
    size_t size, at;
    WORD Word() { return at + 2 > size ? (at = size + 1, 0) : (at += 2, WORD(bytes[at - 2] | bytes[at - 1] << 8)); }
    DWORD Dword() {
        DWORD low = Word();
        return low | (DWORD)Word() << 16;
    }
    void Align4() { at = (at + 3) & ~(size_t)3; }
    std::string Text() {
        TestWString text;
        while (WORD unit = Word()) text += (WCHAR)unit;
        return TestUtf8(text);
    }
    std::string TextOrOrdinal() {  // "#<n>" for an ordinal (FFFF n)
        if (at + 4 > size || bytes[at] != 0xFF || bytes[at + 1] != 0xFF) return Text();
        std::string ordinal = "#";
        return at += 2, ordinal += std::to_string(Word());
    }
};

Reader ResourceBytes(int id, int type) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    return {found ? (const unsigned char *)LockResource(LoadResource(nullptr, found)) : nullptr,
            found ? SizeofResource(nullptr, found) : 0, 0};
}

// A line for the dialog (style, extended style, box, menu, class, caption,
// points, face), then one per control (id, class, text, box, styles).
std::string RenderDialog(Reader r) {
    char line[400];
    auto box = [&r] {
        int x = (short)r.Word(), y = (short)r.Word(), cx = (short)r.Word(), cy = (short)r.Word();
        return std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(cx) + "x" + std::to_string(cy);
    };
    DWORD style = r.Dword(), exStyle = r.Dword();
    WORD count = r.Word();
    std::string place = box(), menu = r.TextOrOrdinal(), cls = r.TextOrOrdinal(), caption = r.Text();
    WORD points = r.Word();
    snprintf(line, sizeof line, "%08X %X %s '%s' '%s' \"%s\" %u \"%s\"\n", (unsigned)style, (unsigned)exStyle,
             place.c_str(), menu.c_str(), cls.c_str(), caption.c_str(), points, r.Text().c_str());
    std::string text = line;
    for (WORD i = 0; i < count; i++, text += line) {
        r.Align4();
        style = r.Dword();
        exStyle = r.Dword();
        place = box();
        int id = (short)r.Word();
        cls = r.TextOrOrdinal();
        caption = r.TextOrOrdinal();
        r.at += r.Word();  // creation data
        snprintf(line, sizeof line, "%d %s \"%s\" %s %08X %X\n", id, cls.c_str(), caption.c_str(), place.c_str(),
                 (unsigned)style, (unsigned)exStyle);
    }
    return r.at <= r.size ? text : text + "<past the end>\n";
}

// Classes are the system's ordinals: 128 button, 130 static, 131 list box,
// 133 combo box. The About box's face is the Japanese proportional Gothic.
const struct {
    int id;
    const char *text;
} kDialogs[] = {
    {125, "90C80AC0 0 0,0 43x107 '' '' \"Pondlet\" 9 \"System\"\n"
          "1067 #128 \"U\" 2,2 13x11 50010000 0\n1069 #128 \"D\" 2,14 13x11 50010000 0\n"
          "1068 #128 \"L\" 2,26 13x11 50010000 0\n1063 #128 \"R\" 2,38 13x11 50010000 0\n"
          "1062 #128 \"Ux10\" 19,2 21x11 50010000 0\n1065 #128 \"Dx10\" 19,14 21x11 50010000 0\n"
          "1064 #128 \"Lx10\" 19,26 21x11 50010000 0\n1066 #128 \"Rx10\" 19,38 21x11 50010000 0\n"
          "1061 #133 \"\" 2,54 38x62 50210003 0\n1058 #128 \"Hide\" 6,70 27x9 50010000 0\n"
          "1056 #128 \"About\" 6,84 27x9 50010000 0\n1057 #128 \"Quit\" 6,95 27x9 50010000 0\n"},
    {105, "80C808C0 0 0,0 123x85 '' '' \"Version Info\" 9 "
          "\"\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF\"\n"
          "1 #128 \"OK\" 36,64 50x14 50010001 0\n-1 #130 \"Pondlet\" 43,14 75x10 50020000 0\n"
          "-1 #130 \"A small friend from the pond\" 12,41 106x10 50020000 0\n"
          "-1 #130 \"Version 1.4\" 50,25 59x10 50020000 0\n-1 #130 \"#106\" 10,10 20x20 50000003 0\n"
          "-1 #130 \"(c) 2026 The Pondlet team\" 10,51 106x10 50020002 0\n"},
    {126, "80C80AC0 0 0,0 119x106 '' '' \"Select\" 9 \"System\"\n1060 #131 \"\" 7,7 105x92 50A10101 0\n"},
};

TEST(Resources, DialogTemplates) {
    for (const auto &want : kDialogs) {
        Reader bytes = ResourceBytes(want.id, 5);
        ASSERT_NE(bytes.bytes, nullptr) << "dialog " << want.id;
        EXPECT_EQ(RenderDialog(bytes), want.text) << "dialog " << want.id;
    }
}

// Group 106: icons 1 (16x16) and 2 (32x32), each of the size the group gives.
TEST(Resources, IconGroup) {
    Reader group = ResourceBytes(106, 14);
    std::string text;
    for (int i = 0; i < 3; i++) text += std::to_string(group.Word()) + (i < 2 ? " " : "");  // reserved, type, count
    for (; group.at + 14 <= group.size; group.at += 14) {
        const unsigned char *entry = group.bytes + group.at;  // width, height, ..., bytes (4), id (2)
        DWORD bytesInRes = entry[8] | entry[9] << 8 | entry[10] << 16 | (DWORD)entry[11] << 24;
        Reader icon = ResourceBytes(entry[12] | entry[13] << 8, 3);
        text += " | " + std::to_string(entry[12]) + ": " + std::to_string(entry[0]) + "x" + std::to_string(entry[1]) +
                (icon.size == bytesInRes ? "" : " size differs");
    }
    EXPECT_EQ(text, "0 1 2 | 1: 16x16 | 2: 32x32");
    EXPECT_NE(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(106), IMAGE_ICON, 16, 16, 0), nullptr);
}

// The value after each key: a key's text, its terminator, padding to 4, then
// `words` 32-bit words, a text (0) or nothing (-1: a block of blocks).
TEST(Resources, VersionRecord) {
    Reader record = ResourceBytes(1, 16);
    const struct {
        const char *key;
        int words;
        const char *value;
    } rows[] = {
        // signature, structure version, file version 1.0.0.1, product version
        // 1.4.0.0, flags mask and flags, system, type, subtype, date
        {"VS_VERSION_INFO", 13,
         "FEEF04BD 00010000 00010000 00000001 00010004 00000000 0000003F 00000000 "
         "00040004 00000001 00000000 00000000 00000000 "},
        {"041104B0", -1, ""},
        {"FileDescription", 0, "Pondlet desktop mascot"},
        {"FileVersion", 0, "1, 0, 0, 1"},
        {"InternalName", 0, "Pondlet"},
        {"ProductName", 0, "Pondlet"},
        {"ProductVersion", 0, "1.4"},
        {"Translation", 1, "04B00411 "},  // language 0x411, code page 1200
    };
    for (const auto &row : rows) {
        std::string value = "<no key>";
        for (Reader r = record; r.at + 2 <= r.size && value == "<no key>"; r.at += 2) {
            Reader v = r;
            if (v.Text() != row.key) continue;
            v.Align4();
            value = row.words ? "" : v.Text();
            for (char word[12]; (int)value.size() < 9 * row.words; value += word)
                snprintf(word, sizeof word, "%08X ", (unsigned)v.Dword());
        }
        EXPECT_EQ(value, row.value) << row.key;
    }
}

// The manifest the loader reads (resource 1 of type 24): per-monitor DPI
// awareness for every system generation, the invoking user's rights, and the
// systems it was made for.
TEST(Resources, ApplicationManifest) {
    Reader manifest = ResourceBytes(1, 24);
    std::string text(manifest.bytes ? (const char *)manifest.bytes : "", manifest.size);
    const char *const parts[] = {
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm</dpiAware>",
        "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2, "
        "PerMonitor</dpiAwareness>",
        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // 7
        "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>",  // 8
        "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>",  // 8.1
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // 10 and 11
        "</assembly>",
    };
    for (const char *part : parts) EXPECT_NE(text.find(part), std::string::npos) << part;
}

}  // namespace
