#pragma once
// The relationships of a part of an Office Open XML package.
#include <QHash>
#include <QString>

namespace exchange {
class ZipFile;
namespace xmlparts {

// The targets of the relationships of `part` (the package's own when empty),
// by the last word of their type ("officeDocument", "footnotes"), as member
// names of the archive. Empty when the part has no relationships.
// Throws ZipError or ReadFailure (entitiesCause() for a part declaring
// XML entities).
QHash<QString, QString> relationships(const ZipFile &zip, const QString &part);

} // namespace xmlparts
} // namespace exchange
