// Raster helpers and the BMP writer for the skin generator.
#include "canvas.h"

#include <math.h>
#include <stdio.h>

Canvas MakeCanvas(int width, int height, uint32_t fill) {
    Canvas canvas{width, height, {}};
    canvas.pixels.assign(static_cast<size_t>(width) * height, fill);
    return canvas;
}

uint32_t CanvasAt(const Canvas &canvas, int x, int y) {
    return canvas.pixels[static_cast<size_t>(y) * canvas.width + x];
}

void CanvasSet(Canvas &canvas, int x, int y, uint32_t value) {
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) return;
    canvas.pixels[static_cast<size_t>(y) * canvas.width + x] = value;
}

bool InEllipse(double px, double py, double cx, double cy, double rx, double ry) {
    double dx = (px - cx) / rx, dy = (py - cy) / ry;
    return dx * dx + dy * dy <= 1.0;
}

bool InCircle(double px, double py, double cx, double cy, double r) {
    return InEllipse(px, py, cx, cy, r, r);
}

double DistanceToSegment(double px, double py, double ax, double ay, double bx, double by) {
    double vx = bx - ax, vy = by - ay;
    double t = ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    double dx = px - (ax + t * vx), dy = py - (ay + t * vy);
    return sqrt(dx * dx + dy * dy);
}

bool InRoundRect(double px, double py, double left, double top, double right, double bottom,
                 double radius) {
    if (px < left || px > right || py < top || py > bottom) return false;
    double cx = px < left + radius ? left + radius : (px > right - radius ? right - radius : px);
    double cy = py < top + radius ? top + radius : (py > bottom - radius ? bottom - radius : py);
    return InCircle(px, py, cx, cy, radius);
}

static double Cross(double ax, double ay, double bx, double by, double px, double py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

bool InTriangle(double px, double py, double ax, double ay, double bx, double by, double cx,
                double cy) {
    double d1 = Cross(ax, ay, bx, by, px, py);
    double d2 = Cross(bx, by, cx, cy, px, py);
    double d3 = Cross(cx, cy, ax, ay, px, py);
    bool negative = d1 < 0 || d2 < 0 || d3<0, positive = d1> 0 || d2 > 0 || d3 > 0;
    return !(negative && positive);
}

static bool TouchesBackground(const Canvas &canvas, int x, int y, uint32_t background) {
    static const int kSides[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
    for (const auto &side : kSides) {
        int nx = x + side[0], ny = y + side[1];
        if (nx < 0 || ny < 0 || nx >= canvas.width || ny >= canvas.height) return true;
        if (CanvasAt(canvas, nx, ny) == background) return true;
    }
    return false;
}

void OutlineShape(Canvas &canvas, uint32_t background, uint32_t outline) {
    Canvas before = canvas;
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x)
            if (CanvasAt(before, x, y) != background && TouchesBackground(before, x, y, background))
                CanvasSet(canvas, x, y, outline);
}

static void PutLe(std::string &out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

static void PutRow(std::string &out, const Canvas &canvas, int y, int depth, int rowBytes) {
    std::string row(static_cast<size_t>(rowBytes), '\0');
    for (int x = 0; x < canvas.width; ++x) {
        uint32_t v = CanvasAt(canvas, x, y);
        if (depth == 24) {
            row[3 * x] = static_cast<char>(v & 0xFF);
            row[3 * x + 1] = static_cast<char>((v >> 8) & 0xFF);
            row[3 * x + 2] = static_cast<char>((v >> 16) & 0xFF);
        } else {
            int perByte = 8 / depth, shift = 8 - depth * (x % perByte + 1);
            row[x / perByte] =
                static_cast<char>(row[x / perByte] | ((v & ((1u << depth) - 1)) << shift));
        }
    }
    out += row;
}

int WriteBmp(const std::string &path, const Canvas &canvas, int depth,
             const std::vector<Rgb> &palette) {
    int entries = depth <= 8 ? 1 << depth : 0;
    int rowBytes = ((canvas.width * depth + 31) / 32) * 4;
    uint32_t offBits = 14 + 40 + 4 * entries;
    uint32_t imageBytes = static_cast<uint32_t>(rowBytes) * canvas.height;
    // The loader reads packed rows when the file is exactly 1008 bytes larger
    // than unpadded data would be; a picture must never land on that size.
    if (imageBytes - static_cast<uint32_t>(depth) * canvas.height * canvas.width / 8 == 1008) {
        fprintf(stderr, "%s: size collides with the packed-row rule\n", path.c_str());
        return 0;
    }
    std::string out = "BM";
    PutLe(out, offBits + imageBytes, 4);  // bfSize
    PutLe(out, 0, 4);                     // reserved
    PutLe(out, offBits, 4);               // bfOffBits
    PutLe(out, 40, 4);                    // biSize
    PutLe(out, static_cast<uint32_t>(canvas.width), 4);
    PutLe(out, static_cast<uint32_t>(canvas.height), 4);
    PutLe(out, 1, 2);  // biPlanes
    PutLe(out, static_cast<uint32_t>(depth), 2);
    PutLe(out, 0, 4);           // biCompression: BI_RGB
    PutLe(out, imageBytes, 4);  // biSizeImage
    PutLe(out, 2835, 4);        // 72 dpi, both ways
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);  // biClrUsed: all 2^depth
    PutLe(out, 0, 4);  // biClrImportant
    for (int i = 0; i < entries; ++i) {
        Rgb c = i < static_cast<int>(palette.size()) ? palette[i] : Rgb{0, 0, 0};
        out.push_back(static_cast<char>(c.b));
        out.push_back(static_cast<char>(c.g));
        out.push_back(static_cast<char>(c.r));
        out.push_back('\0');
    }
    for (int y = canvas.height - 1; y >= 0; --y) PutRow(out, canvas, y, depth, rowBytes);
    return WriteBytes(path, out);
}

int WriteBytes(const std::string &path, const std::string &bytes) {
    FILE *file = fopen(path.c_str(), "wb");
    if (!file) {
        fprintf(stderr, "cannot write %s\n", path.c_str());
        return 0;
    }
    size_t written = fwrite(bytes.data(), 1, bytes.size(), file);
    int closed = fclose(file) == 0;
    return written == bytes.size() && closed;
}
