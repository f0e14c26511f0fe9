#pragma once

// A time-lapse as a user sets one up, on a clock the test moves, so that
// days of it pass in moments: the smallest snaps, a minute apart, each saved
// under the next number.

#include "ManualClock.h"
#include "ScriptedPrompts.h"
#include "window/Lumivane.h"
#include "window/SnapModeController.h"

#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

struct MinuteSeries {
    explicit MinuteSeries(std::unique_ptr<snappy::SnappyDevice> device)
        : window(std::make_unique<Lumivane>(std::move(device), prompts, nullptr, clock.reader()))
        , done(&window->Snappy1(), &snappy::SnappyDevice::SnapDone)
    {
        const CaptureControls &c = window->controls();
        window->state().sCurrentpath = folder.path();
        window->state().sFileName = "week";
        window->state().sFileType = "png";
        c.optIncremental->select();
        c.CmbSize->select(0);
        c.cmbSnapMethod->select(0);
        c.cmbSnapMode->select(static_cast<int>(SnapMode::DelayedSnap));
    }

    // Whether the snap that fell due at the minute's end was saved; none
    // when it did not end.
    std::optional<bool> passMinute()
    {
        const int number = window->state().iCurrentImageNumber;
        clock.advance(std::chrono::minutes(1));
        QMetaObject::invokeMethod(window->controls().tmrDelaySnap, "timeout", Qt::DirectConnection);
        if (!done.wait(5000))
            return std::nullopt;
        done.clear();
        // A camera stays open two seconds after a snap, long past when the
        // next falls due a minute later: each snap opens it afresh. The
        // minute passes at once here, so it is closed as those seconds'
        // end would.
        window->Snappy1().call(snappy::Method::StopPreview);
        return window->state().iCurrentImageNumber == number + 1;
    }

    QString fileName(int number) const
    {
        return QDir(folder.path()).filePath(QStringLiteral("week%1.png").arg(paddedNumber(number)));
    }

    // Empty when the folder holds the numbered snaps 0 to `count` - 1 and
    // nothing else, each a picture of the snap size that `holds` accepts for
    // its number; what is amiss otherwise.
    QString unlikeTheSeries(int count,
                            const std::function<bool(int, const QImage &)> &holds = {}) const
    {
        const qsizetype files =
            QDir(folder.path())
                .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                .size();
        if (files != count)
            return QStringLiteral("%1 files for %2 snaps").arg(files).arg(count);
        for (int number = 0; number < count; ++number) {
            const QImage picture(fileName(number));
            if (picture.size() != QSize(160, 120))
                return fileName(number) + QStringLiteral(" is no snap");
            if (holds && !holds(number, picture))
                return fileName(number) + QStringLiteral(" holds another snap");
        }
        return {};
    }

    // Every save waits for the disk to have the file, twice, which would
    // take most of the run: the series goes to memory where the system keeps
    // a file system there.
    QTemporaryDir folder{QDir(QFileInfo::exists("/dev/shm") ? "/dev/shm" : QDir::tempPath())
                             .filePath("lumivane-series-XXXXXX")};
    ManualClock clock;
    ScriptedPrompts prompts;
    std::unique_ptr<Lumivane> window;
    QSignalSpy done;
};
