#include "dialogs/LocaleNumber.h"

#include <QRegularExpression>

namespace {

QString alternatives(QStringList symbols)
{
    symbols.removeAll(QString());
    symbols.removeDuplicates();
    for (QString &symbol : symbols)
        symbol = QRegularExpression::escape(symbol);
    return QStringLiteral("(?:%1)").arg(symbols.join(QLatin1Char('|')));
}

QRegularExpression numberPattern(const QLocale &locale)
{
    // The ASCII signs count in every locale, also where the locale's own minus
    // is another character.
    const QString sign = alternatives(
        {QStringLiteral("-"), QStringLiteral("+"), locale.negativeSign(), locale.positiveSign()});
    const QString group = alternatives({locale.groupSeparator()});
    const QString decimal = alternatives({locale.decimalPoint()});
    const QString exponent =
        alternatives({QStringLiteral("e"), QStringLiteral("E"), locale.exponential()});
    return QRegularExpression(
        QStringLiteral("^[ \\t]*(?<sign>%1)?(?<whole>[0-9](?:[0-9]|%2)*)?"
                       "(?:%3(?<fraction>[0-9]*))?"
                       "(?:%4(?<exponentSign>%1)?(?<exponent>[0-9]+))?[ \\t]*$")
            .arg(sign, group, decimal, exponent));
}

QString asciiSign(const QString &sign, const QLocale &locale)
{
    return (sign == QLatin1String("-") || sign == locale.negativeSign()) ? QStringLiteral("-")
                                                                         : QString();
}

} // namespace

std::optional<double> localeNumber(const QString &text, const QLocale &locale)
{
    const QRegularExpressionMatch match = numberPattern(locale).match(text);
    if (!match.hasMatch())
        return std::nullopt;
    QString whole = match.captured(u"whole");
    const QString fraction = match.captured(u"fraction");
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    whole.remove(locale.groupSeparator());

    QString plain = asciiSign(match.captured(u"sign"), locale) + (whole.isEmpty() ? "0" : whole);
    if (!fraction.isEmpty())
        plain += QLatin1Char('.') + fraction;
    if (match.hasCaptured(u"exponent")) {
        plain += QLatin1Char('e') + asciiSign(match.captured(u"exponentSign"), locale) +
                 match.captured(u"exponent");
    }
    // The text is a number by now; the conversion can only miss on a
    // magnitude beyond the double range, and then gives infinity or zero,
    // which is the value to go on with.
    return QLocale::c().toDouble(plain);
}
