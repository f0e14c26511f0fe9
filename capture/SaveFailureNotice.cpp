#include "capture/SaveFailureNotice.h"

#include "app/ProgramTitle.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

SaveFailureNotice::SaveFailureNotice(QWidget *parent)
    : QDialog(parent)
    , m_text(new QLabel(this))
{
    setWindowTitle(ProgramTitle);
    setModal(false);
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::hide);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
}

void SaveFailureNotice::report(const QString &problem)
{
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
