#pragma once

// What the program's dialogs share in their look: a fixed size, no minimise
// or maximise buttons, and buttons that Enter does not press.

class QDialog;
class QPushButton;

void makeFixedDialog(QDialog &dialog, int widthTwips, int heightTwips);
void makePlainButton(QPushButton &button);
