#pragma once

// The path dialog's own values: what it proposes for the capture state until
// OK writes them back, and the state of the character check that names typed
// by the user pass through.

#include <QString>
#include <QtGlobal>

struct PathDialogFields {
    QString sFolder;
    QString sNewFile;
    qint32 iNewImageNumber = 0;
    bool bBadChr = true;
    QString sTestString;
    QString sNewImageType;

    // Tests sTestString for the characters no file or folder name may hold;
    // sets bBadChr to the result and returns it.
    bool CheckBadChr();
};
