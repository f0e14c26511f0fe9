#include "RecordingDevice.h"

#include <algorithm>

using namespace snappy;

Failure RecordingDevice::writeProperty(DispId id, const Value &value)
{
    const QString entry = QStringLiteral("write %1 %2").arg(propertyName(id), describe(value));
    const auto run = std::find_if(m_log.rbegin(), m_log.rend(), [](const QString &earlier) {
                         return !earlier.startsWith(QLatin1String("write "));
                     }).base();
    m_log.insert(std::upper_bound(run, m_log.end(), entry), entry);
    m_properties.insert(id, value);
    return std::nullopt;
}

Value RecordingDevice::readProperty(DispId id)
{
    m_log << QStringLiteral("read %1").arg(propertyName(id));
    return m_properties.value(id, qint16{0});
}

Failure RecordingDevice::call(Method method)
{
    m_log << QStringLiteral("call %1").arg(methodName(method));
    return std::nullopt;
}
