#include "output/DialogLook.h"

#include "app/Controls.h"

#include <QDialog>
#include <QFontDatabase>
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

QFont frameCaptionFont(qreal points)
{
    const QString designFamily = QStringLiteral("MS Sans Serif");
    QFont font;
    if (QFontDatabase::hasFamily(designFamily))
        font.setFamily(designFamily);
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}
