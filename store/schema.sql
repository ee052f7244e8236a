-- The analysis database: texts, their sentence segments, the five lists of
-- comparison variables and the coding table.
--
-- Column types: "counter" is INTEGER PRIMARY KEY AUTOINCREMENT (1 for a
-- table's first row, then one above the highest number ever assigned, never
-- reused); "long" is INTEGER; "text(255)" and "long text" are TEXT.
-- The tables are STRICT, so an integer column only ever holds integers (a text
-- such as '12' is stored as 12, a text such as 'abc' is refused) and a text
-- column only texts; CHECK constraints keep the integers within 32 bits.
-- Every text column refuses a zero-length text; chemin and variable01 to
-- variable05 refuse more than 255 characters. The CHECK constraints are named
-- so that the program can explain a refusal.
--
-- The primary key of each table is its rowid (the INTEGER PRIMARY KEY), which
-- is itself the index of the numero columns: files made by earlier templates
-- also carry a second index on them (Chemin_numero, textes_numero,
-- var_comp_0k_numero, Contenus_numero), which duplicated the row key and only
-- slowed every insert. The other indexes carry their table's name as a prefix,
-- index names being global in one database.
--
-- This script makes version 1; the template is this script followed by
-- upgrade_v2.sql, the same upgrade that version-1 files receive.

PRAGMA page_size = 4096;
PRAGMA application_id = 1414286674; -- 0x544C4D52, "TLMR"
PRAGMA user_version = 1;
PRAGMA foreign_keys = ON;

BEGIN;

CREATE TABLE "Chemin" (
    "numero" INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "numero_32bits" CHECK ("numero" BETWEEN -2147483648 AND 2147483647),
    "chemin" TEXT
        CONSTRAINT "chemin_vide" CHECK ("chemin" <> '')
        CONSTRAINT "chemin_255" CHECK (length("chemin") <= 255)
) STRICT;

CREATE TABLE "textes" (
    "numero" INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "numero_32bits" CHECK ("numero" BETWEEN -2147483648 AND 2147483647),
    "numtexte" INTEGER DEFAULT 0
        CONSTRAINT "numtexte_32bits" CHECK ("numtexte" BETWEEN -2147483648 AND 2147483647)
        CONSTRAINT "Chemintextes" REFERENCES "Chemin" ("numero")
            ON UPDATE CASCADE ON DELETE CASCADE,
    "texte" TEXT
        CONSTRAINT "texte_vide" CHECK ("texte" <> '')
) STRICT;
CREATE INDEX "textes_numtexte" ON "textes" ("numtexte");

CREATE TABLE "var_comp_01" (
    "numero" INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "numero_32bits" CHECK ("numero" BETWEEN -2147483648 AND 2147483647),
    "variable01" TEXT
        CONSTRAINT "variable01_vide" CHECK ("variable01" <> '')
        CONSTRAINT "variable01_255" CHECK (length("variable01") <= 255)
) STRICT;

CREATE TABLE "var_comp_02" (
    "numero" INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "numero_32bits" CHECK ("numero" BETWEEN -2147483648 AND 2147483647),
    "variable02" TEXT
        CONSTRAINT "variable02_vide" CHECK ("variable02" <> '')
        CONSTRAINT "variable02_255" CHECK (length("variable02") <= 255)
) STRICT;

CREATE TABLE "var_comp_03" (
    "numero" INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "numero_32bits" CHECK ("numero" BETWEEN -2147483648 AND 2147483647),
    "variable03" TEXT
        CONSTRAINT "variable03_vide" CHECK ("variable03" <> '')
        CONSTRAINT "variable03_255" CHECK (length("variable03") <= 255)
) STRICT;

CREATE TABLE "var_comp_04" (
    "numero" INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "numero_32bits" CHECK ("numero" BETWEEN -2147483648 AND 2147483647),
    "variable04" TEXT
        CONSTRAINT "variable04_vide" CHECK ("variable04" <> '')
        CONSTRAINT "variable04_255" CHECK (length("variable04") <= 255)
) STRICT;

CREATE TABLE "var_comp_05" (
    "numero" INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "numero_32bits" CHECK ("numero" BETWEEN -2147483648 AND 2147483647),
    "variable05" TEXT
        CONSTRAINT "variable05_vide" CHECK ("variable05" <> '')
        CONSTRAINT "variable05_255" CHECK (length("variable05") <= 255)
) STRICT;

CREATE TABLE "Contenus" (
    "numero" INTEGER PRIMARY KEY AUTOINCREMENT
        CONSTRAINT "numero_32bits" CHECK ("numero" BETWEEN -2147483648 AND 2147483647),
    "numtexte" INTEGER DEFAULT 0
        CONSTRAINT "numtexte_32bits" CHECK ("numtexte" BETWEEN -2147483648 AND 2147483647)
        CONSTRAINT "textesContenus" REFERENCES "textes" ("numero")
            ON UPDATE CASCADE ON DELETE CASCADE,
    "numvar01" INTEGER DEFAULT 1
        CONSTRAINT "numvar01_32bits" CHECK ("numvar01" BETWEEN -2147483648 AND 2147483647)
        CONSTRAINT "var_comp_01Contenus" REFERENCES "var_comp_01" ("numero")
            ON UPDATE CASCADE ON DELETE CASCADE,
    "numvar02" INTEGER DEFAULT 1
        CONSTRAINT "numvar02_32bits" CHECK ("numvar02" BETWEEN -2147483648 AND 2147483647)
        CONSTRAINT "var_comp_02Contenus" REFERENCES "var_comp_02" ("numero")
            ON UPDATE CASCADE ON DELETE CASCADE,
    "numvar03" INTEGER DEFAULT 1
        CONSTRAINT "numvar03_32bits" CHECK ("numvar03" BETWEEN -2147483648 AND 2147483647)
        CONSTRAINT "var_comp_03Contenus" REFERENCES "var_comp_03" ("numero")
            ON UPDATE CASCADE ON DELETE CASCADE,
    "numvar04" INTEGER DEFAULT 1
        CONSTRAINT "numvar04_32bits" CHECK ("numvar04" BETWEEN -2147483648 AND 2147483647)
        CONSTRAINT "var_comp_04Contenus" REFERENCES "var_comp_04" ("numero")
            ON UPDATE CASCADE ON DELETE CASCADE,
    "numvar05" INTEGER DEFAULT 1
        CONSTRAINT "numvar05_32bits" CHECK ("numvar05" BETWEEN -2147483648 AND 2147483647)
        CONSTRAINT "var_comp_05Contenus" REFERENCES "var_comp_05" ("numero")
            ON UPDATE CASCADE ON DELETE CASCADE
) STRICT;
CREATE INDEX "Contenus_numtexte" ON "Contenus" ("numtexte");
CREATE INDEX "Contenus_numvar01" ON "Contenus" ("numvar01");
CREATE INDEX "Contenus_numvar02" ON "Contenus" ("numvar02");
CREATE INDEX "Contenus_numvar03" ON "Contenus" ("numvar03");
CREATE INDEX "Contenus_numvar04" ON "Contenus" ("numvar04");
CREATE INDEX "Contenus_numvar05" ON "Contenus" ("numvar05");

-- The saved queries of the database application.
CREATE VIEW "var_comp_01 Requête" AS
    SELECT "numero", "variable01" FROM "var_comp_01" ORDER BY "variable01" ASC;
CREATE VIEW "var_comp_02 Requête" AS
    SELECT "numero", "variable02" FROM "var_comp_02" ORDER BY "variable02" ASC;
CREATE VIEW "var_comp_03 Requête" AS
    SELECT "numero", "variable03" FROM "var_comp_03" ORDER BY "variable03" ASC;
CREATE VIEW "var_comp_04 Requête" AS
    SELECT "numero", "variable04" FROM "var_comp_04" ORDER BY "variable04" ASC;
CREATE VIEW "var_comp_05 Requête" AS
    SELECT "numero", "variable05" FROM "var_comp_05" ORDER BY "variable05" ASC;
CREATE VIEW "textes Requête" AS
    SELECT "Chemin".*, "textes".*, "var_comp_01".*, "Contenus".*,
           "var_comp_02".*, "var_comp_03".*, "var_comp_04".*, "var_comp_05".*
    FROM "Chemin"
    INNER JOIN "textes" ON "textes"."numtexte" = "Chemin"."numero"
    INNER JOIN "Contenus" ON "Contenus"."numtexte" = "textes"."numero"
    INNER JOIN "var_comp_01" ON "var_comp_01"."numero" = "Contenus"."numvar01"
    INNER JOIN "var_comp_02" ON "var_comp_02"."numero" = "Contenus"."numvar02"
    INNER JOIN "var_comp_03" ON "var_comp_03"."numero" = "Contenus"."numvar03"
    INNER JOIN "var_comp_04" ON "var_comp_04"."numero" = "Contenus"."numvar04"
    INNER JOIN "var_comp_05" ON "var_comp_05"."numero" = "Contenus"."numvar05";

-- Row 1 of each variable list is the variable without a value, the default
-- of the coding table's numvar01 to numvar05. The counters of the lists
-- then continue at 36, 13, 5, 13 and 11.
INSERT INTO "var_comp_01" ("numero", "variable01") VALUES (1, NULL);
INSERT INTO "var_comp_02" ("numero", "variable02") VALUES (1, NULL);
INSERT INTO "var_comp_03" ("numero", "variable03") VALUES (1, NULL);
INSERT INTO "var_comp_04" ("numero", "variable04") VALUES (1, NULL);
INSERT INTO "var_comp_05" ("numero", "variable05") VALUES (1, NULL);
UPDATE sqlite_sequence SET seq = 35 WHERE name = 'var_comp_01';
UPDATE sqlite_sequence SET seq = 12 WHERE name = 'var_comp_02';
UPDATE sqlite_sequence SET seq = 4 WHERE name = 'var_comp_03';
UPDATE sqlite_sequence SET seq = 12 WHERE name = 'var_comp_04';
UPDATE sqlite_sequence SET seq = 10 WHERE name = 'var_comp_05';

COMMIT;
