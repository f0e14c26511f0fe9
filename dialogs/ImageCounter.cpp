#include "dialogs/ImageCounter.h"

#include "dialogs/LocaleNumber.h"

#include <cmath>

namespace {

constexpr qint32 CounterLimit = 2000000000;

} // namespace

ImageCounter::ImageCounter(PathDialogFields &fields, Prompts &prompts, const QLocale &locale)
    : m_fields(fields)
    , m_prompts(prompts)
    , m_locale(locale)
{
}

void ImageCounter::SetCounter_Click()
{
    // Asked again after every answer that is no counter, until one is or
    // the user cancels.
    for (;;) {
        const QString current = QString::number(m_fields.iNewImageNumber);
        const QString answer =
            m_prompts.input(QStringLiteral("\r\n\r\n\r\n\r\nCurrent image counter is ") + current,
                            QStringLiteral("Change Image Counter"), current);
        if (answer.isEmpty())
            return;
        const std::optional<double> value = localeNumber(answer, m_locale);
        if (!value) {
            ShowNotNumeric();
            continue;
        }
        // The default rounding mode sends an exact half to the even neighbour.
        const double whole = std::nearbyint(*value);
        // The upper bound applies to the answer as typed: 2000000000.4 is too
        // large although it would round down to the bound.
        if (*value > CounterLimit || whole < 0) {
            ShowOutOfRange();
            continue;
        }
        m_fields.iNewImageNumber = static_cast<qint32>(whole);
        return;
    }
}

void ImageCounter::ShowNotNumeric()
{
    m_prompts.message(QStringLiteral("Please enter only Numbers for image Counter"));
}

void ImageCounter::ShowOutOfRange()
{
    m_prompts.message(QStringLiteral("please enter a number Between 0 and 2 billion"));
}
