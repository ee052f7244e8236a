#include "exchange/codebookexport.h"

#include "exchange/csv.h"
#include "common/safefile.h"
#include "store/codebookstore.h"
#include "store/storeerror.h"

#include <map>

namespace coding {
QStringList codebookHeader()
{
    return {QStringLiteral("liste"), QStringLiteral("nom"), QStringLiteral("numero"),
            QStringLiteral("valeur"), QStringLiteral("definition")};
}

ExportOutcome exportCodebook(CodingStore &store, const QString &file, const ExportOptions &options)
{
    ExportOutcome outcome;
    outcome.message =
        refuseTheDatabase(store.path(), file, QStringLiteral("Le livre de codes"));
    if (!outcome.message.isEmpty())
        return outcome;
    auto text = [&](const QString &value) { return options.raw ? value : csv::inert(value); };

    // Everything is read before the file is opened: a failed read leaves
    // nothing to undo.
    std::vector<QStringList> records;
    try {
        const std::array<QString, kLists> names = codebook::listNames(store.connection());
        for (int k = 1; k <= kLists; ++k) {
            const std::map<qint64, QString> defined =
                codebook::definitions(store.connection(), k);
            for (const ListValue &v : store.listValues(k)) {
                const auto d = defined.find(v.numero);
                records.push_back({QString::number(k), text(names[size_t(k - 1)]),
                                   QString::number(v.numero), text(v.value),
                                   text(d == defined.end() ? QString() : d->second)});
            }
        }
    } catch (const StoreError &e) {
        outcome.message = QStringLiteral("Le livre de codes n'a pas pu être lu ; le fichier « %1 » "
                                         "n'a pas été écrit.\n\n%2")
                              .arg(file, e.message());
        return outcome;
    }

    SafeFile out(file);
    csv::Writer writer(&out, options.separator);
    bool ok = out.open(QIODevice::WriteOnly) && writer.writeBom() && writer.write(codebookHeader());
    for (size_t i = 0; ok && i < records.size(); ++i)
        ok = writer.write(records[i]);
    if (!ok || !out.commit()) {
        out.discard();
        outcome.message = QStringLiteral("Le fichier « %1 » ne peut pas être écrit : %2. "
                                         "Aucun fichier n'a été remplacé.")
                              .arg(file, out.errorString());
        return outcome;
    }
    outcome.status = ExportOutcome::Done;
    outcome.records = qint64(records.size());
    return outcome;
}

} // namespace coding
