#pragma once
// The Windows registry itself, through advapi32 (the 8-bit calls). Built only
// on Windows.
#include "about/registry.h"

namespace about {

class Win32Registry : public RegistryApi
{
public:
    long openKey(quint32 root, const QByteArray &path, quint32 access, Key &key) override;
    long queryValue(Key key, const QByteArray &name, quint32 &type, char *buffer,
                    quint32 &size) override;
    void closeKey(Key key) override;
};

} // namespace about
