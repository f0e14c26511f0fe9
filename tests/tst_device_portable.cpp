// The device's portable paths, which processors other than x86-64 take, and
// its SSE2 paths, which those without AVX2 take, make the same snaps and
// files as the paths this processor takes: programs built on the portable
// paths and on the SSE2 paths alone write what they make of fixed pictures,
// held here against what this processor's paths make of them.

#include "DataColumns.h"
#include "Files.h"
#include "PathSamples.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class DevicePortableTest : public QObject {
    Q_OBJECT

    // Each program built on other paths, and the folder it writes into.
    struct OtherPaths {
        const char *name;
        const char *writer;
        QTemporaryDir folder;
    };
    OtherPaths m_paths[2]{{"portable", LUMIVANE_PORTABLE_WRITER, {}},
                          {"SSE2", LUMIVANE_NARROW_WRITER, {}}};

private slots:
    void initTestCase()
    {
        for (const OtherPaths &paths : m_paths)
            QCOMPARE(QProcess::execute(paths.writer, {paths.folder.path()}), 0);
    }

    void otherPathsMakeTheSameBytes_data()
    {
        addColumns<QString, QByteArray>({"file", "bytes"});
        for (const PathSample &sample : pathSamples()) {
            for (const OtherPaths &paths : m_paths)
                QTest::addRow("%s, %s", paths.name, qPrintable(sample.name))
                    << paths.folder.filePath(sample.name) << sample.bytes;
        }
    }

    void otherPathsMakeTheSameBytes()
    {
        const auto [file, bytes] = fetchRow<QString, QByteArray>();
        QCOMPARE(contentsOf(file), bytes);
    }
};

QTEST_MAIN(DevicePortableTest)
#include "tst_device_portable.moc"
