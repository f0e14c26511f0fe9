#pragma once

#include <QDialog>

class QTextEdit;

// Tells the user that snaps are not being saved, or that the capture device
// failed, without blocking the snapping that goes on: one window, brought up
// to date by every report, counting the snaps not saved until the user
// closes it. It is never shown over a modal dialog nor raised again while it
// is up, so it stays where the user put it; its text is plain, wrapped and
// never wider than the screen.
class SaveFailureNotice : public QDialog {
    Q_OBJECT
public:
    explicit SaveFailureNotice(QWidget *parent = nullptr);

    // A snap that was not saved, for the reason given.
    void report(const QString &problem);
    // A snap that was saved: after failures, the notice says saving works again.
    void reportSaved();
    // A snap that was saved, after which saving stopped for the reason given.
    void reportSavingStopped(const QString &reason);
    void reportDeviceFailure(const QString &reason);

    int failureCount() const { return m_failures; }
    QString text() const;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildContent();
    void present(const QString &headline, const QString &detail);
    void fitToScreen();
    void showUnlessModalDialogIsUp();

    QTextEdit *m_text = nullptr;
    int m_failures = 0;
    QString m_lastProblem;
    bool m_savingAgain = false;
    bool m_unseen = false;
};
