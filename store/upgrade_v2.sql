-- Version 2 of the analysis database: tables added beside those of version 1,
-- which stay as they are. Run on the template when it is built, and on a
-- version-1 analysis, in one transaction, when the coding application opens
-- it for writing.
--
--  Listes       the names the researcher gives the five lists;
--  Definitions  the definition of a list value (inclusion or exclusion rule,
--               example), by list and value number (value numbers are never
--               reused, so a definition left by a deleted value is never
--               shown for another one);
--  Proprietes   properties of the analysis, by key (such as "codeur").
--
-- The saved query "textes Requête" gets explicit column names: without them
-- the engine names the repeated columns itself, differently at each
-- connection. Its columns, their order and its rows stay the same.

CREATE TABLE "Listes" (
    "liste" INTEGER PRIMARY KEY
        CONSTRAINT "liste_1_5" CHECK ("liste" BETWEEN 1 AND 5),
    "nom" TEXT NOT NULL
        CONSTRAINT "nom_vide" CHECK ("nom" <> '')
        CONSTRAINT "nom_255" CHECK (length("nom") <= 255)
) STRICT;

CREATE TABLE "Definitions" (
    "liste" INTEGER NOT NULL
        CONSTRAINT "liste_1_5" CHECK ("liste" BETWEEN 1 AND 5),
    "numero" INTEGER NOT NULL,
    "definition" TEXT NOT NULL
        CONSTRAINT "definition_vide" CHECK ("definition" <> ''),
    PRIMARY KEY ("liste", "numero")
) STRICT, WITHOUT ROWID;

CREATE TABLE "Proprietes" (
    "cle" TEXT NOT NULL PRIMARY KEY
        CONSTRAINT "cle_vide" CHECK ("cle" <> ''),
    "valeur" TEXT NOT NULL
) STRICT, WITHOUT ROWID;

DROP VIEW "textes Requête";
CREATE VIEW "textes Requête" AS
    SELECT "Chemin"."numero" AS "Chemin.numero", "Chemin"."chemin" AS "chemin",
           "textes"."numero" AS "textes.numero", "textes"."numtexte" AS "textes.numtexte",
           "textes"."texte" AS "texte",
           "var_comp_01"."numero" AS "var_comp_01.numero", "var_comp_01"."variable01" AS "variable01",
           "Contenus"."numero" AS "Contenus.numero", "Contenus"."numtexte" AS "Contenus.numtexte",
           "Contenus"."numvar01" AS "numvar01", "Contenus"."numvar02" AS "numvar02",
           "Contenus"."numvar03" AS "numvar03", "Contenus"."numvar04" AS "numvar04",
           "Contenus"."numvar05" AS "numvar05",
           "var_comp_02"."numero" AS "var_comp_02.numero", "var_comp_02"."variable02" AS "variable02",
           "var_comp_03"."numero" AS "var_comp_03.numero", "var_comp_03"."variable03" AS "variable03",
           "var_comp_04"."numero" AS "var_comp_04.numero", "var_comp_04"."variable04" AS "variable04",
           "var_comp_05"."numero" AS "var_comp_05.numero", "var_comp_05"."variable05" AS "variable05"
    FROM "Chemin"
    INNER JOIN "textes" ON "textes"."numtexte" = "Chemin"."numero"
    INNER JOIN "Contenus" ON "Contenus"."numtexte" = "textes"."numero"
    INNER JOIN "var_comp_01" ON "var_comp_01"."numero" = "Contenus"."numvar01"
    INNER JOIN "var_comp_02" ON "var_comp_02"."numero" = "Contenus"."numvar02"
    INNER JOIN "var_comp_03" ON "var_comp_03"."numero" = "Contenus"."numvar03"
    INNER JOIN "var_comp_04" ON "var_comp_04"."numero" = "Contenus"."numvar04"
    INNER JOIN "var_comp_05" ON "var_comp_05"."numero" = "Contenus"."numvar05";

PRAGMA user_version = 2;
