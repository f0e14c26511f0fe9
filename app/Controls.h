#pragma once

// The window's control kinds that Qt lacks as such: lists and option buttons
// whose selection from code runs the same handler as a user's pick, a picture
// box that stretches its picture, a progress bar with a fractional value, and
// the picture-adjustment slider with its drag text.

#include <QComboBox>
#include <QImage>
#include <QProgressBar>
#include <QRadioButton>
#include <QSlider>
#include <QWidget>

class QLabel;

// The bold caption font of the design's frames, in the design's family where
// this system has it.
QFont frameCaptionFont(qreal points);

// The window's regular font, set explicitly so that controls inside a bold
// frame do not take on its caption font.
QFont regularControlFont();

// Design geometry is given in twips, 15 to the pixel.
int twipsToPixels(int twips);
QRect twipsRect(int left, int top, int width, int height);

// A drop-down list that only picks its entries. `Click` is raised once per
// selection, whether the user picks an entry (also the one already selected)
// or code calls select().
class DropDownList : public QComboBox {
    Q_OBJECT
public:
    explicit DropDownList(QWidget *parent = nullptr);
    void select(int index);

signals:
    void Click();
};

// An option button whose selection from code raises `Click` like a user's.
class OptionButton : public QRadioButton {
    Q_OBJECT
public:
    explicit OptionButton(const QString &caption, QWidget *parent = nullptr);
    void select();

signals:
    void Click();

protected:
    // The whole width the button is given answers a click, not only its
    // caption, which is often much shorter.
    bool hitButton(const QPoint &position) const override;
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
