#include "core/CaptureState.h"

#include <QtTest>

class CaptureStateTest : public QObject {
    Q_OBJECT

private slots:
    // Five-digit numbers, longer ones in full, and one separator between
    // folder and name, also where the folder ends in one.
    void snapFileName_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<qint32>("number");
        QTest::addColumn<QString>("expected");
        QTest::newRow("zero") << "/home/ann/snaps" << 0 << "/home/ann/snaps/pic00000.jpg";
        QTest::newRow("trailing separator")
            << "/home/ann/snaps/" << 42 << "/home/ann/snaps/pic00042.jpg";
        QTest::newRow("root folder") << "/" << 12345 << "/pic12345.jpg";
        QTest::newRow("counter's upper bound") << "/s" << 2000000000 << "/s/pic2000000000.jpg";
    }
    void snapFileName()
    {
        QFETCH(QString, folder);
        QFETCH(qint32, number);
        QFETCH(QString, expected);
        CaptureState state;
        state.sCurrentpath = folder;
        state.sFileName = "pic";
        state.iCurrentImageNumber = number;
        state.sFileType = "jpg";
        QCOMPARE(::snapFileName(state), expected);
    }
};

QTEST_GUILESS_MAIN(CaptureStateTest)
#include "tst_capture_state.moc"
