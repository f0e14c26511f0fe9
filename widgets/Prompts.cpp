#include "widgets/Prompts.h"

#include "core/ProgramTitle.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>

namespace {

// The boxes belong to the dialog the user works in, else to the main window.
QWidget *owner()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

// The texts break their lines with carriage return and line feed; Qt's labels
// want line feeds alone.
QString forDisplay(const QString &text)
{
    QString shown = text;
    return shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

} // namespace

void QtPrompts::message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, ProgramTitle, forDisplay(text), QMessageBox::Ok, owner());
    // Messages quote names the user typed; those are text, never markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

QString QtPrompts::input(const QString &prompt, const QString &caption,
                         const QString &defaultAnswer)
{
    QInputDialog box(owner());
    box.setWindowTitle(caption);
    box.setLabelText(forDisplay(prompt));
    box.setTextValue(defaultAnswer);
    // The prompt quotes folder names; Qt offers no text format for it, so its
    // label is told directly.
    if (auto *label = box.findChild<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}
