#include "exchange/refiqda.h"

#include <QUuid>

namespace refiqda {

qint64 codePoints(QStringView text)
{
    qint64 n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        ++n;
    }
    return n;
}

qsizetype utf16Index(QStringView text, qint64 position)
{
    qsizetype i = 0;
    for (qint64 n = 0; n < position && i < text.size(); ++n) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        ++i;
    }
    return i;
}

QString codingUser(const Selection &selection, size_t i)
{
    if (i < selection.codingUsers.size() && !selection.codingUsers[i].isEmpty())
        return selection.codingUsers[i];
    return selection.creatingUser;
}

QString stableGuid(const QString &key)
{
    // The namespace of Telmira's identifiers.
    static const QUuid ns(QStringLiteral("{6f1c0d52-8a4e-4b7e-9d3a-54e4c4d52a10}"));
    return QUuid::createUuidV5(ns, key).toString(QUuid::WithoutBraces).toUpper();
}

} // namespace refiqda
