// The GStreamer device on a real V4L2 driver: the kernel's virtual video
// driver, whose modes, inputs and faults are a real driver's, met through
// real ioctls on a real node. It runs in the virtual machine of
// scripts/vivid-vm, which names the node in LUMIVANE_V4L2_DEVICE; elsewhere
// there is no such driver and it skips.

#include "DataColumns.h"
#include "ProcessCounts.h"
#include "SnapOnce.h"
#include "Vivid.h"
#include "device/gstreamer/GStreamerDevice.h"

#include <gst/gst.h>

#include <QtTest>

#include <functional>
#include <memory>

using device::gst::GStreamerDevice;
using snappy::Boolean;
using snappy::DispId;
using snappy::Method;

namespace {

// How long one snap may take on an emulated processor, opening included.
constexpr int snapTimeoutMs = 15000;
// How long the driver may take to show a node again once plugged in, or
// another program to start streaming.
constexpr int deviceTimeoutMs = 10000;

// Snaps with the method; `meanwhile` runs once the snap has been asked for.
Snapped snap(GStreamerDevice &device, int method = 0, const std::function<void()> &meanwhile = {})
{
    return snapOnce(device, method, snapTimeoutMs, meanwhile);
}

QString told(const QSignalSpy &failures)
{
    QStringList reasons;
    for (const QList<QVariant> &failure : failures)
        reasons << failure.front().toString();
    return reasons.join(QStringLiteral(" | "));
}

// Replugged: unplugged, and back at another node.
enum class Fault { Busy, Unplugged, Replugged, Disconnected, FatalError, FramesDropped, NoSignal };

// What the snaps taken while a fault lasts must give; a fault that leaves
// no picture must be reported.
enum class During { NoPicture, Picture, Either };

} // namespace

class RealDriverTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString home = qEnvironmentVariable("LUMIVANE_V4L2_DEVICE");
        if (home.isEmpty())
            QSKIP("No real video driver: these run in the virtual machine of scripts/vivid-vm, "
                  "which names its node in LUMIVANE_V4L2_DEVICE.");
        gst_init(nullptr, nullptr);
        m_vivid = std::make_unique<VividDevice>(home);
        QVERIFY2(m_vivid->isVivid(), qPrintable(home));
    }

    void cleanup()
    {
        QVERIFY(!m_fault || setFault(*m_fault, false));
        QVERIFY(m_vivid->v4l2ctl({"-i", "0"}));
    }

    // vivid's camera input offers 320x180, 640x360, 640x480, 1280x720,
    // 1920x1080 and 3840x2160; its picture is eight 75% colour bars across
    // the frame, told here by which of red (4), green (2) and blue (1) each
    // has, at the middle of each eighth of the snap.
    void liveSnapsComeFromTheCameraInTheNearestModeTheDriverOffers_data()
    {
        addColumns<qint16, QString, QList<int>>({"width", "mode", "bars"});
        QTest::newRow("640x480: offered")
            << qint16(640) << "640/480" << QList<int>{7, 6, 3, 2, 5, 4, 1, 0};
        // The mode's 4:3 middle holds its second to seventh bar.
        QTest::newRow("800x600: the nearest larger")
            << qint16(800) << "1280/720" << QList<int>{6, 3, 3, 2, 5, 4, 4, 1};
    }
    void liveSnapsComeFromTheCameraInTheNearestModeTheDriverOffers()
    {
        const auto [width, mode, bars] = fetchRow<qint16, QString, QList<int>>();
        // A mode and an input no snap wants, so that those found afterwards
        // are the snap's.
        QVERIFY(m_vivid->v4l2ctl({"--set-fmt-video=width=320,height=180"}));
        QVERIFY(m_vivid->v4l2ctl({"-i", "1"}));
        auto camera = GStreamerDevice::camera(node(), QStringLiteral("vivid"));
        QSignalSpy failures(camera.get(), &snappy::SnappyDevice::failed);
        camera->writeProperty(DispId::SnapWidth, width);
        camera->writeProperty(DispId::LiveSource, Boolean::True);

        const QImage picture = snap(*camera).picture.convertToFormat(QImage::Format_RGB32);
        QVERIFY2(!picture.isNull(), qPrintable(told(failures)));
        QCOMPARE(picture.size(), QSize(width, width * 3 / 4));
        QCOMPARE(m_vivid->field("--get-fmt-video", "Width/Height"), mode);
        QCOMPARE(m_vivid->field("--get-input", "Video input"), QString("0"));
        QList<int> seen;
        for (int eighth = 0; eighth < 8; ++eighth) {
            // Below the text the driver writes over its picture.
            const QRgb pixel =
                picture.pixel(picture.width() * (2 * eighth + 1) / 16, picture.height() * 7 / 8);
            seen << ((qRed(pixel) > 128) << 2 | (qGreen(pixel) > 128) << 1 | (qBlue(pixel) > 128));
        }
        QCOMPARE(seen, bars);
    }

    // Tape snaps from the tuner, the driver's second input, which alone
    // can lose its signal.
    void faultsSpoilOnlyTheirSnapsAreReportedOnceAndSnappingResumes_data()
    {
        addColumns<Fault, bool, During, QString>({"fault", "midSnap", "during", "notice"});
        QTest::newRow("unplugged") << Fault::Unplugged << true << During::NoPicture << QString();
        QTest::newRow("unplugged, back at another node")
            << Fault::Replugged << true << During::NoPicture << QString();
        QTest::newRow("disconnected") << Fault::Disconnected << true << During::Either << QString();
        QTest::newRow("fatal streaming error")
            << Fault::FatalError << true << During::Either << QString();
        QTest::newRow("half the frames dropped")
            << Fault::FramesDropped << true << During::Picture << QString();
        QTest::newRow("no signal on the tuner")
            << Fault::NoSignal << false << During::NoPicture << "has no signal";
        QTest::newRow("busy: another program streams")
            << Fault::Busy << false << During::NoPicture << "in use by another program";
    }
    void faultsSpoilOnlyTheirSnapsAreReportedOnceAndSnappingResumes()
    {
        const auto [fault, midSnap, during, notice] = fetchRow<Fault, bool, During, QString>();
        auto camera = GStreamerDevice::camera(node(), QStringLiteral("vivid"));
        QSignalSpy processed(camera.get(), &snappy::SnappyDevice::ProcessingData);
        QSignalSpy failures(camera.get(), &snappy::SnappyDevice::failed);
        camera->writeProperty(DispId::LiveSource,
                              fault == Fault::NoSignal ? Boolean::False : Boolean::True);

        QVERIFY2(!snap(*camera).picture.isNull(), qPrintable(told(failures)));
        QCOMPARE(m_vivid->field("--get-input", "Video input"),
                 QString(fault == Fault::NoSignal ? "1" : "0"));
        int pictures = 1;
        if (!midSnap)
            QVERIFY(setFault(fault, true));
        for (int attempt = 0; attempt < 2; ++attempt) {
            // The method that averages the most frames lasts long enough for
            // the fault to strike in the middle of its snap.
            const bool strikes = midSnap && attempt == 0;
            bool made = true;
            // The row's fault is copied in: a structured binding cannot be
            // captured by every compiler the program is built with.
            const Snapped snapped = snap(*camera, strikes ? 3 : 0, [&, fault = fault] {
                // Once the device streams, so that the fault strikes while
                // frames come.
                if (strikes)
                    made =
                        QTest::qWaitFor([this] { return othersStream(node()); }, deviceTimeoutMs) &&
                        setFault(fault, true);
            });
            QVERIFY(made);
            QCOMPARE(snapped.ends, 1);
            pictures += snapped.picture.isNull() ? 0 : 1;
            if (!strikes && during != During::Either)
                QVERIFY2(snapped.picture.isNull() == (during == During::NoPicture),
                         qPrintable(told(failures)));
        }

        QVERIFY(setFault(fault, false));
        const QImage after = snap(*camera).picture;
        QVERIFY2(!after.isNull(), qPrintable(told(failures)));
        QCOMPARE(after.size(), QSize(640, 480));
        // Nothing is made of the snaps the fault spoilt.
        QCOMPARE(processed.size(), pictures + 1);
        QVERIFY2(failures.size() == 1 || (failures.isEmpty() && during != During::NoPicture),
                 qPrintable(told(failures)));
        QVERIFY2(told(failures).contains(notice), qPrintable(told(failures)));
    }

    // A time-lapse opens the camera for every snap: a hundred openings, for
    // snaps and previews in turn, leave no more handles, threads or memory
    // than the first few did. A handle left on the node would keep a
    // disconnected camera away, and make a replugged one come back under
    // another node.
    void openingTheCameraOverAndOverHoldsNothingMore()
    {
        auto camera = GStreamerDevice::camera(node(), QStringLiteral("vivid"));
        // What an opening leaves behind does not depend on how long its
        // first frames go unused, and a second of settling for each of fifty
        // snaps would be most of the machine's time.
        camera->setSettleTime(0);
        // The emulated processor can hold a stream up for seconds now and
        // then, which is no fault of an opening's.
        camera->setFrameTimeout(snapTimeoutMs);
        QSignalSpy shown(camera.get(), &snappy::SnappyDevice::PictureUpdated);
        QSignalSpy failures(camera.get(), &snappy::SnappyDevice::failed);
        const auto openAndClose = [&](int times) {
            for (int time = 0; time < times; ++time) {
                if (time % 2) {
                    QVERIFY2(!snap(*camera).picture.isNull(), qPrintable(told(failures)));
                } else {
                    camera->call(Method::StartPreview);
                    QVERIFY2(shown.wait(snapTimeoutMs), qPrintable(told(failures)));
                }
                camera->call(Method::StopPreview);
            }
        };
        const qsizetype nodes = openVideoNodes();
        openAndClose(5);
        const Holdings before;

        openAndClose(100);
        QTRY_VERIFY_WITH_TIMEOUT(openVideoNodes() <= nodes, deviceTimeoutMs);
        // GLib ends idle streaming threads of its pool only after some seconds.
        QCOMPARE(heldBeyond(before, 8000), QString());
        QCOMPARE(failures.size(), 0);
    }

private:
    // Where the device is now, for each test to open afresh.
    QString node() const { return m_vivid->node(); }

    // Makes the fault, or ends it. Of those the driver's controls make, a
    // disconnection and a streaming error need no ending: closing the device
    // ends them.
    bool setFault(Fault fault, bool on)
    {
        m_fault = on ? std::optional(fault) : std::nullopt;
        const auto plugIn = [this] {
            return m_vivid->plugIn() &&
                   QTest::qWaitFor([this] { return !node().isEmpty(); }, deviceTimeoutMs);
        };
        switch (fault) {
        case Fault::Busy:
            if (!on) {
                m_otherProgram.kill();
                return m_otherProgram.state() == QProcess::NotRunning ||
                       m_otherProgram.waitForFinished(deviceTimeoutMs);
            }
            // The other program takes the device once the program under
            // test has let it go, and prints "<" for each frame it gets.
            if (!QTest::qWaitFor([this] { return !othersStream(node()); }, deviceTimeoutMs))
                return false;
            m_otherProgram.setProcessChannelMode(QProcess::MergedChannels);
            m_otherProgram.start("v4l2-ctl", {"-d", node(), "--stream-mmap"});
            return QTest::qWaitFor([this] { return m_otherProgram.readAll().contains('<'); },
                                   deviceTimeoutMs);
        case Fault::Unplugged: return on ? m_vivid->unplug() : plugIn();
        case Fault::Replugged:
            if (!on) {
                const bool elsewhere = plugIn() && node() != m_oldNode.fileName();
                m_oldNode.close();
                return elsewhere;
            }
            // A program that still has the old node open keeps its number
            // taken, so the device comes back under another.
            m_oldNode.setFileName(node());
            return m_oldNode.open(QIODevice::ReadWrite | QIODevice::ExistingOnly) &&
                   m_vivid->unplug();
        case Fault::Disconnected: return !on || m_vivid->setControl("disconnect=1");
        case Fault::FatalError: return !on || m_vivid->setControl("inject_fatal_streaming_error=1");
        case Fault::FramesDropped:
            return m_vivid->setControl(
                QStringLiteral("percentage_of_dropped_buffers=%1").arg(on ? 50 : 0));
        case Fault::NoSignal:
            return m_vivid->setControl(QStringLiteral("standard_signal_mode=%1").arg(int(on)));
        }
        return false;
    }

    std::unique_ptr<VividDevice> m_vivid;
    std::optional<Fault> m_fault;
    QProcess m_otherProgram;
    // Held open at the node the device was unplugged from, for the fault
    // that replugs it.
    QFile m_oldNode;
};

QTEST_MAIN(RealDriverTest)
#include "tst_real_driver.moc"
