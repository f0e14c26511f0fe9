#pragma once

// How far a long job is, on the terminal: frames done of the total, the
// rate so far and the time left, rewritten in place at most ten times a
// second. Notes print on lines of their own above it. Where the error
// output is not a terminal, only the notes print.

#include <QElapsedTimer>
#include <QString>

#include <cstdio>

namespace timelapse {

class ProgressLine {
public:
    ProgressLine(std::FILE *output, qint64 total);

    void show(qint64 done);
    void note(const QString &text);
    // Leaves the terminal's line empty for what prints next.
    void clear();

    // For the summary: seconds since the object was made.
    double seconds() const { return double(m_started.nsecsElapsed()) / 1e9; }

private:
    void draw();

    std::FILE *m_output;
    bool m_terminal;
    qint64 m_total;
    qint64 m_done = 0;
    bool m_drawn = false;
    QElapsedTimer m_started;
    QElapsedTimer m_lastDrawn;
};

} // namespace timelapse
