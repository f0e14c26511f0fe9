// The stand-in device as the program sees it through the device contract:
// its properties, the order and timing of its events, and its preview.

#include "device/StandInDevice.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using snappy::Boolean;
using snappy::DispId;
using snappy::Method;
using snappy::Value;
using snappy::ValueType;

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

// A value of every type but the property's own.
QList<Value> wrongValuesFor(DispId id)
{
    const QList<Value> samples{qint16(1), qint32(1), Boolean::True, QStringLiteral("1"),
                               QImage(2, 2, QImage::Format_RGB32)};
    QList<Value> wrong;
    for (const Value &v : samples) {
        if (snappy::typeOf(v) != snappy::propertyType(id))
            wrong << v;
    }
    return wrong;
}

bool isGrey(const QImage &picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (qRed(line[x]) != qGreen(line[x]) || qGreen(line[x]) != qBlue(line[x]))
                return false;
        }
    }
    return true;
}

// Records the device's events in order, and answers ProcessingData with
// ProcessData from inside the handler, as the program does.
struct EventLog {
    explicit EventLog(device::StandInDevice &device, bool answerProcessing = true)
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

private slots:
    void init()
    {
        m_device = std::make_unique<device::StandInDevice>();
        m_device->setTimeScale(0.0);
    }
    void cleanup() { m_device.reset(); }

    void unwrittenPropertiesReadAsDefaultsOfTheirType()
    {
        for (DispId id : allProperties) {
            const Value value = m_device->readProperty(id);
            QCOMPARE(snappy::typeOf(value), snappy::propertyType(id));
        }
        QVERIFY(m_device->picture().isNull());
        QCOMPARE(std::get<qint16>(m_device->readProperty(DispId::SnapWidth)), qint16(640));
        QCOMPARE(std::get<qint16>(m_device->readProperty(DispId::ColorDepth)), qint16(24));
    }

    void writtenPropertiesAreKept()
    {
        const QImage picture(8, 6, QImage::Format_RGB32);
        const QList<std::pair<DispId, Value>> writes{
            {DispId::SaveFileName, QStringLiteral("/tmp/a.png")},
            {DispId::SaveFileType, QStringLiteral("pcx")},
            {DispId::LiveSource, Boolean::False},
            {DispId::SnapWidth, qint16(160)},
            {DispId::Bright, qint32(-50)},
            {DispId::Blue, qint32(50)},
            {DispId::Picture, picture}};
        for (const auto &[id, value] : writes)
            QCOMPARE(m_device->writeProperty(id, value), snappy::Failure());
        for (const auto &[id, value] : writes)
            QCOMPARE(snappy::describe(m_device->readProperty(id)), snappy::describe(value));
    }

    void writesOfTheWrongTypeAreRefusedAndChangeNothing()
    {
        for (DispId id : allProperties) {
            const QString before = snappy::describe(m_device->readProperty(id));
            for (const Value &wrong : wrongValuesFor(id)) {
                const snappy::Failure failure = m_device->writeProperty(id, wrong);
                QVERIFY2(failure && failure->contains(snappy::propertyName(id)),
                         qPrintable(snappy::describe(wrong)));
                QCOMPARE(snappy::describe(m_device->readProperty(id)), before);
            }
        }
    }

    void valuesOutsideAPropertysRangeAreRefused()
    {
        QVERIFY(m_device->writeProperty(DispId::SnapWidth, qint16(500)));
        QVERIFY(m_device->writeProperty(DispId::ColorDepth, qint16(12)));
        QVERIFY(m_device->writeProperty(DispId::SnapMethod, qint16(4)));
        QVERIFY(m_device->writeProperty(DispId::Gamma, qint32(51)));
        QVERIFY(m_device->writeProperty(DispId::Tint, qint32(-51)));
        QCOMPARE(std::get<qint16>(m_device->readProperty(DispId::SnapWidth)), qint16(640));
        QCOMPARE(std::get<qint32>(m_device->readProperty(DispId::Gamma)), 0);
    }

    void snapReturnsBeforeAnyEventAndEndsAfterProcessData()
    {
        EventLog log(*m_device, false);
        QSignalSpy processing(m_device.get(), &snappy::SnappyDevice::ProcessingData);
        QCOMPARE(m_device->call(Method::Snap), snappy::Failure());
        QVERIFY(log.events.isEmpty());

        QVERIFY(processing.wait());
        QCOMPARE(log.events, QStringList({"A", "P"}));
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(log.events, QStringList({"A", "P"}));

        QCOMPARE(m_device->call(Method::ProcessData), snappy::Failure());
        QCOMPARE(log.events, QStringList({"A", "P"}));
        QTRY_COMPARE(log.events, QStringList({"A", "P", "D"}));
        QCOMPARE(m_device->picture().size(), QSize(640, 480));
    }

    void processDataWithNoSnapWaitingIsIgnored()
    {
        EventLog log(*m_device, false);
        QCOMPARE(m_device->call(Method::ProcessData), snappy::Failure());
        // Asked for while acquiring, it does not count for the snap.
        connect(m_device.get(), &snappy::SnappyDevice::AcquiringData,
                [this] { m_device->call(Method::ProcessData); });
        m_device->call(Method::Snap);
        QTRY_COMPARE(log.events, QStringList({"A", "P"}));
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(log.events, QStringList({"A", "P"}));
        m_device->call(Method::ProcessData);
        m_device->call(Method::ProcessData);
        QTRY_COMPARE(log.events, QStringList({"A", "P", "D"}));
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(log.events.size(), 3);
    }

    void overlappingSnapsEachEndOnceInOrderWithTheirOwnSettings()
    {
        EventLog log(*m_device);
        for (qint16 width : {160, 320, 800}) {
            m_device->writeProperty(DispId::SnapWidth, width);
            m_device->call(Method::Snap);
        }
        QVERIFY(log.events.isEmpty());
        QTRY_COMPARE(log.widths, QList<int>({160, 320, 800}));
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(log.events.join(QString()), QStringLiteral("APDAPDAPD"));
        QCOMPARE(m_device->picture().size(), QSize(800, 600));
    }

    void snapCalledFromSnapDoneStartsTheNextSnap()
    {
        EventLog log(*m_device);
        connect(m_device.get(), &snappy::SnappyDevice::SnapDone, [this, &log] {
            if (log.widths.size() < 4)
                m_device->call(Method::Snap);
        });
        m_device->writeProperty(DispId::SnapWidth, qint16(160));
        m_device->call(Method::Snap);
        QTRY_COMPARE(log.widths.size(), 4);
        for (int i = 0; i < 20; ++i)
            QCoreApplication::processEvents();
        QCOMPARE(log.events.join(QString()), QStringLiteral("APDAPDAPDAPD"));
    }

    void acquisitionTakesLongerForSlowerMethods()
    {
        QSignalSpy acquiring(m_device.get(), &snappy::SnappyDevice::AcquiringData);
        QSignalSpy processing(m_device.get(), &snappy::SnappyDevice::ProcessingData);
        QElapsedTimer clock;
        m_device->setTimeScale(1.0);
        auto acquisitionMs = [&](qint16 method) {
            m_device->writeProperty(DispId::SnapMethod, method);
            m_device->call(Method::Snap);
            acquiring.wait();
            clock.start();
            processing.wait(5000);
            const qint64 elapsed = clock.elapsed();
            m_device->call(Method::ProcessData);
            return elapsed;
        };
        QVERIFY(acquisitionMs(0) >= 180);
        QVERIFY(acquisitionMs(2) >= 900);
    }

    void previewUpdatesTheVgaPictureUntilStopped()
    {
        QSignalSpy updates(m_device.get(), &snappy::SnappyDevice::PictureUpdated);
        QCOMPARE(m_device->call(Method::StartPreview), snappy::Failure());
        QVERIFY(updates.isEmpty());
        QTRY_VERIFY(updates.size() >= 1);
        const QImage first = m_device->picture();
        QCOMPARE(first.size(), QSize(640, 480));
        QTRY_VERIFY(updates.size() >= 3);
        QVERIFY(m_device->picture() != first);
        QVERIFY(!isGrey(m_device->picture()));

        QCOMPARE(m_device->call(Method::StopPreview), snappy::Failure());
        const qsizetype stoppedAt = updates.size();
        QTimer later;
        later.setSingleShot(true);
        QSignalSpy laterSpy(&later, &QTimer::timeout);
        later.start(200);
        QVERIFY(laterSpy.wait());
        QCOMPARE(updates.size(), stoppedAt);
    }

    void blackAndWhitePreviewsAreGrey_data()
    {
        QTest::addColumn<qint16>("previewColor");
        QTest::addColumn<Boolean>("colorSource");
        QTest::newRow("black-and-white preview") << qint16(0) << Boolean::True;
        QTest::newRow("black-and-white source") << qint16(1) << Boolean::False;
    }
    void blackAndWhitePreviewsAreGrey()
    {
        QFETCH(qint16, previewColor);
        QFETCH(Boolean, colorSource);
        m_device->writeProperty(DispId::PreviewColor, previewColor);
        m_device->writeProperty(DispId::ColorSource, colorSource);
        QSignalSpy updates(m_device.get(), &snappy::SnappyDevice::PictureUpdated);
        m_device->call(Method::StartPreview);
        QVERIFY(updates.wait());
        QVERIFY(isGrey(m_device->picture()));
    }

    // Starting twice must not run two frame clocks: frames keep the pace of
    // one preview, which a second clock would halve.
    void startingThePreviewTwiceKeepsItsRate()
    {
        QSignalSpy updates(m_device.get(), &snappy::SnappyDevice::PictureUpdated);
        m_device->call(Method::StartPreview);
        m_device->call(Method::StartPreview);
        QVERIFY(updates.wait());
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(updates.size() >= 11, 10000);
        QVERIFY2(clock.elapsed() >= 10 * 25, qPrintable(QString::number(clock.elapsed())));
    }

    void unknownMethodsFail()
    {
        const snappy::Failure failure = m_device->call(static_cast<Method>(99));
        QVERIFY(failure && failure->contains("99"));
    }

private:
    std::unique_ptr<device::StandInDevice> m_device;
};

QTEST_MAIN(DeviceContractTest)
#include "tst_device_contract.moc"
