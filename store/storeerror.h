#pragma once
#include <QString>
#include <stdexcept>

struct sqlite3;

// A failure of the analysis store: the file cannot be opened, is not an
// analysis database, a statement fails, or a save is refused. The message is
// French, ready to be shown to the user; the engine's own (English) words
// never reach it.
class StoreError : public std::runtime_error
{
public:
    explicit StoreError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// A list number out of 1 to 5 is refused: "La liste n° 7 n'existe pas
// (listes 1 à 5)."
inline void checkListNumber(int list)
{
    if (list < 1 || list > 5)
        throw StoreError(QStringLiteral("La liste n° %1 n'existe pas (listes 1 à 5).").arg(list));
}

namespace sqlfailure {

// The cause of a failed SQLite call, in French, for every file of the store:
// `rc` is the call's result code (extended codes give finer causes), `db` the
// connection it failed on (read for the name of a refused constraint; may be
// null). For instance "le disque est plein", "la base est verrouillée par un
// autre programme", "la valeur de « variable01 » est trop longue (255
// caractères au plus)". Never the engine's words.
QString cause(sqlite3 *db, int rc);

// The cause of a file that cannot be opened or written under `path`, from
// the path itself when it says why (a name too long for the system).
// Empty when the path gives no cause.
QString pathCause(const QString &path);

} // namespace sqlfailure
