#include "analysis/takein.h"

#include "analysis/segmenter.h"
#include "store/connection.h"
#include "store/connectionstring.h"
#include "store/recordsource.h"
#include "store/storeerror.h"
#include "store/templatecopy.h"

#include <QCoreApplication>

namespace takein {

namespace {

// A record source may share a connection it does not own: the caller's
// connection outlives every record source made here.
std::shared_ptr<Connection> borrowed(Connection &db)
{
    return std::shared_ptr<Connection>(std::shared_ptr<Connection>(), &db);
}

} // namespace

QString Stopped::message()
{
    return QStringLiteral("La prise du texte a été arrêtée ; rien n'en a été enregistré.");
}

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

std::vector<textfile::Refused> refusedFiles(const QString &databasePath)
{
    std::vector<textfile::Refused> refused;
    refused.push_back({databasePath, QStringLiteral("la base d'analyse elle-même")});
    if (QCoreApplication::instance())
        refused.push_back({templatePathIn(QCoreApplication::applicationDirPath()),
                           QStringLiteral("le modèle des bases d'analyse")});
    return refused;
}

TextFileSource::TextFileSource(const QString &path, const Connection &db)
    : m_reader(path, refusedFiles(db.path()))
{
}

TextFileSource::TextFileSource(const QString &path, const std::vector<textfile::Refused> &refused,
                               qint64 blockSize)
    : m_reader(path, refused, blockSize)
{
}

Result storeSegments(Utf8Source &source, RecordSource &segments, const QString &textNumber,
                     const Progress &lineProgress, const BytesProgress &bytesProgress,
                     const StopRequest &stop)
{
    const QString numtexte = QStringLiteral("numtexte");
    const QString texte = QStringLiteral("texte");

    segmentation::Segmenter::LineHook onLine;
    if (lineProgress)
        onLine = [&lineProgress](qint64 lines) {
            lineProgress(segmentation::progressAfterLines(lines));
        };
    segmentation::Segmenter segmenter(
        [&](QByteArrayView segment) {
            segments.addNew();
            segments.setValue(numtexte, textNumber);
            segments.setValueUtf8(texte, segment);
            segments.update();
        },
        onLine);
    segmenter.setLineEndsSentence(source.paragraphs());
    // A segment the store cannot hold ends the work as soon as it is certain,
    // before it is gathered whole in memory.
    const qint64 limit = segments.valueLimit();
    if (limit >= 0)
        segmenter.setLimit(qsizetype(limit));

    Result r;
    QByteArray piece;
    try {
        for (;;) {
            if (stop && stop())
                throw Stopped();
            if (!source.next(piece))
                break;
            segmenter.feed(piece);
            r.bytes += piece.size();
            if (bytesProgress)
                bytesProgress(r.bytes);
        }
        segmenter.finish();
    } catch (const segmentation::SegmentTooLong &e) {
        throw StoreError(
            QStringLiteral("Une phrase du texte dépasse %L1 octets, la longueur la plus grande "
                           "que la base d'analyse puisse enregistrer : le texte n'a sans doute "
                           "ni point, ni point d'exclamation, ni point d'interrogation sur une "
                           "telle longueur.")
                .arg(qint64(e.limit())));
    }
    r.segments = segmenter.segments();
    return r;
}

bool isRecorded(Connection &db, const QString &path)
{
    RecordSource texts(QStringLiteral("data2"));
    texts.setConnection(borrowed(db));
    texts.setRecordSource(textStatement(path));
    texts.refresh();
    return texts.recordCount() > 0;
}

Result recordAndStore(Connection &db, const QString &recordedPath, Utf8Source &source,
                      const BytesProgress &progress, const StopRequest &stop, bool refuseRecorded)
{
    const std::shared_ptr<Connection> connection = borrowed(db);
    const QString connectionString = connstr::build(db.path());
    // The record sources end here, before the caller's transaction or
    // savepoint does (on a failure too), so that its rollback puts the file
    // back at once.
    RecordSource texts(QStringLiteral("data2"));
    RecordSource segments(QStringLiteral("data1"));
    texts.setConnectionString(connectionString);
    segments.setConnectionString(connectionString);
    texts.setConnection(connection);
    segments.setConnection(connection);
    texts.setRecordSource(textStatement(recordedPath));
    texts.refresh();
    if (refuseRecorded && texts.recordCount() > 0)
        throw StoreError(QStringLiteral("Le texte « %1 » est déjà dans la base d'analyse "
                                        "« %2 » : il n'est pas repris.")
                             .arg(recordedPath, db.path()));
    const QString number = addText(texts, recordedPath);
    segments.setRecordSource(segmentsStatement(number));
    segments.refresh();
    Result r = storeSegments(source, segments, number, {}, progress, stop);
    r.text = number.toLongLong();
    return r;
}

Result takeInText(Connection &db, const QString &recordedPath, Utf8Source &source,
                  const std::function<void(qint64 bytesDone)> &progress,
                  const std::function<bool()> &stop)
{
    db.begin();
    try {
        Result r = recordAndStore(db, recordedPath, source, progress, stop, true);
        db.commit();
        return r;
    } catch (...) {
        db.rollback();
        throw;
    }
}

Result takeInNewText(const QString &textPath, const QString &databasePath,
                     const BytesProgress &progress)
{
    std::shared_ptr<Connection> db = Connection::open(databasePath);
    TextFileSource source(textPath, *db);
    return takeInText(*db, textPath, source, progress);
}

} // namespace takein
