#pragma once

// Runs the work on a picture in two halves of its lines, the second on a
// thread of its own when the machine has a second processor. The work on
// each half must not depend on the other's, so a snap comes out the same
// whether the halves ran side by side or one after the other.

#include <QImage>

#include <thread>

namespace device {

// Calls `work(begin, end)` for the lines [0, middle) and [middle, lines),
// and returns when both are done.
template <class Work>
void inHalves(int lines, Work work)
{
    const int middle = lines / 2;
    if (middle == 0 || std::thread::hardware_concurrency() < 2) {
        work(0, middle);
        work(middle, lines);
        return;
    }
    std::jthread second([&] { work(middle, lines); });
    work(0, middle);
}

// The lines of a picture that halves write to side by side: the picture's
// own scanLine() notes every write access in the picture, which two threads
// must not do at once.
class PictureLines {
public:
    explicit PictureLines(QImage &picture)
        : m_bits(picture.bits())
        , m_bytesPerLine(picture.bytesPerLine())
    {
    }
    uchar *operator[](int y) const { return m_bits + y * m_bytesPerLine; }

private:
    uchar *m_bits;
    qsizetype m_bytesPerLine;
};

} // namespace device
