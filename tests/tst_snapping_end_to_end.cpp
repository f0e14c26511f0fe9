#include "Files.h"
#include "InstantStandIn.h"
#include "ManualClock.h"
#include "ModalDialog.h"
#include "ScriptedPrompts.h"
#include "device/gstreamer/GStreamerDevice.h"
#include "dialogs/frmPath.h"
#include "window/Lumivane.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

QStringList numberedNames(int first, int last)
{
    QStringList names;
    for (int number = first; number <= last; ++number)
        names << QString("run%1.png").arg(number, 5, 10, QChar('0'));
    return names;
}

// The program as a user runs it, by default on the device it ships with,
// saving incrementally into a folder of the test's own.
struct RunningProgram {
    explicit RunningProgram(std::unique_ptr<snappy::SnappyDevice> device = instantStandIn())
    {
        window = std::make_unique<Lumivane>(std::move(device), prompts, nullptr, clock.reader());
        window->state().sCurrentpath = folder.path();
        window->state().sFileName = "run";
        window->state().sFileType = "png";
        window->controls().optIncremental->select();
    }

    // Snapping ends with the saved files numbered from 0 without a gap, and
    // the next number the one after them.
    void snapRapidlyUntil(const std::function<bool()> &done)
    {
        window->controls().cmbSnapMode->select(static_cast<int>(SnapMode::RapidSnap));
        QTRY_VERIFY_WITH_TIMEOUT(done(), 20000);
        window->controls().cmbSnapMode->select(static_cast<int>(SnapMode::Off));
        QTRY_COMPARE(window->controls().lblProgressBar->text(), QString("Waiting"));
        const QStringList files = savedFiles();
        QCOMPARE(files, numberedNames(0, files.size() - 1));
        QCOMPARE(window->state().iCurrentImageNumber, files.size());
    }

    QStringList savedFiles() const
    {
        return QDir(folder.path()).entryList({"run*.png"}, QDir::Files, QDir::Name);
    }

    QTemporaryDir folder;
    ManualClock clock;
    ScriptedPrompts prompts;
    std::unique_ptr<Lumivane> window;
};

} // namespace

class SnappingEndToEndTest : public QObject {
    Q_OBJECT

private slots:
    // Numbered on from the files of an earlier run, which are kept.
    void rapidIncrementalSavingLeavesNoGaps()
    {
        RunningProgram program;
        for (const QString &name : numberedNames(0, 2))
            put(program.folder.filePath(name), "earlier run");
        program.snapRapidlyUntil([&] { return program.savedFiles().size() >= 8; });
        for (const QString &name : numberedNames(0, 2))
            QCOMPARE(contentsOf(program.folder.filePath(name)), QByteArray("earlier run"));
        QCOMPARE(QImage(program.folder.filePath(program.savedFiles().last())).size(),
                 QSize(640, 480));
    }

    // The path dialog works on the values read when it opened, and its OK
    // writes them back while rapid snapping goes on: the number goes back to
    // the one read then, and the next snaps skip the names taken meanwhile,
    // so none is overwritten and the series has no gaps.
    void okInThePathDialogWhileSnappingRapidlyOverwritesNothing()
    {
        RunningProgram program;
        const CaptureControls &c = program.window->controls();
        CaptureState &state = program.window->state();
        c.cmbSnapMode->select(static_cast<int>(SnapMode::RapidSnap));
        QTRY_VERIFY(program.savedFiles().size() >= 2);
        qint32 opened = -1;
        qint32 writtenBack = -1;
        QHash<QString, QByteArray> savedBeforeOk;
        QVERIFY(clickAndAnswer<frmPath>(c.cmdFileInfo, [&](frmPath &dialog) {
            opened = dialog.fields.iNewImageNumber;
            QTRY_VERIFY(state.iCurrentImageNumber >= opened + 3);
            for (const QString &name : program.savedFiles())
                savedBeforeOk.insert(name, contentsOf(program.folder.filePath(name)));
            dialog.ok->click();
            writtenBack = state.iCurrentImageNumber;
        }));
        QCOMPARE(writtenBack, opened);
        QVERIFY(savedBeforeOk.size() >= opened + 3);

        const int total = savedBeforeOk.size() + 4;
        program.snapRapidlyUntil([&] { return program.savedFiles().size() >= total; });
        for (auto saved = savedBeforeOk.cbegin(); saved != savedBeforeOk.cend(); ++saved)
            QVERIFY2(contentsOf(program.folder.filePath(saved.key())) == saved.value(),
                     qPrintable(saved.key()));
        QCOMPARE(program.window->saveFailureNotice().failureCount(), 0);
    }

    void saveIntoMissingFolderIsReportedAndSnappingGoesOn()
    {
        RunningProgram program;
        program.window->state().sCurrentpath = program.folder.filePath("gone");
        SaveFailureNotice &notice = program.window->saveFailureNotice();
        program.snapRapidlyUntil([&] { return notice.failureCount() >= 3; });
        QVERIFY(notice.text().contains(program.folder.filePath("gone")));
        QVERIFY(program.savedFiles().isEmpty());
    }

    // A time-lapse whose camera is gone: each snap ends without a picture,
    // the user is told once why, nothing is written or numbered, and the
    // countdown goes on to the next snap.
    void aTimeLapseOutlivesItsCamera()
    {
        RunningProgram program(std::make_unique<device::gst::GStreamerDevice>(
            device::gst::VideoSource::pipeline(QStringLiteral("v4l2src device=/dev/unplugged")),
            QStringLiteral("Garden camera")));
        const CaptureControls &c = program.window->controls();
        SaveFailureNotice &notice = program.window->saveFailureNotice();
        QSignalSpy done(&program.window->Snappy1(), &snappy::SnappyDevice::SnapDone);
        c.cmbSnapMode->select(static_cast<int>(SnapMode::DelayedSnap));
        for (int snap = 1; snap <= 2; ++snap) {
            program.clock.advance(std::chrono::minutes(1));
            QMetaObject::invokeMethod(c.tmrDelaySnap, "timeout", Qt::DirectConnection);
            QTRY_COMPARE(done.size(), snap);
            QVERIFY(notice.text().contains("Garden camera") &&
                    notice.text().contains("/dev/unplugged"));
            QVERIFY(c.tmrDelaySnap->isActive());
            QCOMPARE(c.cmbSnapMode->currentIndex(), static_cast<int>(SnapMode::DelayedSnap));
        }
        QCOMPARE(notice.failureCount(), 0);
        QCOMPARE(program.window->state().iCurrentImageNumber, 0);
        QVERIFY(program.savedFiles().isEmpty());
        QVERIFY(c.imgDisplay->picture().isNull());
    }
};

QTEST_MAIN(SnappingEndToEndTest)
#include "tst_snapping_end_to_end.moc"
