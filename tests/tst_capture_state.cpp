#include "app/CaptureState.h"
#include "app/PlatformPaths.h"

#include <QStorageInfo>
#include <QtTest>

class CaptureStateTest : public QObject {
    Q_OBJECT

private slots:
    void paddedNumber_data()
    {
        QTest::addColumn<qint32>("number");
        QTest::addColumn<QString>("padded");
        QTest::newRow("zero") << 0 << "00000";
        QTest::newRow("one digit") << 7 << "00007";
        QTest::newRow("two digits") << 42 << "00042";
        QTest::newRow("five digits") << 12345 << "12345";
        QTest::newRow("six digits written in full") << 100000 << "100000";
        QTest::newRow("counter's upper bound") << 2000000000 << "2000000000";
    }
    void paddedNumber()
    {
        QFETCH(qint32, number);
        QFETCH(QString, padded);
        QCOMPARE(::paddedNumber(number), padded);
    }

    void snapFileNameHasOneSeparator_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain folder") << "/home/ann/snaps"
                                      << "/home/ann/snaps/pic00042.jpg";
        QTest::newRow("trailing separator") << "/home/ann/snaps/"
                                            << "/home/ann/snaps/pic00042.jpg";
        QTest::newRow("root folder") << "/"
                                     << "/pic00042.jpg";
    }
    void snapFileNameHasOneSeparator()
    {
        QFETCH(QString, folder);
        QFETCH(QString, expected);
        CaptureState state;
        state.sCurrentpath = folder;
        state.sFileName = "pic";
        state.iCurrentImageNumber = 42;
        state.sFileType = "jpg";
        QCOMPARE(snapFileName(state), expected);
    }

    void rootKeepsItsSeparator()
    {
        QCOMPARE(platform::withoutTrailingSeparator("/"), QString("/"));
        QCOMPARE(platform::withoutTrailingSeparator("/media/card/"), QString("/media/card"));
        QCOMPARE(platform::withoutTrailingSeparator("/media/card"), QString("/media/card"));
        QCOMPARE(platform::folderToList(""), QString("/"));
    }

    void volumeOfPathIsItsMountRoot()
    {
        QCOMPARE(platform::volumeOf("/"), QString("/"));
        const QStorageInfo shm("/dev/shm");
        if (!shm.isValid() || shm.rootPath() != "/dev/shm")
            QSKIP("/dev/shm is not a volume of its own here");
        QCOMPARE(platform::volumeOf("/dev/shm"), QString("/dev/shm"));
    }
};

QTEST_GUILESS_MAIN(CaptureStateTest)
#include "tst_capture_state.moc"
