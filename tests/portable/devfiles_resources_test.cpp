// The compiled resources, read back through FindResourceW and LockResource
// and rendered as text: every field of the three dialog templates, the icon
// group and the version record. On Windows the resources are the
// executable's own; on the device the embedded copy of the same script.
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Little-endian reads; a read past the end gives 0 and leaves `at` past `size`.
struct Reader {
    const unsigned char *bytes;
    size_t size, at;

    WORD Word() {
        if (at + 2 > size) return at = size + 1, 0;
        return at += 2, (WORD)(bytes[at - 2] | bytes[at - 1] << 8);
    }
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
    // A text, or "#<n>" for an ordinal (0xFFFF n).
    std::string TextOrOrdinal() {
        if (at + 2 > size || bytes[at] != 0xFF || bytes[at + 1] != 0xFF) return Text();
        Word();
        std::string ordinal = "#";  // not "#" + ..., which GCC 12 warns about wrongly
        return ordinal += std::to_string(Word());
    }
};

Reader ResourceBytes(int id, int type) {
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    if (!found) return {nullptr, 0, 0};
    return {(const unsigned char *)LockResource(LoadResource(nullptr, found)), SizeofResource(nullptr, found), 0};
}

// One line for the dialog (style, extended style, place and size, menu,
// class, caption, points, font), then one per control (id, class, text,
// place and size, style, extended style).
std::string RenderDialog(Reader r) {
    char line[400];
    auto box = [&r] {
        short x = (short)r.Word(), y = (short)r.Word(), cx = (short)r.Word(), cy = (short)r.Word();
        return std::to_string(x) + "," + std::to_string(y) + " " + std::to_string(cx) + "x" + std::to_string(cy);
    };
    DWORD style = r.Dword(), exStyle = r.Dword();
    WORD count = r.Word();
    std::string place = box(), menu = r.TextOrOrdinal(), cls = r.TextOrOrdinal(), caption = r.Text();
    WORD points = r.Word();
    snprintf(line, sizeof line, "%08X %X %s '%s' '%s' \"%s\" %u \"%s\"\n", (unsigned)style, (unsigned)exStyle,
             place.c_str(), menu.c_str(), cls.c_str(), caption.c_str(), points, r.Text().c_str());
    std::string text = line;
    for (WORD i = 0; i < count; i++) {
        r.Align4();
        style = r.Dword(), exStyle = r.Dword(), place = box();
        int id = (short)r.Word();
        cls = r.TextOrOrdinal(), caption = r.TextOrOrdinal();
        r.at += r.Word();  // creation data
        snprintf(line, sizeof line, "%d %s \"%s\" %s %08X %X\n", id, cls.c_str(), caption.c_str(), place.c_str(),
                 (unsigned)style, (unsigned)exStyle);
        text += line;
    }
    return r.at <= r.size ? text : text + "<past the end>\n";
}

// Classes are the system's ordinals: 128 button, 130 static, 131 list box,
// 133 combo box.
struct {
    int id;
    const char *text;
} const kDialogs[] = {
    {125, "90C80AC0 0 0,0 43x107 '' '' \"Pondlet\" 9 \"System\"\n"
          "1067 #128 \"U\" 2,2 13x11 50010000 0\n"
          "1069 #128 \"D\" 2,14 13x11 50010000 0\n"
          "1068 #128 \"L\" 2,26 13x11 50010000 0\n"
          "1063 #128 \"R\" 2,38 13x11 50010000 0\n"
          "1062 #128 \"Ux10\" 19,2 21x11 50010000 0\n"
          "1065 #128 \"Dx10\" 19,14 21x11 50010000 0\n"
          "1064 #128 \"Lx10\" 19,26 21x11 50010000 0\n"
          "1066 #128 \"Rx10\" 19,38 21x11 50010000 0\n"
          "1061 #133 \"\" 2,54 38x62 50210003 0\n"
          "1058 #128 \"Hide\" 6,70 27x9 50010000 0\n"
          "1056 #128 \"About\" 6,84 27x9 50010000 0\n"
          "1057 #128 \"Quit\" 6,95 27x9 50010000 0\n"},
    // The font is the Japanese proportional Gothic face, in full-width letters.
    {105, "80C808C0 0 0,0 123x85 '' '' \"Version Info\" 9 "
          "\"\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF\"\n"
          "1 #128 \"OK\" 36,64 50x14 50010001 0\n"
          "-1 #130 \"Pondlet\" 43,14 75x10 50020000 0\n"
          "-1 #130 \"A small friend from the pond\" 12,41 106x10 50020000 0\n"
          "-1 #130 \"Version 1.4\" 50,25 59x10 50020000 0\n"
          "-1 #130 \"#106\" 10,10 20x20 50000003 0\n"
          "-1 #130 \"(c) 2026 The Pondlet team\" 10,51 106x10 50020002 0\n"},
    {126, "80C80AC0 0 0,0 119x106 '' '' \"Select\" 9 \"System\"\n"
          "1060 #131 \"\" 7,7 105x92 50A10101 0\n"},
};

TEST(Resources, DialogTemplates) {
    for (const auto &want : kDialogs) {
        Reader bytes = ResourceBytes(want.id, 5);
        ASSERT_NE(bytes.bytes, nullptr) << "dialog " << want.id;
        EXPECT_EQ(RenderDialog(bytes), want.text) << "dialog " << want.id;
    }
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(127), MAKEINTRESOURCEW(5)), nullptr);
}

// Group 106 holds icons 1 (16x16) and 2 (32x32), each of the size it gives.
TEST(Resources, IconGroup) {
    Reader group = ResourceBytes(106, 14);
    ASSERT_NE(group.bytes, nullptr);
    WORD reserved = group.Word(), type = group.Word(), count = group.Word();
    std::string text = std::to_string(reserved) + " " + std::to_string(type);
    for (WORD i = 0; i < count && group.at + 14 <= group.size; group.at += 14, i++) {
        const unsigned char *entry = group.bytes + group.at;  // width, height, ..., bytes (4), id (2)
        DWORD bytesInRes = entry[8] | entry[9] << 8 | entry[10] << 16 | (DWORD)entry[11] << 24;
        int id = entry[12] | entry[13] << 8;
        Reader icon = ResourceBytes(id, 3);
        text += " | " + std::to_string(id) + ": " + std::to_string(entry[0]) + "x" + std::to_string(entry[1]) +
                (icon.bytes && icon.size == bytesInRes ? "" : " size differs");
    }
    EXPECT_EQ(text, "0 1 | 1: 16x16 | 2: 32x32");
    EXPECT_NE(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(106), IMAGE_ICON, 16, 16, 0), nullptr);
    EXPECT_EQ(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(107), IMAGE_ICON, 16, 16, 0), nullptr);
}

// Walks a version block (length, value length, type, key, value, children):
// one line "path=value" per block with a value, texts as text, other values
// as 32-bit words.
void RenderVersion(Reader r, const std::string &path, std::string &out) {
    size_t start = r.at, length = r.Word(), end = start + length < r.size ? start + length : r.size;
    WORD valueLength = r.Word(), type = r.Word();
    std::string key = path + r.Text(), value;
    r.Align4();
    size_t valueBytes = type == 1 ? valueLength * 2u : valueLength;
    char word[12];
    for (Reader v = r; type != 1 && v.at + 4 <= r.at + valueBytes; value += word)
        snprintf(word, sizeof word, " %08X", (unsigned)v.Dword());
    if (type == 1 && valueLength) value = Reader(r).Text();
    if (!value.empty()) out += key + "=" + value + "\n";
    r.at += valueBytes;
    for (r.Align4(); r.at + 6 <= end; r.Align4()) {
        size_t childLength = (size_t)(r.bytes[r.at] | r.bytes[r.at + 1] << 8);
        if (childLength == 0) break;
        RenderVersion({r.bytes, end, r.at}, key + "/", out);
        r.at += childLength;
    }
}

TEST(Resources, VersionRecord) {
    Reader record = ResourceBytes(1, 16);
    ASSERT_NE(record.bytes, nullptr);
    std::string text;
    RenderVersion(record, "", text);
    // The fixed record: signature, structure version, file version 1.0.0.1,
    // product version 1.4.0.0, flags mask and flags, system, type, subtype, date.
    EXPECT_EQ(text, "VS_VERSION_INFO= FEEF04BD 00010000 00010000 00000001 00010004 00000000 0000003F 00000000 "
                    "00040004 00000001 00000000 00000000 00000000\n"
                    "VS_VERSION_INFO/StringFileInfo/041104B0/FileDescription=Pondlet desktop mascot\n"
                    "VS_VERSION_INFO/StringFileInfo/041104B0/FileVersion=1, 0, 0, 1\n"
                    "VS_VERSION_INFO/StringFileInfo/041104B0/InternalName=Pondlet\n"
                    "VS_VERSION_INFO/StringFileInfo/041104B0/ProductName=Pondlet\n"
                    "VS_VERSION_INFO/StringFileInfo/041104B0/ProductVersion=1.4\n"
                    "VS_VERSION_INFO/VarFileInfo/Translation= 04B00411\n");  // 0x411, code page 1200
}

}  // namespace
