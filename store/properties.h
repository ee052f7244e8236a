#pragma once
// Properties of an analysis, by key (schema version 2): "codeur", the name of
// the coder who codes this copy of the analysis. A version-1 file has none.
#include <QString>
#include <optional>

class Connection;

namespace properties {

inline const QString kCoder = QStringLiteral("codeur");

// The value of `key`; nullopt when unset (or on a version-1 file).
std::optional<QString> value(Connection &db, const QString &key);
// Sets `key` to `value`; a null value removes the key. Throws StoreError
// (also on a version-1 file, which must be upgraded first).
void setValue(Connection &db, const QString &key, const QString &value);

} // namespace properties
