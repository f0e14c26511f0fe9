#pragma once

// Prompts answered by the test: input boxes take their answers from a queue
// (an empty queue answers as Cancel does), and every box shown is recorded.

#include "widgets/Prompts.h"

#include <QQueue>
#include <QStringList>

class ScriptedPrompts : public Prompts {
public:
    struct InputBox {
        QString prompt;
        QString caption;
        QString defaultAnswer;
    };

    void message(const QString &text) override { messages << text; }
    QString input(const QString &prompt, const QString &caption,
                  const QString &defaultAnswer) override
    {
        inputs.append({prompt, caption, defaultAnswer});
        return answers.isEmpty() ? QString() : answers.dequeue();
    }

    QQueue<QString> answers;
    QStringList messages;
    QList<InputBox> inputs;
};
