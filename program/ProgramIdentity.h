#pragma once

// Who the program is to the desktop: its name, version, the desktop entry
// that launched it and the icon of its windows.

class QApplication;

// Name, version and desktop entry need no application object yet, so the
// command line can tell them without a display.
void applyProgramIdentity();
// The icon needs the application.
void applyProgramIcon(QApplication &application);
