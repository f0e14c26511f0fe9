#pragma once

// Appends the fixed-size fields of binary file headers to a byte buffer, in
// either byte order, and makes room for bulk data written in place.

#include <QByteArray>

namespace device {

class ByteWriter {
public:
    explicit ByteWriter(QByteArray &bytes)
        : m_bytes(bytes)
    {
    }

    void u8(int v) { m_bytes.append(char(v & 0xff)); }
    void le16(int v)
    {
        u8(v);
        u8(v >> 8);
    }
    void le32(quint32 v)
    {
        le16(int(v & 0xffff));
        le16(int(v >> 16));
    }
    void be16(int v)
    {
        u8(v >> 8);
        u8(v);
    }
    void be32(quint32 v)
    {
        be16(int(v >> 16));
        be16(int(v & 0xffff));
    }
    void text(const char *ascii) { m_bytes.append(ascii); }
    void zeros(int count) { m_bytes.append(count, '\0'); }

    // Room for at most `most` more bytes, written through the pointer
    // returned; `endInPlace` takes where the writing stopped.
    char *beginInPlace(qsizetype most)
    {
        const qsizetype used = m_bytes.size();
        m_bytes.resize(used + most);
        return m_bytes.data() + used;
    }
    void endInPlace(const char *end) { m_bytes.truncate(end - m_bytes.constData()); }

private:
    QByteArray &m_bytes;
};

} // namespace device
