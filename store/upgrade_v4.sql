-- Version 4 of the analysis database: tables added beside those of versions
-- 1 to 3, which stay as they are (no trigger on them). Run on the template
-- when it is built, and on an older analysis, in one transaction, when the
-- coding application opens it for writing.
--
--  Recherche      the index of the words of the segments, for search: an
--                 FTS5 table whose content is read from "textes" (never
--                 copied); a word is a run of letters and digits, case and
--                 accents ignored. It is a cache: the program brings it up
--                 to date from the segments before each search.
--  RechercheEtat  what the index was built from (one row): the number of
--                 segments indexed, the highest segment number indexed and
--                 the counter of "textes" (sqlite_sequence) at that time,
--                 and whether the segments were then numbered in the order
--                 of their texts (each text's segments after those of the
--                 texts numbered before it), which lets a search read its
--                 hits in the index's own order. Built from nothing, the
--                 index holds no segment.

CREATE VIRTUAL TABLE "Recherche" USING fts5(
    "texte",
    content = 'textes',
    content_rowid = 'numero',
    tokenize = 'unicode61 remove_diacritics 2'
);

CREATE TABLE "RechercheEtat" (
    "numero" INTEGER PRIMARY KEY
        CONSTRAINT "etat_unique" CHECK ("numero" = 1),
    "segments" INTEGER NOT NULL,
    "dernier" INTEGER NOT NULL,
    "compteur" INTEGER NOT NULL,
    "ordonne" INTEGER NOT NULL
        CONSTRAINT "ordonne_0_1" CHECK ("ordonne" IN (0, 1))
) STRICT;
INSERT INTO "RechercheEtat" VALUES (1, 0, 0, 0, 1);

PRAGMA user_version = 4;
