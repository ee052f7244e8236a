#pragma once
// The registry as the About window reads it: a small interface mirroring the
// three advapi32 calls it needs (open a key, query one value, close the key),
// and GetKeyValue, which turns one value into text on top of it. Each platform
// supplies its own RegistryApi (see systemregistry.h); tests use MemoryRegistry.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace about {

// Root key handle of HKEY_LOCAL_MACHINE.
inline constexpr quint32 kHKeyLocalMachine = 0x80000002u;
// Access mask asked for when a key is opened (KEY_ALL_ACCESS: read and write).
inline constexpr quint32 kKeyAllAccess = 0x2003Fu;
// Value types.
inline constexpr quint32 kRegSz = 1;    // string
inline constexpr quint32 kRegDword = 4; // 32-bit number, little-endian
// Status codes, as the Windows calls return them.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorMoreData = 234;
// Size of the buffer a value is read into.
inline constexpr quint32 kValueBufferSize = 1024;

class RegistryApi
{
public:
    using Key = quintptr;

    virtual ~RegistryApi();

    // Opens the key at `path` (8-bit text) under `root` with the given access.
    // Returns kErrorSuccess and sets `key`, or an error code.
    virtual long openKey(quint32 root, const QByteArray &path, quint32 access, Key &key) = 0;
    // Reads the value `name` (8-bit text) of an open key into `buffer`, which
    // holds `size` bytes. On success returns kErrorSuccess, sets `type` and
    // sets `size` to the number of bytes written. When the data does not fit,
    // returns kErrorMoreData.
    virtual long queryValue(Key key, const QByteArray &name, quint32 &type, char *buffer,
                            quint32 &size) = 0;
    virtual void closeKey(Key key) = 0;
};

// Reads the value `SubKeyRef` of the key `KeyName` under `KeyRoot` as text.
// True when the value was read: a string gives its text (a final NUL dropped),
// a 32-bit number the hexadecimal text of its bytes from last to first, any
// other type leaves `KeyVal` as it was. False, with `KeyVal` emptied, when the
// key cannot be opened with full access or the value cannot be read (missing,
// or longer than 1024 bytes). Shows nothing.
bool GetKeyValue(RegistryApi &registry, quint32 KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal);

} // namespace about
