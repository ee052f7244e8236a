#include "analysis/batchtakein.h"

#include "analysis/nestedtakein.h"
#include "analysis/starredcorpus.h"
#include "analysis/textattributes.h"
#include "analysis/textfile.h"
#include "exchange/documentreader.h"
#include "store/connection.h"
#include "store/schemaversion.h"
#include "store/storeerror.h"

#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSet>
#include <QUtf8StringView>
#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>

namespace batch {

namespace {

using takein::Utf8Source;

// A converted document handed to the take-in in pieces, one paragraph per
// line.
class BufferSource : public Utf8Source
{
public:
    explicit BufferSource(QByteArray text) : m_text(std::move(text)) {}
    bool next(QByteArray &piece) override
    {
        if (m_done >= m_text.size())
            return false;
        const qsizetype n = qMin<qsizetype>(kPiece, m_text.size() - m_done);
        piece = m_text.mid(m_done, n);
        m_done += n;
        return true;
    }
    qint64 size() const override { return m_text.size(); }
    bool paragraphs() const override { return true; }

private:
    static constexpr qsizetype kPiece = 1 << 20;
    QByteArray m_text;
    qsizetype m_done = 0;
};

// Whether the folder holds an entry whose name, not UTF-8, reads as `name`
// once its bytes that are not are replaced (as the program receives it).
bool holdsNameNotUtf8(const QString &folder, const QString &name)
{
    DIR *dir = ::opendir(QFile::encodeName(folder.isEmpty() ? QStringLiteral("/") : folder)
                             .constData());
    if (!dir)
        return false;
    bool found = false;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray bytes(entry->d_name);
        if (!QUtf8StringView(bytes).isValidUtf8() && QFile::decodeName(bytes) == name) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// Whether the path stands for a file whose name (or a folder's on the way)
// is not UTF-8: the program cannot reach it under the path it received,
// which is not the file's.
bool nameNotUtf8(const QString &path)
{
    if (!path.contains(QChar::ReplacementCharacter) || QFileInfo::exists(path))
        return false;
    const QStringList parts = QDir::cleanPath(path).split(QLatin1Char('/'));
    QString folder;
    for (int i = 0; i < parts.size(); ++i) {
        if (i == 0 && parts.at(0).isEmpty())
            continue; // the root of an absolute path
        const QString here = i == 0 ? parts.at(0) : folder + QLatin1Char('/') + parts.at(i);
        if (!QFileInfo::exists(here))
            return parts.at(i).contains(QChar::ReplacementCharacter)
                   && holdsNameNotUtf8(i == 0 ? QStringLiteral(".")
                                              : (folder.isEmpty() ? QStringLiteral("/") : folder),
                                       parts.at(i));
        folder = here;
    }
    return false;
}

// The entries of a folder (and of its subfolders when asked) whose names are
// not UTF-8, which the folder's listing leaves out: they are kept so that
// their refusal is told. Hidden ones are left out, as in the listing.
void addNamesNotUtf8(const QString &folder, bool subfolders, QStringList &out)
{
    const QByteArray raw = QFile::encodeName(folder);
    DIR *dir = ::opendir(raw.constData());
    if (!dir)
        return;
    QStringList inside;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray bytes(entry->d_name);
        if (bytes.startsWith('.'))
            continue;
        const QString path = folder + QLatin1Char('/') + QFile::decodeName(bytes);
        if (!QUtf8StringView(bytes).isValidUtf8()) {
            if (!out.contains(path))
                out << path;
            continue;
        }
        struct stat info {};
        if (subfolders && ::lstat((raw + '/' + bytes).constData(), &info) == 0
            && S_ISDIR(info.st_mode))
            inside << path;
    }
    ::closedir(dir);
    for (const QString &sub : inside)
        addNamesNotUtf8(sub, subfolders, out);
}

// Runs `work` under a savepoint of its own: on a failure everything it
// wrote is undone before the exception goes on, and the transaction stays
// open (unless SQLite itself ended it).
template <typename Work>
void underSavepoint(Connection &db, Work work)
{
    db.exec(QStringLiteral("SAVEPOINT fichier"));
    try {
        work();
        db.exec(QStringLiteral("RELEASE fichier"));
    } catch (...) {
        if (db.inTransaction()) {
            try {
                db.exec(QStringLiteral("ROLLBACK TO fichier"));
                db.exec(QStringLiteral("RELEASE fichier"));
            } catch (const StoreError &) {
                db.rollback();
            }
        }
        throw;
    }
}

// The attributes a document declares of itself, never replacing a value
// the text has already.
void writeMetadata(Connection &db, qint64 text, const exchange::Metadata &metadata)
{
    textattributes::Writer writer(db);
    const std::pair<QString, QString> declared[] = {
        {QStringLiteral("titre"), textattributes::fitted(metadata.title)},
        {QStringLiteral("auteur"), textattributes::fitted(metadata.author)},
        {QStringLiteral("date"), exchange::dayOf(metadata.date)},
    };
    for (const auto &[name, value] : declared)
        if (!value.isEmpty())
            writer.set(text, name, value, false);
}

void sortByName(QStringList &paths)
{
    QCollator collator;
    collator.setNumericMode(true);
    std::sort(paths.begin(), paths.end(),
              [&](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
}

} // namespace

int Summary::count(Status status) const
{
    return int(std::count_if(outcomes.begin(), outcomes.end(),
                             [status](const Outcome &o) { return o.status == status; }));
}

qint64 Summary::layoutOmitted() const
{
    qint64 n = 0;
    for (const Outcome &o : outcomes)
        if (o.status == Status::Added)
            n += o.layoutOmitted;
    return n;
}

QStringList expand(const QStringList &paths, bool subfolders, QStringList *metInFolders)
{
    QStringList files;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            files << QDir::cleanPath(info.absoluteFilePath());
            continue;
        }
        QStringList found;
        QDirIterator it(info.absoluteFilePath(), QDir::Files | QDir::NoDotAndDotDot,
                        subfolders ? QDirIterator::Subdirectories : QDirIterator::NoIteratorFlags);
        while (it.hasNext())
            found << QDir::cleanPath(it.next());
        addNamesNotUtf8(QDir::cleanPath(info.absoluteFilePath()), subfolders, found);
        sortByName(found);
        files += found;
        if (metInFolders)
            *metInFolders += found;
    }
    return files;
}

Summary takeIn(Connection &db, const QStringList &files,
               const std::function<void(const Progress &)> &progress,
               const std::function<void(const Outcome &)> &outcome,
               const std::function<bool()> &stop, const Options &options)
{
    const QSet<QString> inFolders(options.metInFolders.begin(), options.metInFolders.end());
    Summary summary;
    Progress p;
    p.total = int(files.size());
    std::vector<qint64> sizes;
    for (const QString &file : files) {
        const QFileInfo info(file);
        sizes.push_back(info.isFile() ? info.size() : 0);
        p.bytesTotal += sizes.back();
    }

    // Texts are taken in under savepoints of a transaction committed at
    // least once a second: each text stays all or nothing, and a short text
    // does not pay the disk's synchronisations (four per commit) alone. An
    // outcome is told only once its text is committed.
    std::vector<Outcome> pending;
    QElapsedTimer group;
    const auto flush = [&] {
        for (Outcome &o : pending) {
            summary.outcomes.push_back(o);
            if (outcome)
                outcome(o);
        }
        pending.clear();
    };
    // What the group had added is lost when its transaction is.
    const auto lose = [&](const QString &cause) {
        for (Outcome &o : pending)
            if (o.status == Status::Added) {
                o.status = Status::Failed;
                o.segments = 0;
                o.cause = cause;
            }
    };
    const auto commit = [&] {
        if (db.inTransaction()) {
            try {
                db.commit();
            } catch (const StoreError &e) {
                db.rollback();
                lose(e.message());
            }
        }
        flush();
    };

    // Attributes are written to a file of the current version: an older
    // one is brought up to date first (tables added, those of the texts
    // untouched), between two commits of the batch.
    const auto requireAttributes = [&] {
        if (schema::version(db) >= 3)
            return;
        commit();
        schema::upgrade(db);
        db.begin();
        group.start();
    };

    // An Iramuteq corpus: one text per starred line, each recorded as the
    // file's path followed by "#1", "#2"..., with the line's attributes; all
    // of them or none. Nothing when its first text is recorded already.
    const auto takeInCorpus = [&](Utf8Source &file, const QString &path,
                                  const std::function<void(qint64 bytesRead)> &told) {
        std::vector<Outcome> texts;
        if (takein::isRecorded(db, path + QStringLiteral("#1")))
            return texts;
        requireAttributes();
        underSavepoint(db, [&] {
            starred::Corpus corpus(file);
            textattributes::Writer writer(db);
            try {
                while (corpus.next()) {
                    Outcome t;
                    t.path = path + QStringLiteral("#%1").arg(texts.size() + 1);
                    const takein::Result r = takeInTextNested(
                        db, t.path, corpus.text(), [&](qint64) { told(corpus.bytesRead()); },
                        stop);
                    for (const starred::Attribute &a : corpus.attributes())
                        writer.set(r.text, a.name, a.value, true);
                    t.status = Status::Added;
                    t.segments = r.segments;
                    texts.push_back(t);
                }
            } catch (const starred::Fault &f) {
                throw StoreError(f.message());
            }
        });
        return texts;
    };

    // The analysis itself and the template are never texts (by identity).
    const std::vector<textfile::Refused> refused = takein::refusedFiles(db.path());
    qint64 before = 0; // bytes of the files finished
    for (int i = 0; i < files.size(); ++i) {
        if (stop && stop()) {
            summary.notBegun = int(files.size()) - i;
            break;
        }
        Outcome o;
        o.path = QDir::cleanPath(QFileInfo(files.at(i)).absoluteFilePath());
        p.index = i;
        p.current = o.path;
        p.bytesDone = before;
        if (progress)
            progress(p);
        bool stopped = false;
        // The texts of an Iramuteq corpus, told in place of their file.
        std::vector<Outcome> texts;
        try {
            if (!db.inTransaction()) {
                db.begin();
                group.start();
            }
            if (nameNotUtf8(o.path)) {
                o.cause = QStringLiteral("le nom du fichier n'est pas en UTF-8 : renommez-le");
            } else if (takein::isRecorded(db, o.path)) {
                o.status = Status::AlreadyPresent;
            } else {
                const exchange::Detection detection = exchange::detect(o.path);
                std::unique_ptr<Utf8Source> source;
                exchange::Metadata metadata;
                if (detection.format == exchange::Format::Unknown) {
                    o.cause = detection.error;
                    if (!detection.document && inFolders.contains(files.at(i)))
                        o.status = Status::Skipped;
                } else if (detection.format == exchange::Format::Text) {
                    // Exactly as the analysis window reads a text file.
                    auto text = std::make_unique<starred::PeekedSource>(
                        std::make_unique<takein::TextFileSource>(o.path, refused));
                    if (text->starred()) {
                        const qint64 fileSize = sizes[size_t(i)];
                        const qint64 textSize = text->size();
                        texts = takeInCorpus(*text, o.path, [&](qint64 done) {
                            if (!progress)
                                return;
                            p.bytesDone = before
                                          + (textSize > 0 ? qMin(fileSize, fileSize * done / textSize)
                                                          : 0);
                            progress(p);
                        });
                        o.status = texts.empty() ? Status::AlreadyPresent : Status::Added;
                    } else {
                        source = std::move(text);
                    }
                } else {
                    // The conversion tells its progress (the window stays alive
                    // and "Arrêter" is honoured) while it works.
                    const std::unique_ptr<exchange::DocumentReader> reader =
                        exchange::readerFor(detection.format);
                    reader->setKeepLayout(options.keepLayout);
                    const exchange::Document doc = reader->read(o.path, [&] {
                        if (progress)
                            progress(p);
                        return stop && stop();
                    });
                    if (doc.stopped)
                        throw takein::Stopped();
                    if (doc.ok()) {
                        source = std::make_unique<BufferSource>(exchange::plainText(doc.paragraphs));
                        o.layoutOmitted = doc.layoutOmitted;
                        metadata = doc.metadata;
                    } else
                        o.cause = doc.error;
                }
                if (source) {
                    const qint64 fileSize = sizes[size_t(i)];
                    const qint64 sourceSize = source->size();
                    const auto told = [&](qint64 done) {
                        if (!progress)
                            return;
                        p.bytesDone = before
                                      + (sourceSize > 0 ? qMin(fileSize, fileSize * done / sourceSize)
                                                        : 0);
                        progress(p);
                    };
                    takein::Result r;
                    if (metadata.isEmpty()) {
                        r = takeInTextNested(db, o.path, *source, told, stop);
                    } else {
                        requireAttributes();
                        underSavepoint(db, [&] {
                            r = takeInTextNested(db, o.path, *source, told, stop);
                            writeMetadata(db, r.text, metadata);
                        });
                    }
                    o.status = Status::Added;
                    o.segments = r.segments;
                }
            }
        } catch (const takein::Stopped &) {
            o.status = Status::Stopped;
            stopped = true;
        } catch (const textfile::ReadError &e) {
            o.cause = e.message();
        } catch (const StoreError &e) {
            o.cause = e.message();
        } catch (const std::bad_alloc &) {
            o.cause = QStringLiteral("la mémoire manque pour lire ce texte");
        }
        if (!db.inTransaction()) {
            // SQLite ended the transaction on that failure; after a write
            // the disk refused, the file is put back as it was at once.
            db.rollback();
            lose(o.cause);
        }
        before += sizes[size_t(i)];
        if (o.status == Status::Added && !texts.empty())
            pending.insert(pending.end(), texts.begin(), texts.end());
        else
            pending.push_back(o);
        if (stopped) {
            summary.notBegun = int(files.size()) - i - 1;
            break;
        }
        if (!db.inTransaction() || group.elapsed() >= kGroupMilliseconds)
            commit();
    }
    commit();
    return summary;
}

} // namespace batch
