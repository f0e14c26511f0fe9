#pragma once

// Runs the work on a picture in two halves of its lines, the second on
// another processor when the machine has a second one. The work on each half
// must not depend on the other's, so a snap comes out the same whether the
// halves ran side by side or one after the other.

#include <QImage>

namespace device {

// One half of some work: the lines [from, to) of it.
using HalfWork = void (*)(void *work, int from, int to);

// Calls `half(work, 0, middle)` and `half(work, middle, lines)`, and returns
// when both are done.
void splitInHalves(int lines, HalfWork half, void *work);

// Calls `work(begin, end)` for the lines [0, middle) and [middle, lines),
// and returns when both are done.
template <class Work>
void inHalves(int lines, Work work)
{
    splitInHalves(
        lines, [](void *w, int from, int to) { (*static_cast<Work *>(w))(from, to); }, &work);
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
