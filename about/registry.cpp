#include "about/registry.h"

#include <QByteArray>

namespace about {

RegistryApi::~RegistryApi() = default;

namespace {

// The hexadecimal text of a number value: its bytes from last to first, two
// digits each, so that the little-endian bytes read as the number itself.
QString numberText(const QByteArray &data)
{
    QString text;
    for (qsizetype i = data.size() - 1; i >= 0; --i)
        text += QStringLiteral("%1").arg(static_cast<uchar>(data.at(i)), 2, 16, QLatin1Char('0'));
    return text.toUpper();
}

} // namespace

bool GetKeyValue(RegistryApi &registry, quint32 KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal)
{
    RegistryApi::Key hKey = 0;
    if (registry.openKey(KeyRoot, KeyName.toLocal8Bit(), kKeyAllAccess, hKey) != kErrorSuccess) {
        KeyVal.clear();
        return false;
    }

    bool result = false;
    QByteArray buffer(static_cast<qsizetype>(kValueBufferSize), '\0');
    quint32 size = kValueBufferSize;
    quint32 type = 0;
    if (registry.queryValue(hKey, SubKeyRef.toLocal8Bit(), type, buffer.data(), size)
        != kErrorSuccess) {
        KeyVal.clear();
    } else {
        // Cut the data to its size (never past the buffer), then drop a final NUL.
        QByteArray data = buffer.left(static_cast<qsizetype>(qMin(size, kValueBufferSize)));
        if (!data.isEmpty() && data.endsWith('\0'))
            data.chop(1);
        if (type == kRegSz)
            KeyVal = QString::fromLocal8Bit(data);
        else if (type == kRegDword)
            KeyVal = numberText(data);
        result = true;
    }

    registry.closeKey(hKey);
    return result;
}

} // namespace about
