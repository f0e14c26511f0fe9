#pragma once

// Who the program is to the desktop: its name, version, the desktop entry
// that launched it and the icon of its windows.

class QApplication;

void applyProgramIdentity(QApplication &application);
