#include "timelapse/SnapReadAhead.h"

#include <algorithm>
#include <memory>
#include <thread>

namespace timelapse {

SnapReadAhead::SnapReadAhead(QStringList paths)
    : m_paths(std::move(paths))
    , m_atOnce(std::max(2u, std::thread::hardware_concurrency()))
{
    m_readers.setMaxThreadCount(int(m_atOnce));
    startReads();
}

device::SnapReader::Read SnapReadAhead::next()
{
    device::SnapReader::Read read = m_reading.front().get();
    m_reading.pop_front();
    startReads();
    return read;
}

void SnapReadAhead::startReads()
{
    while (m_reading.size() < m_atOnce && m_started < m_paths.size()) {
        auto read = std::make_shared<std::promise<device::SnapReader::Read>>();
        m_reading.push_back(read->get_future());
        m_readers.start([read, path = m_paths[m_started++]] {
            read->set_value(device::SnapReader::read(path));
        });
    }
}

} // namespace timelapse
