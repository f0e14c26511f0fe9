#include "app/Controls.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

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

QFont regularControlFont()
{
    QFont font = QApplication::font();
    font.setBold(false);
    font.setPointSizeF(font.pointSizeF());
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
    setEditable(false);
    connect(this, &QComboBox::activated, this, &DropDownList::Click);
}

void DropDownList::select(int index)
{
    setCurrentIndex(index);
    emit Click();
}

OptionButton::OptionButton(const QString &caption, QWidget *parent)
    : QRadioButton(caption, parent)
{
    connect(this, &QRadioButton::clicked, this, &OptionButton::Click);
}

void OptionButton::select()
{
    setChecked(true);
    emit Click();
}

bool OptionButton::hitButton(const QPoint &position) const
{
    return rect().contains(position);
}

PictureBox::PictureBox(QWidget *parent)
    : QWidget(parent)
{
}

void PictureBox::setPicture(const QImage &picture)
{
    m_picture = picture;
    update();
}

void PictureBox::setBorder(bool border)
{
    m_border = border;
    update();
}

void PictureBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_picture.isNull())
        painter.drawImage(rect(), m_picture);
    if (m_border) {
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
        m_dragLabel = new QLabel(host);
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
