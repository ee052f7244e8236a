-- Version 5 of the analysis database: tables added beside those of versions
-- 1 to 4, which stay as they are (no trigger on them). Run on the template
-- when it is built, and on an older analysis, in one transaction, when the
-- coding application opens it for writing.
--
-- Dictionaries (words/dictionary.h is their model):
--
--  Dictionnaires             the dictionaries kept in the analysis: a name,
--                            unique, and the file it was read from (empty
--                            for one made in the window).
--  CategoriesDictionnaires   their categories, in tree order ("rang"), nested
--                            one level at most: "parent" is a top category
--                            of the same dictionary, null at the top. A
--                            category's name is unique beside its siblings.
--  EntreesDictionnaires      the entries of a category, in order: "genre" 1 a
--                            word, 2 a prefix (économ*), 3 a phrase; with
--                            "exclusion" 1, a word the category must not
--                            count (-économe). "texte" as written, without
--                            the star of a prefix, the quotes of a phrase
--                            nor the dash of an exclusion.
--
-- Suggestions (suggestions/model.h):
--
--  ModelesSuggestions        the model learnt for a list, kept so that
--                            reopening the analysis is fast: what it was
--                            learnt from ("empreinte": the coding of the
--                            list and the model's own version), when, and
--                            its bytes. A cache: a model whose fingerprint
--                            differs from the coding as it stands is learnt
--                            again, never used.
--  SuggestionsAcceptees      a value of a coding row that the coder took from
--                            a suggestion rather than chose: the row
--                            ("contenu", Contenus.numero), the list, the
--                            value accepted, its confidence, who accepted it
--                            and when (ISO 8601). The row's value counts as
--                            an accepted suggestion only while its field for
--                            the list still holds that value.

CREATE TABLE "Dictionnaires" (
    "numero" INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "numero_32bits" CHECK ("numero" BETWEEN -2147483648 AND 2147483647),
    "nom" TEXT NOT NULL
        CONSTRAINT "nom_vide" CHECK ("nom" <> '')
        CONSTRAINT "nom_255" CHECK (length("nom") <= 255)
        CONSTRAINT "nom_unique" UNIQUE,
    "source" TEXT NOT NULL DEFAULT ''
) STRICT;

CREATE TABLE "CategoriesDictionnaires" (
    "numero" INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "numero_32bits" CHECK ("numero" BETWEEN -2147483648 AND 2147483647),
    "dictionnaire" INTEGER NOT NULL
        CONSTRAINT "DictionnairesCategories" REFERENCES "Dictionnaires" ("numero")
            ON UPDATE CASCADE ON DELETE CASCADE,
    "parent" INTEGER
        CONSTRAINT "CategoriesParent" REFERENCES "CategoriesDictionnaires" ("numero")
            ON UPDATE CASCADE ON DELETE CASCADE,
    "rang" INTEGER NOT NULL,
    "nom" TEXT NOT NULL
        CONSTRAINT "nom_vide" CHECK ("nom" <> '')
        CONSTRAINT "nom_255" CHECK (length("nom") <= 255)
) STRICT;
CREATE UNIQUE INDEX "CategoriesDictionnaires_nom"
    ON "CategoriesDictionnaires" ("dictionnaire", ifnull("parent", 0), "nom");
CREATE INDEX "CategoriesDictionnaires_rang" ON "CategoriesDictionnaires" ("dictionnaire", "rang");
CREATE INDEX "CategoriesDictionnaires_parent" ON "CategoriesDictionnaires" ("parent");

CREATE TABLE "EntreesDictionnaires" (
    "numero" INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "numero_32bits" CHECK ("numero" BETWEEN -2147483648 AND 2147483647),
    "categorie" INTEGER NOT NULL
        CONSTRAINT "CategoriesEntrees" REFERENCES "CategoriesDictionnaires" ("numero")
            ON UPDATE CASCADE ON DELETE CASCADE,
    "rang" INTEGER NOT NULL,
    "genre" INTEGER NOT NULL
        CONSTRAINT "genre_1_3" CHECK ("genre" BETWEEN 1 AND 3),
    "exclusion" INTEGER NOT NULL DEFAULT 0
        CONSTRAINT "exclusion_0_1" CHECK ("exclusion" IN (0, 1)),
    "texte" TEXT NOT NULL
        CONSTRAINT "texte_vide" CHECK ("texte" <> '')
        CONSTRAINT "texte_255" CHECK (length("texte") <= 255)
) STRICT;
CREATE INDEX "EntreesDictionnaires_categorie" ON "EntreesDictionnaires" ("categorie", "rang");

CREATE TABLE "ModelesSuggestions" (
    "liste" INTEGER PRIMARY KEY
        CONSTRAINT "liste_1_5" CHECK ("liste" BETWEEN 1 AND 5),
    "empreinte" TEXT NOT NULL,
    "appris" TEXT NOT NULL,
    "modele" BLOB NOT NULL
) STRICT;

CREATE TABLE "SuggestionsAcceptees" (
    "contenu" INTEGER NOT NULL,
    "liste" INTEGER NOT NULL
        CONSTRAINT "liste_1_5" CHECK ("liste" BETWEEN 1 AND 5),
    "valeur" INTEGER NOT NULL
        CONSTRAINT "valeur_32bits" CHECK ("valeur" BETWEEN -2147483648 AND 2147483647),
    "confiance" REAL NOT NULL
        CONSTRAINT "confiance_0_1" CHECK ("confiance" BETWEEN 0 AND 1),
    "codeur" TEXT NOT NULL,
    "date" TEXT NOT NULL,
    PRIMARY KEY ("contenu", "liste")
) STRICT, WITHOUT ROWID;

PRAGMA user_version = 5;
