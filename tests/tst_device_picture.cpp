// What the stand-in device's settings do to its pictures: the scene, the
// sensor's grain, scaling, the nine adjustments, the negative and the colour
// depths, each held against the same work done exactly or checked for the
// direction its name promises.

#include "DataColumns.h"
#include "PictureDifference.h"
#include "device/MedianCut.h"
#include "device/NearestColour.h"
#include "device/PaletteMapper.h"
#include "device/Resampler.h"
#include "device/SnapProcessor.h"
#include "device/StandardPalette.h"
#include "device/standin/Camera.h"
#include "device/standin/Scene.h"
#include "device/standin/TestCard.h"

#include <QtTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <numeric>

using namespace device;

namespace {

const QDateTime moment(QDate(2024, 5, 1), QTime(12, 0, 0));

// The spread of luma over an area, and how colourful it is on average.
struct Stats {
    double lumaDeviation = 0;
    double chroma = 0;
};

Stats measure(const QImage &picture, QRect area = {})
{
    const QImage rgb = picture.copy(area).convertToFormat(QImage::Format_RGB32);
    const auto *p = reinterpret_cast<const QRgb *>(rgb.constBits());
    const qsizetype n = qsizetype(rgb.width()) * rgb.height();
    double luma = 0, lumaSquares = 0, chroma = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const int r = qRed(p[i]), g = qGreen(p[i]), b = qBlue(p[i]);
        const double l = 0.299 * r + 0.587 * g + 0.114 * b;
        luma += l / double(n);
        lumaSquares += l * l / double(n);
        chroma += (std::max({r, g, b}) - std::min({r, g, b})) / double(n);
    }
    return {std::sqrt(lumaSquares - luma * luma), chroma};
}

int distinctColours(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const auto *p = reinterpret_cast<const QRgb *>(rgb.constBits());
    return int(QSet<QRgb>(p, p + rgb.width() * rgb.height()).size());
}

// A card region in the coordinates of a picture `width` wide.
QRect scaledRegion(const QRect &cardRegion, int width, int margin)
{
    const double f = double(width) / TestCard::size.width();
    return QTransform::fromScale(f, f)
        .mapRect(cardRegion)
        .adjusted(margin, margin, -margin, -margin);
}

// How far any level of the picture falls outside the range between the
// levels of `a` and `b`, pictures of its size.
int largestMiss(const QImage &picture, const QImage &a, const QImage &b)
{
    // Four bytes a pixel, the fourth always 255, and no padding.
    const QImage p = picture.convertToFormat(QImage::Format_RGBX8888);
    const QImage pa = a.convertToFormat(p.format()), pb = b.convertToFormat(p.format());
    int largest = 0;
    for (qsizetype i = 0; i < p.sizeInBytes(); ++i) {
        const auto [low, high] = std::minmax(pa.constBits()[i], pb.constBits()[i]);
        largest = std::max({largest, low - p.constBits()[i], p.constBits()[i] - high});
    }
    return largest;
}

// The reach of each filter, and its weight at a distance of `x` source pixels.
double filterWeight(double x, bool bicubic)
{
    x = std::abs(x);
    if (!bicubic)
        return std::max(0.0, 1.0 - x);
    if (x < 1.0)
        return (1.5 * x - 2.5) * x * x + 1.0;
    return x < 2.0 ? ((-0.5 * x + 2.5) * x - 4.0) * x + 2.0 : 0.0;
}

// One pass of the filter along the lines in floating point, each result
// rounded to a level as the picture holds it.
QImage exactPass(const QImage &in, int width, bool bicubic)
{
    const double scale = double(width) / in.width();
    const double stretch = bicubic && scale < 1.0 ? 1.0 / scale : 1.0;
    const double reach = (bicubic ? 2.0 : 1.0) * stretch;
    QImage out(width, in.height(), QImage::Format_RGB32);
    for (int x = 0; x < width; ++x) {
        const double centre = (x + 0.5) / scale - 0.5;
        std::vector<std::pair<int, double>> taps;
        double total = 0;
        for (int j = int(std::floor(centre - reach)); j <= int(std::ceil(centre + reach)); ++j) {
            const double w = filterWeight((j - centre) / stretch, bicubic);
            taps.emplace_back(std::clamp(j, 0, in.width() - 1), w);
            total += w;
        }
        for (int y = 0; y < in.height(); ++y) {
            const auto level = [&](int (*channel)(QRgb)) {
                double sum = 0;
                for (const auto &[j, w] : taps)
                    sum += w / total * channel(in.pixel(j, y));
                return std::clamp(int(std::lround(sum)), 0, 255);
            };
            out.setPixel(x, y, qRgb(level(qRed), level(qGreen), level(qBlue)));
        }
    }
    return out;
}

// Lines are reduced before the pass along them, and enlarged after it.
QImage exactScale(QImage picture, QSize size, bool bicubic)
{
    // A pass across the lines is one along the lines of the picture flipped
    // about its diagonal.
    const QTransform flip(0, 1, 1, 0, 0, 0);
    const auto across = [&] {
        picture = exactPass(picture.transformed(flip), size.height(), bicubic).transformed(flip);
    };
    if (size.height() < picture.height())
        across();
    picture = exactPass(picture, size.width(), bicubic);
    if (size.height() > picture.height())
        across();
    return picture;
}

// The nine adjustments and the negative worked out pixel by pixel in floating
// point, straight from what each does: sharpness adds the pixel's difference
// from a 3 x 3 binomial blur (up to three times of it, or down to all of it
// taken away, in 32nds); saturation moves each colour away from or towards
// the grey of its luma and tint turns it about the grey axis, up to a quarter
// turn; then per channel gamma from a quarter to four, contrast from a flat
// grey to two and a half times, brightness up to half the range either way
// and the gains from a half to one and a half; the negative last. Each step
// gives whole levels, as a picture holds them; but a mixed level that lies
// within 1/20 of halfway between two levels may go either way, so the picture
// may take any level between those it takes with the mixed levels moved by
// `offset`, -1/20 and +1/20, before they are rounded.
QImage referenceAdjusted(const QImage &picture, const Adjustments &a, bool negative, double offset)
{
    const auto level = [](double v) { return std::clamp(int(std::floor(v + 0.5)), 0, 255); };

    const double s = a.sharpness / 50.0;
    const double amount = std::lround(32.0 * (s > 0 ? 3.0 * s : s)) / 32.0;
    const auto sharpened = [&](int x, int y, int (*channel)(QRgb)) {
        const auto at = [&](int dx, int dy) {
            return channel(picture.pixel(std::clamp(x + dx, 0, picture.width() - 1),
                                         std::clamp(y + dy, 0, picture.height() - 1)));
        };
        double blur = 0;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                blur += (2 - std::abs(dx)) * (2 - std::abs(dy)) * at(dx, dy);
        return double(level(at(0, 0) + (at(0, 0) - blur / 16.0) * amount));
    };

    // Saturation about the luma's grey, then the turn about the grey axis.
    const double f = 1.0 + a.saturation / 50.0;
    const double turn = a.tint / 50.0 * std::numbers::pi / 2.0;
    const double c = std::cos(turn), sn = std::sin(turn) / std::numbers::sqrt3;
    const double t = (1.0 - c) / 3.0;
    const double hue[3][3] = {
        {c + t, t - sn, t + sn}, {t + sn, c + t, t - sn}, {t - sn, t + sn, c + t}};
    const double luma[3] = {0.299, 0.587, 0.114};
    double mix[3][3] = {};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            for (int k = 0; k < 3; ++k)
                mix[i][j] += ((1.0 - f) * luma[k] + (i == k ? f : 0.0)) * hue[k][j];

    const double gamma = std::pow(4.0, a.gamma / 50.0);
    const double k = a.contrast / 50.0;
    const double contrast = k >= 0 ? 1.0 + 1.5 * k : 1.0 + k;
    const int gains[3] = {a.red, a.green, a.blue};
    const auto curve = [&](size_t channel, int v) {
        double x = std::pow(v / 255.0, 1.0 / gamma);
        x = (x - 0.5) * contrast + 0.5 + 0.5 * a.bright / 50.0;
        x = std::clamp(x * (1.0 + 0.5 * gains[channel] / 50.0), 0.0, 1.0);
        return int(std::lround((negative ? 1.0 - x : x) * 255.0));
    };

    QImage out(picture.size(), QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const double sharp[3] = {sharpened(x, y, qRed), sharpened(x, y, qGreen),
                                     sharpened(x, y, qBlue)};
            const auto adjusted = [&](size_t i) {
                return curve(i, level(std::inner_product(mix[i], mix[i] + 3, sharp, 0.0) + offset));
            };
            out.setPixel(x, y, qRgb(adjusted(0), adjusted(1), adjusted(2)));
        }
    }
    return out;
}

} // namespace

class DevicePictureTest : public QObject {
    Q_OBJECT

    Camera m_camera{7};
    QImage m_raw;

    QImage snap(const CaptureSettings &settings) const
    {
        return SnapProcessor::process(m_raw, settings);
    }

private slots:
    void initTestCase() { m_raw = m_camera.expose(CaptureSettings{}, moment); }

    // Live scenes move, while tapes replay their loop in faded colour; each
    // slower snap method leaves markedly less grain than the one before; and
    // stripes finer than the snap's pixels blend to grey with the better
    // filters, where nearest neighbour picks whole black or white pixels.
    void scenesGrainAndFineDetailGoTheWayTheirNamesSay()
    {
        const Scene scene;
        const QImage now = scene.render(SourceKind::Live, moment);
        QCOMPARE(now.size(), TestCard::size);
        QVERIFY(now != scene.render(SourceKind::Live, moment.addMSecs(500)));
        const QImage tape = scene.render(SourceKind::Tape, moment);
        QVERIFY(tape != scene.render(SourceKind::Tape, moment.addMSecs(500)));
        QCOMPARE(scene.render(SourceKind::Tape, moment.addMSecs(Scene::tapeLoopMs)), tape);
        // Tape colour is faded, which also tells the tape from the live scene.
        QVERIFY(measure(tape).chroma < measure(now).chroma);

        const QRect field = scaledRegion(TestCard::flatField, 640, 4);
        double previous = 1e9;
        for (int method = 0; method <= 3; ++method) {
            const CaptureSettings settings{.method = method, .adjustments = {}};
            const QImage raw = m_camera.expose(settings, moment);
            const double grain =
                measure(SnapProcessor::process(raw, settings), field).lumaDeviation;
            QCOMPARE_LT(grain, previous * 0.85);
            previous = grain;
        }

        // The finest stripe group of the card's stripe field.
        const QRect finest = scaledRegion({288 + 5 * 36 + 4, 430, 28, 108}, 160, 0);
        const QImage fast = snap({.width = 160, .filter = ScaleQuality::Fast, .adjustments = {}});
        QCOMPARE(fast.size(), QSize(160, 120));
        const QImage high = snap({.width = 160, .filter = ScaleQuality::High, .adjustments = {}});
        QCOMPARE_LT(measure(high, finest).lumaDeviation, measure(fast, finest).lumaDeviation / 3);
    }

    // The fixed-point filters keep within one level of the same filters
    // worked out exactly, reducing, enlarging and at odd sizes.
    void filtersKeepWithinOneLevelOfTheirExactSums_data()
    {
        addColumns<QSize, bool>({"size", "bicubic"});
        for (QSize size : {QSize(640, 480), QSize(203, 151), QSize(853, 641)}) {
            for (bool bicubic : {false, true})
                QTest::addRow("%dx%d %s", size.width(), size.height(), bicubic ? "High" : "Normal")
                    << size << bicubic;
        }
    }
    void filtersKeepWithinOneLevelOfTheirExactSums()
    {
        const auto [size, bicubic] = fetchRow<QSize, bool>();
        // A corner of the card with the stripes, the wedge and the grain.
        const QImage source = m_raw.copy(0, 300, 520, 276);
        const QSize scaled(size.width() * 520 / 768, size.height() * 276 / 576);
        const QImage fast =
            Resampler::scale(source, scaled, bicubic ? ScaleQuality::High : ScaleQuality::Normal);
        QCOMPARE(fast.size(), scaled);
        const QImage exact = exactScale(source, scaled, bicubic);
        QCOMPARE_LE(largestMiss(fast, exact, exact), 1);
    }

    // A snap's adjustments keep within one level of the same adjustments
    // worked out pixel by pixel, each slider at both ends and all of them at
    // once; none, and the negative alone, change or invert it exactly.
    void adjustmentsKeepWithinOneLevelOfTheirExactSums_data()
    {
        addColumns<Adjustments, bool>({"adjustments", "negative"});
        // The sliders in the order Adjustments holds them.
        const char *sliders[] = {"Bright", "Contrast", "Gamma", "Sharpness", "Saturation",
                                 "Tint",   "Red",      "Green", "Blue"};
        for (size_t slider = 0; slider < std::size(sliders); ++slider) {
            for (int value : {-50, 50}) {
                std::array<int, std::size(sliders)> values{};
                values[slider] = value;
                QTest::addRow("%s %d", sliders[slider], value)
                    << std::apply([](auto... v) { return Adjustments{v...}; }, values) << false;
            }
        }
        QTest::newRow("none") << Adjustments{} << false;
        QTest::newRow("negative") << Adjustments{} << true;
        QTest::newRow("every one a little")
            << Adjustments{10, 15, -10, 20, 25, 10, 5, -5, 10} << true;
        QTest::newRow("steepest") << Adjustments{-20, 50, -50, 50, 50, -50, 50, 0, -50} << false;
        QTest::newRow("flattest") << Adjustments{50, -40, 50, -50, -50, 50, -50, 50, 0} << true;
        QTest::newRow("mixed with a steep curve")
            << Adjustments{0, 50, -50, 0, 30, 20, 0, 0, 0} << false;
    }
    void adjustmentsKeepWithinOneLevelOfTheirExactSums()
    {
        const auto [adjustments, negative] = fetchRow<Adjustments, bool>();
        // The whole card small: bars, stripes, the wedge, the ball and grain.
        const QImage picture = Resampler::scale(m_raw, {192, 144}, ScaleQuality::High);
        const QImage adjusted = snap({.width = 192,
                                      .negative = negative,
                                      .filter = ScaleQuality::High,
                                      .adjustments = adjustments});
        QCOMPARE(adjusted.size(), picture.size());
        const QImage down = referenceAdjusted(picture, adjustments, negative, -0.05);
        const QImage up = referenceAdjusted(picture, adjustments, negative, 0.05);
        // Exact where nothing is adjusted.
        QCOMPARE_LE(largestMiss(adjusted, down, up), adjustments == Adjustments{} ? 0 : 1);
    }

    // Palette depths limit the colours, and the palette computed from the
    // picture fits it better than the fixed one. It keeps the snap at least
    // as close to its true colours as it was when every distinct colour was
    // split on its own, before the colours were counted in cells: the bounds
    // are the mean differences measured then on this frame (2.976 levels at
    // 8 bits, 12.205 at 4), with one per cent to spare. High colour keeps
    // the picture within a few levels. The memory of a snap's working
    // picture is used again for the next snap; neither a snap given out
    // before nor the next snap may show it.
    void depthsKeepThePictureClose_data()
    {
        addColumns<int, double>({"depth", "bound"});
        QTest::newRow("16 bits") << 16 << 3.0;
        QTest::newRow("8 bits") << 8 << 2.976 * 1.01;
        QTest::newRow("4 bits") << 4 << 12.205 * 1.01;
    }
    void depthsKeepThePictureClose()
    {
        const auto [depth, bound] = fetchRow<int, double>();
        const QImage raw = Camera(1).expose({}, moment);
        const QImage trueColour = SnapProcessor::process(raw, {});
        const QImage kept = trueColour.copy();
        QVERIFY(distinctColours(trueColour) > 256);
        const QImage fixed = SnapProcessor::process(raw, {.colorDepth = depth, .adjustments = {}});
        const QImage optimized = SnapProcessor::process(
            raw, {.colorDepth = depth, .optimizedPalette = true, .adjustments = {}});
        QCOMPARE(trueColour, kept);
        QCOMPARE(SnapProcessor::process(raw, CaptureSettings{}), kept);
        const double difference = meanDifference(optimized, trueColour);
        QCOMPARE_LE(difference, bound);
        if (depth == 16) {
            QCOMPARE(optimized.format(), QImage::Format_RGB16);
            return;
        }
        for (const QImage &picture : {fixed, optimized}) {
            QCOMPARE(picture.format(), QImage::Format_Indexed8);
            QVERIFY(picture.colorCount() <= 1 << depth);
            QVERIFY(distinctColours(picture) > (1 << depth) / 4);
        }
        // Fixed palettes are the standard ones.
        QCOMPARE(fixed.colorTable(), StandardPalette::colours(1 << depth));
        QVERIFY(difference < meanDifference(fixed, trueColour));
    }

    // Each cell's colour is the palette colour nearest to the cell's middle,
    // as looking at every palette colour finds it.
    void nearestColourIsTheNearestToEachCell_data()
    {
        QTest::addColumn<QList<QRgb>>("palette");
        QTest::newRow("standard 256") << StandardPalette::colours(256);
        QTest::newRow("standard 16") << StandardPalette::colours(16);
        QTest::newRow("computed from the card") << MedianCut::palette(m_raw, 256);
        QTest::newRow("one colour") << QList<QRgb>{qRgb(10, 200, 30)};
        QTest::newRow("two a level apart") << QList<QRgb>{qRgb(100, 100, 100), qRgb(101, 100, 100)};
    }
    void nearestColourIsTheNearestToEachCell()
    {
        QFETCH(QList<QRgb>, palette);
        NearestColour nearest(palette);
        // Every seventh cell, which reaches every part of the colour cube.
        for (int cell = 0; cell < 1 << 16; cell += 7) {
            const int r = (cell >> 11) * 8 + 4, g = (cell >> 5 & 63) * 4 + 2,
                      b = (cell & 31) * 8 + 4;
            QCOMPARE(NearestColour::cell(r, g, b), cell);
            const int index = nearest.index(cell);
            QCOMPARE(nearest.knownIndex(cell), index);
            QCOMPARE(nearest.colour(quint16(index)), palette[index]);
            const auto distance = [&](QRgb c) {
                return (qRed(c) - r) * (qRed(c) - r) + (qGreen(c) - g) * (qGreen(c) - g) +
                       (qBlue(c) - b) * (qBlue(c) - b);
            };
            for (const QRgb other : palette)
                QCOMPARE_LE(distance(palette[index]), distance(other));
        }
    }

    // A picture drawn only in palette colours keeps every pixel, whatever
    // its size: no line of any band is left out or drawn twice.
    void paletteColoursMapToThemselves_data()
    {
        QTest::addColumn<QSize>("size");
        for (QSize size : {QSize(1, 1), QSize(5, 3), QSize(33, 17), QSize(64, 9), QSize(7, 40)})
            QTest::addRow("%dx%d", size.width(), size.height()) << size;
    }
    void paletteColoursMapToThemselves()
    {
        QFETCH(QSize, size);
        const QList<QRgb> palette = StandardPalette::colours(16);
        QImage picture(size, QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width(); ++x)
                picture.setPixel(x, y, palette[(x * 7 + y * 3 + x * y) % 16]);
        const QImage mapped = PaletteMapper::map(picture, palette);
        QCOMPARE(mapped.convertToFormat(QImage::Format_RGB32), picture);
    }
};

QTEST_MAIN(DevicePictureTest)
#include "tst_device_picture.moc"
