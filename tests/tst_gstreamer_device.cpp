// The GStreamer device where real hardware lets it down: sources that cannot
// start, that end or fall silent in the middle of a snap, and frames whose
// size or shape the snap does not have. Each snap still ends once, the user
// hears of the fault once, and the next snap opens the source afresh.

#include "DataColumns.h"
#include "device/gstreamer/CaptureMode.h"
#include "device/gstreamer/GStreamerDevice.h"
#include "device/gstreamer/GStreamerSource.h"

#include "SnapOnce.h"

#include <gst/gst.h>

#include <QtTest>

using namespace device::gst;
using namespace snappy;

namespace {

// The picture a snap with the method ended with; one that did not end, or
// ended more than once, gives a picture no snap has.
QImage snap(GStreamerDevice &device, qint16 method)
{
    const Snapped snapped = snapOnce(device, method, 10000);
    return snapped.ends == 1 ? snapped.picture : QImage(1, 1, QImage::Format_Mono);
}

} // namespace

class GStreamerDeviceTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_frames;

private slots:
    void initTestCase() { gst_init(nullptr, nullptr); }

    void faultsEndTheSnapOnceAreReportedOnceAndTheNextSnapRecovers_data()
    {
        addColumns<QString, qint16, QString>({"source", "failingMethod", "reason"});
        // The source has three frames; a snap that averages eight runs out.
        QTest::newRow("stream ends")
            << "videotestsrc is-live=true num-buffers=3" << qint16(3) << "stream ended";
        // One frame in five seconds: the second frame of the snap never comes.
        QTest::newRow("source falls silent")
            << "videotestsrc is-live=true ! video/x-raw,framerate=1/5" << qint16(1)
            << "sent no picture";
        // Frames keep coming, a little faster than the silence that ends a
        // snap, but each of another size than those before it, which the
        // snap cannot add to them: as good as none.
        for (int frame = 0; frame < 3; ++frame) {
            QImage picture(640 >> frame, 480 >> frame, QImage::Format_RGB32);
            picture.fill(Qt::gray);
            QVERIFY(picture.save(m_frames.filePath(QStringLiteral("%1.jpg").arg(frame))));
        }
        QTest::newRow("frames of another size")
            << "multifilesrc location=" + m_frames.filePath("%d.jpg") +
                   " loop=true caps=image/jpeg,width=640,height=480,framerate=30/1"
                   " ! identity sleep-time=150000"
            << qint16(3) << "sent no picture";
        // The kernel's video devices are opened by path; one that is missing
        // (the machine that runs the tests has none) fails every snap and
        // shows no preview, with the system's words.
        QTest::newRow("camera missing")
            << "/dev/no such \"camera\"" << qint16(0) << "could not be opened";
    }
    void faultsEndTheSnapOnceAreReportedOnceAndTheNextSnapRecovers()
    {
        const auto [source, failingMethod, reason] = fetchRow<QString, qint16, QString>();
        const auto device = std::make_unique<GStreamerDevice>(
            source.startsWith('/') ? VideoSource::camera(source) : VideoSource::pipeline(source),
            QStringLiteral("Test camera"));
        device->setFrameTimeout(300);
        device->setSettleTime(0);
        QSignalSpy failures(device.get(), &SnappyDevice::failed);
        QSignalSpy acquiring(device.get(), &SnappyDevice::AcquiringData);

        for (int attempt = 0; attempt < 2; ++attempt)
            QVERIFY(snap(*device, failingMethod).isNull());
        QCOMPARE(acquiring.size(), 2);
        QCOMPARE(failures.size(), 1);
        const QString told = failures.front().front().toString();
        QVERIFY2(told.contains("Test camera") && told.contains(reason), qPrintable(told));

        // A source that fails even the quickest snap never recovers.
        if (failingMethod == 0) {
            QSignalSpy updates(device.get(), &SnappyDevice::PictureUpdated);
            device->call(Method::StartPreview);
            QVERIFY(!updates.wait(300));
            QCOMPARE(failures.size(), 1);
            return;
        }
        QCOMPARE(snap(*device, 0).size(), QSize(640, 480));
        // Once pictures came again, a new fault is news again.
        QVERIFY(snap(*device, failingMethod).isNull());
        QCOMPARE(failures.size(), 2);
    }

    // Frames that keep coming keep a preview open far past the time a silent
    // source is given; only a silence that long may end it, as a busy
    // machine can leave one.
    void aPreviewWithFramesComingNeverTimesOut()
    {
        constexpr int timeoutMs = 300;
        // GStreamer's test pattern, whose frames come 30 a second.
        const auto device = GStreamerDevice::testPattern();
        device->setFrameTimeout(timeoutMs);
        device->setSettleTime(0);
        QSignalSpy frames(device.get(), &SnappyDevice::PictureUpdated);
        QElapsedTimer sinceFrame;
        qint64 silence = -1;
        connect(device.get(), &SnappyDevice::PictureUpdated, this, [&] { sinceFrame.start(); });
        connect(device.get(), &SnappyDevice::failed, this, [&] { silence = sinceFrame.elapsed(); });
        sinceFrame.start();
        device->call(Method::StartPreview);
        // A second and a half of frames: five times the timeout.
        QTRY_VERIFY_WITH_TIMEOUT(frames.size() >= 45 || silence >= 0, 30000);
        device->call(Method::StopPreview);
        QVERIFY2(silence < 0 || silence >= timeoutMs - 1, qPrintable(QString::number(silence)));
    }

    // Webcams often offer only wide or compressed modes: the snap is cut to
    // 4:3 from the centre of the nearest larger mode, then scaled. Red
    // borders lie outside the 4:3 middle; nothing of them is left. Cameras
    // deliver dark frames while their exposure settles: the settling source
    // is black for its first third of a second.
    void snapsAreTheSettledFourByThreeMiddleOfTheMode_data()
    {
        addColumns<QString, int, int>({"source", "settleMs", "green"});
        const QString green =
            "videotestsrc is-live=true pattern=solid-color foreground-color=0xff00ff00 ! ";
        const QString vga = "video/x-raw,width=640,height=480,framerate=30/1";
        QTest::newRow("wide") << green + "video/x-raw,width=1280,height=720 ! videobox "
                                         "left=-160 right=-160 fill=red"
                              << 0 << 255;
        QTest::newRow("tall") << green + vga + " ! videobox top=-80 bottom=-80 fill=red" << 0
                              << 255;
        QTest::newRow("jpeg") << green + "jpegenc ! image/jpeg,width=320,height=240" << 0 << 255;
        const QString settling = "videotestsrc is-live=true pattern=black num-buffers=10 ! " + vga +
                                 " ! concat name=settling  " + green + vga +
                                 " ! settling.  settling. ! " + vga;
        QTest::newRow("settling, not waited for") << settling << 0 << 0;
        QTest::newRow("settling, settled") << settling << GStreamerSource::defaultSettleMs << 255;
    }
    void snapsAreTheSettledFourByThreeMiddleOfTheMode()
    {
        const auto [source, settleMs, green] = fetchRow<QString, int, int>();
        GStreamerDevice device(VideoSource::pipeline(source), QStringLiteral("Camera"));
        device.setSettleTime(settleMs);
        device.writeProperty(DispId::SnapWidth, qint16(160));
        const QImage picture = snap(device, 0).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(picture.size(), QSize(160, 120));
        for (const QPoint at : {QPoint(0, 0), QPoint(80, 60), QPoint(159, 119)})
            QVERIFY2(qAbs(qGreen(picture.pixel(at)) - green) < 60 && qRed(picture.pixel(at)) < 60,
                     qPrintable(QString::number(picture.pixel(at), 16)));
    }

    // The mode a snap opens the source in: the size wanted where the source
    // offers it, else the nearest larger, else the largest there is, from
    // listed modes, ranges or lists of sizes; a source that tells no sizes
    // is asked for the one wanted.
    void captureSizeIsTheWantedOrTheNearestLarger_data()
    {
        addColumns<QString, QList<QSize>, QList<QSize>>({"caps", "wanted", "chosen"});
        // Offered, the nearest larger, none larger: the largest.
        QTest::newRow("modes") << "video/x-raw,width=1280,height=720; video/x-raw,width=640,"
                                  "height=360; image/jpeg,width=1920,height=1080; "
                                  "video/x-raw,width=320,height=240"
                               << QList<QSize>{{320, 240}, {640, 480}, {2592, 1944}}
                               << QList<QSize>{{320, 240}, {1280, 720}, {1920, 1080}};
        // Holding it, and too small: the largest.
        QTest::newRow("ranges") << "video/x-raw,width=[16,640],height=[16,480]"
                                << QList<QSize>{{320, 240}, {800, 600}}
                                << QList<QSize>{{320, 240}, {640, 480}};
        QTest::newRow("lists") << "video/x-raw,width={320,1024},height={240,768}"
                               << QList<QSize>{{800, 600}} << QList<QSize>{{1024, 768}};
        QTest::newRow("nothing known")
            << "video/x-raw" << QList<QSize>{{640, 480}} << QList<QSize>{{640, 480}};
    }
    void captureSizeIsTheWantedOrTheNearestLarger()
    {
        const auto [caps, wanted, chosen] = fetchRow<QString, QList<QSize>, QList<QSize>>();
        GstCaps *offered = gst_caps_from_string(caps.toUtf8().constData());
        QVERIFY(offered);
        QList<QSize> chosenHere;
        for (const QSize size : wanted)
            chosenHere << chooseCaptureSize(offeredSizes(offered, size), size);
        gst_caps_unref(offered);
        QCOMPARE(chosenHere, chosen);
    }
};

QTEST_MAIN(GStreamerDeviceTest)
#include "tst_gstreamer_device.moc"
