#include "window/SaveFailureNotice.h"

#include "core/ProgramTitle.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QScreen>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
constexpr int PreferredTextWidth = 440;
} // namespace

SaveFailureNotice::SaveFailureNotice(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(ProgramTitle);
    setModal(false);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

// Most runs never report anything, and the text view and the standard
// button, which looks its icon up in the desktop's theme, cost more than
// building the rest of the main window: they wait for the first report.
void SaveFailureNotice::buildContent()
{
    m_text = new QTextEdit(this);
    // Looks like a label, but wraps a long path anywhere and scrolls what the
    // screen cannot hold.
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setFocusPolicy(Qt::NoFocus);
    m_text->setFrameShape(QFrame::NoFrame);
    m_text->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_text->viewport()->setAutoFillBackground(false);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::hide);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
}

void SaveFailureNotice::report(const QString &problem)
{
    ++m_failures;
    m_lastProblem = problem;
    m_savingAgain = false;
    present(tr("A snap could not be saved."), problem);
}

void SaveFailureNotice::reportSaved()
{
    if (m_failures == 0 || m_savingAgain)
        return;
    m_savingAgain = true;
    present(tr("Saving works again: the latest snap was saved."),
            tr("The last failure was: ") + m_lastProblem);
}

void SaveFailureNotice::reportSavingStopped(const QString &reason)
{
    present(tr("The snap was saved, but saving has stopped."), reason);
}

void SaveFailureNotice::reportDeviceFailure(const QString &reason)
{
    present(tr("The capture device failed."), reason);
}

QString SaveFailureNotice::text() const
{
    return m_text ? m_text->toPlainText() : QString();
}

// Concatenated, never formatted: the texts hold the user's own names, which
// may contain anything, "%1" included.
void SaveFailureNotice::present(const QString &headline, const QString &detail)
{
    QString text = headline + QLatin1Char('\n') + detail;
    if (m_failures > 0)
        text += QStringLiteral("\n\n") + tr("Snaps not saved since this notice appeared: ") +
                QString::number(m_failures);
    if (!m_text)
        buildContent();
    m_text->setPlainText(text);
    fitToScreen();
    if (!isVisible()) {
        m_unseen = true;
        showUnlessModalDialogIsUp();
    }
}

void SaveFailureNotice::fitToScreen()
{
    const QScreen *shownOn = screen() ? screen() : QGuiApplication::primaryScreen();
    const QRect area = shownOn->availableGeometry();
    const QMargins margins = layout()->contentsMargins();
    const int width =
        std::min(PreferredTextWidth, area.width() * 3 / 4 - margins.left() - margins.right());
    QTextDocument *document = m_text->document();
    document->setTextWidth(width);
    const int height = std::min(int(std::ceil(document->size().height())), area.height() / 2);
    m_text->setFixedSize(width, height);
    adjustSize();
}

// Shown over a modal dialog it would hide it, with all input blocked by a
// box the user cannot see; it waits for the dialog to close instead.
void SaveFailureNotice::showUnlessModalDialogIsUp()
{
    if (!m_unseen)
        return;
    if (QWidget *modal = QApplication::activeModalWidget()) {
        modal->installEventFilter(this);
        return;
    }
    show();
}

bool SaveFailureNotice::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Hide) {
        watched->removeEventFilter(this);
        // The closing dialog counts as modal until its hiding is done.
        QMetaObject::invokeMethod(this, &SaveFailureNotice::showUnlessModalDialogIsUp,
                                  Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, event);
}

void SaveFailureNotice::showEvent(QShowEvent *event)
{
    m_unseen = false;
    QDialog::showEvent(event);
}

void SaveFailureNotice::hideEvent(QHideEvent *event)
{
    m_failures = 0;
    m_lastProblem.clear();
    m_savingAgain = false;
    QDialog::hideEvent(event);
}
