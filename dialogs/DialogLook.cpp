#include "dialogs/DialogLook.h"

#include "widgets/Controls.h"

#include <QDialog>
#include <QPushButton>

void makeFixedDialog(QDialog &dialog, int widthTwips, int heightTwips)
{
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    dialog.setFixedSize(twipsToPixels(widthTwips), twipsToPixels(heightTwips));
}

void makePlainButton(QPushButton &button)
{
    button.setAutoDefault(false);
    button.setDefault(false);
}
