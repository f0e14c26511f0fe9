#include "app/ProgramIdentity.h"

#include "app/ProgramTitle.h"

#include <QApplication>
#include <QIcon>

void applyProgramIdentity()
{
    // No display name: the desktop would append it to every window title,
    // and the titles are shown exactly as they are.
    QApplication::setApplicationName(ProgramTitle);
    QApplication::setApplicationVersion(QStringLiteral(LUMIVANE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(LUMIVANE_APP_ID));
}

void applyProgramIcon(QApplication &application)
{
    application.setWindowIcon(QIcon(QStringLiteral(":/" LUMIVANE_APP_ID ".svg")));
}
