#pragma once

// Set Counter: asks for the number the next saved snap carries and keeps it in
// the path dialog until its OK.

#include "dialogs/PathDialogFields.h"
#include "widgets/Prompts.h"

#include <QLocale>

class ImageCounter {
public:
    ImageCounter(PathDialogFields &fields, Prompts &prompts, const QLocale &locale = QLocale());

    void SetCounter_Click();
    void ShowNotNumeric();
    void ShowOutOfRange();

private:
    PathDialogFields &m_fields;
    Prompts &m_prompts;
    QLocale m_locale;
};
