#include "widgets/Controls.h"

#include "widgets/ControlAccessibility.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QToolTip>

namespace {

// At the design's size, Debian's default sans serif, and even its condensed
// cut, are too wide for the design's longer captions and entries; the narrow
// cut of this family fits them all. Frame captions keep the full width.
const QString RegularFamily = QStringLiteral("Liberation Sans Narrow");
const QString CaptionFamily = QStringLiteral("Liberation Sans");
constexpr qreal RegularPoints = 8;

} // namespace

QFont frameCaptionFont(qreal points)
{
    // The design's family where the desktop has it; the font's own fallback
    // spares asking the font database at start-up.
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), CaptionFamily});
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

QFont regularControlFont()
{
    QFont font(RegularFamily);
    font.setPointSizeF(RegularPoints);
    // Stated, not left unset, or a control would inherit its frame's bold.
    font.setBold(false);
    font.setItalic(false);
    return font;
}

int twipsToPixels(int twips)
{
    constexpr double TwipsPerPixel = 15.0;
    return qRound(twips / TwipsPerPixel);
}

QRect twipsRect(int left, int top, int width, int height)
{
    return {twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height)};
}

DropDownList::DropDownList(QWidget *parent)
    : QComboBox(parent)
{
    installControlAccessibility();
    setEditable(false);
    connect(this, &QComboBox::activated, this, &DropDownList::Click);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { announceEntry(this); });
}

void DropDownList::select(int index)
{
    setCurrentIndex(index);
    emit Click();
}

OptionButton::OptionButton(const QString &caption, QWidget *parent)
    : WholeWidthButton(caption, parent)
{
    connect(this, &QRadioButton::clicked, this, &OptionButton::Click);
}

void OptionButton::select()
{
    setChecked(true);
    emit Click();
}

PlainLabel::PlainLabel(const QString &text, QWidget *parent)
    : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
}

bool PlainLabel::event(QEvent *event)
{
    // Qt shows a tool tip as markup when it looks like markup, and offers no
    // plain format for it; escaped text in a preformatted paragraph reads
    // literally, while toolTip() keeps the text as it was set.
    if (event->type() != QEvent::ToolTip || toolTip().isEmpty())
        return QLabel::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    QToolTip::showText(
        help->globalPos(),
        QStringLiteral("<p style=\"white-space:pre\">%1</p>").arg(toolTip().toHtmlEscaped()), this);
    return true;
}

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent)
{
    installControlAccessibility();
    // It paints every pixel itself, so a preview's thirty frames a second do
    // not repaint the window beneath it as well.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    // The border stays as it is, so a preview's thirty frames a second
    // neither stroke it again nor send it to the screen again.
    update(insideBorder());
}

QRect PictureBox::insideBorder() const
{
    return m_border ? rect().adjusted(1, 1, -1, -1) : rect();
}

void PictureBox::setBorder(bool border)
{
    m_border = border;
    update();
}

void PictureBox::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    if (m_picture.isNull())
        painter.fillRect(rect(), palette().window());
    else
        painter.drawImage(rect(), m_picture);
    // A new picture repaints only inside the border, which then stays.
    if (m_border && !insideBorder().contains(event->rect())) {
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

ProgressBar::ProgressBar(QWidget *parent)
    : QProgressBar(parent)
{
    setRange(0, 100);
    setValue(0);
}

void ProgressBar::setProgressValue(float value)
{
    m_value = value;
    setValue(qRound(value));
}

AdjustmentSlider::AdjustmentSlider(QWidget *parent)
    : QSlider(Qt::Vertical, parent)
{
    installControlAccessibility();
    setRange(-50, 50);
    setValue(0);
    setSingleStep(1);
    setPageStep(5);
    setTickInterval(10);
    setTickPosition(QSlider::TicksBothSides);
    // The minimum sits at the top, and the arrow keys move the thumb the way
    // they point.
    setInvertedAppearance(true);
    setInvertedControls(true);
    connect(this, &QSlider::valueChanged, this, &AdjustmentSlider::Change);
    connect(this, &QSlider::sliderMoved, this, &AdjustmentSlider::Scroll);
    connect(this, &QSlider::sliderReleased, this, [this] {
        if (m_dragLabel)
            m_dragLabel->hide();
    });
}

void AdjustmentSlider::setDragText(const QString &text)
{
    m_dragText = text;
    if (isSliderDown())
        showDragText();
}

void AdjustmentSlider::showDragText()
{
    QWidget *host = window();
    if (!m_dragLabel) {
        m_dragLabel = new PlainLabel(QString(), host);
        m_dragLabel->setFrameShape(QFrame::Box);
        m_dragLabel->setAutoFillBackground(true);
        m_dragLabel->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    m_dragLabel->setText(m_dragText);
    m_dragLabel->adjustSize();
    const QPoint beside = mapTo(host, QPoint(width(), handle.center().y()));
    m_dragLabel->move(beside.x(), beside.y() - m_dragLabel->height() / 2);
    m_dragLabel->raise();
    m_dragLabel->show();
}
