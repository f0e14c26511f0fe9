#include "timelapse/SnapSeries.h"

#include "device/SnapFileWriter.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace timelapse {

namespace {

constexpr int leastDigits = 5;

// The number is every digit before the extension, so that a first snap past
// the padding (Lumivane123456.bmp) counts from 123456. A base name's own
// trailing digits read as part of the number, which keeps the files in the
// same order.
const QRegularExpression
    snapName(QStringLiteral("^(.*\\D|)(\\d{%1,})\\.([^.]+)$").arg(leastDigits));

} // namespace

std::optional<SnapSeries> SnapSeries::startingAt(const QString &firstSnap)
{
    const QFileInfo file(firstSnap);
    const QRegularExpressionMatch match = snapName.match(file.fileName());
    if (!match.hasMatch() ||
        !device::SnapFileWriter::types().contains(match.captured(3), Qt::CaseInsensitive))
        return std::nullopt;
    bool fits = false;
    const qint64 first = match.captured(2).toLongLong(&fits);
    if (!fits)
        return std::nullopt;
    return SnapSeries(file.dir(), match.captured(1), int(match.capturedLength(2)),
                      match.captured(3), first);
}

SnapSeries::SnapSeries(const QDir &folder, const QString &base, int digits,
                       const QString &extension, qint64 first)
    : m_folder(folder)
    , m_base(base)
    , m_digits(digits)
    , m_extension(extension)
    , m_first(first)
{
}

QList<qint64> SnapSeries::present() const
{
    const QRegularExpression member(
        QStringLiteral("^%1(\\d+)\\.%2$")
            .arg(QRegularExpression::escape(m_base), QRegularExpression::escape(m_extension)));
    QList<qint64> numbers;
    // Walked rather than listed, so that nothing holds the whole folder.
    QDirIterator names(m_folder.path(), QDir::Files | QDir::Hidden);
    while (names.hasNext()) {
        const QRegularExpressionMatch match = member.match(names.nextFileInfo().fileName());
        if (!match.hasMatch())
            continue;
        const QStringView digits = match.capturedView(1);
        const bool counted = digits.size() == m_digits ||
                             (digits.size() > m_digits && digits.front() != QLatin1Char('0'));
        bool fits = false;
        const qint64 number = digits.toLongLong(&fits);
        if (counted && fits && number >= m_first)
            numbers << number;
    }
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

QString SnapSeries::gapsIn(const QList<qint64> &present) const
{
    QStringList runs;
    for (qsizetype i = 1; i < present.size(); ++i) {
        const qint64 from = present[i - 1] + 1;
        const qint64 to = present[i] - 1;
        if (from == to)
            runs << numbered(from);
        else if (from < to)
            runs << numbered(from) + QLatin1Char('-') + numbered(to);
    }
    return runs.join(QStringLiteral(", "));
}

QString SnapSeries::pathOf(qint64 number) const
{
    return m_folder.filePath(m_base + numbered(number) + QLatin1Char('.') + m_extension);
}

QString SnapSeries::numbered(qint64 number) const
{
    return QStringLiteral("%1").arg(number, m_digits, 10, QLatin1Char('0'));
}

} // namespace timelapse
