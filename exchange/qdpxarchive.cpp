#include "exchange/qdpxarchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <map>

namespace refiqda {
namespace {

QString zipCause(zip_error_t *error)
{
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_NOZIP:
        return QStringLiteral("ce n'est pas une archive ZIP");
    case ZIP_ER_INCONS:
    case ZIP_ER_CRC:
    case ZIP_ER_COMPNOTSUPP:
        return QStringLiteral("l'archive est endommagée");
    case ZIP_ER_NOENT:
        return QStringLiteral("le fichier est introuvable");
    case ZIP_ER_OPEN:
    case ZIP_ER_READ:
        return QStringLiteral("le fichier ne peut pas être lu");
    case ZIP_ER_WRITE:
    case ZIP_ER_RENAME:
    case ZIP_ER_TMPOPEN:
    case ZIP_ER_CLOSE:
        return QStringLiteral("le fichier ne peut pas être écrit (disque plein ou droits "
                              "insuffisants)");
    case ZIP_ER_MEMORY:
        return QStringLiteral("la mémoire est insuffisante");
    default:
        return QStringLiteral("erreur d'archive (code %1)").arg(zip_error_code_zip(error));
    }
}

QString zipCause(zip_t *zip)
{
    return zipCause(zip_get_error(zip));
}

// The archive's file, once ZIP is closed or discarded.
class Archive
{
public:
    ~Archive()
    {
        if (m_zip)
            zip_discard(m_zip);
    }
    zip_t *m_zip = nullptr;
};

QString decodeUtf8(const QByteArray &bytes, bool *ok)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    QString text = decoder.decode(data);
    *ok = !decoder.hasError();
    return text;
}

// A path of the archive that stays inside it.
bool safeEntryName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
        || name.contains(QLatin1Char(':')) || name.contains(QChar(0)))
        return false;
    const QStringList parts = name.split(QLatin1Char('/'));
    for (const QString &part : parts) {
        if (part == QLatin1String("..") || part == QLatin1String("."))
            return false;
    }
    return true;
}

} // namespace

QString writeQdpx(const Project &project, const QString &path)
{
    const QFileInfo target(path);
    const QString tmp = target.absoluteDir().filePath(QStringLiteral(".%1.%2.tmp")
                                                          .arg(target.fileName())
                                                          .arg(QCoreApplication::applicationPid()));
    QFile::remove(tmp);
    int error = 0;
    Archive archive;
    archive.m_zip = zip_open(QFile::encodeName(tmp).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive.m_zip) {
        zip_error_t e;
        zip_error_init_with_code(&e, error);
        const QString cause = zipCause(&e);
        zip_error_fini(&e);
        return QStringLiteral("Le projet « %1 » ne peut pas être écrit : %2.").arg(path, cause);
    }
    // The buffers live until the archive is closed.
    std::vector<QByteArray> buffers;
    buffers.reserve(project.sources.size() + 1);
    auto add = [&](const QString &name, QByteArray bytes) {
        buffers.push_back(std::move(bytes));
        const QByteArray &b = buffers.back();
        zip_source_t *source = zip_source_buffer(archive.m_zip, b.constData(), zip_uint64_t(b.size()), 0);
        if (!source)
            return false;
        if (zip_file_add(archive.m_zip, name.toUtf8().constData(), source,
                         ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE)
            < 0) {
            zip_source_free(source);
            return false;
        }
        return true;
    };
    bool ok = add(QStringLiteral("project.qde"), projectXml(project))
              && (project.sources.empty()
                  || zip_dir_add(archive.m_zip, "sources", ZIP_FL_ENC_UTF_8) >= 0);
    for (const Source &source : project.sources) {
        if (!ok)
            break;
        ok = add(QStringLiteral("sources/") + source.guid + QStringLiteral(".txt"),
                 source.text.toUtf8());
    }
    if (!ok) {
        const QString cause = zipCause(archive.m_zip);
        return QStringLiteral("Le projet « %1 » ne peut pas être écrit : %2.").arg(path, cause);
    }
    if (zip_close(archive.m_zip) != 0) {
        const QString cause = zipCause(archive.m_zip);
        QFile::remove(tmp);
        return QStringLiteral("Le projet « %1 » ne peut pas être écrit : %2.").arg(path, cause);
    }
    archive.m_zip = nullptr;
    if (std::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(tmp);
        return QStringLiteral("Le projet « %1 » ne peut pas être écrit : le fichier ne peut pas "
                              "être remplacé.")
            .arg(path);
    }
    return QString();
}

ReadProject readQdpx(const QString &path)
{
    ReadProject result;
    auto fail = [&](const QString &cause) {
        result.error = QStringLiteral("Le projet « %1 » ne peut pas être importé : %2.").arg(path, cause);
        return result;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("le fichier est introuvable"));
    if (!info.isFile())
        return fail(QStringLiteral("ce n'est pas un fichier ordinaire"));

    int error = 0;
    Archive archive;
    archive.m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive.m_zip) {
        zip_error_t e;
        zip_error_init_with_code(&e, error);
        const QString cause = zipCause(&e);
        zip_error_fini(&e);
        return fail(cause);
    }
    zip_t *zip = archive.m_zip;

    // Every entry is checked before anything is read.
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    if (count > kMaxEntries)
        return fail(QStringLiteral("l'archive contient trop de fichiers (%1)").arg(count));
    std::map<QString, zip_uint64_t> entries; // lower-case path → index
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip, zip_uint64_t(i), 0, &st) != 0)
            return fail(zipCause(zip));
        const QString name = QString::fromUtf8(st.name);
        if (!safeEntryName(name))
            return fail(QStringLiteral("l'archive contient un chemin qui en sort (« %1 »)").arg(name));
        const qint64 size = qint64(st.size);
        if (size < 0 || size > kMaxEntrySize)
            return fail(QStringLiteral("le fichier « %1 » de l'archive annonce une taille "
                                       "démesurée")
                            .arg(name));
        if (size > (1 << 20) && st.comp_size > 0 && size / qint64(st.comp_size) > kMaxRatio)
            return fail(QStringLiteral("le fichier « %1 » de l'archive est anormalement compressé")
                            .arg(name));
        total += size;
        if (total > kMaxTotalSize)
            return fail(QStringLiteral("l'archive annonce une taille totale démesurée"));
        entries.emplace(name.toLower(), zip_uint64_t(i));
    }

    auto read = [&](zip_uint64_t index, QByteArray &out) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip, index, 0, &st) != 0)
            return false;
        zip_file_t *file = zip_fopen_index(zip, index, 0);
        if (!file)
            return false;
        out.resize(qsizetype(st.size));
        const zip_int64_t n = zip_fread(file, out.data(), st.size);
        // One byte more must not come: the declared size is the true one.
        char extra;
        const zip_int64_t more = zip_fread(file, &extra, 1);
        const bool ok = n == zip_int64_t(st.size) && more == 0 && zip_fclose(file) == 0;
        return ok;
    };

    const auto qde = entries.find(QStringLiteral("project.qde"));
    if (qde == entries.end())
        return fail(QStringLiteral("l'archive ne contient pas de fichier project.qde à sa racine"));
    QByteArray xml;
    if (!read(qde->second, xml))
        return fail(QStringLiteral("l'archive est endommagée"));
    ParsedProject parsed = parseProject(xml);
    if (!parsed.error.isEmpty())
        return fail(parsed.error);
    result.otherSources = parsed.otherSources;
    result.sourceCodings = parsed.sourceCodings;
    result.notTaken = parsed.notTaken;
    result.project.name = parsed.project.name;
    result.project.origin = parsed.project.origin;
    result.project.users = std::move(parsed.project.users);
    result.project.codes = std::move(parsed.project.codes);
    result.project.variables = std::move(parsed.project.variables);
    result.project.notes = std::move(parsed.project.notes);
    result.project.noteRefs = std::move(parsed.project.noteRefs);
    result.project.noteRefsOf = std::move(parsed.project.noteRefsOf);
    for (size_t i = 0; i < parsed.project.sources.size(); ++i) {
        Source &source = parsed.project.sources[i];
        if (!parsed.inlineText[i]) {
            const QString ref = parsed.plainTextPaths[i];
            const bool internal = ref.startsWith(QLatin1String("internal://"));
            QString name;
            if (internal) {
                name = ref.mid(11);
                if (!safeEntryName(name) || name.contains(QLatin1Char('/')))
                    return fail(QStringLiteral("la source « %1 » désigne un chemin qui sort de "
                                               "l'archive")
                                    .arg(source.name));
            } else {
                // A path elsewhere: its file name, if the archive holds it.
                name = ref.mid(std::max(ref.lastIndexOf(QLatin1Char('/')),
                                        ref.lastIndexOf(QLatin1Char('\\')))
                               + 1);
            }
            const auto entry = name.isEmpty() || !safeEntryName(name)
                                   ? entries.end()
                                   : entries.find(QStringLiteral("sources/") + name.toLower());
            if (entry == entries.end() && !internal) {
                ++result.otherSources; // a text kept outside the archive
                if (!source.selections.empty())
                    result.notTaken[nottaken::kSkippedSelections] += int(source.selections.size());
                continue;
            }
            if (entry == entries.end())
                return fail(QStringLiteral("le texte de la source « %1 » manque dans l'archive")
                                .arg(source.name));
            QByteArray bytes;
            if (!read(entry->second, bytes))
                return fail(QStringLiteral("l'archive est endommagée"));
            bool ok = false;
            source.text = decodeUtf8(bytes, &ok);
            if (!ok)
                return fail(QStringLiteral("le texte de la source « %1 » n'est pas en UTF-8")
                                .arg(source.name));
        }
        result.project.sources.push_back(std::move(source));
    }
    return result;
}

QString writeCodebook(const std::vector<Code> &codes, const QString &origin, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("Le livre de codes « %1 » ne peut pas être écrit : %2.")
            .arg(path, QStringLiteral("le dossier n'est pas accessible en écriture"));
    const QByteArray xml = codebookXml(codes, origin);
    if (file.write(xml) != xml.size() || !file.commit())
        return QStringLiteral("Le livre de codes « %1 » ne peut pas être écrit : %2.")
            .arg(path, QStringLiteral("le disque est plein ou le fichier est protégé"));
    return QString();
}

ParsedCodebook readCodebook(const QString &path)
{
    ParsedCodebook result;
    QFile file(path);
    const QFileInfo info(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        result.error = QStringLiteral("Le livre de codes « %1 » ne peut pas être lu.").arg(path);
        return result;
    }
    if (file.size() > (qint64(64) << 20)) {
        result.error = QStringLiteral("Le livre de codes « %1 » est démesuré.").arg(path);
        return result;
    }
    result = parseCodebook(file.readAll());
    if (!result.error.isEmpty())
        result.error = QStringLiteral("Le livre de codes « %1 » ne peut pas être importé : %2.")
                           .arg(path, result.error);
    return result;
}

} // namespace refiqda
