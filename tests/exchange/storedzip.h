#pragma once
// ZIP archives written byte by byte by the tests (stored members, no
// compression), so that a test can give a member any name and declare any
// size: REFI-QDA projects made by hand.
#include <QByteArray>
#include <QList>
#include <QPair>

namespace storedzip {

inline quint32 crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A ZIP archive of stored members, written byte by byte, so that a test can
// give a member any name and declare any size.
inline QByteArray storedZip(const QList<QPair<QByteArray, QByteArray>> &members, quint32 declared = 0)
{
    QByteArray out, central;
    auto le16 = [](QByteArray &b, quint16 v) { b.append(char(v & 0xff)).append(char(v >> 8)); };
    auto le32 = [&](QByteArray &b, quint32 v) { le16(b, quint16(v & 0xffff)); le16(b, quint16(v >> 16)); };
    for (const auto &[name, data] : members) {
        const quint32 size = quint32(data.size());
        const quint32 offset = quint32(out.size());
        const quint32 sum = crc32(data);
        le32(out, 0x04034b50); le16(out, 20); le16(out, 0); le16(out, 0); le16(out, 0); le16(out, 0);
        le32(out, sum); le32(out, size); le32(out, declared ? declared : size);
        le16(out, quint16(name.size())); le16(out, 0); out.append(name).append(data);
        le32(central, 0x02014b50); le16(central, 20); le16(central, 20); le16(central, 0);
        le16(central, 0); le16(central, 0); le16(central, 0); le32(central, sum); le32(central, size);
        le32(central, declared ? declared : size); le16(central, quint16(name.size()));
        le16(central, 0); le16(central, 0); le16(central, 0); le16(central, 0); le32(central, 0);
        le32(central, offset); central.append(name);
    }
    const quint32 start = quint32(out.size());
    out.append(central);
    le32(out, 0x06054b50); le16(out, 0); le16(out, 0); le16(out, quint16(members.size()));
    le16(out, quint16(members.size())); le32(out, quint32(central.size())); le32(out, start);
    le16(out, 0);
    return out;
}

} // namespace storedzip

using storedzip::storedZip;
