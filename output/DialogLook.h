#pragma once

// What the program's dialogs share in their look: a fixed size, no minimise
// or maximise buttons, buttons that Enter does not press, and the bold frame
// captions of their design.

#include <QFont>

class QDialog;
class QPushButton;

void makeFixedDialog(QDialog &dialog, int widthTwips, int heightTwips);
void makePlainButton(QPushButton &button);
QFont frameCaptionFont(qreal points);
