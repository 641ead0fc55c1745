// A tiny raster toolkit for drawing the bundled skin's pictures.
//
// A Canvas holds one value per pixel: a palette index for palette pictures
// and masks, or a 0x00RRGGBB colour for 24-bit pictures. Shapes are filled by
// testing each pixel's centre, so every run gives the same pixels.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

struct Rgb {
    uint8_t r, g, b;
};

struct Canvas {
    int width, height;
    std::vector<uint32_t> pixels;  // row 0 is the top row
};

Canvas MakeCanvas(int width, int height, uint32_t fill);
uint32_t CanvasAt(const Canvas &canvas, int x, int y);
void CanvasSet(Canvas &canvas, int x, int y, uint32_t value);

// Shape tests on a point (usually a pixel centre).
bool InEllipse(double px, double py, double cx, double cy, double rx, double ry);
bool InCircle(double px, double py, double cx, double cy, double r);
double DistanceToSegment(double px, double py, double ax, double ay, double bx, double by);
bool InRoundRect(double px, double py, double left, double top, double right, double bottom,
                 double radius);
bool InTriangle(double px, double py, double ax, double ay, double bx, double by, double cx,
                double cy);

// Sets every pixel whose centre passes the test.
template <class Test>
void FillWhere(Canvas &canvas, uint32_t value, Test inside) {
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x)
            if (inside(x + 0.5, y + 0.5)) CanvasSet(canvas, x, y, value);
}

// Pixels that are not `background` but touch it (or the canvas edge) on one
// of their four sides become `outline`: a one-pixel rim inside the shape.
void OutlineShape(Canvas &canvas, uint32_t background, uint32_t outline);

// Writes an uncompressed bottom-up BMP of depth 1, 4, 8 or 24. Palette
// pictures get a full table of 2^depth entries (the loader reads that many
// whatever biClrUsed says); missing entries are black. Returns 1 on success.
int WriteBmp(const std::string &path, const Canvas &canvas, int depth,
             const std::vector<Rgb> &palette);

// Writes bytes exactly as given (the script needs CR LF kept). Returns 1 on success.
int WriteBytes(const std::string &path, const std::string &bytes);
