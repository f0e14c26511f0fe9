#include "output/Prompts.h"

#include "app/ProgramTitle.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

void QtPrompts::message(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, ProgramTitle, text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

QString QtPrompts::input(const QString &prompt, const QString &caption,
                         const QString &defaultAnswer)
{
    bool accepted = false;
    const QString answer = QInputDialog::getText(QApplication::activeWindow(), caption, prompt,
                                                 QLineEdit::Normal, defaultAnswer, &accepted);
    return accepted ? answer : QString();
}
