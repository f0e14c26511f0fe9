#pragma once

// A capture device for tests: it logs every property write, read and method
// call in order, with the value's type, and lets a test raise each event.

#include "device/SnappyDevice.h"

#include <QHash>
#include <QStringList>

class RecordingDevice : public snappy::SnappyDevice {
    Q_OBJECT
public:
    using SnappyDevice::SnappyDevice;

    snappy::Failure writeProperty(snappy::DispId id, const snappy::Value &value) override;
    snappy::Value readProperty(snappy::DispId id) override;
    snappy::Failure call(snappy::Method method) override;
    QString deviceName() const override { return QStringLiteral("recording device"); }

    // Entries read like "write ColorDepth int16 24", "read Picture", "call Snap".
    QStringList log() const { return m_log; }
    void clearLog() { m_log.clear(); }
    // The log entries of one kind ("write", "read" or "call").
    QStringList entries(const QString &kind) const;
    int callCount(snappy::Method method) const;

    // The picture that reads of Picture return until the program writes one.
    void setPicture(const QImage &picture);
    // Makes every later call of the method fail with this reason.
    void failCalls(snappy::Method method, const QString &reason);
    void stopFailingCalls(snappy::Method method) { m_failures.remove(static_cast<int>(method)); }

    void raiseAcquiringData() { emit AcquiringData(); }
    void raiseProcessingData() { emit ProcessingData(); }
    void raiseSnapDone() { emit SnapDone(); }
    void raisePictureUpdated() { emit PictureUpdated(); }

private:
    QStringList m_log;
    QHash<int, snappy::Value> m_properties;
    QHash<int, QString> m_failures;
};

// The log with each run of property writes sorted: the device takes the
// properties as they stand when a method is called, whatever their order.
QStringList withWritesSorted(QStringList log);
