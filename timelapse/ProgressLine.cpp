#include "timelapse/ProgressLine.h"

#include <algorithm>
#include <unistd.h>

namespace timelapse {

namespace {

constexpr qint64 redrawMs = 100;

// "0:42" or "1:02:03".
QString clockTime(qint64 seconds)
{
    const QString minutesAndSeconds =
        QStringLiteral("%1:%2")
            .arg(seconds / 60 % 60, seconds >= 3600 ? 2 : 1, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return seconds >= 3600 ? QStringLiteral("%1:%2").arg(seconds / 3600).arg(minutesAndSeconds)
                           : minutesAndSeconds;
}

} // namespace

ProgressLine::ProgressLine(std::FILE *output, qint64 total)
    : m_output(output)
    , m_terminal(::isatty(fileno(output)))
    , m_total(total)
{
    m_started.start();
}

void ProgressLine::show(qint64 done)
{
    m_done = done;
    if (m_terminal && (!m_drawn || m_lastDrawn.elapsed() >= redrawMs || done == m_total))
        draw();
}

void ProgressLine::note(const QString &text)
{
    clear();
    std::fprintf(m_output, "%s\n", qPrintable(text));
    if (m_terminal && m_done > 0)
        draw();
    std::fflush(m_output);
}

void ProgressLine::clear()
{
    if (!m_drawn)
        return;
    // Back to the line's start, erasing to its end.
    std::fputs("\r\033[K", m_output);
    std::fflush(m_output);
    m_drawn = false;
}

void ProgressLine::draw()
{
    const double rate = double(m_done) / std::max(seconds(), 1e-3);
    QString text = QStringLiteral("%1 of %2 frames, %3 frames/s")
                       .arg(m_done)
                       .arg(m_total)
                       .arg(rate, 0, 'f', 1);
    if (m_done > 0)
        text += QStringLiteral(", %1 left")
                    .arg(clockTime(qint64(double(m_total - m_done) / rate + 0.5)));
    std::fprintf(m_output, "\r\033[K%s", qPrintable(text));
    std::fflush(m_output);
    m_drawn = true;
    m_lastDrawn.start();
}

} // namespace timelapse
