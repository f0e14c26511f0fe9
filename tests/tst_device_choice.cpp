// Which capture device the program runs with, and its command line: run
// as a user would, the program itself, without a display.

#include "ProgramRun.h"
#include "device/DeviceCatalog.h"

#include <QtTest>

using device::DeviceCatalog;

class DeviceChoiceTest : public QObject {
    Q_OBJECT

private slots:
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
        const QStringList lines =
            two.listing(QStringLiteral("/dev/video0")).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith("  /dev/video2") && lines[0].endsWith("Capture card"));
        QVERIFY(lines[1].startsWith("* /dev/video0") && lines[1].endsWith("Webcam"));
        QCOMPARE(two.open(QStringLiteral("/dev/video0"))->deviceName(),
                 QStringLiteral("Webcam (/dev/video0)"));
        QVERIFY(two.open(DeviceCatalog::testPattern)->deviceName().contains("test pattern"));

        for (const char *unknown : {"bogus", "/dev/video99"})
            QVERIFY2(two.resolve(unknown).isEmpty(), qPrintable(unknown));
    }

    void commandLineAnswersWithoutAWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "--list-devices";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "Lumivane ";
        QTest::newRow("list") << QStringList{"--list-devices", "--device", "test-pattern"} << 0
                              << "* test-pattern";
        QTest::newRow("unknown device")
            << QStringList{"--device", "/dev/video99"} << 2 << "no capture device \"/dev/video99\"";
        QTest::newRow("unknown option") << QStringList{"--colour"} << 1 << "colour";
        QTest::newRow("stray argument") << QStringList{"snap.bmp"} << 1 << "snap.bmp";
        QTest::newRow("settle time not a number")
            << QStringList{"--settle-time", "soon"} << 1 << "--settle-time";
        QTest::newRow("settle time below zero")
            << QStringList{"--settle-time", "-5"} << 1 << "--settle-time";
        QTest::newRow("settle time taken")
            << QStringList{"--settle-time", "250", "--list-devices"} << 0 << "stand-in";
        QTest::newRow("reserve not a number")
            << QStringList{"--reserve", "1G"} << 1 << "--reserve takes a number of MiB";
        QTest::newRow("reserve below zero")
            << QStringList{"--reserve", "-1"} << 1 << "--reserve takes a number of MiB";
        QTest::newRow("reserve taken")
            << QStringList{"--reserve", "0", "--list-devices"} << 0 << "stand-in";
    }
    void commandLineAnswersWithoutAWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        const Run run = runProgram(arguments);
        QCOMPARE(run.exitCode, exitCode);
        const QString told = exitCode == 0 ? run.out : run.err;
        QVERIFY2(told.contains(says), qPrintable(run.out + run.err));
    }
};

QTEST_MAIN(DeviceChoiceTest)
#include "tst_device_choice.moc"
