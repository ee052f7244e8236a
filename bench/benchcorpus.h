#pragma once
// The analysis of a million French-looking segments that the search and
// dictionary benchmarks fill: words made of syllables, the usual small words
// most frequent, and words planted at known rates ("chômage" in one segment
// in 200, each of four forms of "écono…" in one in 40, "l'État" in one in
// 20), each text's segments one after the other, as a take-in writes them.
#include <QByteArray>
#include <QList>
#include <QRandomGenerator>
#include <QString>

#include <sqlite3.h>
#include <algorithm>
#include <cstdio>
#include <iterator>

namespace benchcorpus {

inline constexpr int kTexts = 20;

inline const char *const kCommon[] = {
    "le", "la", "les", "de", "des", "du", "un", "une", "et", "à", "en", "pour", "que", "qui",
    "dans", "sur", "par", "plus", "pas", "ne", "se", "ce", "il", "elle", "nous", "est", "sont",
    "a", "ont", "avec", "au", "aux", "son", "sa", "ses", "leur", "mais", "ou", "comme", "été"};
inline const char *const kSyllables[] = {"ba", "de", "ri", "lo", "mu", "ta", "ne", "si", "po", "ve",
                                  "cha", "gui", "mon", "par", "tre", "vi", "sa", "lu", "ré", "fi",
                                  "ton", "mer", "pla", "cour", "gen", "sol", "dra", "mi", "no",
                                  "bel"};
// Words planted at known rates: "chômage" in one segment in 200; each form
// of "écono…" in one in 40 (four forms: about one segment in ten).
inline const char *const kEconomy[] = {"économie", "économique", "économiste", "économies"};

inline QByteArray contentWord(QRandomGenerator &random)
{
    QByteArray w;
    const int n = 2 + int(random.bounded(2));
    for (int i = 0; i < n; ++i)
        w += kSyllables[random.bounded(int(std::size(kSyllables)))];
    return w;
}

inline QByteArray sentence(QRandomGenerator &random)
{
    QList<QByteArray> words;
    const int n = 6 + int(random.bounded(11));
    for (int i = 0; i < n; ++i)
        words << (random.bounded(10) < 6 ? QByteArray(kCommon[random.bounded(int(std::size(kCommon)))])
                                         : contentWord(random));
    if (random.bounded(200) == 0)
        words.insert(int(random.bounded(int(words.size()))), "chômage");
    for (const char *form : kEconomy)
        if (random.bounded(40) == 0)
            words.insert(int(random.bounded(int(words.size()))), form);
    if (random.bounded(20) == 0)
        words.insert(int(random.bounded(int(words.size()))), "l'État");
    QByteArray s = words.join(' ');
    s[0] = char(QChar::toUpper(uchar(s[0])));
    return s + '.';
}

inline bool exec(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Adds `texts` new texts holding `segments` segments in all, each text's
// segments one after the other, as a take-in writes them.
inline bool fill(const QString &path, qint64 segments, quint32 seed, int texts)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    bool ok = exec(db, "PRAGMA foreign_keys = ON") && exec(db, "BEGIN");
    sqlite3_stmt *text = nullptr;
    sqlite3_stmt *segment = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO Chemin (chemin) VALUES (?1)", -1, &text, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO textes (numtexte, texte) VALUES (?1, ?2)", -1, &segment,
                       nullptr);
    QRandomGenerator random(seed);
    const qint64 perText = std::max<qint64>(1, segments / texts);
    qint64 written = 0;
    for (int t = 1; ok && t <= texts && written < segments; ++t) {
        const QByteArray name = QStringLiteral("/corpus/texte_%1_%2.txt").arg(seed).arg(t).toUtf8();
        sqlite3_bind_text(text, 1, name.constData(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(text) == SQLITE_DONE;
        sqlite3_reset(text);
        const qint64 number = sqlite3_last_insert_rowid(db);
        const qint64 n = t == texts ? segments - written : std::min(perText, segments - written);
        for (qint64 i = 0; ok && i < n; ++i) {
            const QByteArray s = sentence(random);
            sqlite3_bind_int64(segment, 1, number);
            sqlite3_bind_text(segment, 2, s.constData(), int(s.size()), SQLITE_TRANSIENT);
            ok = sqlite3_step(segment) == SQLITE_DONE;
            sqlite3_reset(segment);
        }
        written += n;
    }
    sqlite3_finalize(text);
    sqlite3_finalize(segment);
    ok = ok && exec(db, "COMMIT");
    if (!ok)
        std::fprintf(stderr, "fill: %s\n", sqlite3_errmsg(db));
    sqlite3_close(db);
    return ok;
}

} // namespace benchcorpus
