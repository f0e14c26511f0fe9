#pragma once

// Reads the fixed-size fields of binary file headers, in either byte order,
// and bulk data from a file's bytes. A read past the end yields zeros and
// marks the reader short, so a decoder of untrusted files checks once after
// a group of fields rather than at each one, and never reads out of bounds.

#include <QByteArrayView>
#include <QtEndian>

namespace device {

class ByteReader {
public:
    explicit ByteReader(QByteArrayView bytes)
        : m_data(reinterpret_cast<const quint8 *>(bytes.data()))
        , m_size(bytes.size())
    {
    }

    quint8 u8()
    {
        const quint8 *p = take(1);
        return p ? *p : 0;
    }
    int le16()
    {
        const quint8 *p = take(2);
        return p ? qFromLittleEndian<quint16>(p) : 0;
    }
    int be16()
    {
        const quint8 *p = take(2);
        return p ? qFromBigEndian<quint16>(p) : 0;
    }
    quint32 be32()
    {
        const quint8 *p = take(4);
        return p ? qFromBigEndian<quint32>(p) : 0;
    }

    // The next `count` bytes, or null if fewer are left.
    const quint8 *take(qsizetype count)
    {
        if (count < 0 || count > m_size - m_at) {
            m_short = true;
            m_at = m_size;
            return nullptr;
        }
        const quint8 *p = m_data + m_at;
        m_at += count;
        return p;
    }
    void skip(qsizetype count) { take(count); }

    bool isShort() const { return m_short; }
    qsizetype position() const { return m_at; }
    qsizetype left() const { return m_size - m_at; }

private:
    const quint8 *m_data;
    qsizetype m_size;
    qsizetype m_at = 0;
    bool m_short = false;
};

} // namespace device
