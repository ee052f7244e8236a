// --attributs BASE.mdb [FICHIER.csv]: with a file, takes the texts'
// attributes in from it (exchange/attributescsv.h: all or nothing) and says
// how many attributes, texts and values it held; without, writes the table
// of every text's values on standard output (a read-only file welcome).
#include "cli/commandline.h"
#include "exchange/attributescsv.h"
#include "store/attributestore.h"
#include "store/codingstore.h"
#include "store/connection.h"
#include "store/storeerror.h"

#include <QDir>

namespace cli {

namespace {

int printTable(const Context &context, const QString &path)
{
    try {
        std::shared_ptr<Connection> db = openForReading(path);
        const std::vector<attributes::Attribute> names = attributes::list(*db);
        std::vector<std::map<qint64, QString>> values;
        for (const attributes::Attribute &a : names)
            values.push_back(attributes::values(*db, a.number));
        context.out << AttributesCsv::write(attributes::texts(*db), names, values);
    } catch (const StoreError &e) {
        return fail(context, QStringLiteral("Les attributs n'ont pas pu être lus.\n%1")
                                 .arg(e.message()));
    }
    return 0;
}

int importTable(const Context &context, const QString &path, const QString &file)
{
    const QString shown = QDir::toNativeSeparators(file);
    try {
        std::unique_ptr<coding::CodingStore> store = openForChange(path);
        if (store->readOnly())
            return fail(context, QStringLiteral("Rien n'a été importé de « %1 » : l'analyse « %2 » "
                                                "ne peut pas être modifiée (fichier ou dossier "
                                                "protégé en écriture).")
                                     .arg(shown, QDir::toNativeSeparators(path)));
        Connection &db = store->connection();
        const AttributesCsv::Read read = AttributesCsv::readFile(file, attributes::texts(db));
        if (!read.error.isEmpty())
            return fail(context, QStringLiteral("Rien n'a été importé de « %1 » :\n%2")
                                     .arg(shown, read.error));
        attributes::SheetCount count;
        attributes::sheetStep(db, read.sheet,
                              QStringLiteral("l'import des attributs de « %1 »").arg(shown),
                              &count);
        context.out << QStringLiteral("attributs : %1; textes : %2; valeurs : %3")
                           .arg(count.attributes)
                           .arg(count.texts)
                           .arg(count.values)
                    << Qt::endl;
    } catch (const StoreError &e) {
        return fail(context, QStringLiteral("Rien n'a été importé de « %1 ».\n%2")
                                 .arg(shown, e.message()));
    }
    return 0;
}

int runAttributs(const Context &context)
{
    const qsizetype n = context.positional.size();
    if (n < 1 || n > 2)
        return fail(context, QStringLiteral("--attributs attend la base d'analyse, puis le "
                                            "fichier CSV à importer s'il y en a un : "
                                            "telmira-codage --attributs BASE.mdb [FICHIER.csv]"));
    if (n == 1)
        return printTable(context, context.positional.at(0));
    return importTable(context, context.positional.at(0), context.positional.at(1));
}

} // namespace

extern const Action attributs;
const Action attributs{
    QStringLiteral("attributs"),
    QStringLiteral("--attributs BASE.mdb [FICHIER.csv]\n"
                   "      avec un fichier : importe les attributs des textes (première colonne "
                   "le texte,\n"
                   "      par son numéro, son nom de fichier ou son chemin ; une colonne par "
                   "attribut,\n"
                   "      nommée par l'en-tête, créée s'il le faut ; « ; » ou « , » ; un champ "
                   "vide retire\n"
                   "      la valeur) : tout ou rien, et dit « attributs : N; textes : N; valeurs : "
                   "N » ;\n"
                   "      sans fichier : écrit le tableau des attributs (texte;fichier;attributs…)"),
    {},
    &runAttributs,
};

} // namespace cli
