#pragma once

// Reading a number the way the user's locale writes it.

#include <QLocale>
#include <QString>

#include <optional>

// The value of the text when it is a number: blanks around it, an optional
// sign, digits with the locale's group separators, the locale's decimal
// separator and an optional exponent. No value when the text is no number.
// A magnitude beyond the double range reads as infinity, a tiny one as zero.
std::optional<double> localeNumber(const QString &text, const QLocale &locale);
