#pragma once

// What the device's processing and run-length encoders make of fixed
// pictures, built alike into the tests, on the paths the processor takes,
// and into a program built on the portable paths: both must make the same
// bytes.

#include <QByteArray>
#include <QList>
#include <QString>

struct PathSample {
    QString name;
    QByteArray bytes;
};

QList<PathSample> pathSamples();
