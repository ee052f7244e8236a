#pragma once
// Two coders' copies of one small analysis, coded as the tests need: text 1
// (segments 1 to 4) and text 2 (segments 5 and 6); list 1 holds "Oui" and
// "Non", list 2 holds "X".
//
// List 1 (A / B): seg 1 Oui/Oui, 2 Oui/Non, 3 Non/Non, 4 Oui+Non (two rows:
// multiple) / Oui, 5 Non / only the empty value, 6 nothing / Oui.
// List 2: "X" for both on segment 1. Lists 3 to 5: nothing.
#include "../coding/codingtest.h"

#include <QFile>

namespace reliabilitytest {

using storetest::Raw;

struct Analysis {
    QString base;         // the analysis before coding
    qint64 oui = 0, non = 0, x = 0;
};

inline Analysis makeBase(const QTemporaryDir &dir)
{
    Analysis a;
    a.base = codingtest::freshDatabase(dir, QStringLiteral("base.mdb"));
    Raw db(a.base);
    codingtest::addText(db, QStringLiteral("/corpus/t1.txt"),
                        {QStringLiteral("Un."), QStringLiteral("Deux."), QStringLiteral("Trois."),
                         QStringLiteral("Quatre.")});
    codingtest::addText(db, QStringLiteral("/corpus/t2.txt"),
                        {QStringLiteral("Cinq."), QStringLiteral("Six.")});
    a.oui = codingtest::addValue(db, 1, QStringLiteral("Oui"));
    a.non = codingtest::addValue(db, 1, QStringLiteral("Non"));
    a.x = codingtest::addValue(db, 2, QStringLiteral("X"));
    return a;
}

inline QString copyOf(const QTemporaryDir &dir, const Analysis &a, const QString &name)
{
    const QString path = dir.filePath(name);
    QFile::remove(path);
    if (!QFile::copy(a.base, path))
        qFatal("cannot copy the analysis");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    return path;
}

inline void code(const QString &path, qint64 segment, qint64 list1, qint64 list2 = 1)
{
    Raw db(path);
    if (!db.exec(QStringLiteral("INSERT INTO Contenus (numtexte, numvar01, numvar02) VALUES "
                                "(%1, %2, %3)")
                     .arg(segment)
                     .arg(list1)
                     .arg(list2)))
        qFatal("cannot code: %s", sqlite3_errmsg(db.handle()));
}

// Coder A's and coder B's copies, coded as described above.
inline QStringList coderCopies(const QTemporaryDir &dir, Analysis *analysis = nullptr)
{
    const Analysis a = makeBase(dir);
    if (analysis)
        *analysis = a;
    const QString A = copyOf(dir, a, QStringLiteral("A.mdb"));
    const QString B = copyOf(dir, a, QStringLiteral("B.mdb"));
    code(A, 1, a.oui, a.x);
    code(A, 2, a.oui);
    code(A, 3, a.non);
    code(A, 4, a.oui);
    code(A, 4, a.non);
    code(A, 5, a.non);
    code(B, 1, a.oui, a.x);
    code(B, 2, a.non);
    code(B, 3, a.non);
    code(B, 4, a.oui);
    code(B, 5, 1);
    code(B, 6, a.oui);
    return {A, B};
}

} // namespace reliabilitytest
