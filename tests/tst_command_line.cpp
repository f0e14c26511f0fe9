// The program run from its command line as a user would, the program itself
// without a display: which capture device it runs with, what it answers to
// each option, and `lumivane --make-video` on series written as the program
// writes them, whose videos are read back by GStreamer's own decoders.

#include "DataColumns.h"
#include "Files.h"
#include "ProgramRun.h"
#include "device/DeviceCatalog.h"
#include "device/SnapFileWriter.h"
#include "device/gstreamer/GStreamer.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <numeric>
#include <pty.h>
#include <unistd.h>

using device::DeviceCatalog;

namespace {

const QSize snapSize(64, 48);

QString snapName(qint64 number, const QString &type = "png")
{
    return QStringLiteral("snap%1.%2").arg(number, 5, 10, QLatin1Char('0')).arg(type);
}

// Each frame of a series gets its own grey, so that the video's frames can be
// told apart and their order checked.
void writeSnap(const QString &path, const QString &type, int frame, QSize size = snapSize)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(qRgb(30 + 25 * frame, 30 + 25 * frame, 30 + 25 * frame));
    QCOMPARE(device::SnapFileWriter::save(picture, path, type), snappy::Failure{});
}

struct Video {
    // Each decoded frame's grey told back as the frame it was written for,
    // within what lossy coding changes; -1 for each frame left coded.
    QList<int> frames;
    QSize size;
    int durationMs = -1;
    // Decoded to its end without an error.
    bool whole = false;
};

// The frames that come out of `elements`: decoded, or only taken out of
// their container where a decoder may not be installed.
Video decoded(const QString &path,
              const char *elements = "decodebin ! videoconvert ! video/x-raw,format=GRAY8")
{
    Video video;
    GstElement *pipeline = gst_parse_launch(
        qPrintable(QStringLiteral("filesrc location=\"%1\" ! %2 ! appsink name=sink sync=false")
                       .arg(path, QLatin1String(elements))),
        nullptr);
    GstAppSink *sink = GST_APP_SINK(gst_bin_get_by_name(GST_BIN(pipeline), "sink"));
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    // A file that does not decode never ends; ten seconds is ample for the rest.
    while (GstSample *sample = gst_app_sink_try_pull_sample(sink, 10 * GST_SECOND)) {
        const GstStructure *caps = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
        gst_structure_get_int(caps, "width", &video.size.rwidth());
        gst_structure_get_int(caps, "height", &video.size.rheight());
        int frame = -1;
        if (gst_structure_has_name(caps, "video/x-raw")) {
            GstMapInfo map;
            gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ);
            const qint64 sum = std::accumulate(map.data, map.data + map.size, qint64(0));
            frame = qRound((double(sum) / double(map.size) - 30) / 25);
            gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
        }
        video.frames << frame;
        gst_sample_unref(sample);
        gint64 duration = -1;
        if (video.frames.size() == 1 &&
            gst_element_query_duration(pipeline, GST_FORMAT_TIME, &duration))
            video.durationMs = int(duration / GST_MSECOND);
    }
    video.whole = gst_app_sink_is_eos(sink);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return video;
}

// Whether a WebM video was completed, for players to seek in, and nothing
// of its making is left beside it. Besides the mention of its index of
// frames (Cues) that its header has from the start, it holds the index
// itself, which the muxer writes only once the stream ended. How long the
// video lasts tells nothing of this: the demuxer works that out from the
// last frames where the file does not say it.
bool completed(const QString &path)
{
    return contentsOf(path).count(QByteArray::fromHex("1C53BB6B")) >= 2 &&
           QFileInfo(path).dir().entryList({".lumivane-*"}, QDir::Files | QDir::Hidden).isEmpty();
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(device::gst::initialise(), snappy::Failure{}); }

    // Numbered snaps, other files beside them, made into a video from the
    // second snap on, over an earlier video that --overwrite replaces: the
    // video holds, in number order, those that read, scaled to the first.
    void aSeriesBecomesAVideoOfTheSnapsThatRead_data()
    {
        addColumns<QString, QList<qint64>, qint64, QList<qint64>, QString>(
            {"type", "numbers", "broken", "otherSize", "missing"});
        for (const QString &type : device::SnapFileWriter::types())
            QTest::newRow(qPrintable(type)) << type << QList<qint64>{0, 1, 2, 3, 4} << qint64(-1)
                                            << QList<qint64>{} << QString();
        QTest::newRow("gaps, an unreadable snap, other sizes")
            << "png" << QList<qint64>{3, 4, 5, 8, 9, 10, 12} << qint64(9) << QList<qint64>{5, 10}
            << "missing snaps: 00006-00007, 00011";
        QTest::newRow("counter past five digits")
            << "png" << QList<qint64>{99998, 99999, 100000, 100002} << qint64(-1) << QList<qint64>{}
            << "missing snaps: 100001";
    }
    void aSeriesBecomesAVideoOfTheSnapsThatRead()
    {
        const auto [type, numbers, broken, otherSize, missing] =
            fetchRow<QString, QList<qint64>, qint64, QList<qint64>, QString>();
        QTemporaryDir folder;
        QList<int> frames;
        for (int i = 0; i < numbers.size(); ++i) {
            const QString path = folder.filePath(snapName(numbers[i], type));
            const int odd = int(otherSize.indexOf(numbers[i]));
            if (numbers[i] == broken)
                put(path, "not a picture");
            else
                writeSnap(path, type, i, odd < 0 ? snapSize : QSize(32 + 40 * odd, 24 + 56 * odd));
            if (i > 0 && numbers[i] != broken)
                frames << i;
        }
        const QString other = type == "png" ? "jpg" : "png";
        for (const QString &name : {"snap000001." + type, "snap00001." + other,
                                    "snapshot00001." + type, QStringLiteral("snap00001")})
            writeSnap(folder.filePath(name), name.endsWith(other) ? other : type, 9);
        const QString output = folder.filePath("snap.webm");
        put(output, "earlier video");

        const Run run = runProgram({"--make-video", folder.filePath(snapName(numbers[1], type)),
                                    "--fps", "10", "--overwrite"});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(output), qPrintable(run.out));
        QCOMPARE(run.err.contains("missing"), !missing.isEmpty());
        QVERIFY2(run.err.contains(missing), qPrintable(run.err));
        QCOMPARE(run.err.contains(folder.filePath(snapName(broken, type))), broken >= 0);
        const Video video = decoded(output);
        QCOMPARE(video.frames, frames);
        QCOMPARE(std::tuple(video.whole, video.size, video.durationMs, completed(output)),
                 std::tuple(true, snapSize, int(frames.size()) * 100, true));
    }

    // A long series of noise, slow to encode, stopped once a few frames are
    // done; the program's error output is on a terminal, as a user sees it.
    void aStoppedVideoHoldsTheFramesDoneAndPlays_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("Ctrl-C") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }
    void aStoppedVideoHoldsTheFramesDoneAndPlays()
    {
        QFETCH(int, signal);
        QTemporaryDir folder;
        QImage noise(640, 480, QImage::Format_RGB32);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(noise.bits()),
                                              noise.sizeInBytes() / 4);
        const QString first = folder.filePath(snapName(0));
        QCOMPARE(device::SnapFileWriter::save(noise, first, "png"), snappy::Failure{});
        constexpr int total = 3000;
        for (int number = 1; number < total; ++number)
            QVERIFY(QFile::link(first, folder.filePath(snapName(number))));

        int controller = -1, terminal = -1;
        QCOMPARE(::openpty(&controller, &terminal, nullptr, nullptr, nullptr), 0);
        ::fcntl(controller, F_SETFL, O_NONBLOCK);
        QProcess program;
        program.setProcessEnvironment(withoutDisplay());
        program.setChildProcessModifier([terminal] { ::dup2(terminal, STDERR_FILENO); });
        program.start(LUMIVANE_PROGRAM, {"--make-video", first});
        QString said;
        const auto lastMatch = [&](const QString &pattern) {
            char bytes[4096];
            for (ssize_t got; (got = ::read(controller, bytes, sizeof bytes)) > 0;)
                said += QString::fromLocal8Bit(bytes, got);
            QRegularExpressionMatch last;
            return said.lastIndexOf(QRegularExpression(pattern.arg(total)), -1, &last) < 0
                       ? 0
                       : last.captured(1).toInt();
        };
        QTRY_VERIFY_WITH_TIMEOUT(
            lastMatch("(?<!\\d)(\\d+) of %1 frames, [0-9.]+ frames/s, \\d+:\\d\\d left") >= 3,
            60000);
        ::kill(pid_t(program.processId()), signal);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 1);
        const int frames = lastMatch("Stopped after (\\d+) of %1 frames");
        ::close(controller);
        ::close(terminal);
        QVERIFY2(frames >= 3 && frames < total, qPrintable(said));
        const Video video = decoded(folder.filePath("snap.webm"));
        QVERIFY(video.whole);
        QCOMPARE(int(video.frames.size()), frames);
        QCOMPARE(video.durationMs, frames * 40);
        QVERIFY(completed(folder.filePath("snap.webm")));
    }

    // MP4 needs an H.264 encoder, which Debian keeps apart.
    void mp4IsWrittenWhereAnEncoderIsInstalled()
    {
        QTemporaryDir folder;
        for (int frame = 0; frame < 3; ++frame)
            writeSnap(folder.filePath(snapName(frame)), "png", frame);
        const QString output = folder.filePath("snaps.mp4");
        const Run run =
            runProgram({"--make-video", folder.filePath(snapName(0)), "--output", output});
        if (GstElementFactory *x264 = gst_element_factory_find("x264enc")) {
            gst_object_unref(x264);
            QCOMPARE(run.exitCode, 0);
            const Video video = decoded(output, "qtdemux");
            QCOMPARE(
                std::tuple(video.whole, int(video.frames.size()), video.size, video.durationMs),
                std::tuple(true, 3, snapSize, 120));
        } else {
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.contains("gstreamer1.0-plugins-ugly"), qPrintable(run.err));
            QVERIFY(!QFile::exists(output));
        }
    }

    // With no camera the stand-in runs; with cameras, the first listed
    // unless another is named, and the listing marks the one that runs.
    // Each entry opens as the device it names; a name not listed is none.
    void theFirstCameraRunsAndTheStandInWhenThereIsNone()
    {
        const DeviceCatalog none({});
        QCOMPARE(none.resolve(QString()), DeviceCatalog::standIn);
        QVERIFY(none.listing(QString()).contains(
            QRegularExpression("^\\* stand-in ", QRegularExpression::MultilineOption)));
        QCOMPARE(none.open(none.resolve(QString()))->deviceName(), none.entries().back().name);

        const DeviceCatalog two({{"/dev/video2", "Capture card"}, {"/dev/video0", "Webcam"}});
        QCOMPARE(two.resolve(QString()), QStringLiteral("/dev/video2"));
        QCOMPARE(two.resolve(QStringLiteral("/dev/video0")), QStringLiteral("/dev/video0"));
        const QStringList lines = two.listing("/dev/video0").split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith("  /dev/video2") && lines[0].endsWith("Capture card"));
        QVERIFY(lines[1].startsWith("* /dev/video0") && lines[1].endsWith("Webcam"));
        QCOMPARE(two.open("/dev/video0")->deviceName(), QStringLiteral("Webcam (/dev/video0)"));
        QVERIFY(two.open(DeviceCatalog::testPattern)->deviceName().contains("test pattern"));
        QVERIFY(two.resolve("bogus").isEmpty());
    }

    // In a folder that holds a snap, files that are not numbered snaps and a
    // video made earlier: nothing is written there, and that video is kept.
    void commandLineAnswersWithoutAWindow_data()
    {
        // The arguments as typed, split at spaces.
        addColumns<QString, int, QString>({"arguments", "exitCode", "says"});
        QTest::newRow("help") << "--help" << 0 << "--list-devices";
        QTest::newRow("version") << "--version" << 0 << "Lumivane ";
        QTest::newRow("list, with every option taken")
            << "--list-devices --device test-pattern --settle-time 250 --reserve 0" << 0
            << "* test-pattern";
        QTest::newRow("unknown device")
            << "--device /dev/video99" << 2 << "no capture device \"/dev/video99\"";
        QTest::newRow("unknown option") << "--colour" << 1 << "colour";
        QTest::newRow("stray argument") << "snap.bmp" << 1 << "snap.bmp";
        for (const char *option : {"--settle-time", "--reserve"})
            for (const char *value : {"soon", "-5"})
                QTest::addRow("%s %s", option, value)
                    << QStringLiteral("%1 %2").arg(option, value) << 1 << option;
        const QString snap = "--make-video %folder/snap00000.png";
        for (const char *fps : {"0", "-5", "241", "fast", ""})
            QTest::addRow("--fps %s", *fps ? fps : "without a value")
                << snap + " --fps " + fps << 2 << "--fps";
        QTest::newRow("not a video name") << snap + " --output %folder/video.avi" << 2 << ".webm";
        QTest::newRow("unknown video option") << snap + " --speed 2" << 2 << "speed";
        QTest::newRow("no such snap")
            << "--make-video %folder/snap00009.png" << 2 << "snap00009.png";
        // Files that are there but not numbered snaps.
        for (const char *name : {"snap0001.png", "notes00001.txt", "snap.png"})
            QTest::addRow("%s", name)
                << QStringLiteral("--make-video %folder/") + name << 2 << "numbered snap";
        QTest::newRow("video option alone") << "--fps 30" << 2 << "--make-video";
        QTest::newRow("video there already") << snap + " --output %folder/taken.webm" << 1
                                             << "%folder/taken.webm already exists; --overwrite";
    }
    void commandLineAnswersWithoutAWindow()
    {
        auto [arguments, exitCode, says] = fetchRow<QString, int, QString>();
        QTemporaryDir folder;
        for (const char *name : {"snap00000.png", "snap0001.png", "notes00001.txt", "snap.png"})
            put(folder.filePath(name), {});
        put(folder.filePath("taken.webm"), "earlier video");

        const Run run = runProgram(
            arguments.split(' ', Qt::SkipEmptyParts).replaceInStrings("%folder", folder.path()));
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(
            (exitCode == 0 ? run.out : run.err).contains(says.replace("%folder", folder.path())),
            qPrintable(run.out + run.err));
        QCOMPARE(QDir(folder.path())
                     .entryList({"*.webm", "*.avi", ".lumivane-*"}, QDir::Files | QDir::Hidden),
                 QStringList{"taken.webm"});
        QCOMPARE(contentsOf(folder.filePath("taken.webm")), QByteArray("earlier video"));
    }
};

QTEST_MAIN(CommandLineTest)
#include "tst_command_line.moc"
