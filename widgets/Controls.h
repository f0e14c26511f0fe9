#pragma once

// widgets/ reaches down to core/ only: these controls, how screen readers
// read them (ControlAccessibility.h), the program's style (ProgramStyle.h)
// and the prompts interface (Prompts.h).
//
// The window's control kinds that Qt lacks as such: lists and option buttons
// whose selection from code runs the same handler as a user's pick, check
// boxes and option buttons that answer across their width, labels that show
// what the user typed literally, a picture box that stretches its picture, a
// progress bar with a fractional value, and the picture-adjustment slider
// with its drag text. Each reads out to screen readers as what it stands for.

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QWidget>

// The bold caption font of the design's frames, in the design's family where
// this system has it, else in the family of the regular font.
QFont frameCaptionFont(qreal points);

// The font of every caption, list and field of the program's windows: a
// family as narrow as the design's, so that each text fits its control at the
// design geometry. Set explicitly so that controls inside a bold frame do not
// take on its caption font.
QFont regularControlFont();

// Design geometry is given in twips, 15 to the pixel.
int twipsToPixels(int twips);
QRect twipsRect(int left, int top, int width, int height);

// A drop-down list that only picks its entries. `Click` is raised once per
// selection, whether the user picks an entry (also the one already selected)
// or code calls select().
// Screen readers know it by its accessible name and hear the current entry as
// its description.
class DropDownList : public QComboBox {
    Q_OBJECT
public:
    explicit DropDownList(QWidget *parent = nullptr);
    void select(int index);

signals:
    void Click();
};

// A button that answers a click across the whole width it is given, not
// only across its caption, which is often much shorter.
template <class Button>
class WholeWidthButton : public Button {
public:
    using Button::Button;

protected:
    bool hitButton(const QPoint &position) const override
    {
        return this->rect().contains(position);
    }
};

// An option button whose selection from code raises `Click` like a user's.
class OptionButton : public WholeWidthButton<QRadioButton> {
    Q_OBJECT
public:
    explicit OptionButton(const QString &caption, QWidget *parent = nullptr);
    void select();

signals:
    void Click();
};

class CheckBox : public WholeWidthButton<QCheckBox> {
    Q_OBJECT
public:
    using WholeWidthButton::WholeWidthButton;
};

// A label whose text and tool tip may hold what the user typed: both are
// shown exactly as written, never read as markup.
class PlainLabel : public QLabel {
    Q_OBJECT
public:
    explicit PlainLabel(const QString &text, QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;
};

// Shows its picture stretched to its own size.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget *parent = nullptr);
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }
    void setBorder(bool border);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect insideBorder() const;

    QImage m_picture;
    bool m_border = false;
};

// A progress bar whose value is kept as a single-precision number.
class ProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget *parent = nullptr);
    float progressValue() const { return m_value; }
    void setProgressValue(float value);

private:
    float m_value = 0.0f;
};

// A vertical picture-adjustment slider, -50 at the top to 50 at the bottom.
// Its drag text is shown beside the thumb while the user drags it.
class AdjustmentSlider : public QSlider {
    Q_OBJECT
public:
    explicit AdjustmentSlider(QWidget *parent = nullptr);
    // The setting the position stands for: moving the thumb up raises it.
    int setting() const { return -value(); }
    QString dragText() const { return m_dragText; }
    void setDragText(const QString &text);

signals:
    void Change();
    void Scroll();

private:
    void showDragText();

    QString m_dragText;
    QLabel *m_dragLabel = nullptr;
};
