#include "about/win32registry.h"

#include <windows.h>

namespace about {

namespace {
HKEY handle(RegistryApi::Key key) { return reinterpret_cast<HKEY>(key); }
} // namespace

long Win32Registry::openKey(quint32 root, const QByteArray &path, quint32 access, Key &key)
{
    // Predefined root keys are sign-extended 32-bit handles (HKEY_LOCAL_MACHINE
    // is (HKEY)(ULONG_PTR)(LONG)0x80000002).
    const HKEY rootKey =
        reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
    HKEY opened = nullptr;
    const LONG rc = RegOpenKeyExA(rootKey, path.constData(), 0, static_cast<REGSAM>(access), &opened);
    if (rc == ERROR_SUCCESS)
        key = reinterpret_cast<Key>(opened);
    return rc;
}

long Win32Registry::queryValue(Key key, const QByteArray &name, quint32 &type, char *buffer,
                               quint32 &size)
{
    DWORD valueType = 0;
    DWORD valueSize = size;
    const LONG rc = RegQueryValueExA(handle(key), name.constData(), nullptr, &valueType,
                                     reinterpret_cast<LPBYTE>(buffer), &valueSize);
    type = valueType;
    size = valueSize;
    return rc;
}

void Win32Registry::closeKey(Key key)
{
    RegCloseKey(handle(key));
}

} // namespace about
