// The GStreamer device on a real V4L2 driver: the kernel's virtual video
// driver, whose modes, inputs and faults are a real driver's, met through
// real ioctls on a real node. It runs in the virtual machine of
// scripts/vivid-vm, which names the node in LUMIVANE_V4L2_DEVICE; elsewhere
// there is no such driver and it skips.

#include "ProcessCounts.h"
#include "SnapOnce.h"
#include "Vivid.h"
#include "device/gstreamer/GStreamerDevice.h"

#include <gst/gst.h>

#include <QSignalSpy>
#include <QtTest>

#include <array>
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
// How long the program may take to close the device once done with it.
constexpr int closingTimeoutMs = 2000;
// The method that averages the most frames: its snap lasts long enough for
// a fault to strike in the middle of it.
constexpr int slowestMethod = 3;

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
    return QStringLiteral("reported %1 time(s): %2")
        .arg(failures.size())
        .arg(reasons.join(QStringLiteral(" | ")));
}

enum class Fault {
    Busy,
    Unplugged,
    UnpluggedBackAtAnotherNode,
    Disconnected,
    FatalStreamingError,
    FramesDropped,
    NoSignal
};

// What the snaps taken while a fault lasts must give.
enum class During { NoPicture, Picture, Either };

// Makes the driver's faults, and ends them again.
class FaultMaker {
public:
    explicit FaultMaker(const VividDevice &vivid)
        : m_vivid(vivid)
    {
    }

    bool make(Fault fault)
    {
        m_fault = fault;
        switch (fault) {
        case Fault::Busy:
            // The other program takes the device once the program under
            // test has let it go, and prints "<" for each frame it gets.
            if (!QTest::qWaitFor([this] { return !NodeHandle(m_vivid.node()).othersStream(); },
                                 deviceTimeoutMs))
                return false;
            m_otherProgram.setProcessChannelMode(QProcess::MergedChannels);
            m_otherProgram.start(QStringLiteral("v4l2-ctl"), {QStringLiteral("-d"), m_vivid.node(),
                                                              QStringLiteral("--stream-mmap")});
            return QTest::qWaitFor(
                [this] {
                    return m_otherProgram.state() == QProcess::Running &&
                           m_otherProgram.readAll().contains('<');
                },
                deviceTimeoutMs);
        case Fault::UnpluggedBackAtAnotherNode:
            // A program that still has the old node open keeps its number
            // taken, so the device comes back under another.
            m_unpluggedFrom = m_vivid.node();
            m_oldNode = std::make_unique<NodeHandle>(m_unpluggedFrom);
            return m_oldNode->isOpen() && m_vivid.unplug();
        case Fault::Unplugged: return m_vivid.unplug();
        case Fault::Disconnected: return m_vivid.setControl(QStringLiteral("disconnect"), 1);
        case Fault::FatalStreamingError:
            return m_vivid.setControl(QStringLiteral("inject_fatal_streaming_error"), 1);
        case Fault::FramesDropped:
            return m_vivid.setControl(QStringLiteral("percentage_of_dropped_buffers"), 50);
        case Fault::NoSignal: return m_vivid.setControl(QStringLiteral("standard_signal_mode"), 1);
        }
        return false;
    }

    // Waits until the device under test streams, so that the fault strikes
    // while frames come.
    bool makeWhileStreaming(Fault fault)
    {
        return QTest::qWaitFor([this] { return NodeHandle(m_vivid.node()).othersStream(); },
                               deviceTimeoutMs) &&
               make(fault);
    }

    // Disconnection and a streaming error end by themselves, once the
    // device is closed.
    bool end()
    {
        const std::optional<Fault> fault = std::exchange(m_fault, std::nullopt);
        if (!fault)
            return true;
        switch (*fault) {
        case Fault::Busy:
            m_otherProgram.kill();
            return m_otherProgram.state() == QProcess::NotRunning ||
                   m_otherProgram.waitForFinished(deviceTimeoutMs);
        case Fault::Unplugged: return plugIn();
        case Fault::UnpluggedBackAtAnotherNode: {
            const bool elsewhere = plugIn() && m_vivid.node() != m_unpluggedFrom;
            m_oldNode.reset();
            return elsewhere;
        }
        case Fault::Disconnected:
        case Fault::FatalStreamingError: return true;
        case Fault::FramesDropped:
            return m_vivid.setControl(QStringLiteral("percentage_of_dropped_buffers"), 0);
        case Fault::NoSignal: return m_vivid.setControl(QStringLiteral("standard_signal_mode"), 0);
        }
        return false;
    }

private:
    bool plugIn()
    {
        return m_vivid.plugIn() &&
               QTest::qWaitFor([this] { return !m_vivid.node().isEmpty(); }, deviceTimeoutMs);
    }

    const VividDevice &m_vivid;
    QString m_unpluggedFrom;
    std::optional<Fault> m_fault;
    QProcess m_otherProgram;
    std::unique_ptr<NodeHandle> m_oldNode;
};

// vivid's picture: eight 75% colour bars across the frame, each named by
// which of red, green and blue it has.
constexpr std::array<std::array<bool, 3>, 8> colourBars{{{true, true, true},
                                                         {true, true, false},
                                                         {false, true, true},
                                                         {false, true, false},
                                                         {true, false, true},
                                                         {true, false, false},
                                                         {false, false, true},
                                                         {false, false, false}}};

} // namespace

Q_DECLARE_METATYPE(Fault)
Q_DECLARE_METATYPE(During)
Q_DECLARE_METATYPE(Boolean)

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
        QVERIFY2(m_vivid->isVivid(), qPrintable(home + QStringLiteral(" is not vivid's node")));
        m_faults = std::make_unique<FaultMaker>(*m_vivid);
    }

    void cleanup()
    {
        QVERIFY(m_faults->end());
        QVERIFY(NodeHandle(node()).setInput(0));
    }

    // vivid's camera input offers 320x180, 640x360, 640x480, 1280x720,
    // 1920x1080 and 3840x2160.
    void snapsComeFromTheNearestModeTheDriverOffers_data()
    {
        QTest::addColumn<qint16>("width");
        QTest::addColumn<QSize>("mode");
        QTest::newRow("640x480: offered") << qint16(640) << QSize(640, 480);
        QTest::newRow("800x600: the nearest larger") << qint16(800) << QSize(1280, 720);
    }
    void snapsComeFromTheNearestModeTheDriverOffers()
    {
        QFETCH(qint16, width);
        QFETCH(QSize, mode);
        // A mode no snap wants, so that the one found afterwards is the snap's.
        QVERIFY(NodeHandle(node()).setFrameSize({320, 180}));
        auto camera = GStreamerDevice::camera(node(), QStringLiteral("vivid"));
        QSignalSpy failures(camera.get(), &snappy::SnappyDevice::failed);
        camera->writeProperty(DispId::SnapWidth, width);

        const QImage picture = snap(*camera).picture.convertToFormat(QImage::Format_RGB32);
        QVERIFY2(!picture.isNull(), qPrintable(told(failures)));
        QCOMPARE(picture.size(), QSize(width, width * 3 / 4));
        QCOMPARE(NodeHandle(node()).frameSize(), mode);

        // The bars of the mode's 4:3 middle, sampled below the driver's text.
        const int middleWidth = mode.height() * 4 / 3;
        const int left = (mode.width() - middleWidth) / 2;
        int barsSeen = 0;
        for (int bar = 0; bar < int(colourBars.size()); ++bar) {
            const int centre = mode.width() * (2 * bar + 1) / 16 - left;
            if (centre < 0 || centre >= middleWidth)
                continue;
            const QPoint at(centre * picture.width() / middleWidth, picture.height() * 7 / 8);
            const QRgb pixel = picture.pixel(at);
            const std::array<int, 3> channels{qRed(pixel), qGreen(pixel), qBlue(pixel)};
            for (int channel = 0; channel < 3; ++channel)
                QVERIFY2(colourBars[bar][channel] ? channels[channel] > 128
                                                  : channels[channel] < 64,
                         qPrintable(QStringLiteral("bar %1 at (%2, %3) is #%4")
                                        .arg(bar)
                                        .arg(at.x())
                                        .arg(at.y())
                                        .arg(pixel & 0xffffff, 6, 16, QLatin1Char('0'))));
            ++barsSeen;
        }
        QVERIFY(barsSeen >= 6);
    }

    void liveAndTapeSnapFromTheFirstAndSecondInput_data()
    {
        QTest::addColumn<Boolean>("live");
        QTest::addColumn<int>("input");
        QTest::newRow("Live: the camera") << Boolean::True << 0;
        QTest::newRow("Tape: the tuner") << Boolean::False << 1;
    }
    void liveAndTapeSnapFromTheFirstAndSecondInput()
    {
        QFETCH(Boolean, live);
        QFETCH(int, input);
        QVERIFY(NodeHandle(node()).setInput(1 - input));
        auto camera = GStreamerDevice::camera(node(), QStringLiteral("vivid"));
        QSignalSpy failures(camera.get(), &snappy::SnappyDevice::failed);
        camera->writeProperty(DispId::LiveSource, live);

        QVERIFY2(!snap(*camera).picture.isNull(), qPrintable(told(failures)));
        QCOMPARE(NodeHandle(node()).input(), std::optional(input));
    }

    void faultsSpoilOnlyTheirSnapsAreReportedOnceAndSnappingResumes_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<bool>("live");
        QTest::addColumn<bool>("midSnap");
        QTest::addColumn<During>("during");
        QTest::addColumn<bool>("reported");
        QTest::addColumn<QString>("notice");
        QTest::newRow("unplugged")
            << Fault::Unplugged << true << true << During::NoPicture << true << QString();
        QTest::newRow("unplugged, back at another node")
            << Fault::UnpluggedBackAtAnotherNode << true << true << During::NoPicture << true
            << QString();
        QTest::newRow("disconnected")
            << Fault::Disconnected << true << true << During::Either << false << QString();
        QTest::newRow("fatal streaming error")
            << Fault::FatalStreamingError << true << true << During::Either << false << QString();
        QTest::newRow("half the frames dropped")
            << Fault::FramesDropped << true << true << During::Picture << false << QString();
        QTest::newRow("no signal on the tuner")
            << Fault::NoSignal << false << false << During::NoPicture << true << "has no signal";
        QTest::newRow("busy: another program streams")
            << Fault::Busy << true << false << During::NoPicture << true
            << "in use by another program";
    }
    void faultsSpoilOnlyTheirSnapsAreReportedOnceAndSnappingResumes()
    {
        QFETCH(Fault, fault);
        QFETCH(bool, live);
        QFETCH(bool, midSnap);
        QFETCH(During, during);
        QFETCH(bool, reported);
        QFETCH(QString, notice);
        auto camera = GStreamerDevice::camera(node(), QStringLiteral("vivid"));
        QSignalSpy ends(camera.get(), &snappy::SnappyDevice::SnapDone);
        QSignalSpy processed(camera.get(), &snappy::SnappyDevice::ProcessingData);
        QSignalSpy failures(camera.get(), &snappy::SnappyDevice::failed);
        camera->writeProperty(DispId::LiveSource, live ? Boolean::True : Boolean::False);

        QVERIFY2(!snap(*camera).picture.isNull(), qPrintable(told(failures)));
        int snaps = 1;
        int pictures = 1;
        if (!midSnap)
            QVERIFY(m_faults->make(fault));
        for (int attempt = 0; attempt < 2; ++attempt) {
            const bool strikes = midSnap && attempt == 0;
            bool made = true;
            const Snapped snapped = snap(*camera, strikes ? slowestMethod : 0, [&] {
                if (strikes)
                    made = m_faults->makeWhileStreaming(fault);
            });
            QVERIFY(made);
            QCOMPARE(snapped.ends, 1);
            ++snaps;
            pictures += snapped.picture.isNull() ? 0 : 1;
            if (!strikes && during != During::Either)
                QVERIFY2(snapped.picture.isNull() == (during == During::NoPicture),
                         qPrintable(QStringLiteral("snap %1 during the fault, %2")
                                        .arg(attempt + 1)
                                        .arg(told(failures))));
        }

        QVERIFY(m_faults->end());
        const QImage after = snap(*camera).picture;
        QVERIFY2(!after.isNull(), qPrintable(told(failures)));
        QCOMPARE(after.size(), QSize(640, 480));
        ++snaps;
        ++pictures;
        QCOMPARE(ends.size(), snaps);
        // Nothing is made of the snaps the fault spoilt.
        QCOMPARE(processed.size(), pictures);
        QVERIFY2(failures.size() <= 1, qPrintable(told(failures)));
        if (reported)
            QVERIFY2(failures.size() == 1, qPrintable(told(failures)));
        if (!notice.isEmpty())
            QVERIFY2(failures.size() == 1 && failures.front().front().toString().contains(notice),
                     qPrintable(told(failures)));
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
        const qsizetype nodes = openVideoNodes().size();
        openAndClose(5);
        const Holdings before;

        openAndClose(100);
        QTRY_VERIFY_WITH_TIMEOUT(openVideoNodes().size() <= nodes, closingTimeoutMs);
        // GLib ends idle streaming threads of its pool only after some seconds.
        const QString held = heldBeyond(before, 4 * closingTimeoutMs);
        QVERIFY2(held.isEmpty(), qPrintable(held));
        QCOMPARE(failures.size(), 0);
    }

private:
    // Where the device is now, for each test to open afresh.
    QString node() const { return m_vivid->node(); }

    std::unique_ptr<VividDevice> m_vivid;
    std::unique_ptr<FaultMaker> m_faults;
};

QTEST_MAIN(RealDriverTest)
#include "tst_real_driver.moc"
