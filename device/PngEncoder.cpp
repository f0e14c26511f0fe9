#include "device/PngEncoder.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <numeric>
#include <vector>

namespace device {

namespace {

// What the encoder keeps while libpng runs: where the bytes go, and the
// reason for a failure, which libpng reports by a jump.
struct Session {
    QIODevice *out = nullptr;
    QString failure;
};

Session &sessionOf(png_structp png)
{
    return *static_cast<Session *>(png_get_io_ptr(png));
}

void writeBytes(png_structp png, png_bytep data, size_t size)
{
    Session &session = sessionOf(png);
    if (session.out->write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size)) {
        session.failure = session.out->errorString();
        png_error(png, "write failed");
    }
}

void flushBytes(png_structp) {}

void fail(png_structp png, png_const_charp message)
{
    Session &session = *static_cast<Session *>(png_get_error_ptr(png));
    if (session.failure.isEmpty())
        session.failure = QString::fromLatin1(message);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) {}

// The picture as libpng takes it: lines of red, green and blue bytes, or of
// palette indices with the palette in order of brightness. Dithered
// neighbours then have nearby indices, so each line differs little from the
// one above it and the differences come in runs.
struct PngPicture {
    std::vector<png_byte> lines;
    std::vector<png_color> palette;
};

PngPicture pngPicture(const QImage &picture, bool indexed)
{
    const int w = picture.width();
    const size_t stride = size_t(w) * (indexed ? 1 : 3);
    PngPicture result;
    result.lines.resize(stride * size_t(picture.height()));
    std::array<png_byte, 256> rank{};
    if (indexed) {
        const QList<QRgb> table = picture.colorTable();
        std::vector<int> order(size_t(table.size()));
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return qGray(table[a]) < qGray(table[b]); });
        for (size_t r = 0; r < order.size(); ++r) {
            const QRgb c = table[order[r]];
            rank[size_t(order[r])] = png_byte(r);
            result.palette.push_back({png_byte(qRed(c)), png_byte(qGreen(c)), png_byte(qBlue(c))});
        }
    }
    for (int y = 0; y < picture.height(); ++y) {
        png_byte *out = result.lines.data() + stride * size_t(y);
        if (indexed) {
            const uchar *in = picture.constScanLine(y);
            for (int x = 0; x < w; ++x)
                out[x] = rank[in[x]];
            continue;
        }
        const auto *in = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        for (int x = 0; x < w; ++x, out += 3) {
            out[0] = png_byte(qRed(in[x]));
            out[1] = png_byte(qGreen(in[x]));
            out[2] = png_byte(qBlue(in[x]));
        }
    }
    return result;
}

// Runs between the setjmp and any failure: everything with a destructor is
// made by the caller beforehand.
void writePicture(png_structp png, png_infop info, QSize size, std::vector<png_bytep> &rows,
                  std::vector<png_color> &palette)
{
    const bool indexed = !palette.empty();
    const int bitDepth = indexed && palette.size() <= 16 ? 4 : 8;
    png_set_IHDR(png, info, png_uint_32(size.width()), png_uint_32(size.height()), bitDepth,
                 indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (indexed)
        png_set_PLTE(png, info, palette.data(), int(palette.size()));
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, 1);
    png_set_compression_strategy(png, Z_RLE);
    png_set_compression_buffer_size(png, 1 << 16);
    png_write_info(png, info);
    if (bitDepth < 8)
        png_set_packing(png);
    png_write_image(png, rows.data());
    png_write_end(png, info);
}

} // namespace

snappy::Failure PngEncoder::encode(const QImage &source, QIODevice &out) const
{
    const QImage picture = paletteOrTrueColour(source);
    const bool indexed = picture.format() == QImage::Format_Indexed8;
    PngPicture converted = pngPicture(picture, indexed);
    std::vector<png_bytep> rows(size_t(picture.height()));
    const size_t stride = size_t(picture.width()) * (indexed ? 1 : 3);
    for (size_t y = 0; y < rows.size(); ++y)
        rows[y] = converted.lines.data() + stride * y;

    Session session{&out, {}};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &session, fail, ignoreWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return QStringLiteral("out of memory");
    }
    png_set_write_fn(png, &session, writeBytes, flushBytes);
    if (setjmp(png_jmpbuf(png)) == 0) {
        writePicture(png, info, picture.size(), rows, converted.palette);
        png_destroy_write_struct(&png, &info);
        return std::nullopt;
    }
    png_destroy_write_struct(&png, &info);
    return session.failure;
}

} // namespace device
