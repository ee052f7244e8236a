#pragma once
#include <QString>

namespace connstr {

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
// ";Mode=ReadWrite;Persist Security Info=False"
QString build(const QString &databasePath);
// The path named by "Data Source=" in a connection string (all of it up to the
// last ";Mode=" of the string, so that a path holding ';' survives).
QString dataSource(const QString &connectionString);

} // namespace connstr

// A text written as an SQL string literal: enclosed in apostrophes, each
// apostrophe inside doubled.
QString sqlLiteral(const QString &text);
