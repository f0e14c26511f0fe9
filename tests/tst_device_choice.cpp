// Which capture device the program runs with, and its command line, video
// making's included: run as a user would, the program itself, without a
// display.

#include "DataColumns.h"
#include "Files.h"
#include "ProgramRun.h"
#include "device/DeviceCatalog.h"

#include <QtTest>

using device::DeviceCatalog;

class DeviceChoiceTest : public QObject {
    Q_OBJECT

private slots:
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

QTEST_MAIN(DeviceChoiceTest)
#include "tst_device_choice.moc"
