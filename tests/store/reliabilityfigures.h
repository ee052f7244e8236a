#pragma once
// What --fiabilite writes for the two coders' copies of reliabilitytest.h,
// worked out by hand; the window reports the same figures.
#include <QStringList>

namespace reliabilitytest {

// List 1 for A and B: pairable segments 1 to 3 (4 has A's two values, 5 and
// 6 one coder each); n = 6, three Oui and three Non, one disagreeing unit:
// alpha = 1 - 5 x 2 / (2 x 3 x 3) = 0.4444; agreement 2/3; kappa: po = 2/3,
// pe = 2/3 x 1/3 + 1/3 x 2/3 = 4/9, (2/3 - 4/9) / (5/9) = 0.4.
// List 2: "X" from both on segment 1 only: alpha and kappa undefined (one
// value), agreement 1. Lists 3 to 5: no pair at all. Every list nominal.
const QStringList kTwoCoders = {
    QStringLiteral("variable;nom;alpha;kappa;accord;unites;multiples;niveau"),
    QStringLiteral("1;Variable de comparaison 1;0.4444;0.4000;0.6667;3;1;nominal"),
    QStringLiteral("2;Variable de comparaison 2;indéfini: une seule valeur;indéfini: une seule "
                   "valeur;1.0000;1;0;nominal"),
    QStringLiteral("3;Variable de comparaison 3;indéfini: aucune paire;indéfini: aucune paire;"
                   "indéfini: aucune paire;0;0;nominal"),
    QStringLiteral("4;Variable de comparaison 4;indéfini: aucune paire;indéfini: aucune paire;"
                   "indéfini: aucune paire;0;0;nominal"),
    QStringLiteral("5;Variable de comparaison 5;indéfini: aucune paire;indéfini: aucune paire;"
                   "indéfini: aucune paire;0;0;nominal"),
};

// After an empty line, how it was counted: one note per subject.
const QStringList kNoteSubjects = {QStringLiteral("note;accord;"), QStringLiteral("note;multiples;"),
                                   QStringLiteral("note;non codé;"), QStringLiteral("note;unites;")};

} // namespace reliabilitytest
