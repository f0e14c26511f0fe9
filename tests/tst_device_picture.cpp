// What the stand-in device's settings do to its pictures: the scene, the
// sensor's grain, scaling, the nine adjustments, the negative and the colour
// depths, each checked for the direction its name promises.

#include "PictureDifference.h"
#include "device/PictureAdjuster.h"
#include "device/Resampler.h"
#include "device/SnapProcessor.h"
#include "device/StandardPalette.h"
#include "device/standin/Camera.h"
#include "device/standin/Scene.h"
#include "device/standin/TestCard.h"

#include <QSet>
#include <QtTest>

#include <cmath>

using device::Adjustments;
using device::CaptureSettings;
using device::ScaleQuality;
using device::SourceKind;
using device::TestCard;

namespace {

const QDateTime moment(QDate(2024, 5, 1), QTime(12, 0, 0));

// Averages over an area: luma and its deviation, colourfulness, the edges
// along the lines, and how far each channel stands above the other two.
struct Stats {
    double luma = 0;
    double lumaDeviation = 0;
    double chroma = 0;
    double edges = 0;
    double red = 0;
    double green = 0;
    double blue = 0;
};

Stats measure(const QImage &picture, QRect area = {})
{
    const QImage rgb = picture.copy(area).convertToFormat(QImage::Format_RGB32);
    const auto *p = reinterpret_cast<const QRgb *>(rgb.constBits());
    const qsizetype n = qsizetype(rgb.width()) * rgb.height();
    Stats s;
    double lumaSquares = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const int r = qRed(p[i]), g = qGreen(p[i]), b = qBlue(p[i]);
        const double l = 0.299 * r + 0.587 * g + 0.114 * b;
        s.luma += l;
        lumaSquares += l * l;
        s.chroma += std::max({r, g, b}) - std::min({r, g, b});
        if (i % rgb.width() > 0)
            s.edges += std::abs(qGray(p[i]) - qGray(p[i - 1]));
        s.red += r - (g + b) / 2.0;
        s.green += g - (r + b) / 2.0;
        s.blue += b - (r + g) / 2.0;
    }
    for (double Stats::*average :
         {&Stats::luma, &Stats::chroma, &Stats::edges, &Stats::red, &Stats::green, &Stats::blue})
        s.*average /= double(n);
    s.lumaDeviation = std::sqrt(lumaSquares / double(n) - s.luma * s.luma);
    return s;
}

int distinctColours(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const auto *p = reinterpret_cast<const QRgb *>(rgb.constBits());
    return int(QSet<QRgb>(p, p + rgb.width() * rgb.height()).size());
}

bool isGrey(const QImage &picture)
{
    return measure(picture).chroma == 0.0;
}

// A card region in the coordinates of a picture `width` wide.
QRect scaledRegion(const QRect &cardRegion, int width, int margin)
{
    const double f = double(width) / TestCard::size.width();
    return QTransform::fromScale(f, f)
        .mapRect(cardRegion)
        .adjusted(margin, margin, -margin, -margin);
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

// One pass of the filter in floating point, along the lines or across them,
// each result rounded to a level as the picture holds it.
QImage exactPass(const QImage &in, int length, bool alongLines, bool bicubic)
{
    const int from = alongLines ? in.width() : in.height();
    const double scale = double(length) / from;
    const double stretch = bicubic && scale < 1.0 ? 1.0 / scale : 1.0;
    const double reach = (bicubic ? 2.0 : 1.0) * stretch;
    const QSize size = alongLines ? QSize(length, in.height()) : QSize(in.width(), length);
    QImage out(size, QImage::Format_RGB32);
    for (int i = 0; i < length; ++i) {
        const double centre = (i + 0.5) / scale - 0.5;
        std::vector<std::pair<int, double>> taps;
        double total = 0;
        for (int j = int(std::floor(centre - reach)); j <= int(std::ceil(centre + reach)); ++j) {
            const double w = filterWeight((j - centre) / stretch, bicubic);
            taps.emplace_back(std::clamp(j, 0, from - 1), w);
            total += w;
        }
        for (int across = 0; across < (alongLines ? size.height() : size.width()); ++across) {
            double sum[3] = {0, 0, 0};
            for (const auto &[j, w] : taps) {
                const QRgb p = alongLines ? in.pixel(j, across) : in.pixel(across, j);
                sum[0] += w / total * qRed(p);
                sum[1] += w / total * qGreen(p);
                sum[2] += w / total * qBlue(p);
            }
            auto level = [](double v) { return std::clamp(int(std::lround(v)), 0, 255); };
            out.setPixel(alongLines ? i : across, alongLines ? across : i,
                         qRgb(level(sum[0]), level(sum[1]), level(sum[2])));
        }
    }
    return out;
}

// Lines are reduced before the pass along them, and enlarged after it.
QImage exactScale(const QImage &in, QSize size, bool bicubic)
{
    QImage picture = in;
    if (size.height() < picture.height())
        picture = exactPass(picture, size.height(), false, bicubic);
    picture = exactPass(picture, size.width(), true, bicubic);
    if (size.height() > picture.height())
        picture = exactPass(picture, size.height(), false, bicubic);
    return picture;
}

int largestChannelDifference(const QImage &a, const QImage &b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)),
                                std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    }
    return largest;
}

using Setting = int Adjustments::*;
using Metric = double Stats::*;

} // namespace

Q_DECLARE_METATYPE(Setting)
Q_DECLARE_METATYPE(Metric)

class DevicePictureTest : public QObject {
    Q_OBJECT

    device::Camera m_camera{7};
    QImage m_raw;

    QImage snap(const CaptureSettings &settings) const
    {
        return device::SnapProcessor::process(m_raw, settings);
    }

private slots:
    void initTestCase() { m_raw = m_camera.expose(CaptureSettings{}, moment); }

    void liveScenesMoveAndTapesReplay()
    {
        const device::Scene scene;
        const QImage now = scene.render(SourceKind::Live, moment);
        QCOMPARE(now.size(), TestCard::size);
        QVERIFY(now != scene.render(SourceKind::Live, moment.addMSecs(500)));
        const QImage tape = scene.render(SourceKind::Tape, moment);
        QVERIFY(tape != now);
        QVERIFY(tape != scene.render(SourceKind::Tape, moment.addMSecs(500)));
        QCOMPARE(scene.render(SourceKind::Tape, moment.addMSecs(device::Scene::tapeLoopMs)), tape);
        // Tape colour is faded.
        QVERIFY(measure(tape).chroma < measure(now).chroma);
    }

    void zeroAdjustmentsLeaveTheSceneAndTheNegativeInvertsIt()
    {
        const QImage scaled = device::Resampler::scale(m_raw, {800, 600}, ScaleQuality::Normal);
        CaptureSettings settings;
        settings.width = 800;
        QCOMPARE(snap(settings), scaled);
        QCOMPARE(device::PictureAdjuster(Adjustments{}, false).apply(scaled), scaled);
        QImage inverted = scaled;
        inverted.invertPixels();
        settings.negative = true;
        QCOMPARE(snap(settings), inverted);
    }

    void adjustmentsMoveThePictureTheWayTheirNameSays_data()
    {
        QTest::addColumn<Setting>("setting");
        QTest::addColumn<Metric>("metric");
        QTest::newRow("Bright") << &Adjustments::bright << &Stats::luma;
        QTest::newRow("Contrast") << &Adjustments::contrast << &Stats::lumaDeviation;
        QTest::newRow("Gamma") << &Adjustments::gamma << &Stats::luma;
        QTest::newRow("Sharpness") << &Adjustments::sharpness << &Stats::edges;
        QTest::newRow("Saturation") << &Adjustments::saturation << &Stats::chroma;
        QTest::newRow("Red") << &Adjustments::red << &Stats::red;
        QTest::newRow("Green") << &Adjustments::green << &Stats::green;
        QTest::newRow("Blue") << &Adjustments::blue << &Stats::blue;
    }
    void adjustmentsMoveThePictureTheWayTheirNameSays()
    {
        QFETCH(Setting, setting);
        QFETCH(Metric, metric);
        auto valueAt = [&](int value) {
            CaptureSettings settings;
            settings.adjustments.*setting = value;
            return measure(snap(settings)).*metric;
        };
        const double neutral = valueAt(0);
        QVERIFY2(valueAt(25) > neutral, qPrintable(QString::number(neutral)));
        QVERIFY(valueAt(50) > valueAt(25));
        QVERIFY(valueAt(-25) < neutral);
        QVERIFY(valueAt(-50) < valueAt(-25));
    }

    // Tint turns red towards yellow and green one way, towards magenta and
    // blue the other, and leaves greys grey; saturation at the bottom leaves
    // only grey.
    void tintTurnsTheHueAndSaturationRemovesIt()
    {
        auto tinted = [](QRgb colour, int tint) {
            QImage picture(16, 16, QImage::Format_RGB32);
            picture.fill(colour);
            Adjustments a;
            a.tint = tint;
            return device::PictureAdjuster(a, false).apply(picture).pixel(8, 8);
        };
        const QRgb red = qRgb(200, 30, 30), up = tinted(red, 25), down = tinted(red, -25);
        QVERIFY(qGreen(up) > 30 + 40 && qBlue(up) <= 30);
        QVERIFY(qBlue(down) > 30 + 40 && qGreen(down) <= 30);
        QCOMPARE(tinted(qRgb(90, 90, 90), 50), qRgb(90, 90, 90));

        CaptureSettings settings;
        settings.adjustments.saturation = -50;
        QVERIFY(isGrey(snap(settings)));
    }

    void slowerSnapMethodsHaveLessGrain()
    {
        const QRect field = scaledRegion(TestCard::flatField, 640, 4);
        double previous = 1e9;
        for (int method = 0; method <= 3; ++method) {
            CaptureSettings settings;
            settings.method = method;
            const QImage raw = m_camera.expose(settings, moment);
            const double grain =
                measure(device::SnapProcessor::process(raw, settings), field).lumaDeviation;
            QVERIFY2(grain < previous * 0.85, qPrintable(QString::number(grain)));
            previous = grain;
        }
    }

    // Every filter gives the snap size. Stripes finer than the snap's pixels
    // should blend to grey; nearest neighbour picks whole black or white
    // pixels instead.
    void filtersScaleToTheSnapSizeAndTheBetterOnesBlendFineDetail()
    {
        CaptureSettings settings;
        for (int width : {160, 320, 640, 800}) {
            for (auto filter : {ScaleQuality::Fast, ScaleQuality::Normal, ScaleQuality::High}) {
                settings.width = width;
                settings.filter = filter;
                QCOMPARE(snap(settings).size(), QSize(width, width * 3 / 4));
            }
        }
        // The finest stripe group of the card's stripe field.
        const QRect finest(288 + 5 * 36 + 4, 430, 28, 108);
        auto stripeContrast = [&](ScaleQuality filter) {
            settings.width = 160;
            settings.filter = filter;
            return measure(snap(settings), scaledRegion(finest, 160, 0)).lumaDeviation;
        };
        QVERIFY(stripeContrast(ScaleQuality::High) < stripeContrast(ScaleQuality::Fast) / 3);
    }

    // The fixed-point filters keep within one level of the same filters
    // worked out exactly, reducing, enlarging and at odd sizes.
    void filtersKeepWithinOneLevelOfTheirExactSums_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("bicubic");
        for (QSize size : {QSize(640, 480), QSize(203, 151), QSize(853, 641)}) {
            for (bool bicubic : {false, true})
                QTest::addRow("%dx%d %s", size.width(), size.height(), bicubic ? "High" : "Normal")
                    << size << bicubic;
        }
    }
    void filtersKeepWithinOneLevelOfTheirExactSums()
    {
        QFETCH(QSize, size);
        QFETCH(bool, bicubic);
        // A corner of the card with the stripes, the wedge and the grain.
        const QImage source = m_raw.copy(0, 300, 520, 276);
        const QSize scaled(size.width() * 520 / 768, size.height() * 276 / 576);
        const QImage fast = device::Resampler::scale(
            source, scaled, bicubic ? ScaleQuality::High : ScaleQuality::Normal);
        QCOMPARE(fast.size(), scaled);
        QCOMPARE_LE(largestChannelDifference(fast, exactScale(source, scaled, bicubic)), 1);
    }

    // Fixed palettes are the standard ones; palettes computed from the
    // picture fit it better.
    void colourDepthsLimitTheColours()
    {
        CaptureSettings settings;
        settings.adjustments.tint = 20;
        const QImage trueColour = snap(settings);
        QVERIFY(distinctColours(trueColour) > 256);

        settings.colorDepth = 16;
        const QImage highColour = snap(settings);
        QCOMPARE(highColour.format(), QImage::Format_RGB16);
        QVERIFY(meanDifference(highColour, trueColour) < 3.0);

        for (int depth : {8, 4}) {
            settings.colorDepth = depth;
            settings.optimizedPalette = false;
            const QImage fixed = snap(settings);
            settings.optimizedPalette = true;
            const QImage optimized = snap(settings);
            for (const QImage &picture : {fixed, optimized}) {
                QCOMPARE(picture.format(), QImage::Format_Indexed8);
                QVERIFY(picture.colorCount() <= 1 << depth);
                QVERIFY(distinctColours(picture) > (1 << depth) / 4);
            }
            QCOMPARE(fixed.colorTable(), device::StandardPalette::colours(1 << depth));
            QVERIFY(optimized.colorTable() != fixed.colorTable());
            QVERIFY(meanDifference(optimized, trueColour) < meanDifference(fixed, trueColour));
        }
    }
};

QTEST_MAIN(DevicePictureTest)
#include "tst_device_picture.moc"
