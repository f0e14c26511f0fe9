// `lumivane --make-video` run as a user would, the program itself without a
// display, on series written as the program writes them; the videos it
// makes are read back by GStreamer's own decoders.

#include "device/SnapFileWriter.h"
#include "device/gstreamer/GStreamer.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>

#include "Files.h"
#include "ProgramRun.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <bit>
#include <csignal>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace {

const QSize snapSize(64, 48);

Run makeVideo(const QStringList &arguments)
{
    return runProgram(QStringList{"--make-video"} + arguments);
}

// Each frame of a series gets its own grey, so that the video's frames can be
// told apart and their order checked.
int greyOf(int frame)
{
    return 30 + 25 * frame;
}

QString snapName(qint64 number, const QString &type)
{
    return QStringLiteral("snap%1.%2").arg(number, 5, 10, QLatin1Char('0')).arg(type);
}

void writeSnap(const QString &path, const QString &type, int grey, QSize size = snapSize)
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(qRgb(grey, grey, grey));
    QCOMPARE(device::SnapFileWriter::save(picture, path, type), snappy::Failure{});
}

struct Video {
    int frames = 0;
    // Each decoded frame's mean level, 0 to 255.
    QList<int> greys;
    QSize size;
    // What the file says of its length; unknown in a file that was not
    // completed.
    qint64 durationMs = -1;
    // Decoded to its end without an error.
    bool whole = false;
};

const char *const decoding = "decodebin ! videoconvert ! video/x-raw,format=BGRx";

// The frames that come out of `elements`: decoded, or only taken out of
// their container where a decoder may not be installed.
Video decoded(const QString &path, const char *elements = decoding)
{
    Video video;
    GstElement *pipeline = gst_parse_launch(
        qPrintable(QStringLiteral("filesrc name=file ! %1 ! appsink name=sink sync=false")
                       .arg(QLatin1String(elements))),
        nullptr);
    GstElement *file = gst_bin_get_by_name(GST_BIN(pipeline), "file");
    g_object_set(file, "location", QFile::encodeName(path).constData(), nullptr);
    gst_object_unref(file);
    GstAppSink *sink = GST_APP_SINK(gst_bin_get_by_name(GST_BIN(pipeline), "sink"));
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    // A file that does not decode never ends; ten seconds is ample for the rest.
    while (GstSample *sample = gst_app_sink_try_pull_sample(sink, 10 * GST_SECOND)) {
        const GstStructure *caps = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
        int width = 0, height = 0;
        gst_structure_get_int(caps, "width", &width);
        gst_structure_get_int(caps, "height", &height);
        video.size = QSize(width, height);
        if (gst_structure_has_name(caps, "video/x-raw")) {
            GstMapInfo map;
            gst_buffer_map(gst_sample_get_buffer(sample), &map, GST_MAP_READ);
            qint64 sum = 0;
            for (gsize i = 0; i < map.size; i += 4)
                sum += map.data[i] + map.data[i + 1] + map.data[i + 2];
            video.greys << int(sum / qint64(map.size / 4 * 3));
            gst_buffer_unmap(gst_sample_get_buffer(sample), &map);
        }
        gst_sample_unref(sample);
        gint64 duration = -1;
        if (++video.frames == 1 && gst_element_query_duration(pipeline, GST_FORMAT_TIME, &duration))
            video.durationMs = duration / GST_MSECOND;
    }
    video.whole = gst_app_sink_is_eos(sink);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
    return video;
}

// An EBML number at `at`, its length told by the first byte's leading zeros;
// element IDs keep that length marker, sizes drop it.
std::optional<quint64> ebmlNumber(const QByteArray &bytes, qsizetype &at, bool keepMarker)
{
    if (at >= bytes.size() || bytes[at] == 0)
        return std::nullopt;
    const auto first = quint8(bytes[at]);
    const int length = std::countl_zero(first) + 1;
    if (at + length > bytes.size())
        return std::nullopt;
    quint64 value = keepMarker ? first : first & (0xFFu >> length);
    for (int i = 1; i < length; ++i)
        value = value << 8 | quint8(bytes[at + i]);
    at += length;
    return value;
}

// Whether a WebM file was completed: the muxer writes its segment's size and
// the index of its frames (Cues) last.
bool indexed(const QString &path)
{
    const QByteArray bytes = contentsOf(path);
    qsizetype at = 0;
    const auto element = [&](quint64 &id, quint64 &size) {
        const std::optional<quint64> readId = ebmlNumber(bytes, at, true);
        const std::optional<quint64> readSize = ebmlNumber(bytes, at, false);
        id = readId.value_or(0);
        size = readSize.value_or(0);
        return readId && readSize;
    };
    quint64 id = 0, size = 0;
    if (!element(id, size))
        return false;
    at += qsizetype(size);
    if (!element(id, size) || id != 0x18538067 || at + qsizetype(size) != bytes.size())
        return false;
    while (element(id, size)) {
        if (id == 0x1C53BB6B)
            return true;
        at += qsizetype(size);
    }
    return false;
}

// Levels come back within what lossy coding changes.
bool sameGreys(const QList<int> &decoded, const QList<int> &written)
{
    return std::ranges::equal(decoded, written, [](int a, int b) { return std::abs(a - b) <= 8; });
}

QString describe(const Video &video)
{
    QStringList greys;
    std::ranges::transform(video.greys, std::back_inserter(greys),
                           [](int grey) { return QString::number(grey); });
    return QStringLiteral("%1 frames of %2 x %3, %4 ms, %5, greys %6")
        .arg(video.frames)
        .arg(video.size.width())
        .arg(video.size.height())
        .arg(video.durationMs)
        .arg(video.whole ? "whole" : "cut short", greys.join(' '));
}

const char *const notSnaps[]{"snap0001.png", "notes00001.txt", "snap.png"};

QStringList temporariesIn(const QString &folder)
{
    return QDir(folder).entryList({".lumivane-*"}, QDir::Files | QDir::Hidden);
}

// The program's error output on a terminal of its own, as a user who runs
// it sees it.
class Terminal {
public:
    Terminal() { ::openpty(&m_controller, &m_terminal, nullptr, nullptr, nullptr); }
    ~Terminal()
    {
        ::close(m_controller);
        ::close(m_terminal);
    }

    void attach(QProcess &process)
    {
        ::fcntl(m_controller, F_SETFL, O_NONBLOCK);
        process.setChildProcessModifier([fd = m_terminal] { ::dup2(fd, STDERR_FILENO); });
    }
    // What the program wrote so far.
    QString text()
    {
        char bytes[4096];
        ssize_t got;
        while ((got = ::read(m_controller, bytes, sizeof bytes)) > 0)
            m_text += QString::fromLocal8Bit(bytes, got);
        return m_text;
    }

private:
    int m_controller = -1;
    int m_terminal = -1;
    QString m_text;
};

} // namespace

class MakeVideoTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QCOMPARE(device::gst::initialise(), snappy::Failure{}); }

    void aSeriesOfEveryTypeBecomesAVideo_data()
    {
        QTest::addColumn<QString>("type");
        for (const QString &type : device::SnapFileWriter::types())
            QTest::newRow(qPrintable(type)) << type;
    }
    void aSeriesOfEveryTypeBecomesAVideo()
    {
        QFETCH(QString, type);
        QTemporaryDir folder;
        QList<int> greys;
        for (int frame = 0; frame < 4; ++frame) {
            writeSnap(folder.filePath(snapName(frame, type)), type, greyOf(frame));
            greys << greyOf(frame);
        }
        const QString first = folder.filePath(snapName(0, type));
        const Run run = makeVideo({first, "--fps", "10"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        QVERIFY2(run.out.contains(folder.filePath("snap.webm")), qPrintable(run.out));
        const Video video = decoded(folder.filePath("snap.webm"));
        QVERIFY2(video.whole && video.size == snapSize && sameGreys(video.greys, greys) &&
                     video.durationMs == 400,
                 qPrintable(describe(video)));
        QVERIFY(indexed(folder.filePath("snap.webm")));
        QVERIFY(temporariesIn(folder.path()).isEmpty());
    }

    // Snaps are written as numbered, other files lie beside them; the
    // video holds, in number order, those that read.
    void gapsAndFaultySnapsAreToldAndSkipped_data()
    {
        QTest::addColumn<QList<qint64>>("numbers");
        QTest::addColumn<QList<qint64>>("broken");
        QTest::addColumn<QList<qint64>>("otherSize");
        QTest::addColumn<qint64>("first");
        QTest::addColumn<QString>("missing");
        const QList<qint64> none;
        QTest::newRow("gaps") << QList<qint64>{0, 1, 5, 6, 7, 9} << none << none << qint64(0)
                              << "missing snaps: 00002-00004, 00008";
        QTest::newRow("counter past five digits")
            << QList<qint64>{99998, 99999, 100000, 100002} << none << none << qint64(99998)
            << "missing snaps: 100001";
        QTest::newRow("from a snap mid-series") << QList<qint64>{3, 4, 7, 8} << none << none
                                                << qint64(4) << "missing snaps: 00005-00006";
        QTest::newRow("a file that does not read")
            << QList<qint64>{0, 1, 2, 3} << QList<qint64>{2} << none << qint64(0) << QString();
        QTest::newRow("snaps of other sizes")
            << QList<qint64>{0, 1, 2} << none << QList<qint64>{1, 2} << qint64(0) << QString();
    }
    void gapsAndFaultySnapsAreToldAndSkipped()
    {
        QFETCH(QList<qint64>, numbers);
        QFETCH(QList<qint64>, broken);
        QFETCH(QList<qint64>, otherSize);
        QFETCH(qint64, first);
        QFETCH(QString, missing);
        QTemporaryDir folder;
        QList<int> greys;
        for (qsizetype i = 0; i < numbers.size(); ++i) {
            const QString path = folder.filePath(snapName(numbers[i], "png"));
            if (broken.contains(numbers[i])) {
                put(path, "not a picture");
                continue;
            }
            const int odd = int(otherSize.indexOf(numbers[i]));
            writeSnap(path, "png", greyOf(int(i)),
                      odd < 0 ? snapSize : QSize(32 + 40 * odd, 24 + 56 * odd));
            if (numbers[i] >= first)
                greys << greyOf(int(i));
        }
        // Files beside the series that are none of its snaps.
        for (const char *name :
             {"snap000001.png", "snap00001.jpg", "snapshot00001.png", "snap00001"})
            writeSnap(folder.filePath(name),
                      QFileInfo(name).suffix().isEmpty() ? "png" : QFileInfo(name).suffix(), 255);

        const Run run = makeVideo({folder.filePath(snapName(first, "png"))});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        if (!missing.isEmpty())
            QVERIFY2(run.err.contains(missing), qPrintable(run.err));
        else
            QVERIFY2(!run.err.contains("missing"), qPrintable(run.err));
        for (qint64 number : broken)
            QVERIFY2(run.err.contains(folder.filePath(snapName(number, "png"))),
                     qPrintable(run.err));
        const Video video = decoded(folder.filePath("snap.webm"));
        QVERIFY2(video.whole && video.size == snapSize && sameGreys(video.greys, greys),
                 qPrintable(describe(video)));
    }

    // A long series of noise, slow to encode, stopped once a few frames are
    // done.
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
        const QString first = folder.filePath(snapName(0, "png"));
        QCOMPARE(device::SnapFileWriter::save(noise, first, "png"), snappy::Failure{});
        constexpr int total = 3000;
        for (int number = 1; number < total; ++number)
            QCOMPARE(
                ::link(QFile::encodeName(first).constData(),
                       QFile::encodeName(folder.filePath(snapName(number, "png"))).constData()),
                0);

        Terminal terminal;
        QProcess program;
        program.setProcessEnvironment(withoutDisplay());
        terminal.attach(program);
        program.start(LUMIVANE_PROGRAM, {"--make-video", first});
        const QRegularExpression progress(
            QStringLiteral("(\\d+) of %1 frames, [0-9.]+ frames/s, \\d+:\\d\\d left").arg(total));
        const auto framesShown = [&] {
            int shown = 0;
            for (const QRegularExpressionMatch &line : progress.globalMatch(terminal.text()))
                shown = line.captured(1).toInt();
            return shown;
        };
        QTRY_VERIFY_WITH_TIMEOUT(framesShown() >= 3, 60000);
        ::kill(pid_t(program.processId()), signal);
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitCode(), 1);

        const QRegularExpressionMatch stopped =
            QRegularExpression(QStringLiteral("Stopped after (\\d+) of %1 frames").arg(total))
                .match(terminal.text());
        QVERIFY2(stopped.hasMatch(), qPrintable(terminal.text()));
        const int frames = stopped.captured(1).toInt();
        QVERIFY2(frames >= 3 && frames < total, qPrintable(terminal.text()));
        const Video video = decoded(folder.filePath("snap.webm"));
        QVERIFY2(video.whole && video.frames == frames && video.durationMs == frames * 40,
                 qPrintable(describe(video)));
        QVERIFY(indexed(folder.filePath("snap.webm")));
        QVERIFY(temporariesIn(folder.path()).isEmpty());
    }

    void anExistingFileIsReplacedOnlyWhenAsked_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("kept") << QStringList{} << 1;
        QTest::newRow("replaced") << QStringList{"--overwrite"} << 0;
    }
    void anExistingFileIsReplacedOnlyWhenAsked()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QTemporaryDir folder;
        for (int frame = 0; frame < 2; ++frame)
            writeSnap(folder.filePath(snapName(frame, "png")), "png", greyOf(frame));
        const QString output = folder.filePath("chosen.webm");
        put(output, "earlier video");

        const Run run = makeVideo(
            QStringList{folder.filePath(snapName(0, "png")), "--output", output} + options);
        QCOMPARE(run.exitCode, exitCode);
        if (exitCode == 0) {
            QCOMPARE(decoded(output).frames, 2);
        } else {
            QVERIFY2(run.err.contains(output) && run.err.contains("--overwrite"),
                     qPrintable(run.err));
            QCOMPARE(contentsOf(output), QByteArray("earlier video"));
        }
        QVERIFY(temporariesIn(folder.path()).isEmpty());
    }

    // MP4 needs an H.264 encoder, which Debian keeps apart.
    void mp4IsWrittenWhereAnEncoderIsInstalled()
    {
        QTemporaryDir folder;
        for (int frame = 0; frame < 3; ++frame)
            writeSnap(folder.filePath(snapName(frame, "png")), "png", greyOf(frame));
        const QString output = folder.filePath("snaps.mp4");
        const Run run = makeVideo({folder.filePath(snapName(0, "png")), "--output", output});
        GstElementFactory *x264 = gst_element_factory_find("x264enc");
        if (x264) {
            gst_object_unref(x264);
            QVERIFY2(run.exitCode == 0, qPrintable(run.err));
            const Video video = decoded(output, "qtdemux");
            QVERIFY2(video.whole && video.frames == 3 && video.size == snapSize &&
                         video.durationMs == 120,
                     qPrintable(describe(video)));
        } else {
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.contains("gstreamer1.0-plugins-ugly"), qPrintable(run.err));
            QVERIFY(!QFile::exists(output));
        }
    }

    void badArgumentsEndWithoutAVideo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("says");
        const QStringList snap{"--make-video", "%folder/snap00000.png"};
        for (const QStringList &fps : QList<QStringList>{{"0"}, {"-5"}, {"241"}, {"fast"}, {}})
            QTest::addRow("--fps %s", qPrintable(fps.value(0, "without a value")))
                << snap + QStringList{"--fps"} + fps << "--fps";
        QTest::newRow("not a video name")
            << snap + QStringList{"--output", "%folder/video.avi"} << ".webm";
        QTest::newRow("unknown option") << snap + QStringList{"--speed", "2"} << "speed";
        QTest::newRow("no such snap")
            << QStringList{"--make-video", "%folder/snap00009.png"} << "snap00009.png";
        // Files that are there but not numbered snaps.
        for (const char *name : notSnaps)
            QTest::addRow("%s", name)
                << QStringList{"--make-video", QStringLiteral("%folder/") + name}
                << "numbered snap";
        QTest::newRow("video option alone") << QStringList{"--fps", "30"} << "--make-video";
    }
    void badArgumentsEndWithoutAVideo()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, says);
        QTemporaryDir folder;
        writeSnap(folder.filePath(snapName(0, "png")), "png", greyOf(0));
        for (const char *name : notSnaps)
            put(folder.filePath(name), {});

        const Run run = runProgram(arguments.replaceInStrings("%folder", folder.path()));
        QCOMPARE(run.exitCode, 2);
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
        QCOMPARE(QDir(folder.path())
                     .entryList({"*.webm", "*.avi", ".lumivane-*"}, QDir::Files | QDir::Hidden),
                 QStringList{});
    }
};

QTEST_MAIN(MakeVideoTest)
#include "tst_make_video.moc"
