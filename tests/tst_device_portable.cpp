// The device's portable paths, which processors other than x86-64 take, and
// its SSE2 paths, which those without AVX2 take, make the same snaps and
// files as the paths this processor takes: programs built on the portable
// paths and on the SSE2 paths alone write what they make of fixed pictures,
// held here against what this processor's paths make of them.

#include "DataColumns.h"
#include "PathSamples.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class DevicePortableTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const auto &[program, folder] : {std::pair{LUMIVANE_PORTABLE_WRITER, &m_portable},
                                              std::pair{LUMIVANE_NARROW_WRITER, &m_narrow}}) {
            QProcess writer;
            writer.setProcessChannelMode(QProcess::ForwardedChannels);
            writer.start(program, {folder->path()});
            QVERIFY(writer.waitForFinished(120000));
            QCOMPARE(writer.exitCode(), 0);
        }
    }

    void otherPathsMakeTheSameBytes_data()
    {
        addColumns<QString, QByteArray>({"file", "bytes"});
        for (const PathSample &sample : pathSamples()) {
            const QByteArray name = sample.name.toUtf8();
            QTest::addRow("portable, %s", name.constData())
                << m_portable.filePath(sample.name) << sample.bytes;
            QTest::addRow("SSE2, %s", name.constData())
                << m_narrow.filePath(sample.name) << sample.bytes;
        }
    }

    void otherPathsMakeTheSameBytes()
    {
        const auto [file, bytes] = fetchRow<QString, QByteArray>();
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), bytes);
    }

private:
    QTemporaryDir m_portable;
    QTemporaryDir m_narrow;
};

QTEST_MAIN(DevicePortableTest)
#include "tst_device_portable.moc"
