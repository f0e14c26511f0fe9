#pragma once

// core/, the lowest layer, needs QtCore only: the capture state and the snap
// names built on it (here), where snaps go on this platform
// (PlatformPaths.h) and the program's title (ProgramTitle.h).
//
// The capture state the main window owns and the other windows read and
// write: how snaps are taken and where they are written, the two naming
// rules built on it, and when the default folder is made.

#include <QString>
#include <QtGlobal>

// Flags are 16-bit with True = -1; readers test for True exactly.
using Flag = qint16;
inline constexpr Flag FlagTrue = -1;
inline constexpr Flag FlagFalse = 0;

inline constexpr bool isTrue(Flag flag)
{
    return flag == FlagTrue;
}

struct CaptureState {
    Flag bRapidSnap = FlagFalse;
    Flag bFileIncrement = FlagFalse;
    Flag bSaveFile = FlagFalse;
    qint32 iSnapTime = 0;
    qint32 iCountDown = 0;
    qint32 iCurrentImageNumber = 0;
    QString sCurrentpath;
    // The folder the program chose before the user chose one.
    QString sDefaultPath;
    QString sFileName;
    QString sFileType;
};

// The image number padded with zeros to five digits; longer numbers are
// written in full so that every number still names its own file.
QString paddedNumber(qint32 number);

// The full path of the file the next saved snap is written to.
QString snapFileName(const CaptureState &state);

// Creates the folder snaps go to when it is the program's default and still
// missing. The default is made only once a save or the path dialog needs it,
// so that a run which saves nothing leaves no folder behind. Empty on
// success, else the system's reason.
QString makeDefaultFolder(const CaptureState &state);
