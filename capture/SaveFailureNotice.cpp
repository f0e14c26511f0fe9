#include "capture/SaveFailureNotice.h"

#include "app/ProgramTitle.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// The standard button looks up its icon in the desktop's theme, which costs
// more than the rest of the main window together: it waits until the first
// failure.
void addOkButton(QDialog *notice)
{
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, notice);
    QObject::connect(buttons, &QDialogButtonBox::accepted, notice, &QDialog::hide);
    notice->layout()->addWidget(buttons);
}

} // namespace

SaveFailureNotice::SaveFailureNotice(QWidget *parent)
    : QDialog(parent)
    , m_text(new QLabel(this))
{
    setWindowTitle(ProgramTitle);
    setModal(false);
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
}

void SaveFailureNotice::report(const QString &problem)
{
    if (!findChild<QDialogButtonBox *>(QString(), Qt::FindDirectChildrenOnly))
        addOkButton(this);
    ++m_failures;
    m_text->setText(tr("A snap could not be saved.\n%1\n\nSnaps not saved since this notice "
                       "appeared: %2")
                        .arg(problem)
                        .arg(m_failures));
    show();
    raise();
}

QString SaveFailureNotice::text() const
{
    return m_text->text();
}

void SaveFailureNotice::hideEvent(QHideEvent *event)
{
    m_failures = 0;
    QDialog::hideEvent(event);
}
