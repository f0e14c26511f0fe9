#include "ScriptedPrompts.h"
#include "app/Lumivane.h"
#include "device/standin/StandInDevice.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// The program as a user runs it, on the device it ships with, saving
// incrementally into a folder of the test's own.
struct RunningProgram {
    RunningProgram()
    {
        auto standIn = std::make_unique<device::StandInDevice>();
        standIn->setTimeScale(0.0);
        window = std::make_unique<Lumivane>(std::move(standIn), prompts);
        window->state().sCurrentpath = folder.path();
        window->state().sFileName = "run";
        window->state().sFileType = "png";
        window->controls().optIncremental->select();
    }

    void snapRapidlyUntil(const std::function<bool()> &done)
    {
        window->controls().cmbSnapMode->select(static_cast<int>(SnapMode::RapidSnap));
        QTRY_VERIFY_WITH_TIMEOUT(done(), 20000);
        window->controls().cmbSnapMode->select(static_cast<int>(SnapMode::Off));
        QTRY_COMPARE(window->controls().lblProgressBar->text(), QString("Waiting"));
    }

    QStringList savedFiles() const
    {
        return QDir(folder.path()).entryList({"run*.png"}, QDir::Files, QDir::Name);
    }

    QTemporaryDir folder;
    ScriptedPrompts prompts;
    std::unique_ptr<Lumivane> window;
};

QStringList numberedNames(int first, int last)
{
    QStringList names;
    for (int number = first; number <= last; ++number)
        names << QString("run%1.png").arg(number, 5, 10, QChar('0'));
    return names;
}

} // namespace

class SnappingEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    void rapidIncrementalSavingLeavesNoGaps()
    {
        RunningProgram program;
        program.snapRapidlyUntil([&] { return program.savedFiles().size() >= 5; });
        const QStringList files = program.savedFiles();
        QCOMPARE(files, numberedNames(0, files.size() - 1));
        QCOMPARE(program.window->state().iCurrentImageNumber, files.size());
        QCOMPARE(QImage(program.folder.filePath(files.last())).size(), QSize(640, 480));
    }

    void filesOfAnEarlierRunAreKept()
    {
        RunningProgram program;
        for (const QString &name : numberedNames(0, 2)) {
            QFile earlier(program.folder.filePath(name));
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier run");
        }
        program.snapRapidlyUntil([&] { return program.savedFiles().size() >= 6; });
        for (const QString &name : numberedNames(0, 2)) {
            QFile earlier(program.folder.filePath(name));
            QVERIFY(earlier.open(QIODevice::ReadOnly));
            QCOMPARE(earlier.readAll(), QByteArray("earlier run"));
        }
        QVERIFY(!QImage(program.folder.filePath("run00003.png")).isNull());
    }

    void saveIntoMissingFolderIsReportedAndSnappingGoesOn()
    {
        RunningProgram program;
        program.window->state().sCurrentpath = program.folder.filePath("gone");
        SaveFailureNotice &notice = program.window->saveFailureNotice();
        program.snapRapidlyUntil([&] { return notice.failureCount() >= 3; });
        QVERIFY(notice.text().contains(program.folder.filePath("gone")));
        QCOMPARE(program.window->state().iCurrentImageNumber, 0);
        QVERIFY(program.savedFiles().isEmpty());
    }
};

QTEST_MAIN(SnappingEndToEndTest)
#include "tst_snapping_end_to_end.moc"
