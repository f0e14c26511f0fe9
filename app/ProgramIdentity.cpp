#include "app/ProgramIdentity.h"

#include "app/ProgramTitle.h"

#include <QApplication>
#include <QIcon>

void applyProgramIdentity(QApplication &application)
{
    // No display name: the desktop would append it to every window title,
    // and the titles are shown exactly as they are.
    application.setApplicationName(ProgramTitle);
    application.setApplicationVersion(QStringLiteral(LUMIVANE_VERSION));
    application.setDesktopFileName(QStringLiteral(LUMIVANE_APP_ID));
    application.setWindowIcon(QIcon(QStringLiteral(":/" LUMIVANE_APP_ID ".svg")));
}
