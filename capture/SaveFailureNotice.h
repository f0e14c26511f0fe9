#pragma once

#include <QDialog>

class QLabel;

// Tells the user that snaps are not being saved, without blocking the
// snapping that goes on: one window, brought up to date by every failure,
// counting them until the user closes it.
class SaveFailureNotice : public QDialog {
    Q_OBJECT
public:
    explicit SaveFailureNotice(QWidget *parent = nullptr);

    void report(const QString &problem);
    int failureCount() const { return m_failures; }
    QString text() const;

protected:
    void hideEvent(QHideEvent *event) override;

private:
    QLabel *m_text;
    int m_failures = 0;
};
