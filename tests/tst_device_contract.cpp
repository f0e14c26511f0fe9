// Every capture device as the program sees it through the device contract:
// its properties, the order and timing of its events, its preview and its
// files. The same cases run on the stand-in and on the GStreamer device
// watching GStreamer's moving test pattern.

#include "InstantStandIn.h"
#include "Netpbm.h"
#include "PictureDifference.h"
#include "device/gstreamer/GStreamerDevice.h"
#include "device/standin/SimulatedSource.h"
#include "device/standin/StandInDevice.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using snappy::Boolean;
using snappy::DispId;
using snappy::Method;
using snappy::Value;

namespace {

const QList<DispId> allProperties{
    DispId::SaveFileName, DispId::SaveFileType, DispId::OptimizedPalette,
    DispId::SnapMethod,   DispId::LiveSource,   DispId::ColorSource,
    DispId::Negative,     DispId::Tint,         DispId::Saturation,
    DispId::Bright,       DispId::Contrast,     DispId::Gamma,
    DispId::Sharpness,    DispId::Red,          DispId::Green,
    DispId::Blue,         DispId::VideoOut,     DispId::Picture,
    DispId::SnapWidth,    DispId::ColorDepth,   DispId::PreviewColor,
    DispId::ProcessFilter};

bool isGrey(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    const auto *p = reinterpret_cast<const QRgb *>(rgb.constBits());
    return std::all_of(p, p + rgb.width() * rgb.height(),
                       [](QRgb c) { return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c); });
}

// Gives anything still due a chance to arrive.
void settle()
{
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();
}

// A back end under test: how to make one that acquires as fast as it can,
// one that takes real time, and the least time a snap method acquires.
struct Backend {
    QString name;
    std::function<std::unique_ptr<snappy::SnappyDevice>()> quick;
    std::function<std::unique_ptr<snappy::SnappyDevice>()> realTime;
    std::function<int(int method)> leastAcquisitionMs;
};

// Records the device's events in order, and answers ProcessingData with
// ProcessData from inside the handler, as the program does.
struct EventLog {
    explicit EventLog(snappy::SnappyDevice &device, bool answerProcessing = true)
    {
        QObject::connect(&device, &snappy::SnappyDevice::AcquiringData, [this] { events << "A"; });
        QObject::connect(&device, &snappy::SnappyDevice::ProcessingData,
                         [this, &device, answerProcessing] {
                             events << "P";
                             if (answerProcessing)
                                 device.call(Method::ProcessData);
                         });
        QObject::connect(&device, &snappy::SnappyDevice::SnapDone, [this, &device] {
            events << "D";
            widths << device.picture().width();
        });
    }

    QStringList events;
    QList<int> widths;
};

} // namespace

class DeviceContractTest : public QObject {
    Q_OBJECT
public:
    explicit DeviceContractTest(Backend backend)
        : m_backend(std::move(backend))
    {
        setObjectName(m_backend.name);
    }

private slots:
    void init() { m_device = m_backend.quick(); }
    void cleanup() { m_device.reset(); }

    // Defaults of each property's type; writes of another type or out of
    // range refused, naming the property and changing nothing; good writes
    // kept for the next snap, where a black-and-white source stays grey
    // through the colour adjustments and a palette computed from it.
    void propertiesHoldValuesOfTheirTypeAndRangeForTheNextSnap()
    {
        const QList<Value> samples{qint16(1), qint32(1), Boolean::True, QStringLiteral("1"),
                                   QImage(2, 2, QImage::Format_RGB32)};
        for (DispId id : allProperties) {
            const Value before = m_device->readProperty(id);
            QCOMPARE(snappy::typeOf(before), snappy::propertyType(id));
            for (const Value &wrong : samples) {
                if (snappy::typeOf(wrong) == snappy::propertyType(id))
                    continue;
                const snappy::Failure failure = m_device->writeProperty(id, wrong);
                QVERIFY2(failure && failure->contains(snappy::propertyName(id)),
                         qPrintable(snappy::describe(wrong)));
                QCOMPARE(snappy::describe(m_device->readProperty(id)), snappy::describe(before));
            }
        }
        QVERIFY(m_device->picture().isNull());
        QCOMPARE(std::get<qint16>(m_device->readProperty(DispId::ColorDepth)), qint16(24));

        const QList<std::pair<DispId, Value>> writes{
            {DispId::SaveFileName, QStringLiteral("/tmp/a.png")},
            {DispId::SaveFileType, QStringLiteral("pcx")},
            {DispId::Picture, QImage(8, 6, QImage::Format_RGB32)},
            {DispId::LiveSource, Boolean::False},
            {DispId::ColorSource, Boolean::False},
            {DispId::SnapWidth, qint16(320)},
            {DispId::ColorDepth, qint16(4)},
            {DispId::OptimizedPalette, qint16(1)},
            {DispId::SnapMethod, qint16(3)},
            {DispId::Tint, qint32(-50)},
            {DispId::Saturation, qint32(50)}};
        for (const auto &[id, value] : writes)
            QCOMPARE(m_device->writeProperty(id, value), snappy::Failure());
        const QList<std::pair<DispId, Value>> outOfRange{{DispId::SnapWidth, qint16(500)},
                                                         {DispId::ColorDepth, qint16(12)},
                                                         {DispId::SnapMethod, qint16(4)},
                                                         {DispId::Tint, qint32(-51)},
                                                         {DispId::Saturation, qint32(51)}};
        for (const auto &[id, value] : outOfRange)
            QVERIFY(m_device->writeProperty(id, value));
        for (const auto &[id, value] : writes)
            QCOMPARE(snappy::describe(m_device->readProperty(id)), snappy::describe(value));

        EventLog log(*m_device);
        m_device->call(Method::Snap);
        QTRY_COMPARE(log.widths, QList<int>({320}));
        const QImage picture = m_device->picture();
        QCOMPARE(picture.size(), QSize(320, 240));
        QVERIFY(picture.format() == QImage::Format_Indexed8 && picture.colorCount() <= 16);
        QVERIFY(isGrey(picture));

        const snappy::Failure unknown = m_device->call(static_cast<Method>(99));
        QVERIFY(unknown && unknown->contains("99"));
    }

    // ProcessData counts only while a snap waits for it: not before the
    // snap, not while it acquires, and a second one is ignored.
    void snapReturnsBeforeAnyEventAndEndsAfterProcessData()
    {
        EventLog log(*m_device, false);
        QCOMPARE(m_device->call(Method::ProcessData), snappy::Failure());
        connect(m_device.get(), &snappy::SnappyDevice::AcquiringData,
                [this] { m_device->call(Method::ProcessData); });
        QCOMPARE(m_device->call(Method::Snap), snappy::Failure());
        QVERIFY(log.events.isEmpty());
        QTRY_COMPARE(log.events, QStringList({"A", "P"}));
        settle();
        QCOMPARE(log.events, QStringList({"A", "P"}));

        QCOMPARE(m_device->call(Method::ProcessData), snappy::Failure());
        m_device->call(Method::ProcessData);
        QCOMPARE(log.events, QStringList({"A", "P"}));
        QTRY_COMPARE(log.events, QStringList({"A", "P", "D"}));
        settle();
        QCOMPARE(log.events.size(), 3);
        QCOMPARE(m_device->picture().size(), QSize(640, 480));
    }

    // Snaps asked for while others run wait their turn; one asked for from
    // the last SnapDone starts anew.
    void snapsEachEndOnceInOrderWithTheirOwnSettings()
    {
        EventLog log(*m_device);
        connect(m_device.get(), &snappy::SnappyDevice::SnapDone, [this, &log] {
            if (log.widths.size() == 3)
                m_device->call(Method::Snap);
        });
        for (qint16 width : {160, 320, 800}) {
            m_device->writeProperty(DispId::SnapWidth, width);
            m_device->call(Method::Snap);
        }
        QVERIFY(log.events.isEmpty());
        QTRY_COMPARE(log.widths, QList<int>({160, 320, 800, 800}));
        settle();
        QCOMPARE(log.events.join(QString()), QStringLiteral("APDAPDAPDAPD"));
    }

    void acquisitionTakesLongerForSlowerMethods()
    {
        m_device = m_backend.realTime();
        QSignalSpy acquiring(m_device.get(), &snappy::SnappyDevice::AcquiringData);
        QSignalSpy processing(m_device.get(), &snappy::SnappyDevice::ProcessingData);
        for (qint16 method : {0, 3}) {
            m_device->writeProperty(DispId::SnapMethod, method);
            m_device->call(Method::Snap);
            QVERIFY(acquiring.wait());
            QElapsedTimer clock;
            clock.start();
            QVERIFY2(processing.wait(5000), qPrintable(QStringLiteral("method %1").arg(method)));
            const qint64 elapsed = clock.elapsed();
            m_device->call(Method::ProcessData);
            QVERIFY2(elapsed >= m_backend.leastAcquisitionMs(method),
                     qPrintable(QStringLiteral("method %1: %2 ms").arg(method).arg(elapsed)));
        }
    }

    void previewShowsTheNewestFrameUntilStopped_data()
    {
        QTest::addColumn<qint16>("previewColor");
        QTest::addColumn<Boolean>("colorSource");
        QTest::newRow("colour") << qint16(1) << Boolean::True;
        QTest::newRow("black-and-white preview") << qint16(0) << Boolean::True;
        QTest::newRow("black-and-white source") << qint16(1) << Boolean::False;
    }
    // Starting twice must not run two frame clocks: frames keep the pace of
    // one preview, which a second clock would halve.
    void previewShowsTheNewestFrameUntilStopped()
    {
        QFETCH(qint16, previewColor);
        QFETCH(Boolean, colorSource);
        m_device->writeProperty(DispId::PreviewColor, previewColor);
        m_device->writeProperty(DispId::ColorSource, colorSource);
        QSignalSpy updates(m_device.get(), &snappy::SnappyDevice::PictureUpdated);
        QCOMPARE(m_device->call(Method::StartPreview), snappy::Failure());
        m_device->call(Method::StartPreview);
        QVERIFY(updates.isEmpty());
        QVERIFY(updates.wait());
        const QImage first = m_device->picture();
        QCOMPARE(first.size(), QSize(640, 480));
        QCOMPARE(isGrey(first), previewColor == 0 || colorSource == Boolean::False);

        QElapsedTimer clock;
        clock.start();
        while (updates.size() < 11)
            QVERIFY(updates.wait());
        QVERIFY2(clock.elapsed() >= 10 * 25, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(m_device->picture() != first);

        QCOMPARE(m_device->call(Method::StopPreview), snappy::Failure());
        QVERIFY(!updates.wait(200));
    }

    // The device, not the program, writes the snap, in the type asked for,
    // as another program reads it back.
    void saveSnapWritesEveryTypeOfTheLastSnap()
    {
        EventLog log(*m_device);
        m_device->writeProperty(DispId::SnapWidth, qint16(160));
        m_device->call(Method::Snap);
        QTRY_COMPARE(log.widths, QList<int>({160}));
        const QImage picture = m_device->picture().convertToFormat(QImage::Format_RGB32);
        QTemporaryDir folder;
        for (auto type = netpbmDecoders.cbegin(); type != netpbmDecoders.cend(); ++type) {
            const QString path = folder.filePath(QStringLiteral("snap.") + type.key());
            m_device->writeProperty(DispId::SaveFileName, path);
            m_device->writeProperty(DispId::SaveFileType, type.key());
            QCOMPARE(m_device->call(Method::SaveSnap), snappy::Failure());
            const QImage decoded =
                decodeWithNetpbm(type.key(), path).convertToFormat(QImage::Format_RGB32);
            QCOMPARE(decoded.size(), picture.size());
            if (type.key() == "jpg")
                QVERIFY(broadDifference(decoded, picture) < 4.0);
            else
                QCOMPARE(decoded, picture);
        }
    }

private:
    Backend m_backend;
    std::unique_ptr<snappy::SnappyDevice> m_device;
};

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const auto testPattern = [] {
        return std::unique_ptr<snappy::SnappyDevice>(device::gst::GStreamerDevice::testPattern());
    };
    const QList<Backend> backends{
        {QStringLiteral("StandIn"), instantStandIn,
         [] { return std::make_unique<device::StandInDevice>(); },
         [](int method) { return device::SimulatedSource::acquisitionMs(method) * 9 / 10; }},
        // A live source delivers frames at its own pace, 30 a second, so a
        // snap takes the frames it averages, less the one already on its way.
        {QStringLiteral("GStreamer"), testPattern, testPattern,
         [](int method) { return (device::framesAveraged(method) - 1) * 1000 / 30 * 9 / 10; }},
    };
    int failures = 0;
    for (const Backend &backend : backends) {
        DeviceContractTest test(backend);
        failures += QTest::qExec(&test, argc, argv);
    }
    return failures;
}

#include "tst_device_contract.moc"
