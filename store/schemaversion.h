#pragma once
// The version of an analysis database's schema (its user_version) and the
// upgrade of an older file. Version 1 holds the texts, segments, lists and
// coding; version 2 adds the lists' names, the values' definitions and the
// analysis's properties; version 3 the notes and the texts' attributes;
// version 4 the index of the words for search; version 5 the dictionaries,
// the suggestions' models and the record of accepted suggestions (tables
// only: those of version 1 stay as they are, so Telmira's windows work on
// every version).
class Connection;

namespace schema {

// The file's schema version. Throws StoreError.
int version(Connection &db);

// Brings a file of an older version to the current one, in one transaction:
// on any failure nothing is changed and StoreError is thrown. Does nothing on
// a file already current.
void upgrade(Connection &db);

} // namespace schema
