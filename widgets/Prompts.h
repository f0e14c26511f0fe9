#pragma once

// The modal boxes the program asks and tells the user through: a message box
// with one OK button and no icon under the program's title, and a one-line
// input box. Tests answer them through their own implementation.

#include <QString>

class QWidget;

class Prompts {
public:
    virtual ~Prompts() = default;

    virtual void message(const QString &text) = 0;
    // The answer, or the empty text when the user cancels.
    virtual QString input(const QString &prompt, const QString &caption,
                          const QString &defaultAnswer) = 0;
};

// The boxes shown with Qt's dialogs, on top of the active window.
class QtPrompts : public Prompts {
public:
    void message(const QString &text) override;
    QString input(const QString &prompt, const QString &caption,
                  const QString &defaultAnswer) override;
};
