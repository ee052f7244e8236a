#pragma once
// The options that choose the texts an action reads, shared by the actions
// that count or search (--resultats, --chercher):
//   --texte NUMERO     a text by its number (repeatable); none: every text
//   --si NOM=VALEUR    the texts whose attribute NOM has that value
//   --si NOM=DE..A     ... whose value lies from DE to A (dates AAAA-MM-JJ or
//                      numbers; either bound may be left out)
// Several --si must all hold, and add to --texte. The name of a condition is
// the longest start before a "=" that names an attribute, so that a name
// holding "=" is found.
//
// The parser knows every option of every action, and a name may be given to
// it once: the options are listed by --resultats (scopeOptions()), and every
// other action that takes them reads them by these names.
#include "cli/commandline.h"
#include "store/resultsstore.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <optional>
#include <set>

class Connection;

namespace cli {

// --texte and --si. Called while the actions' table is built, before
// anything else of this file is ready: it holds its own names.
QList<QCommandLineOption> scopeOptions();

// The numbers given to --texte; false, with a French message, when one is
// not a number. Read before the analysis is opened.
bool textNumbers(const Context &context, std::set<qint64> *numbers, QString *message);

// A condition of --si as given; empty, with a message, when it names no
// attribute of the analysis or has no "=". Throws StoreError.
std::optional<results::Condition> condition(Connection &db, const QString &given,
                                            const QString &path, QString *message);

// The texts to read: those numbered (each must be in the analysis at
// `path`), or all of them, and the conditions of every --si. Empty, with a
// French message, when a text or an attribute is not there. Throws
// StoreError.
std::optional<results::Scope> scopeOf(const Context &context, Connection &db, const QString &path,
                                      const std::set<qint64> &texts, QString *message);

} // namespace cli
