#pragma once

// A capture device for tests: it logs every property write, read and method
// call in order, with the value's type; a test emits its events itself.

#include "device/SnappyDevice.h"

#include <QMap>
#include <QStringList>

class RecordingDevice : public snappy::SnappyDevice {
public:
    snappy::Failure writeProperty(snappy::DispId id, const snappy::Value &value) override;
    snappy::Value readProperty(snappy::DispId id) override;
    snappy::Failure call(snappy::Method method) override;
    QString deviceName() const override { return QStringLiteral("recording device"); }

    // Entries read like "write ColorDepth int16 24", "read Picture", "call Snap".
    // The device takes the properties as they stand when a method is called,
    // whatever the order they were written in: each run of writes is sorted.
    QStringList log() const { return m_log; }
    void clearLog() { m_log.clear(); }

    // The picture that reads of Picture return until the program writes one.
    void setPicture(const QImage &picture)
    {
        m_properties.insert(snappy::DispId::Picture, picture);
    }

private:
    QStringList m_log;
    QMap<snappy::DispId, snappy::Value> m_properties;
};
