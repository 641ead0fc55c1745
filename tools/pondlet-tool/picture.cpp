// picture: a PNG made into the pictures the loader reads. At most 255
// opaque colours give an 8-bit palette BMP whose index 0 is the transparent
// key; more give a 24-bit BMP and a 1-bit mask beside it. The script lines
// that name them are printed to paste.
//
// The loader draws a pixel fully or not at all, so partly transparent
// pixels are refused unless --cut says where the line between the two lies.
// A palette key disappears by colour on 16- and 24-bit displays, which keep
// 5, 6 and 5 bits of red, green and blue: the key must differ from every
// opaque colour at that precision.
#include "tool.h"

#include "graphics/bmp.h"

#include <png.h>

#include <algorithm>
#include <cstdio>

namespace {

enum { kMaxPaletteColours = 255, kMaxFileNameUnits = 63, kMaxPictureSide = 4096 };
const COLORREF kDisplayBits = 0xF8FCF8;  // what a 16-bit display keeps of a colour
const COLORREF kMaskTable[2] = {0x000000, 0xFFFFFF};
// Keys tried in order when none is given: colours pictures rarely use.
const COLORREF kKeyCandidates[] = {0xFF00FF, 0x00FF00, 0xFFFF00, 0x00FFFF, 0xFF0080};

int ReadPng(const std::string &path, ScreenImage *image, std::string *error) {
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) {
        *error = "cannot read " + path + ": " + png.message;
        return 0;
    }
    png.format = PNG_FORMAT_RGBA;
    if (png.width > kMaxPictureSide || png.height > kMaxPictureSide) {
        png_image_free(&png);
        *error = path + ": more than 4096 pixels a side";
        return 0;
    }
    std::vector<png_byte> rgba(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, rgba.data(), 0, nullptr)) {
        *error = "cannot read " + path + ": " + png.message;
        return 0;
    }
    *image = BlankImage((int)png.width, (int)png.height, 0);
    image->alpha.resize(image->pixels.size());
    for (size_t i = 0; i < image->pixels.size(); i++) {
        const png_byte *p = &rgba[4 * i];
        image->pixels[i] = (COLORREF)(p[0] | p[1] << 8 | p[2] << 16);
        image->alpha[i] = p[3];
    }
    return 1;
}

std::string Hex(COLORREF c) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", (unsigned)(c & 0xFF),
                  (unsigned)(c >> 8 & 0xFF), (unsigned)(c >> 16 & 0xFF));
    return text;
}

std::string At(const ScreenImage &image, size_t i) {
    return "x=" + std::to_string(i % (size_t)image.width) +
           " y=" + std::to_string(i / (size_t)image.width);
}

// Partly transparent pixels: refused without a cut, else made opaque from
// the cut on and transparent below it. Returns 0 with the message for a refusal.
int SettleAlpha(ScreenImage *image, int cut, std::string *message) {
    size_t partial = 0, first = 0, opaque = 0;
    for (size_t i = 0; i < image->alpha.size(); i++) {
        uint8_t &a = image->alpha[i];
        if (a == 0 || a == 255) continue;
        if (partial++ == 0) first = i;
        if (cut >= 0) a = a >= cut ? 255 : 0;
        opaque += a == 255;
    }
    if (partial == 0) return 1;
    std::string count = std::to_string(partial) + " pixels are partly transparent (the first at " +
                        At(*image, first) + ")";
    if (cut < 0) {
        *message = count + "; Pondlet draws a pixel fully or not at all. Nothing was written: "
                           "--cut 128 makes those of alpha 128 and more opaque and the others "
                           "transparent";
        return 0;
    }
    *message = count + ": " + std::to_string(opaque) + " became opaque (alpha " +
               std::to_string(cut) + " or more, colour kept), " + std::to_string(partial - opaque) +
               " transparent";
    return 1;
}

std::vector<COLORREF> OpaqueColours(const ScreenImage &image) {
    std::vector<COLORREF> colours;
    for (size_t i = 0; i < image.pixels.size(); i++)
        if (image.alpha[i] == 255) colours.push_back(image.pixels[i]);
    std::sort(colours.begin(), colours.end());
    colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
    return colours;
}

bool HasTransparency(const ScreenImage &image) {
    return std::find(image.alpha.begin(), image.alpha.end(), 0) != image.alpha.end();
}

// The first opaque colour a display could not tell from key, or -1.
int64_t KeyClash(const std::vector<COLORREF> &colours, COLORREF key) {
    for (COLORREF c : colours)
        if ((c & kDisplayBits) == (key & kDisplayBits)) return c;
    return -1;
}

// A key no opaque colour clashes with: the given one, else the first free
// candidate, else the first free colour at display precision.
int ChooseKey(const std::vector<COLORREF> &colours, const PictureCommand &options, COLORREF *key,
              std::string *error) {
    if (options.keyGiven) {
        int64_t clash = KeyClash(colours, options.key);
        if (clash >= 0)
            *error = "the key " + Hex(options.key) + " looks like the picture's colour " +
                     Hex((COLORREF)clash) +
                     " on a 16-bit display, so both would disappear; choose another --key";
        *key = options.key;
        return clash < 0;
    }
    for (COLORREF candidate : kKeyCandidates)
        if (KeyClash(colours, candidate) < 0) {
            *key = candidate;
            return 1;
        }
    for (COLORREF candidate = 0;; candidate += 0x000008)
        if (KeyClash(colours, candidate) < 0) {
            *key = candidate;  // 255 colours leave most of the 65536 free
            return 1;
        }
}

std::string FileName(const std::string &path) {
    return std::filesystem::path(path).filename().string();
}

// Index 0 is the key; the opaque colours follow in order.
int WritePalettePicture(const PictureCommand &options, const ScreenImage &image,
                        const std::vector<COLORREF> &colours, COLORREF key, std::ostream &out) {
    std::vector<COLORREF> palette(256, 0);
    palette[0] = key;
    std::copy(colours.begin(), colours.end(), palette.begin() + 1);
    std::vector<uint32_t> values(image.pixels.size(), 0);
    for (size_t i = 0; i < values.size(); i++)
        if (image.alpha[i] == 255)
            values[i] =
                (uint32_t)(std::lower_bound(colours.begin(), colours.end(), image.pixels[i]) -
                           colours.begin() + 1);
    if (!WriteBmp(options.bmpFile, image.width, image.height, 8, palette, values)) return 0;
    bool keyed = HasTransparency(image);
    std::string name = FileName(options.bmpFile);
    out << "; " << name << ": 8-bit, " << colours.size()
        << (colours.size() == 1 ? " colour" : " colours")
        << (keyed ? "; index 0 (" + Hex(key) + ") is transparent" : "; no transparent pixel")
        << "\n";
    out << "G0," << name << ",0,0," << (keyed ? "0" : "-1") << "\n";
    return 1;
}

// The picture with its transparent pixels in the key colour, and a mask
// whose set bits are not drawn.
int WriteColourPicture(const PictureCommand &options, const ScreenImage &image, size_t colourCount,
                       std::ostream &out) {
    std::vector<uint32_t> colours(image.pixels.size()), bits(image.pixels.size());
    for (size_t i = 0; i < colours.size(); i++) {
        colours[i] = image.alpha[i] == 255 ? image.pixels[i] : options.key;
        bits[i] = image.alpha[i] == 255 ? 0 : 1;
    }
    if (!WriteBmp(options.bmpFile, image.width, image.height, 24, {}, colours)) return 0;
    std::string name = FileName(options.bmpFile);
    out << "; " << name << ": 24-bit, " << colourCount << " colours";
    if (!HasTransparency(image)) {
        out << "; no transparent pixel\nG0," << name << ",0,0,-1\n";
        return 1;
    }
    std::string mask = MaskFileName(options.bmpFile);
    std::vector<COLORREF> table(kMaskTable, kMaskTable + 2);
    if (!WriteBmp(mask, image.width, image.height, 1, table, bits)) return 0;
    out << "; its mask " << FileName(mask) << " cuts it out: draw it as 0:0 in the frames\n";
    out << "G0," << name << ",0,0,-1\nM0," << FileName(mask) << ",0,0\n";
    return 1;
}

// What the loader would refuse, said before anything is written.
int CheckSize(const PictureCommand &options, const ScreenImage &image, int depth,
              std::string *error) {
    if ((int64_t)image.width * depth / 8 > kRowBufferBytes)
        *error = "a " + std::to_string(depth) + "-bit row holds at most " +
                 std::to_string(kRowBufferBytes * 8 / depth) + " pixels; this one has " +
                 std::to_string(image.width);
    if (FileName(MaskFileName(options.bmpFile)).size() > kMaxFileNameUnits)
        *error = "a picture's file name may have at most 63 characters";
    return error->empty();
}

int TakeCut(PictureCommand *options, const std::string &value, std::string *) {
    int64_t cut = 0;
    options->cut = ParseDigits(value, &cut) && cut >= 1 && cut <= 255 ? (int)cut : -1;
    return options->cut > 0;
}

typedef PictureCommand P;
//  name     takes                           stored in
const OptionRule<PictureCommand> pictureOptions[] = {
    {"--key", "RRGGBB",
     [](P *o, OptionValue v, OptionError) -> int { return o->keyGiven = ParseColour(v, &o->key); }},
    {"--out", "FILE.bmp", TakeText<P, &P::bmpFile>},
    {"--cut", "an alpha value from 1 to 255", TakeCut},
};

}  // namespace

std::string MaskFileName(const std::string &bmpFile) {
    std::filesystem::path path(bmpFile);
    return (path.parent_path() / (path.stem().string() + "_m.bmp")).string();
}

int ParsePictureArguments(const std::vector<std::string> &args, PictureCommand *options,
                          std::string *error) {
    int ok = ParseCommandLine(args, pictureOptions, "picture needs FILE.png", options,
                              &options->pngFile, error);
    if (options->bmpFile.empty())
        options->bmpFile =
            std::filesystem::path(options->pngFile).replace_extension(".bmp").string();
    return ok;
}

int RunPicture(const PictureCommand &options, std::ostream &out, std::ostream &errors) {
    ScreenImage image;
    std::string message;
    if (!ReadPng(options.pngFile, &image, &message) ||
        !SettleAlpha(&image, options.cut, &message)) {
        errors << "pondlet-tool: " << options.pngFile << ": " << message << "\n";
        return kExitFailed;
    }
    if (!message.empty()) errors << "pondlet-tool: " << options.pngFile << ": " << message << "\n";
    std::vector<COLORREF> colours = OpaqueColours(image);
    bool palette = colours.size() <= kMaxPaletteColours;
    COLORREF key = options.key;
    std::string error;
    int ok = CheckSize(options, image, palette ? 8 : 24, &error) &&
             (!palette || !HasTransparency(image) || ChooseKey(colours, options, &key, &error));
    if (ok)
        ok = palette ? WritePalettePicture(options, image, colours, key, out)
                     : WriteColourPicture(options, image, colours.size(), out);
    if (!ok && error.empty()) error = "cannot write " + options.bmpFile;
    if (!ok) errors << "pondlet-tool: " << options.pngFile << ": " << error << "\n";
    return ok ? kExitOk : kExitFailed;
}
