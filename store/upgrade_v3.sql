-- Version 3 of the analysis database: tables added beside those of versions
-- 1 and 2, which stay as they are. Run on the template when it is built, and
-- on an older analysis, in one transaction, when the coding application
-- opens it for writing.
--
--  Notes             the coder's notes: one per segment, per text, and one
--                    for the analysis. "genre" says what a note is attached
--                    to (1 a segment, by its number in "textes"; 2 a text,
--                    by its number in "Chemin"; 3 the analysis, "cible" 0).
--                    A note left by a removed segment or text is never shown.
--  Attributs         the attributes that describe the texts ("journal",
--                    "date"…), numbered in their order of creation;
--  ValeursAttributs  the value of an attribute for a text; a text without a
--                    value has no row. Removing a text or an attribute
--                    removes its values.

CREATE TABLE "Notes" (
    "genre" INTEGER NOT NULL
        CONSTRAINT "genre_1_3" CHECK ("genre" BETWEEN 1 AND 3),
    "cible" INTEGER NOT NULL
        CONSTRAINT "cible_32bits" CHECK ("cible" BETWEEN -2147483648 AND 2147483647),
    "note" TEXT NOT NULL
        CONSTRAINT "note_vide" CHECK ("note" <> ''),
    PRIMARY KEY ("genre", "cible")
) STRICT, WITHOUT ROWID;

CREATE TABLE "Attributs" (
    "numero" INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "numero_32bits" CHECK ("numero" BETWEEN -2147483648 AND 2147483647),
    "nom" TEXT NOT NULL
        CONSTRAINT "nom_vide" CHECK ("nom" <> '')
        CONSTRAINT "nom_64" CHECK (length("nom") <= 64)
        CONSTRAINT "nom_unique" UNIQUE
) STRICT;

CREATE TABLE "ValeursAttributs" (
    "attribut" INTEGER NOT NULL
        CONSTRAINT "AttributsValeurs" REFERENCES "Attributs" ("numero")
            ON UPDATE CASCADE ON DELETE CASCADE,
    "texte" INTEGER NOT NULL
        CONSTRAINT "CheminValeurs" REFERENCES "Chemin" ("numero")
            ON UPDATE CASCADE ON DELETE CASCADE,
    "valeur" TEXT NOT NULL
        CONSTRAINT "valeur_vide" CHECK ("valeur" <> '')
        CONSTRAINT "valeur_255" CHECK (length("valeur") <= 255),
    PRIMARY KEY ("attribut", "texte")
) STRICT, WITHOUT ROWID;
CREATE INDEX "ValeursAttributs_texte" ON "ValeursAttributs" ("texte");

PRAGMA user_version = 3;
