#pragma once

// How the program's windows are drawn beyond the desktop's own style.

class QApplication;

// Frames around groups of controls are drawn as an etched line.
void applyProgramStyle(QApplication &application);
