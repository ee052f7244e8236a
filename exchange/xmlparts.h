#pragma once
// The relationships of a part of an Office Open XML package.
#include <QHash>
#include <QString>
#include <QStringList>

namespace exchange {
class ZipFile;
namespace xmlparts {

// The targets of the relationships of `part` (the package's own when empty),
// by the last word of their type ("officeDocument", "footnotes"), as member
// names of the archive. Empty when the part has no relationships.
// Throws ZipError or ReadFailure (entitiesCause() for a part declaring
// XML entities).
QHash<QString, QString> relationships(const ZipFile &zip, const QString &part);

// The texts of the elements of a small metadata part (Word's
// docProps/core.xml, OpenDocument's meta.xml) named in `wanted`, each as
// "namespace URI|local name", by that key: the first of each, trimmed. The
// part is read whole up to 1 MiB, without expanding entities; a part
// missing, too large or damaged gives nothing (never throws).
QHash<QString, QString> declared(const ZipFile &zip, const QString &part,
                                 const QStringList &wanted);

} // namespace xmlparts
} // namespace exchange
