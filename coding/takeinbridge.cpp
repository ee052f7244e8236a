#include "coding/takeinbridge.h"

#include "analysis/segmenter.h"
#include "analysis/textfile.h"
#include "store/connection.h"
#include "store/connectionstring.h"
#include "store/recordsource.h"
#include "store/storeerror.h"

#include <QStringDecoder>
#include <sqlite3.h>

namespace coding::bridge {

namespace {

class TextFileSource : public Utf8Source
{
public:
    explicit TextFileSource(const QString &path) : m_reader(path) {}
    bool next(QByteArray &piece) override
    {
        QString text;
        if (!m_reader.next(text))
            return false;
        piece = text.toUtf8();
        return true;
    }
    qint64 size() const override { return m_reader.size(); }

private:
    textfile::TextReader m_reader;
};

} // namespace

std::unique_ptr<Utf8Source> textFileSource(const QString &path)
{
    return std::make_unique<TextFileSource>(path);
}

bool isRecorded(Connection &db, const QString &path)
{
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db.handle(), "select 1 from chemin where chemin = ?1", -1, &stmt,
                           nullptr)
        != SQLITE_OK)
        throw StoreError(QStringLiteral("La liste des textes ne peut pas être lue."));
    const QByteArray p = path.toUtf8();
    sqlite3_bind_text(stmt, 1, p.constData(), int(p.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw StoreError(QStringLiteral("La liste des textes ne peut pas être lue."));
    return rc == SQLITE_ROW;
}

takein::Result takeInTextNested(Connection &db, const QString &recordedPath, Utf8Source &source,
                                const std::function<void(qint64)> &progress,
                                const std::function<bool()> &stop)
{
    std::shared_ptr<Connection> shared(&db, [](Connection *) {});
    RecordSource texts(QStringLiteral("data2"));
    RecordSource segments(QStringLiteral("data1"));
    texts.setConnectionString(connstr::build(db.path()));
    segments.setConnectionString(connstr::build(db.path()));
    texts.setConnection(shared);
    segments.setConnection(shared);
    db.exec(QStringLiteral("SAVEPOINT texte"));
    try {
        texts.setRecordSource(takein::textStatement(recordedPath));
        texts.refresh();
        const QString number = takein::addText(texts, recordedPath);
        segments.setRecordSource(takein::segmentsStatement(number));
        segments.refresh();
        segmentation::Segmenter segmenter([&](const QString &segment) {
            segments.addNew();
            segments.setValue(QStringLiteral("numtexte"), number);
            segments.setValue(QStringLiteral("texte"), segment);
            segments.update();
        });
        QStringDecoder decoder(QStringDecoder::Utf8);
        QByteArray piece;
        qint64 done = 0;
        while (source.next(piece)) {
            if (stop && stop())
                throw Stopped();
            segmenter.feed(QString(decoder.decode(piece)));
            done += piece.size();
            if (progress)
                progress(done);
        }
        segmenter.finish();
        db.exec(QStringLiteral("RELEASE texte"));
        takein::Result r;
        r.bytes = done;
        r.segments = segmenter.segments();
        return r;
    } catch (...) {
        if (db.inTransaction()) {
            try {
                db.exec(QStringLiteral("ROLLBACK TO texte"));
                db.exec(QStringLiteral("RELEASE texte"));
            } catch (const StoreError &) {
                db.rollback();
            }
        }
        throw;
    }
}

} // namespace coding::bridge
