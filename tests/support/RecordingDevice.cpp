#include "RecordingDevice.h"

#include <algorithm>

using namespace snappy;

Failure RecordingDevice::writeProperty(DispId id, const Value &value)
{
    m_log << QStringLiteral("write %1 %2").arg(propertyName(id), describe(value));
    if (typeOf(value) != propertyType(id))
        return QStringLiteral("%1 refuses a value of another type").arg(propertyName(id));
    m_properties.insert(static_cast<int>(id), value);
    return std::nullopt;
}

Value RecordingDevice::readProperty(DispId id)
{
    m_log << QStringLiteral("read %1").arg(propertyName(id));
    return m_properties.value(static_cast<int>(id), qint16{0});
}

Failure RecordingDevice::call(Method method)
{
    m_log << QStringLiteral("call %1").arg(methodName(method));
    const auto failure = m_failures.constFind(static_cast<int>(method));
    if (failure != m_failures.cend())
        return *failure;
    return std::nullopt;
}

QStringList RecordingDevice::entries(const QString &kind) const
{
    QStringList matching;
    const QString prefix = kind + QLatin1Char(' ');
    for (const QString &entry : m_log) {
        if (entry.startsWith(prefix))
            matching << entry;
    }
    return matching;
}

int RecordingDevice::callCount(Method method) const
{
    return m_log.count(QStringLiteral("call %1").arg(methodName(method)));
}

void RecordingDevice::setPicture(const QImage &picture)
{
    m_properties.insert(static_cast<int>(DispId::Picture), picture);
}

void RecordingDevice::failCalls(Method method, const QString &reason)
{
    m_failures.insert(static_cast<int>(method), reason);
}

QStringList withWritesSorted(QStringList log)
{
    const auto isWrite = [](const QString &entry) {
        return entry.startsWith(QLatin1String("write "));
    };
    for (auto run = log.begin(); run != log.end();) {
        const auto end = std::find_if_not(run, log.end(), isWrite);
        std::sort(run, end);
        run = end == log.end() ? end : end + 1;
    }
    return log;
}
