#include "exchange/lexicoderdictionary.h"

#include "exchange/paragraphs.h"

namespace exchange {

words::Dictionary LexicoderDictionary::parse(const QString &text, QStringList *notes) const
{
    Q_UNUSED(notes);
    const QStringList lines = dictionaryLines(text);
    DictionaryBuilder builder;
    int current = -1;
    for (int at = 0; at < int(lines.size()); ++at) {
        const QString line = lines.at(at).trimmed();
        const int lineNumber = at + 1;
        if (line.isEmpty())
            continue;
        if (line.startsWith(QLatin1Char('+'))) {
            const QString name = line.mid(1).trimmed();
            if (name.isEmpty())
                throw ReadFailure(
                    dictionaryLineFault(lineNumber,
                                        QStringLiteral(
                                            "le « + » qui ouvre une catégorie doit être suivi "
                                            "de son nom (« +negative »).")));
            current = builder.categoryAt(name, lineNumber);
            continue;
        }
        if (current < 0)
            throw ReadFailure(
                dictionaryLineFault(lineNumber,
                                    QStringLiteral(
                                        "une ligne « +catégorie » était attendue avant la "
                                        "première entrée, « %1 » a été trouvé.")
                                        .arg(line)));
        words::DictionaryEntry entry;
        const QString fault = parseDictionaryEntry(line, false, &entry);
        if (!fault.isEmpty())
            throw ReadFailure(dictionaryLineFault(lineNumber, fault));
        builder.add(current, entry, lineNumber);
    }
    return builder.take();
}

} // namespace exchange
