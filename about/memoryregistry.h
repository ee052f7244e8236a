#pragma once
// A registry held in memory: keys and values set by the program itself. It
// answers the calls as the Windows registry does (key paths and value names
// compared without regard to case, data handed back byte for byte), and keeps
// a log of the values asked for.
#include "about/registry.h"

#include <QHash>
#include <QMap>
#include <QStringList>

namespace about {

class MemoryRegistry : public RegistryApi
{
public:
    // Creates the key (and nothing else) when it does not exist yet.
    void addKey(quint32 root, const QString &keyPath);
    // Sets a value, creating its key if needed. `data` is stored as given:
    // a string value carries its final NUL only if the caller puts it there.
    void setValue(quint32 root, const QString &keyPath, const QString &name, quint32 type,
                  const QByteArray &data);
    // Makes every later opening of this key fail with "access denied", as for
    // a key the user may read but not write.
    void denyAccess(quint32 root, const QString &keyPath);

    // Values asked for, in order, each as "key path\value name".
    QStringList queried() const { return m_queried; }
    // Keys opened and not closed yet.
    int openKeyCount() const { return static_cast<int>(m_open.size()); }

    long openKey(quint32 root, const QByteArray &path, quint32 access, Key &key) override;
    long queryValue(Key key, const QByteArray &name, quint32 &type, char *buffer,
                    quint32 &size) override;
    void closeKey(Key key) override;

private:
    struct Value {
        quint32 type = 0;
        QByteArray data;
    };
    struct KeyData {
        bool denied = false;
        QMap<QString, Value> values; // by lower-case name
    };
    static QString keyId(quint32 root, const QString &keyPath);

    QMap<QString, KeyData> m_keys;   // by keyId
    QHash<Key, QString> m_open;      // open handle -> keyId
    QHash<Key, QString> m_openPaths; // open handle -> path as opened
    Key m_nextKey = 1;
    QStringList m_queried;
};

} // namespace about
