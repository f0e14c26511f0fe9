// What the stand-in device's settings do to its pictures: the scene, the
// sensor's grain, scaling, the nine adjustments, the negative and the colour
// depths, each checked for the direction its name promises.

#include "device/Camera.h"
#include "device/PictureAdjuster.h"
#include "device/Resampler.h"
#include "device/Scene.h"
#include "device/SnapProcessor.h"
#include "device/StandInDevice.h"
#include "device/StandardPalette.h"
#include "device/TestCard.h"

#include <QSet>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <functional>

using device::Adjustments;
using device::CaptureSettings;
using device::ScaleQuality;
using device::SourceKind;
using device::TestCard;

namespace {

const QDateTime moment(QDate(2024, 5, 1), QTime(12, 0, 0));

struct Stats {
    double mean[3] = {0, 0, 0};
    double luma = 0;
    double lumaDeviation = 0;
    double chroma = 0;
    double edges = 0;
};

Stats measure(const QImage &picture, QRect area = {})
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    if (area.isNull())
        area = rgb.rect();
    Stats s;
    double lumaSquares = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = area.left(); x <= area.right(); ++x) {
            const int r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
            s.mean[0] += r;
            s.mean[1] += g;
            s.mean[2] += b;
            const double l = 0.299 * r + 0.587 * g + 0.114 * b;
            s.luma += l;
            lumaSquares += l * l;
            s.chroma += std::max({r, g, b}) - std::min({r, g, b});
            if (x > area.left())
                s.edges += std::abs(qGray(line[x]) - qGray(line[x - 1]));
        }
    }
    const double n = double(area.width()) * area.height();
    for (double &m : s.mean)
        m /= n;
    s.luma /= n;
    s.lumaDeviation = std::sqrt(lumaSquares / n - s.luma * s.luma);
    s.chroma /= n;
    s.edges /= n;
    return s;
}

int distinctColours(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> colours;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x)
            colours.insert(line[x]);
    }
    return int(colours.size());
}

bool isGrey(const QImage &picture)
{
    const Stats s = measure(picture);
    return s.chroma == 0.0;
}

double meanDifference(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double total = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col)
            total += std::abs(qRed(p[col]) - qRed(q[col])) +
                     std::abs(qGreen(p[col]) - qGreen(q[col])) +
                     std::abs(qBlue(p[col]) - qBlue(q[col]));
    }
    return total / (3.0 * x.width() * x.height());
}

// A card region in the coordinates of a picture `width` wide.
QRect scaledRegion(const QRect &cardRegion, int width, int margin)
{
    const double f = double(width) / TestCard::size.width();
    return QRect(QPoint(int(cardRegion.left() * f), int(cardRegion.top() * f)),
                 QPoint(int(cardRegion.right() * f), int(cardRegion.bottom() * f)))
        .adjusted(margin, margin, -margin, -margin);
}

using Setter = std::function<void(Adjustments &, int)>;
using Metric = std::function<double(const Stats &)>;

} // namespace

Q_DECLARE_METATYPE(Setter)
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

    void snapsHaveTheSnapWidthAndThreeQuartersOfItInHeight()
    {
        for (int width : {160, 320, 640, 800}) {
            for (auto filter : {ScaleQuality::Fast, ScaleQuality::Normal, ScaleQuality::High}) {
                CaptureSettings settings;
                settings.width = width;
                settings.filter = filter;
                QCOMPARE(snap(settings).size(), QSize(width, width * 3 / 4));
            }
        }
    }

    void allAdjustmentsAtZeroLeaveTheSceneUnchanged()
    {
        const QImage scaled = device::Resampler::scale(m_raw, {800, 600}, ScaleQuality::Normal);
        CaptureSettings settings;
        settings.width = 800;
        QCOMPARE(snap(settings), scaled);
        QCOMPARE(device::PictureAdjuster(Adjustments{}, false).apply(scaled), scaled);
    }

    void adjustmentsMoveThePictureTheWayTheirNameSays_data()
    {
        QTest::addColumn<Setter>("set");
        QTest::addColumn<Metric>("metric");
        auto row = [](const char *name, Setter set, Metric metric) {
            QTest::newRow(name) << set << metric;
        };
        row(
            "Bright", [](Adjustments &a, int v) { a.bright = v; },
            [](const Stats &s) { return s.luma; });
        row(
            "Contrast", [](Adjustments &a, int v) { a.contrast = v; },
            [](const Stats &s) { return s.lumaDeviation; });
        row(
            "Gamma", [](Adjustments &a, int v) { a.gamma = v; },
            [](const Stats &s) { return s.luma; });
        row(
            "Sharpness", [](Adjustments &a, int v) { a.sharpness = v; },
            [](const Stats &s) { return s.edges; });
        row(
            "Saturation", [](Adjustments &a, int v) { a.saturation = v; },
            [](const Stats &s) { return s.chroma; });
        row(
            "Red", [](Adjustments &a, int v) { a.red = v; },
            [](const Stats &s) { return s.mean[0] - (s.mean[1] + s.mean[2]) / 2; });
        row(
            "Green", [](Adjustments &a, int v) { a.green = v; },
            [](const Stats &s) { return s.mean[1] - (s.mean[0] + s.mean[2]) / 2; });
        row(
            "Blue", [](Adjustments &a, int v) { a.blue = v; },
            [](const Stats &s) { return s.mean[2] - (s.mean[0] + s.mean[1]) / 2; });
    }
    void adjustmentsMoveThePictureTheWayTheirNameSays()
    {
        QFETCH(Setter, set);
        QFETCH(Metric, metric);
        auto valueAt = [&](int setting) {
            CaptureSettings settings;
            set(settings.adjustments, setting);
            return metric(measure(snap(settings)));
        };
        const double neutral = valueAt(0);
        QVERIFY2(valueAt(25) > neutral, qPrintable(QString::number(neutral)));
        QVERIFY(valueAt(50) > valueAt(25));
        QVERIFY(valueAt(-25) < neutral);
        QVERIFY(valueAt(-50) < valueAt(-25));
    }

    void saturationAtTheBottomGivesGrey()
    {
        CaptureSettings settings;
        settings.adjustments.saturation = -50;
        QVERIFY(isGrey(snap(settings)));
    }

    // Red turns towards yellow and green one way, towards magenta and blue
    // the other; greys stay grey.
    void tintTurnsTheHue()
    {
        QImage red(16, 16, QImage::Format_RGB32);
        red.fill(qRgb(200, 30, 30));
        QImage grey(16, 16, QImage::Format_RGB32);
        grey.fill(qRgb(90, 90, 90));
        auto tinted = [](const QImage &picture, int tint) {
            Adjustments a;
            a.tint = tint;
            return device::PictureAdjuster(a, false).apply(picture).pixel(8, 8);
        };
        QVERIFY(qGreen(tinted(red, 25)) > 30 + 40);
        QVERIFY(qBlue(tinted(red, 25)) <= 30);
        QVERIFY(qBlue(tinted(red, -25)) > 30 + 40);
        QVERIFY(qGreen(tinted(red, -25)) <= 30);
        QCOMPARE(tinted(grey, 50), grey.pixel(0, 0));
    }

    void negativeInvertsEveryPixel()
    {
        CaptureSettings settings;
        const QImage plain = snap(settings);
        settings.negative = true;
        const QImage negative = snap(settings);
        for (int y = 0; y < plain.height(); y += 7) {
            for (int x = 0; x < plain.width(); x += 5) {
                const QRgb p = plain.pixel(x, y), n = negative.pixel(x, y);
                QCOMPARE(qRgb(255 - qRed(p), 255 - qGreen(p), 255 - qBlue(p)), n);
            }
        }
    }

    void blackAndWhiteSourcesGiveGreySnaps()
    {
        CaptureSettings settings;
        settings.colour = false;
        const QImage raw = m_camera.expose(settings, moment);
        QVERIFY(isGrey(raw));
        settings.adjustments.tint = 30;
        settings.adjustments.saturation = 40;
        QVERIFY(isGrey(device::SnapProcessor::process(raw, settings)));
        settings.colorDepth = 8;
        settings.optimizedPalette = true;
        QVERIFY(isGrey(device::SnapProcessor::process(raw, settings)));
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

    // Stripes finer than the snap's pixels should blend to grey; nearest
    // neighbour picks whole black or white pixels instead.
    void higherQualityFiltersBlendDetailTooFineForTheSnap()
    {
        // The finest stripe group of the card's stripe field.
        const QRect finest(288 + 5 * 36 + 4, 430, 28, 108);
        auto stripeContrast = [&](ScaleQuality filter) {
            CaptureSettings settings;
            settings.width = 160;
            settings.filter = filter;
            return measure(snap(settings), scaledRegion(finest, 160, 0)).lumaDeviation;
        };
        QVERIFY(stripeContrast(ScaleQuality::High) < stripeContrast(ScaleQuality::Fast) / 3);
    }

    void colourDepthsLimitTheColours()
    {
        CaptureSettings settings;
        settings.colorDepth = 24;
        const QImage trueColour = snap(settings);
        QVERIFY(distinctColours(trueColour) > 256);

        settings.colorDepth = 16;
        const QImage highColour = snap(settings);
        QCOMPARE(highColour.format(), QImage::Format_RGB16);
        QVERIFY(meanDifference(highColour, trueColour) < 3.0);

        for (bool optimized : {false, true}) {
            settings.optimizedPalette = optimized;
            settings.colorDepth = 8;
            const QImage eight = snap(settings);
            QCOMPARE(eight.format(), QImage::Format_Indexed8);
            QVERIFY(eight.colorCount() <= 256);
            QVERIFY(distinctColours(eight) <= 256);
            QVERIFY(distinctColours(eight) > 16);
            settings.colorDepth = 4;
            const QImage four = snap(settings);
            QVERIFY(four.colorCount() <= 16);
            QVERIFY(distinctColours(four) <= 16);
        }
    }

    void optimizedPalettesComeFromThePictureAndFitItBetter()
    {
        CaptureSettings settings;
        settings.adjustments.tint = 20;
        const QImage trueColour = snap(settings);
        settings.colorDepth = 4;
        const QImage fixed = snap(settings);
        settings.optimizedPalette = true;
        const QImage optimized = snap(settings);
        QCOMPARE(fixed.colorTable(), device::StandardPalette::colours(16));
        QVERIFY(optimized.colorTable() != fixed.colorTable());
        QVERIFY(meanDifference(optimized, trueColour) < meanDifference(fixed, trueColour));
    }

    void snapsThroughTheDeviceHonourTheSettingsWrittenBeforeSnap()
    {
        device::StandInDevice standIn;
        standIn.setTimeScale(0.0);
        connect(&standIn, &snappy::SnappyDevice::ProcessingData,
                [&standIn] { standIn.call(snappy::Method::ProcessData); });
        QSignalSpy done(&standIn, &snappy::SnappyDevice::SnapDone);
        standIn.writeProperty(snappy::DispId::SnapWidth, qint16(320));
        standIn.writeProperty(snappy::DispId::ColorDepth, qint16(4));
        standIn.writeProperty(snappy::DispId::ColorSource, snappy::Boolean::False);
        standIn.call(snappy::Method::Snap);
        // Written after Snap: applies to the next snap only.
        standIn.writeProperty(snappy::DispId::SnapWidth, qint16(160));
        QVERIFY(done.wait());
        const QImage picture = standIn.picture();
        QCOMPARE(picture.size(), QSize(320, 240));
        QVERIFY(distinctColours(picture) <= 16);
        QVERIFY(isGrey(picture));
    }
};

QTEST_MAIN(DevicePictureTest)
#include "tst_device_picture.moc"
