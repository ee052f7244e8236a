#include "analysis/takein.h"

#include "analysis/segmenter.h"
#include "analysis/textfile.h"
#include "store/connection.h"
#include "store/connectionstring.h"
#include "store/recordsource.h"
#include "store/storeerror.h"

namespace takein {

QString textStatement(const QString &textPath)
{
    return QStringLiteral("select * from chemin where chemin = ") + sqlLiteral(textPath);
}

QString segmentsStatement(const QString &textNumber)
{
    return QStringLiteral("select * from textes where numtexte = ") + textNumber;
}

QString addText(RecordSource &texts, const QString &textPath)
{
    // Characters as the column counts them: a character outside the basic
    // plane is one, not two.
    const qsizetype length = textPath.toUcs4().size();
    if (length > kMaxPathLength)
        throw StoreError(
            QStringLiteral("Le chemin du texte « %1 » compte %2 caractères ; la base d'analyse "
                           "n'en accepte que %3 au plus. Placez le texte dans un dossier au "
                           "chemin plus court.")
                .arg(textPath)
                .arg(length)
                .arg(kMaxPathLength));
    texts.addNew();
    texts.setValue(QStringLiteral("chemin"), textPath);
    texts.update();
    texts.refresh();
    texts.moveFirst();
    const QString number = texts.value(QStringLiteral("numero"));
    if (number.isEmpty())
        throw StoreError(QStringLiteral("Le texte « %1 » n'a pas reçu de numéro dans la base "
                                        "d'analyse.")
                             .arg(textPath));
    return number;
}

Result storeSegments(const QString &textPath, RecordSource &segments,
                     const QString &textNumber, const Progress &progress)
{
    const QString numtexte = QStringLiteral("numtexte");
    const QString texte = QStringLiteral("texte");
    textfile::TextReader reader(textPath);

    segmentation::Segmenter::LineHook onLine;
    if (progress)
        onLine = [&progress](qint64 lines) { progress(segmentation::progressAfterLines(lines)); };
    segmentation::Segmenter segmenter(
        [&](const QString &segment) {
            segments.addNew();
            segments.setValue(numtexte, textNumber);
            segments.setValue(texte, segment);
            segments.update();
        },
        onLine);

    QString piece;
    while (reader.next(piece))
        segmenter.feed(piece);
    segmenter.finish();

    Result r;
    r.bytes = reader.size();
    r.segments = segmenter.segments();
    return r;
}

Result takeInNewText(const QString &textPath, const QString &databasePath,
                     const Progress &progress)
{
    const QString connection = connstr::build(databasePath);
    std::shared_ptr<Connection> db = Connection::open(databasePath);

    RecordSource texts(QStringLiteral("data2"));
    RecordSource segments(QStringLiteral("data1"));
    texts.setConnectionString(connection);
    segments.setConnectionString(connection);
    texts.setConnection(db);
    segments.setConnection(db);

    db->begin();
    try {
        texts.setRecordSource(textStatement(textPath));
        texts.refresh();
        const QString number = addText(texts, textPath);
        segments.setRecordSource(segmentsStatement(number));
        segments.refresh();
        Result r = storeSegments(textPath, segments, number, progress);
        db->commit();
        return r;
    } catch (...) {
        db->rollback();
        throw;
    }
}

} // namespace takein
