#pragma once
// The options that choose the texts an action of the command line counts,
// shared by the actions that count (--resultats, --vocabulaire,
// --mots-caracteristiques):
//   --texte NUMERO   a text of the analysis by its number (repeated: several);
//   --si NOM=VALEUR  the texts whose attribute NOM has that value, or
//   --si NOM=DE..A   whose value lies from DE to A (dates or numbers; either
//                    bound may be left out); every --si must hold.
// An action lists the options (texteOption, siOption) among its own; the
// command line adds an option once however many actions list it.
#include "cli/commandline.h"
#include "store/resultsstore.h"

#include <QCommandLineOption>
#include <optional>
#include <set>

class Connection;

namespace cli {

QCommandLineOption texteOption();
QCommandLineOption siOption();

// The numbers given to --texte; false, with a message, when one is not a
// number. Read before the analysis is opened.
bool textNumbers(const Context &context, std::set<qint64> *numbers, QString *message);

// A condition of --si: NOM=VALEUR, or NOM=DE..A for an attribute of dates or
// numbers. The name is the longest start before a "=" that names an
// attribute, so that a name holding "=" is found. Empty, with a message,
// when it names none. Throws StoreError.
std::optional<results::Condition> condition(Connection &db, const QString &given,
                                            const QString &path, QString *message);

// The texts counted: those numbered (each must be in the analysis `path`),
// or all of them, and the conditions of every --si. Empty, with a message,
// when a number or a condition names nothing. Throws StoreError.
std::optional<results::Scope> scopeOf(const Context &context, Connection &db,
                                      const std::set<qint64> &numbers, const QString &path,
                                      QString *message);

} // namespace cli
