#pragma once

// The camera's sensor: it turns the light of the scene into a picture with
// grain in it, grey on a black-and-white camera. Reading the same view
// several times and averaging the reads is how a slower snap method gets a
// cleaner picture: the grain falls with the square root of the reads.

#include <QImage>
#include <QRandomGenerator>

#include <vector>

namespace device {

class Sensor {
public:
    // The spread of the grain in one read, in levels of 0 to 255.
    static constexpr double grain = 9.0;

    explicit Sensor(quint32 seed = QRandomGenerator::global()->generate());

    // The reads of successive views, averaged; all views have the same size.
    // A single view is read in place.
    QImage read(std::vector<QImage> views, bool colour);

private:
    void makeNoise();
    const qint8 *grainFor(int width);
    void readLine(const uchar *in, uchar *out, int width, bool colour);

    std::vector<qint8> m_noise;
    QRandomGenerator m_random;
};

} // namespace device
