#pragma once
// Sentences of three themes (work, school, health), each told by its own
// words among neutral ones, for the tests of the suggestions: segment i of
// text t is on theme (t + i) % 3, so that every text holds the three.
#include <QString>
#include <QStringList>

namespace themedcorpus {

inline const QStringList kWords[3] = {
    {"chômage", "emploi", "salaires", "embauche"},
    {"école", "élèves", "enseignants", "classes"},
    {"hôpital", "médecins", "malades", "soins"},
};
inline const char *const kThemes[3] = {"Emploi", "École", "Santé"};

inline QString sentence(int theme, int i)
{
    static const QStringList neutral{"Le gouvernement annonce", "Selon le ministre",
                                     "Cette année encore", "Dans la région"};
    return QStringLiteral("%1 : les %2 et les %3.")
        .arg(neutral.at(i % 4), kWords[theme].at(i % 4), kWords[theme].at((i + 1) % 4));
}

} // namespace themedcorpus
