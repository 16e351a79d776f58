// Draws Korvanta's icon and writes the three icon files the resource script
// bundles: 48x48 and 16x16 as 32-bit BGRA DIBs with an AND mask, 256x256 as a
// PNG. The pixels are pure arithmetic, and the PNG's deflate stream, CRC-32
// and Adler-32 come from zlib, whose output for given settings does not
// depend on timing or memory addresses, so every run with the same zlib
// gives the same bytes.
//
//   make_icons <output folder>
//
// The picture: a dark television set with a blue screen, and on the screen a
// remote's signal spreading as arcs from a dot.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <zlib.h>

namespace {

// ---------------------------------------------------------------------------
// Forward declarations

struct Colour;
struct Image;
Image DrawIcon(int size);
std::vector<std::uint8_t> IconFileWithDib(const Image& image);
std::vector<std::uint8_t> IconFileWithPng(const Image& image);
std::vector<std::uint8_t> EncodePng(const Image& image);
bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// ---------------------------------------------------------------------------
// Picture

struct Colour {
    double r, g, b, a;  // straight (not premultiplied) alpha, 0..1
};

struct Image {
    int size = 0;
    std::vector<Colour> pixels;  // top row first
};

// Only + - * / and sqrt, which IEEE arithmetic rounds exactly, so that no
// libm's last bit can change a pixel.
double Length(double x, double y) { return std::sqrt(x * x + y * y); }

// Signed distance from (x, y) to a rounded rectangle; negative inside.
double RoundedRectDistance(double x, double y, double left, double top, double right, double bottom, double radius) {
    const double cx = (left + right) / 2, cy = (top + bottom) / 2;
    const double hx = (right - left) / 2 - radius, hy = (bottom - top) / 2 - radius;
    const double qx = std::fabs(x - cx) - hx, qy = std::fabs(y - cy) - hy;
    const double outside = Length(std::max(qx, 0.0), std::max(qy, 0.0));
    return outside + std::min(std::max(qx, qy), 0.0) - radius;
}

// Paints `top` over `under` with the given coverage.
Colour Over(Colour under, Colour top, double coverage) {
    const double a = top.a * coverage;
    const double outA = a + under.a * (1 - a);
    if (outA <= 0) return {0, 0, 0, 0};
    auto mix = [&](double t, double u) { return (t * a + u * under.a * (1 - a)) / outA; };
    return {mix(top.r, under.r), mix(top.g, under.g), mix(top.b, under.b), outA};
}

Colour Rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0, 1.0}; }

// The colour of one point of the picture, in unit coordinates (y down).
// `size` lets the strokes stay at least a pixel or so wide in small icons.
Colour PaintPoint(double x, double y, int size) {
    const Colour body = Rgb(0x26, 0x32, 0x38);
    const Colour screenTop = Rgb(0x4F, 0xC3, 0xF7);
    const Colour screenBottom = Rgb(0x15, 0x65, 0xC0);
    const Colour signal = Rgb(0xFF, 0xC1, 0x07);

    Colour c{0, 0, 0, 0};
    auto inside = [](double distance) { return distance <= 0 ? 1.0 : 0.0; };

    // Stand: a neck and a foot under the set.
    c = Over(c, body, inside(RoundedRectDistance(x, y, 0.42, 0.76, 0.58, 0.88, 0.0)));
    c = Over(c, body, inside(RoundedRectDistance(x, y, 0.26, 0.85, 0.74, 0.93, 0.04)));

    // The set and its screen.
    c = Over(c, body, inside(RoundedRectDistance(x, y, 0.04, 0.10, 0.96, 0.82, 0.12)));
    const double frame = std::max(0.06, 1.0 / size);
    const double screen = RoundedRectDistance(x, y, 0.04 + frame, 0.10 + frame, 0.96 - frame, 0.82 - frame, 0.07);
    const double t = std::clamp((y - 0.16) / 0.60, 0.0, 1.0);
    const Colour glass{screenTop.r + (screenBottom.r - screenTop.r) * t,
                       screenTop.g + (screenBottom.g - screenTop.g) * t,
                       screenTop.b + (screenBottom.b - screenTop.b) * t, 1.0};
    c = Over(c, glass, inside(screen));

    // The remote's signal: a dot low on the left, arcs opening up and right.
    if (screen <= 0) {
        const double ox = 0.26, oy = 0.66;
        const double stroke = std::max(0.055, 1.4 / size);
        const int arcs = size >= 32 ? 3 : 2;
        const double spacing = size >= 32 ? 0.15 : 0.24;
        const double dx = x - ox, dy = y - oy;
        const double r = Length(dx, dy);
        c = Over(c, signal, inside(r - std::max(0.07, 1.2 / size)));
        // The arcs span from 9 degrees below the horizontal to 9 degrees
        // beyond the vertical: between the rays (cos, -sin) and (-sin, cos)
        // of 9 degrees, tested by cross products (up is -y).
        constexpr double kCos9 = 0.98768834059513777, kSin9 = 0.15643446504023087;
        const double ux = dx, uy = -dy;
        if (kCos9 * uy + kSin9 * ux > 0 && kCos9 * ux + kSin9 * uy > 0) {
            for (int i = 1; i <= arcs; ++i) {
                const double ring = std::fabs(r - spacing * i - 0.04) - stroke / 2;
                c = Over(c, signal, inside(ring));
            }
        }
    }
    return c;
}

// Supersamples every pixel 8x8 so that edges come out smooth.
Image DrawIcon(int size) {
    constexpr int kSamples = 8;
    Image image;
    image.size = size;
    image.pixels.resize(static_cast<std::size_t>(size) * size);
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const double x = (px + (sx + 0.5) / kSamples) / size;
                    const double y = (py + (sy + 0.5) / kSamples) / size;
                    const Colour c = PaintPoint(x, y, size);
                    r += c.r * c.a;
                    g += c.g * c.a;
                    b += c.b * c.a;
                    a += c.a;
                }
            }
            Colour& out = image.pixels[static_cast<std::size_t>(py) * size + px];
            out = a > 0 ? Colour{r / a, g / a, b / a, a / (kSamples * kSamples)} : Colour{0, 0, 0, 0};
        }
    }
    return image;
}

std::uint8_t Byte(double unit) { return static_cast<std::uint8_t>(std::lround(std::clamp(unit, 0.0, 1.0) * 255)); }

// ---------------------------------------------------------------------------
// Little-endian and big-endian writers

void Put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
void Put32BigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back((v >> shift) & 0xFF);
}

// ---------------------------------------------------------------------------
// Icon files

// ICONDIR with one ICONDIRENTRY; the image follows at offset 22.
std::vector<std::uint8_t> IconDirectory(int size, std::size_t imageBytes) {
    std::vector<std::uint8_t> out;
    Put16(out, 0);  // reserved
    Put16(out, 1);  // icon, not cursor
    Put16(out, 1);  // one image
    out.push_back(size >= 256 ? 0 : size);  // 0 stands for 256
    out.push_back(size >= 256 ? 0 : size);
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits per pixel
    Put32(out, static_cast<std::uint32_t>(imageBytes));
    Put32(out, 6 + 16);
    return out;
}

// BITMAPINFOHEADER (height doubled: colour rows then mask rows), BGRA rows
// bottom-up, then the 1-bit AND mask, each row padded to 32 bits. The mask
// matters only where alpha is ignored; it marks the mostly transparent pixels.
std::vector<std::uint8_t> IconFileWithDib(const Image& image) {
    const int n = image.size;
    const std::size_t maskStride = ((n + 31) / 32) * 4;
    std::vector<std::uint8_t> dib;
    Put32(dib, 40);
    Put32(dib, n);
    Put32(dib, 2 * n);
    Put16(dib, 1);
    Put16(dib, 32);
    Put32(dib, 0);  // BI_RGB
    Put32(dib, static_cast<std::uint32_t>(n * n * 4 + maskStride * n));
    Put32(dib, 0);
    Put32(dib, 0);
    Put32(dib, 0);
    Put32(dib, 0);
    for (int y = n - 1; y >= 0; --y) {
        for (int x = 0; x < n; ++x) {
            const Colour& c = image.pixels[static_cast<std::size_t>(y) * n + x];
            dib.push_back(Byte(c.b));
            dib.push_back(Byte(c.g));
            dib.push_back(Byte(c.r));
            dib.push_back(Byte(c.a));
        }
    }
    for (int y = n - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(maskStride, 0);
        for (int x = 0; x < n; ++x)
            if (Byte(image.pixels[static_cast<std::size_t>(y) * n + x].a) < 128) row[x / 8] |= 0x80 >> (x % 8);
        dib.insert(dib.end(), row.begin(), row.end());
    }
    std::vector<std::uint8_t> out = IconDirectory(n, dib.size());
    out.insert(out.end(), dib.begin(), dib.end());
    return out;
}

std::vector<std::uint8_t> IconFileWithPng(const Image& image) {
    const std::vector<std::uint8_t> png = EncodePng(image);
    std::vector<std::uint8_t> out = IconDirectory(image.size, png.size());
    out.insert(out.end(), png.begin(), png.end());
    return out;
}

// ---------------------------------------------------------------------------
// PNG: each row filtered, the rows deflated by zlib at its best compression.

void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& data) {
    Put32BigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    Put32BigEndian(out, static_cast<std::uint32_t>(crc32(0, out.data() + typeAt, static_cast<uInt>(4 + data.size()))));
}

// Filters one row of RGBA bytes with whichever of None, Sub and Up leaves the
// smallest sum of magnitudes: the flat areas of the picture then turn into
// runs of zeros, which deflate shortens best.
void PutFilteredRow(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& row,
                    const std::vector<std::uint8_t>& above) {
    constexpr int kBytesPerPixel = 4;
    std::vector<std::uint8_t> best;
    std::uint8_t bestType = 0;
    long bestCost = 0;
    for (std::uint8_t type = 0; type <= 2; ++type) {
        std::vector<std::uint8_t> filtered(row.size());
        long cost = 0;
        for (std::size_t i = 0; i < row.size(); ++i) {
            std::uint8_t predicted = 0;
            if (type == 1 && i >= kBytesPerPixel) predicted = row[i - kBytesPerPixel];
            if (type == 2) predicted = above[i];
            filtered[i] = static_cast<std::uint8_t>(row[i] - predicted);
            cost += filtered[i] < 128 ? filtered[i] : 256 - filtered[i];
        }
        if (type == 0 || cost < bestCost) {  // ties keep the lower type
            best = std::move(filtered);
            bestType = type;
            bestCost = cost;
        }
    }
    out.push_back(bestType);
    out.insert(out.end(), best.begin(), best.end());
}

// The whole of `data` as one zlib stream (header, deflate, Adler-32).
std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& data) {
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::vector<std::uint8_t> out(size);
    if (compress2(out.data(), &size, data.data(), static_cast<uLong>(data.size()), Z_BEST_COMPRESSION) != Z_OK) {
        std::fprintf(stderr, "make_icons: zlib cannot compress the PNG rows\n");
        std::exit(1);
    }
    out.resize(size);
    return out;
}

std::vector<std::uint8_t> EncodePng(const Image& image) {
    const int n = image.size;
    std::vector<std::uint8_t> raw;  // each row: filter type, then filtered RGBA
    std::vector<std::uint8_t> row, above(static_cast<std::size_t>(n) * 4, 0);
    for (int y = 0; y < n; ++y) {
        row.clear();
        for (int x = 0; x < n; ++x) {
            const Colour& c = image.pixels[static_cast<std::size_t>(y) * n + x];
            row.push_back(Byte(c.r));
            row.push_back(Byte(c.g));
            row.push_back(Byte(c.b));
            row.push_back(Byte(c.a));
        }
        PutFilteredRow(raw, row, above);
        above.swap(row);
    }

    const std::vector<std::uint8_t> zlib = Compress(raw);

    std::vector<std::uint8_t> header;
    Put32BigEndian(header, n);
    Put32BigEndian(header, n);
    header.push_back(8);  // bits per channel
    header.push_back(6);  // RGBA
    header.push_back(0);  // deflate
    header.push_back(0);  // adaptive filtering
    header.push_back(0);  // not interlaced

    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(out, "IHDR", header);
    PutChunk(out, "IDAT", zlib);
    PutChunk(out, "IEND", {});
    return out;
}

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icons <output folder>\n");
        return 2;
    }
    const std::string folder = argv[1];
    const bool ok = WriteFile(folder + "/korvanta48.ico", IconFileWithDib(DrawIcon(48))) &&
                    WriteFile(folder + "/korvanta16.ico", IconFileWithDib(DrawIcon(16))) &&
                    WriteFile(folder + "/korvanta256.ico", IconFileWithPng(DrawIcon(256)));
    if (!ok) {
        std::fprintf(stderr, "make_icons: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
