// Fonts and text of the simulated device: CreateFontIndirectW and DrawTextW,
// rendered with FreeType in monochrome so that every pixel comes out exactly
// black or exactly white, as the program relies on when it picks glyph
// pixels out of a black-on-white scratch rendering.
//
// A logical font becomes a FontFace: fontconfig finds the file for the face
// name (fonts.conf beside this file adds the aliases skins need; an unknown
// or empty name gets the default sans face), and the requested height is
// turned into a pixel size the way the real platform reads lfHeight: > 0 is
// the character cell (ascent + descent), < 0 the em height, 0 a default cell
// of 12 pixels. Each file is opened once (a FontSource); each FontFace is one
// size of it. A character the face lacks is taken, glyph by glyph, from the
// first face of fontconfig's sorted fallback list whose character set holds
// it, as the platform's font linking does; the rendered glyph is cached in
// the face it was asked of, so fontconfig is asked once per character. When
// no font file can be loaded at all a plain built-in box font keeps text
// measurable and visible.
//
// Every cache has a fixed ceiling, since skins name any face and any size.
#include "drawing.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <strings.h>
#include <unordered_map>
#include <vector>

struct FontGlyph {
    int left = 0, top = 0, width = 0, rows = 0, advance = 0;
    std::vector<uint8_t> ink;  // width x rows, 1 where the glyph is black
};

struct FontFace {
    FT_Face face = nullptr;  // null: the built-in box font; owned by its FontSource
    FT_Size size = nullptr;  // this face's size of it
    LONG lfHeight = 0;
    int ascent = 0, lineHeight = 0;
    std::unordered_map<char32_t, FontGlyph> glyphs;
};

namespace {

const char *const DefaultFamily = "DejaVu Sans";
const char *const DefaultFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const int DefaultCellHeight = 12;

// Ceilings of the caches. Files are few (what fontconfig knows); names and
// sizes come from skins. Beyond MaxFaces a request gets the box font.
const size_t MaxNames = 64;
const size_t MaxSources = 64;
const size_t MaxFaces = 1024;
const size_t GlyphBudget = size_t(8) << 20;  // bytes of cached glyphs, all faces together
const size_t GlyphOverhead = 64;             // what one cached glyph costs besides its ink

struct FontFile {
    std::string path;  // empty: none found
    int index = 0;
};

struct FontCache {
    FT_Library library = nullptr;
    bool fontconfigReady = false;
    FcFontSet *fallbacks = nullptr;  // fontconfig's sorted list, made on first need
    bool fallbacksAsked = false;
    std::map<std::string, FontFile> files;                   // by face name
    std::map<std::string, FT_Face> sources;                  // by file and index; null: unloadable
    std::map<std::string, std::unique_ptr<FontFace>> faces;  // by file, index and lfHeight
    std::unique_ptr<FontFace> overflow;                      // the box font past MaxFaces
    size_t glyphBytes = 0;
};
FontCache cache;

std::string Utf8FaceName(const WCHAR *name) {
    std::string out;
    for (int i = 0; i < LF_FACESIZE && name[i]; i++) {
        char32_t c = name[i];
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {  // surrogate halves are kept as they are; face names are BMP text
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// fontconfig with the system's setup plus our aliases. A missing alias file
// only loses the aliases.
bool FontconfigReady() {
    if (cache.fontconfigReady) return true;
    if (!FcInit()) return false;
#ifdef PONDLET_FONTS_CONF
    FcConfigParseAndLoad(FcConfigGetCurrent(),
                         reinterpret_cast<const FcChar8 *>(PONDLET_FONTS_CONF), FcFalse);
#endif
    cache.fontconfigReady = true;
    return true;
}

// Where family stands in the asked pattern's family list (after
// substitution), or -1.
int FamilyPosition(FcPattern *asked, const char *family) {
    FcChar8 *candidate = nullptr;
    for (int i = 0; FcPatternGetString(asked, FC_FAMILY, i, &candidate) == FcResultMatch; i++)
        if (strcasecmp(reinterpret_cast<const char *>(candidate), family) == 0) return i;
    return -1;
}

// The match counts when one of its family names is the asked name or one
// the configuration put before it (an alias); families appended after it
// are only the generic defaults, which the device's own default replaces.
bool FamilyMatches(FcPattern *match, FcPattern *asked, const std::string &name) {
    int namePosition = FamilyPosition(asked, name.c_str());
    FcChar8 *family = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; i++) {
        int position = FamilyPosition(asked, reinterpret_cast<const char *>(family));
        if (position >= 0 && position <= namePosition) return true;
    }
    return false;
}

// The file fontconfig has for this family or its alias, or an empty path.
FontFile MatchFamily(const std::string &name) {
    FontFile file;
    if (!FontconfigReady() || name.empty()) return file;
    FcPattern *pattern = FcPatternCreate();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8 *>(name.c_str()));
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern *match = FcFontMatch(nullptr, pattern, &result);
    FcChar8 *path = nullptr;
    if (match && FamilyMatches(match, pattern, name) &&
        FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
        file.path = reinterpret_cast<const char *>(path);
        FcPatternGetInteger(match, FC_INDEX, 0, &file.index);
    }
    if (match) FcPatternDestroy(match);
    FcPatternDestroy(pattern);
    return file;
}

FontFile DefaultFontFile() {
    FontFile file = MatchFamily(DefaultFamily);
    if (file.path.empty()) file.path = DefaultFile;
    return file;
}

// Names are remembered up to MaxNames; then the memory starts over, since a
// skin can name any number of faces.
FontFile FindFontFile(const std::string &name) {
    auto known = cache.files.find(name);
    if (known != cache.files.end()) return known->second;
    FontFile file = MatchFamily(name);
    if (file.path.empty()) file = DefaultFontFile();
    if (cache.files.size() >= MaxNames) cache.files.clear();
    cache.files[name] = file;
    return file;
}

// Cell-height units of the face: the ascent and descent the platform's font
// mapper uses for the character cell.
void CellUnits(FT_Face face, double *ascent, double *descent) {
    const TT_OS2 *os2 = static_cast<const TT_OS2 *>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        *ascent = os2->usWinAscent;
        *descent = os2->usWinDescent;
    } else {
        *ascent = face->ascender;
        *descent = -face->descender;
    }
    if (*ascent + *descent <= 0) {
        *ascent = face->units_per_EM * 0.8;
        *descent = face->units_per_EM * 0.2;
    }
}

// Sizes the face's own FT_Size for lfHeight and fills in the line metrics.
bool SizeFace(FontFace &font, LONG lfHeight) {
    FT_Face face = font.face;
    double ascentUnits, descentUnits;
    CellUnits(face, &ascentUnits, &descentUnits);
    double cellUnits = ascentUnits + descentUnits;
    double scale;  // pixels per font unit
    if (lfHeight < 0)
        scale = -double(lfHeight) / face->units_per_EM;
    else
        scale = double(lfHeight > 0 ? lfHeight : DefaultCellHeight) / cellUnits;
    double ppem = scale * face->units_per_EM;
    if (FT_New_Size(face, &font.size) != 0) return false;
    if (FT_Activate_Size(font.size) != 0 ||
        FT_Set_Char_Size(face, 0, FT_F26Dot6(std::lround(ppem * 64)), 72, 72) != 0) {
        FT_Done_Size(font.size);
        font.size = nullptr;
        return false;
    }
    font.ascent = int(std::lround(ascentUnits * scale));
    font.lineHeight = lfHeight > 0    ? int(lfHeight)
                      : lfHeight == 0 ? DefaultCellHeight
                                      : int(std::lround(cellUnits * scale));
    font.lineHeight = std::max(font.lineHeight, 1);
    font.ascent = std::clamp(font.ascent, 0, font.lineHeight);
    return true;
}

// The box font used when FreeType has nothing to offer.
std::unique_ptr<FontFace> BuiltInFace(LONG lfHeight) {
    auto font = std::make_unique<FontFace>();
    int cell = lfHeight > 0   ? int(lfHeight)
               : lfHeight < 0 ? int(-int64_t(lfHeight) * 6 / 5)
                              : DefaultCellHeight;
    font->lfHeight = lfHeight;
    font->lineHeight = std::max(cell, 1);
    font->ascent = font->lineHeight * 4 / 5;
    return font;
}

// The opened file, shared by every size of it; null when FreeType cannot use
// it, or when MaxSources files are open already.
FT_Face SourceFor(const FontFile &file) {
    std::string key = file.path + "#" + std::to_string(file.index);
    auto known = cache.sources.find(key);
    if (known != cache.sources.end()) return known->second;
    if (cache.sources.size() >= MaxSources) return nullptr;
    if (!cache.library && FT_Init_FreeType(&cache.library) != 0) cache.library = nullptr;
    FT_Face face = nullptr;
    if (!cache.library || FT_New_Face(cache.library, file.path.c_str(), file.index, &face) != 0)
        face = nullptr;
    if (face && !FT_IS_SCALABLE(face)) {
        FT_Done_Face(face);
        face = nullptr;
    }
    cache.sources[key] = face;
    return face;
}

std::unique_ptr<FontFace> LoadFace(const FontFile &file, LONG lfHeight) {
    auto font = std::make_unique<FontFace>();
    font->face = SourceFor(file);
    font->lfHeight = lfHeight;
    if (!font->face || !SizeFace(*font, lfHeight)) return BuiltInFace(lfHeight);
    return font;
}

FontFace *FaceFor(const FontFile &file, LONG lfHeight) {
    std::string key = file.path + "#" + std::to_string(file.index) + "@" + std::to_string(lfHeight);
    auto known = cache.faces.find(key);
    if (known != cache.faces.end()) return known->second.get();
    if (cache.faces.size() >= MaxFaces) {
        if (!cache.overflow) cache.overflow = BuiltInFace(0);
        return cache.overflow.get();
    }
    std::unique_ptr<FontFace> font = LoadFace(file, lfHeight);
    FontFace *result = font.get();
    cache.faces[key] = std::move(font);
    return result;
}

// Heights beyond any real font are held to this so a hostile LOGFONT cannot
// ask FreeType for gigantic bitmaps.
const LONG MaxHeight = 2048;

LONG SaneHeight(LONG lfHeight) { return std::clamp<LONG>(lfHeight, -MaxHeight, MaxHeight); }

// ---- fallback faces ---------------------------------------------------------------

// fontconfig's list of faces for sans-serif text, best first, each with the
// characters it holds. Asked once; null when fontconfig has none.
FcFontSet *FallbackFonts() {
    if (cache.fallbacksAsked) return cache.fallbacks;
    cache.fallbacksAsked = true;
    if (!FontconfigReady()) return nullptr;
    FcPattern *pattern = FcNameParse(reinterpret_cast<const FcChar8 *>("sans-serif:scalable=true"));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    cache.fallbacks = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
    FcPatternDestroy(pattern);
    return cache.fallbacks;
}

// The first fallback file whose character set holds c; false when none does.
bool FallbackFileFor(char32_t c, FontFile *file) {
    FcFontSet *fonts = FallbackFonts();
    for (int i = 0; fonts && i < fonts->nfont; i++) {
        FcCharSet *chars = nullptr;
        FcChar8 *path = nullptr;
        if (FcPatternGetCharSet(fonts->fonts[i], FC_CHARSET, 0, &chars) != FcResultMatch ||
            !FcCharSetHasChar(chars, FcChar32(c)) ||
            FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &path) != FcResultMatch)
            continue;
        file->path = reinterpret_cast<const char *>(path);
        file->index = 0;
        FcPatternGetInteger(fonts->fonts[i], FC_INDEX, 0, &file->index);
        return true;
    }
    return false;
}

// The face, at font's height, that draws c: font itself when it holds c (or
// nothing else does), else the first fallback that holds it.
FontFace &FaceDrawing(FontFace &font, char32_t c) {
    if (FT_Get_Char_Index(font.face, FT_ULong(c)) != 0) return font;
    FontFile file;
    if (!FallbackFileFor(c, &file)) return font;
    FontFace *fallback = FaceFor(file, font.lfHeight);
    if (!fallback->face || FT_Get_Char_Index(fallback->face, FT_ULong(c)) == 0) return font;
    return *fallback;
}

// ---- glyphs --------------------------------------------------------------------

void CopyInk(FontGlyph &glyph, const FT_Bitmap &bitmap) {
    glyph.width = int(bitmap.width);
    glyph.rows = int(bitmap.rows);
    glyph.ink.assign(size_t(glyph.width) * glyph.rows, 0);
    for (int y = 0; y < glyph.rows; y++) {
        const uint8_t *row = bitmap.buffer + ptrdiff_t(y) * bitmap.pitch;
        for (int x = 0; x < glyph.width; x++) {
            bool black = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                             ? (row[x >> 3] >> (7 - (x & 7))) & 1
                             : row[x] >= 128;
            glyph.ink[size_t(y) * glyph.width + x] = black;
        }
    }
}

FontGlyph BoxGlyph(const FontFace &font, char32_t c) {
    FontGlyph glyph;
    glyph.advance = std::max(font.lineHeight / 2, 1);
    if (c == U' ') return glyph;
    glyph.left = glyph.advance > 2 ? 1 : 0;
    glyph.width = std::max(glyph.advance - 2 * glyph.left, 1);
    glyph.top = std::max(font.ascent - 1, 1);
    glyph.rows = glyph.top;
    glyph.ink.assign(size_t(glyph.width) * glyph.rows, 1);
    return glyph;
}

// Faces of one file share its FT_Face, so each rendering first makes this
// face's size the active one.
FontGlyph RenderGlyph(FontFace &font, char32_t c) {
    FontGlyph glyph;
    FT_Int32 flags = FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | FT_LOAD_MONOCHROME;
    if (FT_Activate_Size(font.size) != 0 || FT_Load_Char(font.face, c, flags) != 0) return glyph;
    FT_GlyphSlot slot = font.face->glyph;
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.advance = int((slot->advance.x + 32) >> 6);
    CopyInk(glyph, slot->bitmap);
    return glyph;
}

size_t GlyphCost(const FontGlyph &glyph) { return glyph.ink.size() + GlyphOverhead; }

// Past the budget every face forgets its glyphs; they are rendered again on
// demand. A reference from GlyphFor is good until the next call.
void MakeRoomFor(size_t cost) {
    if (cache.glyphBytes + cost <= GlyphBudget) return;
    for (auto &entry : cache.faces) entry.second->glyphs.clear();
    if (cache.overflow) cache.overflow->glyphs.clear();
    cache.glyphBytes = 0;
}

const FontGlyph &GlyphFor(FontFace &font, char32_t c) {
    auto known = font.glyphs.find(c);
    if (known != font.glyphs.end()) return known->second;
    FontGlyph glyph = font.face ? RenderGlyph(FaceDrawing(font, c), c) : BoxGlyph(font, c);
    MakeRoomFor(GlyphCost(glyph));
    cache.glyphBytes += GlyphCost(glyph);
    return font.glyphs.emplace(c, std::move(glyph)).first->second;
}

// ---- laying out the text ---------------------------------------------------------

struct TextLine {
    std::u32string chars;
    int underline = -1;  // index of the character after a '&' prefix, or -1
    int width = 0;
};

bool IsBreak(WCHAR c) { return c == u'\r' || c == u'\n'; }

char32_t NextCodePoint(const WCHAR *text, int length, int *i) {
    char32_t c = text[(*i)++];
    if (c >= 0xD800 && c < 0xDC00 && *i < length && text[*i] >= 0xDC00 && text[*i] < 0xE000)
        c = 0x10000 + ((c - 0xD800) << 10) + (text[(*i)++] - 0xDC00);
    return c;
}

// Lines broken at CR, LF and CR LF (a break at the very end starts no new
// line); with prefix processing '&' marks the next character for underlining
// and "&&" stands for one '&'; a '&' with nothing after it on its line shows.
std::vector<TextLine> SplitLines(const WCHAR *text, int length, bool prefixes) {
    std::vector<TextLine> lines;
    if (length <= 0) return lines;
    lines.emplace_back();
    for (int i = 0; i < length;) {
        if (IsBreak(text[i])) {
            bool crlf = text[i] == u'\r' && i + 1 < length && text[i + 1] == u'\n';
            i += crlf ? 2 : 1;
            if (i < length) lines.emplace_back();
            continue;
        }
        bool prefix = prefixes && text[i] == u'&' && i + 1 < length && !IsBreak(text[i + 1]);
        if (prefix) {
            i++;
            if (text[i] != u'&') lines.back().underline = int(lines.back().chars.size());
        }
        lines.back().chars += NextCodePoint(text, length, &i);
    }
    return lines;
}

void MeasureLines(FontFace &font, std::vector<TextLine> &lines) {
    for (TextLine &line : lines) {
        line.width = 0;
        for (char32_t c : line.chars) line.width += GlyphFor(font, c).advance;
    }
}

// ---- drawing -----------------------------------------------------------------------

struct ClipBox {
    int64_t left, top, right, bottom;  // right and bottom exclusive

    bool Holds(int64_t x, int64_t y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
};

ClipBox ClipOf(const RECT &rect, const DrawSurface &surface) {
    return ClipBox{std::max<int64_t>(rect.left, 0), std::max<int64_t>(rect.top, 0),
                   std::min<int64_t>(rect.right, surface.width),
                   std::min<int64_t>(rect.bottom, surface.height)};
}

void FillBox(const DrawSurface &surface, const ClipBox &clip, int64_t left, int64_t top,
             int64_t right, int64_t bottom, COLORREF colour) {
    for (int64_t y = std::max(top, clip.top); y < std::min(bottom, clip.bottom); y++)
        for (int64_t x = std::max(left, clip.left); x < std::min(right, clip.right); x++)
            SurfaceWrite(surface, int(x), int(y), colour);
}

void DrawGlyph(const DrawSurface &surface, const ClipBox &clip, const FontGlyph &glyph,
               int64_t penX, int64_t baseline) {
    for (int y = 0; y < glyph.rows; y++)
        for (int x = 0; x < glyph.width; x++) {
            int64_t px = penX + glyph.left + x, py = baseline - glyph.top + y;
            if (glyph.ink[size_t(y) * glyph.width + x] && clip.Holds(px, py))
                SurfaceWrite(surface, int(px), int(py), RGB(0, 0, 0));
        }
}

// One line: the white box over its extent, then the glyphs in black.
void DrawLine(const DrawSurface &surface, const ClipBox &clip, FontFace &font, const TextLine &line,
              int64_t left, int64_t top) {
    FillBox(surface, clip, left, top, left + line.width, top + font.lineHeight, RGB(255, 255, 255));
    int64_t pen = left, baseline = top + font.ascent;
    for (size_t i = 0; i < line.chars.size(); i++) {
        const FontGlyph &glyph = GlyphFor(font, line.chars[i]);
        DrawGlyph(surface, clip, glyph, pen, baseline);
        if (int(i) == line.underline)
            FillBox(surface, clip, pen, baseline + 1, pen + glyph.advance, baseline + 2,
                    RGB(0, 0, 0));
        pen += glyph.advance;
    }
}

int TextLength(LPCWSTR text, int length) {
    if (length >= 0) return length;
    int n = 0;
    while (text[n]) n++;
    return n;
}

}  // namespace

FontFace *ResolveFontFace(const LOGFONTW &font) {
    return FaceFor(FindFontFile(Utf8FaceName(font.lfFaceName)), SaneHeight(font.lfHeight));
}

FontFace *DefaultFontFace() { return FaceFor(FindFontFile(""), 0); }

DeviceFontCacheUse DeviceFontCache() {
    return {cache.files.size(), cache.sources.size(), cache.faces.size(), cache.glyphBytes};
}

HFONT CreateFontIndirectW(const LOGFONTW *font) {
    if (!font || TakeQueuedFailure("CreateFontIndirectW")) {
        DeviceSetLastError(font ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return NewFontObject(*font, ResolveFontFace(*font));
}

// DT_CALCRECT only measures: right becomes left + the widest line, bottom
// top + the lines' height. Otherwise the text is drawn top-left aligned,
// black on an opaque white box per line, clipped to the rectangle. Returns
// the text's height. Alignment, word wrap and tab flags are not supported.
int DrawTextW(HDC dc, LPCWSTR text, int length, LPRECT rect, UINT format) {
    DrawSurface surface;
    if (!text || !rect || !SurfaceOfDC(dc, &surface)) return 0;
    FontFace &font = *SelectedFontFace(dc);
    std::vector<TextLine> lines =
        SplitLines(text, TextLength(text, length), !(format & DT_NOPREFIX));
    MeasureLines(font, lines);
    // Empty text still answers one line's height, as the platform does, but
    // measures no extent.
    int height = int(
        std::min<int64_t>(int64_t(std::max<size_t>(lines.size(), 1)) * font.lineHeight, INT32_MAX));
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const TextLine &line : lines) widest = std::max(widest, line.width);
        rect->right = LONG(int64_t(rect->left) + widest);
        rect->bottom = LONG(int64_t(rect->top) + int64_t(lines.size()) * font.lineHeight);
        return height;
    }
    ClipBox clip = ClipOf(*rect, surface);
    for (size_t i = 0; i < lines.size(); i++)
        DrawLine(surface, clip, font, lines[i], rect->left,
                 int64_t(rect->top) + int64_t(i) * font.lineHeight);
    return height;
}

#if defined(__SANITIZE_ADDRESS__)
// fontconfig keeps a few bytes from parsing its configuration files that it
// never frees; sanitised runs should not report the library's own leak.
extern "C" const char *__lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif
