// The device's portable paths, which processors other than x86-64 take,
// make the same snaps and files as its vector paths: a program built on the
// portable paths writes what they make of fixed pictures, held here against
// what the paths this processor takes make of them.

#include "PathSamples.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class DevicePortableTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QProcess writer;
        writer.setProcessChannelMode(QProcess::ForwardedChannels);
        writer.start(LUMIVANE_PORTABLE_WRITER, {m_folder.path()});
        QVERIFY(writer.waitForFinished(120000));
        QCOMPARE(writer.exitCode(), 0);
    }

    void portablePathsMakeTheSameBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        for (const PathSample &sample : pathSamples())
            QTest::newRow(qPrintable(sample.name)) << sample.bytes;
    }

    void portablePathsMakeTheSameBytes()
    {
        QFETCH(QByteArray, bytes);
        QFile file(m_folder.filePath(QTest::currentDataTag()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), bytes);
    }

private:
    QTemporaryDir m_folder;
};

QTEST_MAIN(DevicePortableTest)
#include "tst_device_portable.moc"
