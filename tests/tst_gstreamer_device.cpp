// The GStreamer device where real hardware lets it down: sources that cannot
// start, that end or fall silent in the middle of a snap, and frames whose
// size or shape the snap does not have. Each snap still ends once, the user
// hears of the fault once, and the next snap opens the source afresh.

#include "device/gstreamer/CaptureMode.h"
#include "device/gstreamer/GStreamerDevice.h"
#include "device/gstreamer/GStreamerSource.h"

#include "ProcessCounts.h"
#include "SnapOnce.h"

#include <gst/gst.h>

#include <QSignalSpy>
#include <QtTest>

using device::gst::GStreamerDevice;
using device::gst::GStreamerSource;
using device::gst::VideoSource;
using snappy::DispId;
using snappy::Method;

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

private slots:
    void initTestCase() { gst_init(nullptr, nullptr); }

    void faultsEndTheSnapOnceAreReportedOnceAndTheNextSnapRecovers_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<qint16>("failingMethod");
        QTest::addColumn<QString>("reason");
        // The source has three frames; a snap that averages eight runs out.
        QTest::newRow("stream ends")
            << "videotestsrc is-live=true num-buffers=3" << qint16(3) << "stream ended";
        // One frame in five seconds: the second frame of the snap never comes.
        QTest::newRow("source falls silent")
            << "videotestsrc is-live=true ! video/x-raw,framerate=1/5" << qint16(1)
            << "sent no picture";
    }
    void faultsEndTheSnapOnceAreReportedOnceAndTheNextSnapRecovers()
    {
        QFETCH(QString, source);
        QFETCH(qint16, failingMethod);
        QFETCH(QString, reason);
        GStreamerDevice device(VideoSource::pipeline(source), QStringLiteral("Test camera"));
        device.setFrameTimeout(300);
        device.setSettleTime(0);
        QSignalSpy failures(&device, &snappy::SnappyDevice::failed);

        for (int attempt = 0; attempt < 2; ++attempt)
            QVERIFY(snap(device, failingMethod).isNull());
        QCOMPARE(failures.size(), 1);
        const QString told = failures.front().front().toString();
        QVERIFY2(told.contains("Test camera") && told.contains(reason), qPrintable(told));

        QCOMPARE(snap(device, 0).size(), QSize(640, 480));
        // Once pictures came again, a new fault is news again.
        QVERIFY(snap(device, failingMethod).isNull());
        QCOMPARE(failures.size(), 2);
    }

    // A time-lapse opens and closes the device for every snap, a week-long
    // one ten thousand times: nothing of an opening may outlive it. The
    // real-driver tests count the same on a camera.
    void openingAndClosingOverAndOverHoldsNothingMore()
    {
        GStreamerDevice device(
            VideoSource::pipeline(QStringLiteral("videotestsrc is-live=true pattern=smpte")),
            QStringLiteral("Camera"));
        QSignalSpy shown(&device, &snappy::SnappyDevice::PictureUpdated);
        QSignalSpy failures(&device, &snappy::SnappyDevice::failed);
        const auto openAndClose = [&](int times) {
            for (int time = 0; time < times; ++time) {
                device.call(Method::StartPreview);
                QVERIFY(shown.wait(5000));
                device.call(Method::StopPreview);
            }
        };
        openAndClose(10);
        const Holdings before;

        openAndClose(200);
        QCOMPARE(failures.size(), 0);
        // GLib ends idle streaming threads of its pool only after some seconds.
        const QString held = heldBeyond(before, 20000);
        QVERIFY2(held.isEmpty(), qPrintable(held));
    }

    // Cameras deliver dark frames while their exposure settles; this source
    // is black for its first third of a second.
    void snapsLeaveTheFramesOfASettlingCameraUnused_data()
    {
        QTest::addColumn<int>("settleMs");
        QTest::addColumn<bool>("dark");
        QTest::newRow("not waited for") << 0 << true;
        QTest::newRow("settled") << GStreamerSource::defaultSettleMs << false;
    }
    void snapsLeaveTheFramesOfASettlingCameraUnused()
    {
        QFETCH(int, settleMs);
        QFETCH(bool, dark);
        const QString mode = QStringLiteral(" ! video/x-raw,width=640,height=480,framerate=30/1");
        GStreamerDevice device(
            VideoSource::pipeline(QStringLiteral("videotestsrc is-live=true pattern=white") + mode +
                                  " ! settling.  videotestsrc is-live=true pattern=black "
                                  "num-buffers=10" +
                                  mode + " ! compositor name=settling"),
            QStringLiteral("Settling camera"));
        device.setSettleTime(settleMs);
        const QImage picture = snap(device, 0);
        QVERIFY(!picture.isNull());
        QCOMPARE(qGray(picture.pixel(320, 240)) < 40, dark);
    }

    // The kernel's video devices are opened by path; one that is missing (the
    // machine that runs the tests has none) fails with the system's words.
    void aMissingCameraFailsEverySnapWithTheReason()
    {
        auto camera = GStreamerDevice::camera(QStringLiteral("/dev/no such \"camera\""),
                                              QStringLiteral("Webcam"));
        QSignalSpy failures(camera.get(), &snappy::SnappyDevice::failed);
        QSignalSpy acquiring(camera.get(), &snappy::SnappyDevice::AcquiringData);
        QVERIFY(snap(*camera, 0).isNull());
        QCOMPARE(acquiring.size(), 1);
        QCOMPARE(failures.size(), 1);
        const QString told = failures.front().front().toString();
        QVERIFY2(told.contains("Webcam (/dev/no such \"camera\")") &&
                     told.contains("could not be opened") && told.contains("/dev/no such"),
                 qPrintable(told));
        QSignalSpy updates(camera.get(), &snappy::SnappyDevice::PictureUpdated);
        camera->call(Method::StartPreview);
        QVERIFY(!updates.wait(300));
        QCOMPARE(failures.size(), 1);
    }

    // Webcams often offer only wide or compressed modes: the snap is cut to
    // 4:3 from the centre of the nearest larger mode, then scaled.
    void snapsFromWideOrCompressedModesHaveTheSnapSizeAndShape_data()
    {
        QTest::addColumn<QString>("source");
        QTest::newRow("wide") << "videotestsrc is-live=true pattern=solid-color "
                                 "foreground-color=0xff00ff00 ! video/x-raw,width=1280,height=720 "
                                 "! videobox left=-160 right=-160 fill=red";
        QTest::newRow("jpeg") << "videotestsrc is-live=true pattern=solid-color "
                                 "foreground-color=0xff00ff00 ! jpegenc "
                                 "! image/jpeg,width=320,height=240";
    }
    void snapsFromWideOrCompressedModesHaveTheSnapSizeAndShape()
    {
        QFETCH(QString, source);
        GStreamerDevice device(VideoSource::pipeline(source), QStringLiteral("Wide camera"));
        device.writeProperty(DispId::SnapWidth, qint16(160));
        const QImage picture = snap(device, 0).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(picture.size(), QSize(160, 120));
        // Red borders lie outside the 4:3 middle; nothing of them is left.
        for (int x : {0, 80, 159})
            QVERIFY2(qGreen(picture.pixel(x, 60)) > 200 && qRed(picture.pixel(x, 60)) < 60,
                     qPrintable(QString::number(picture.pixel(x, 60), 16)));
    }

    void captureSizeIsTheWantedOrTheNearestLarger_data()
    {
        QTest::addColumn<QString>("caps");
        QTest::addColumn<QSize>("wanted");
        QTest::addColumn<QSize>("chosen");
        const QString webcam =
            "video/x-raw,width=1280,height=720; video/x-raw,width=640,height=360;"
            " image/jpeg,width=1920,height=1080; video/x-raw,width=320,height=240";
        QTest::newRow("offered") << webcam << QSize(320, 240) << QSize(320, 240);
        QTest::newRow("nearest larger") << webcam << QSize(640, 480) << QSize(1280, 720);
        QTest::newRow("only larger") << webcam << QSize(160, 120) << QSize(320, 240);
        QTest::newRow("none larger: the largest")
            << webcam << QSize(2592, 1944) << QSize(1920, 1080);
        QTest::newRow("range holds it")
            << "video/x-raw,width=[16,4096],height=[16,4096]" << QSize(800, 600) << QSize(800, 600);
        QTest::newRow("range too small")
            << "video/x-raw,width=[16,640],height=[16,480]" << QSize(800, 600) << QSize(640, 480);
        QTest::newRow("lists") << "video/x-raw,width={320,1024},height={240,768}" << QSize(800, 600)
                               << QSize(1024, 768);
        QTest::newRow("nothing known") << "video/x-raw" << QSize(640, 480) << QSize(640, 480);
    }
    void captureSizeIsTheWantedOrTheNearestLarger()
    {
        QFETCH(QString, caps);
        QFETCH(QSize, wanted);
        QFETCH(QSize, chosen);
        GstCaps *offered = gst_caps_from_string(caps.toUtf8().constData());
        QVERIFY(offered);
        const QList<QSize> sizes = device::gst::offeredSizes(offered, wanted);
        gst_caps_unref(offered);
        QCOMPARE(device::gst::chooseCaptureSize(sizes, wanted), chosen);
    }

    void framesAreCutToFourByThreeFromTheCentre()
    {
        for (const auto &[frame, part] :
             QList<std::pair<QSize, QRect>>{{{1280, 720}, {160, 0, 960, 720}},
                                            {{640, 480}, {0, 0, 640, 480}},
                                            {{640, 640}, {0, 80, 640, 480}}}) {
            QImage picture(frame, QImage::Format_RGB32);
            for (int y = 0; y < frame.height(); ++y)
                for (int x = 0; x < frame.width(); ++x)
                    picture.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256));
            QCOMPARE(device::gst::cropToFourByThree(picture), picture.copy(part));
        }
    }
};

QTEST_MAIN(GStreamerDeviceTest)
#include "tst_gstreamer_device.moc"
