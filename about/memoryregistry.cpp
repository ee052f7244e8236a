#include "about/memoryregistry.h"

#include <cstring>

namespace about {

QString MemoryRegistry::keyId(quint32 root, const QString &keyPath)
{
    return QString::number(root, 16) + QLatin1Char(':') + keyPath.toLower();
}

void MemoryRegistry::addKey(quint32 root, const QString &keyPath)
{
    m_keys[keyId(root, keyPath)];
}

void MemoryRegistry::setValue(quint32 root, const QString &keyPath, const QString &name,
                              quint32 type, const QByteArray &data)
{
    m_keys[keyId(root, keyPath)].values[name.toLower()] = Value{type, data};
}

void MemoryRegistry::denyAccess(quint32 root, const QString &keyPath)
{
    m_keys[keyId(root, keyPath)].denied = true;
}

long MemoryRegistry::openKey(quint32 root, const QByteArray &path, quint32 access, Key &key)
{
    Q_UNUSED(access);
    const QString id = keyId(root, QString::fromLocal8Bit(path));
    const auto it = m_keys.constFind(id);
    if (it == m_keys.constEnd())
        return kErrorFileNotFound;
    if (it->denied)
        return kErrorAccessDenied;
    key = m_nextKey++;
    m_open.insert(key, id);
    m_openPaths.insert(key, QString::fromLocal8Bit(path));
    return kErrorSuccess;
}

long MemoryRegistry::queryValue(Key key, const QByteArray &name, quint32 &type, char *buffer,
                                quint32 &size)
{
    const auto open = m_open.constFind(key);
    if (open == m_open.constEnd())
        return kErrorFileNotFound;
    const QString valueName = QString::fromLocal8Bit(name);
    m_queried << m_openPaths.value(key) + QLatin1Char('\\') + valueName;

    const KeyData &data = m_keys[*open];
    const auto it = data.values.constFind(valueName.toLower());
    if (it == data.values.constEnd())
        return kErrorFileNotFound;
    const auto needed = static_cast<quint32>(it->data.size());
    if (needed > size) {
        size = needed;
        return kErrorMoreData;
    }
    if (needed > 0)
        std::memcpy(buffer, it->data.constData(), needed);
    type = it->type;
    size = needed;
    return kErrorSuccess;
}

void MemoryRegistry::closeKey(Key key)
{
    m_open.remove(key);
    m_openPaths.remove(key);
}

} // namespace about
