#pragma once

// Snaps read ahead of their turn, as many at once as the machine has
// processors, and handed over in order: decoding a snap costs more than
// encoding it as a frame, so reading one at a time would hold the video
// back. Only those few pictures are held at once, by the same few threads
// throughout; dropping the object waits for the reads under way.

#include "device/SnapReader.h"

#include <QStringList>
#include <QThreadPool>

#include <deque>
#include <future>

namespace timelapse {

class SnapReadAhead {
public:
    explicit SnapReadAhead(QStringList paths);

    bool atEnd() const { return m_reading.empty(); }
    // The next snap in order; only before the end.
    device::SnapReader::Read next();

private:
    void startReads();

    QStringList m_paths;
    qsizetype m_started = 0;
    std::size_t m_atOnce;
    std::deque<std::future<device::SnapReader::Read>> m_reading;
    QThreadPool m_readers;
};

} // namespace timelapse
