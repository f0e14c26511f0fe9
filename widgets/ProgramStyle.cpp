#include "widgets/ProgramStyle.h"

#include <QApplication>
#include <QGroupBox>
#include <QProxyStyle>
#include <QStyleOption>
#include <qdrawutil.h>

namespace {

// The stock look draws a frame from an image file, and the first image read
// asks every image plugin installed whether it reads the file: a few
// milliseconds of every start before the window shows its controls. An
// etched line needs no picture, and is the frame the window was designed
// with.
class EtchedFrameStyle : public QProxyStyle {
public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        if (element != PE_FrameGroupBox) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        // Below the caption, where the stock look puts its frame too.
        const auto *box = qobject_cast<const QGroupBox *>(widget);
        const int captionHeight = box && !box->title().isEmpty() ? option->fontMetrics.height() : 0;
        qDrawShadeRect(painter, option->rect.adjusted(0, captionHeight, 0, 0), option->palette,
                       true, 1, 0);
    }
};

} // namespace

void applyProgramStyle(QApplication &application)
{
    application.setStyle(new EtchedFrameStyle);
}
