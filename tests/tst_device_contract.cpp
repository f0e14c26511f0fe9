// Every capture device as the program sees it through the device contract:
// its properties, the order and timing of its events and its preview. The
// same cases run on the stand-in and on the GStreamer device watching
// GStreamer's moving test pattern.

#include "DataColumns.h"
#include "InstantStandIn.h"
#include "device/gstreamer/GStreamerDevice.h"
#include "device/standin/SimulatedSource.h"
#include "device/standin/StandInDevice.h"

#include <QtTest>

using namespace snappy;

namespace {

// Records the device's events in order, each end with the width of its
// picture, and answers ProcessingData with ProcessData from inside the
// handler, as the program does, while answering.
struct EventLog {
    explicit EventLog(SnappyDevice &device)
    {
        QObject::connect(&device, &SnappyDevice::AcquiringData, [this] { events += "A"; });
        QObject::connect(&device, &SnappyDevice::ProcessingData, [this, &device] {
            events += "P";
            if (answering)
                device.call(Method::ProcessData);
        });
        QObject::connect(&device, &SnappyDevice::SnapDone, [this, &device] {
            events += "D" + QString::number(device.picture().width());
        });
    }

    QString events;
    bool answering = true;
};

// The device under test: GStreamer's test pattern, or the stand-in, which
// acquires as fast as it can unless it is to take real time.
std::unique_ptr<SnappyDevice> deviceUnderTest(bool realTime = false)
{
    QFETCH_GLOBAL(bool, gstreamer);
    if (gstreamer)
        return device::gst::GStreamerDevice::testPattern();
    return realTime ? std::make_unique<device::StandInDevice>() : instantStandIn();
}

} // namespace

class DeviceContractTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<bool>("gstreamer");
        QTest::newRow("StandIn") << false;
        QTest::newRow("GStreamer") << true;
    }
    void init() { m_device = deviceUnderTest(); }
    void cleanup() { m_device.reset(); }

    // Writes of another type or out of range refused, naming the property
    // and changing nothing; good writes kept for the next snap, where a
    // black-and-white source stays grey through the colour adjustments and
    // a palette computed from it, and the slowest method takes the time of
    // its frames, not that of the fastest.
    void propertiesHoldValuesOfTheirTypeAndRangeForTheNextSnap()
    {
        QFETCH_GLOBAL(bool, gstreamer);
        m_device = deviceUnderTest(true);
        const QList<std::pair<DispId, Value>> refused{
            {DispId::Tint, qint16(0)},        {DispId::SnapWidth, qint32(320)},
            {DispId::LiveSource, qint16(-1)}, {DispId::SaveFileName, Boolean::True},
            {DispId::Picture, QString("x")},  {DispId::SnapWidth, qint16(500)},
            {DispId::ColorDepth, qint16(12)}, {DispId::SnapMethod, qint16(4)},
            {DispId::Tint, qint32(-51)},      {DispId::Saturation, qint32(51)}};
        for (const auto &[id, value] : refused) {
            const QString before = describe(m_device->readProperty(id));
            const Failure failure = m_device->writeProperty(id, value);
            QVERIFY2(failure && failure->contains(propertyName(id)), qPrintable(describe(value)));
            QCOMPARE(describe(m_device->readProperty(id)), before);
        }

        const QList<std::pair<DispId, Value>> writes{
            {DispId::LiveSource, Boolean::False},  {DispId::ColorSource, Boolean::False},
            {DispId::SnapWidth, qint16(320)},      {DispId::ColorDepth, qint16(4)},
            {DispId::OptimizedPalette, qint16(1)}, {DispId::SnapMethod, qint16(3)},
            {DispId::Tint, qint32(-50)},           {DispId::Saturation, qint32(50)}};
        for (const auto &[id, value] : writes)
            QCOMPARE(m_device->writeProperty(id, value), Failure());
        for (const auto &[id, value] : writes)
            QCOMPARE(describe(m_device->readProperty(id)), describe(value));

        EventLog log(*m_device);
        QElapsedTimer acquiring;
        qint64 acquiringMs = -1;
        connect(m_device.get(), &SnappyDevice::AcquiringData, [&] { acquiring.start(); });
        connect(m_device.get(), &SnappyDevice::ProcessingData,
                [&] { acquiringMs = acquiring.elapsed(); });
        m_device->call(Method::Snap);
        QTRY_COMPARE_WITH_TIMEOUT(log.events, QString("APD320"), 10000);
        const QImage picture = m_device->picture();
        QCOMPARE(picture.size(), QSize(320, 240));
        QVERIFY(picture.format() == QImage::Format_Indexed8 && picture.colorCount() <= 16);
        QVERIFY(picture.allGray());
        // A live source delivers frames at its own pace, 30 a second, so a
        // snap takes the frames it averages, less the one already on its way.
        const int least = gstreamer ? (device::framesAveraged(3) - 1) * 1000 / 30
                                    : device::SimulatedSource::acquisitionMs(3);
        QVERIFY2(acquiringMs >= least * 9 / 10, qPrintable(QString::number(acquiringMs)));
    }

    // A snap returns before any event, and ends only after a ProcessData
    // while it waits for it: not one before the snap or while it acquires,
    // nor a second one for the next snap. Snaps asked for while others run
    // wait their turn with their own settings; one asked for from the last
    // SnapDone starts anew.
    void snapsEndOnceInOrderAfterProcessData()
    {
        EventLog log(*m_device);
        log.answering = false;
        QCOMPARE(m_device->call(Method::ProcessData), Failure());
        connect(m_device.get(), &SnappyDevice::AcquiringData,
                [this] { m_device->call(Method::ProcessData); });
        connect(m_device.get(), &SnappyDevice::SnapDone, [this, &log] {
            if (log.events.count('D') == 3)
                m_device->call(Method::Snap);
        });
        for (qint16 width : {160, 320, 800}) {
            m_device->writeProperty(DispId::SnapWidth, width);
            QCOMPARE(m_device->call(Method::Snap), Failure());
        }
        QVERIFY(log.events.isEmpty());
        QTRY_COMPARE(log.events, QString("AP"));
        // Anything still due is given time to arrive, here and below.
        QTest::qWait(200);
        QCOMPARE(m_device->call(Method::ProcessData), Failure());
        m_device->call(Method::ProcessData);
        QCOMPARE(log.events, QString("AP"));
        QTRY_COMPARE(log.events, QString("APD160AP"));
        QTest::qWait(200);
        QCOMPARE(log.events, QString("APD160AP"));

        log.answering = true;
        m_device->call(Method::ProcessData);
        QTRY_COMPARE(log.events, QString("APD160APD320APD800APD800"));
        QTest::qWait(200);
        QCOMPARE(log.events, QString("APD160APD320APD800APD800"));
    }

    void previewShowsTheNewestFrameUntilStopped_data()
    {
        addColumns<qint16, Boolean>({"previewColor", "colorSource"});
        QTest::newRow("colour") << qint16(1) << Boolean::True;
        QTest::newRow("black-and-white preview") << qint16(0) << Boolean::True;
        QTest::newRow("black-and-white source") << qint16(1) << Boolean::False;
    }
    // Starting twice must not run two frame clocks: frames keep the pace of
    // one preview, which a second clock would halve.
    void previewShowsTheNewestFrameUntilStopped()
    {
        const auto [previewColor, colorSource] = fetchRow<qint16, Boolean>();
        m_device->writeProperty(DispId::PreviewColor, previewColor);
        m_device->writeProperty(DispId::ColorSource, colorSource);
        QSignalSpy updates(m_device.get(), &SnappyDevice::PictureUpdated);
        QCOMPARE(m_device->call(Method::StartPreview), Failure());
        m_device->call(Method::StartPreview);
        QVERIFY(updates.isEmpty());
        QVERIFY(updates.wait());
        const QImage first = m_device->picture();
        QCOMPARE(first.size(), QSize(640, 480));
        QCOMPARE(first.allGray(), previewColor == 0 || colorSource == Boolean::False);

        QElapsedTimer clock;
        clock.start();
        while (updates.size() < 11)
            QVERIFY(updates.wait());
        QVERIFY2(clock.elapsed() >= 10 * 25, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(m_device->picture() != first);

        QCOMPARE(m_device->call(Method::StopPreview), Failure());
        QVERIFY(!updates.wait(200));
    }

private:
    std::unique_ptr<SnappyDevice> m_device;
};

QTEST_MAIN(DeviceContractTest)
#include "tst_device_contract.moc"
