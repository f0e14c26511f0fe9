#include "output/Prompts.h"

#include "app/ProgramTitle.h"

#include <QApplication>
#include <QInputDialog>
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
    box.exec();
}

QString QtPrompts::input(const QString &prompt, const QString &caption,
                         const QString &defaultAnswer)
{
    bool accepted = false;
    const QString answer = QInputDialog::getText(owner(), caption, forDisplay(prompt),
                                                 QLineEdit::Normal, defaultAnswer, &accepted);
    return accepted ? answer : QString();
}
