#include "exchange/refiqdaimport.h"

#include "analysis/nestedtakein.h"
#include "analysis/takein.h"
#include "analysis/textfile.h"
#include "store/codebookstore.h"
#include "store/connection.h"
#include "store/exchangestore.h"
#include "store/storeerror.h"

#include <algorithm>
#include <map>

namespace refiqda {
namespace {

// A text in memory handed to the take-in in pieces.
class MemorySource : public takein::Utf8Source
{
public:
    explicit MemorySource(const QString &text) : m_bytes(text.toUtf8()) {}
    bool next(QByteArray &piece) override
    {
        if (m_at >= m_bytes.size())
            return false;
        const qsizetype n = std::min<qsizetype>(kPiece, m_bytes.size() - m_at);
        piece = m_bytes.mid(m_at, n);
        m_at += n;
        return true;
    }
    qint64 size() const override { return m_bytes.size(); }

private:
    static constexpr qsizetype kPiece = 1 << 20;
    QByteArray m_bytes;
    qsizetype m_at = 0;
};

using ValueNumbers = std::map<QString, std::pair<int, qint64>>; // code guid → list, value

// Names the lists after their codes and makes the values; inside the
// caller's transaction.
ValueNumbers placeCodes(Connection &db, const std::vector<Code> &codes, const Placement &placement,
                        ImportReport &report)
{
    if (placement.nameLists) {
        for (size_t i = 0; i < codes.size() && i < placement.listOfTopCode.size(); ++i) {
            const int list = placement.listOfTopCode[i];
            if (list >= 1 && list <= exchangestore::kLists && !codes[i].name.trimmed().isEmpty())
                codebook::setListName(db, list, codes[i].name.left(255));
        }
    }
    ValueNumbers numbers;
    std::map<std::pair<int, QString>, qint64> made;
    for (const auto &[guid, target] : valueTargets(codes, placement)) {
        if (target.value.isEmpty())
            continue;
        const auto key = std::make_pair(target.list, target.value);
        auto it = made.find(key);
        if (it == made.end()) {
            const bool there = exchangestore::findValue(db, target.list, target.value).has_value();
            const qint64 numero =
                exchangestore::ensureValue(db, target.list, target.value, target.definition);
            ++(there ? report.valuesAlreadyThere : report.valuesAdded);
            it = made.emplace(key, numero).first;
        }
        numbers.emplace(guid, std::make_pair(target.list, it->second));
    }
    return numbers;
}

void checkPlacement(const std::vector<Code> &codes, const Placement &placement)
{
    if (placement.listOfTopCode.size() != codes.size())
        throw StoreError(QStringLiteral("Les codes de premier niveau sont plus de cinq : il faut "
                                        "choisir la liste de chacun."));
}

} // namespace

QStringList ImportReport::lines() const
{
    QStringList l;
    if (textsAdded || !textsAlreadyThere.isEmpty() || otherSources)
        l << QStringLiteral("Textes ajoutés : %1").arg(textsAdded);
    for (const QString &name : textsAlreadyThere)
        l << QStringLiteral("Texte déjà présent, laissé tel quel : %1").arg(name);
    if (otherSources)
        l << QStringLiteral("Sources non textuelles ou hors de l'archive, non importées : %1")
                 .arg(otherSources);
    if (sourceCodings)
        l << QStringLiteral("Codages de sources entières, non importés : %1").arg(sourceCodings);
    l << QStringLiteral("Valeurs ajoutées aux listes : %1").arg(valuesAdded);
    if (valuesAlreadyThere)
        l << QStringLiteral("Valeurs déjà présentes : %1").arg(valuesAlreadyThere);
    if (selections) {
        l << QStringLiteral("Sélections codées : %1").arg(selections);
        l << QStringLiteral("Lignes de codage ajoutées : %1").arg(rowsAdded);
    }
    if (selectionsNotWhole)
        l << QStringLiteral("Sélections ne couvrant pas des segments entiers (leurs segments "
                            "sont codés en entier) : %1")
                 .arg(selectionsNotWhole);
    if (selectionsOutside)
        l << QStringLiteral("Sélections hors des segments, non importées : %1").arg(selectionsOutside);
    if (selectionsOnTextsThere)
        l << QStringLiteral("Sélections des textes déjà présents, non importées : %1")
                 .arg(selectionsOnTextsThere);
    if (codingsNotPlaced)
        l << QStringLiteral("Codages de codes placés dans aucune liste, non importés : %1")
                 .arg(codingsNotPlaced);
    return l;
}

QString importCodebook(Connection &db, const std::vector<Code> &codes, const Placement &placement,
                       ImportReport &report)
{
    try {
        checkPlacement(codes, placement);
        db.begin();
        try {
            placeCodes(db, codes, placement, report);
            db.commit();
        } catch (...) {
            db.rollback();
            throw;
        }
    } catch (const StoreError &e) {
        report = ImportReport();
        return e.message();
    }
    return QString();
}

QString stoppedMessage()
{
    return QStringLiteral("L'importation du projet a été arrêtée ; rien n'en a été enregistré.");
}

QString importProject(Connection &db, const Project &project, const Placement &placement,
                      ImportReport &report, const Progress &progress, const StopRequest &stop)
{
    const int total = 2 * int(project.sources.size());
    int done = 0;
    const auto step = [&] {
        if (progress)
            progress(done, total);
        if (stop && stop())
            throw takein::Stopped();
    };
    try {
        checkPlacement(project.codes, placement);
        step();
        // All of it or nothing: the texts, the values and the coding rows
        // share one transaction, each text under a savepoint of its own.
        db.begin();
        try {
            std::vector<std::pair<const Source *, qint64>> added; // source, its text number
            for (const Source &source : project.sources) {
                const QString name = source.name.trimmed().isEmpty() ? source.guid : source.name;
                if (takein::isRecorded(db, name)) {
                    report.textsAlreadyThere << name;
                    for (const Selection &selection : source.selections)
                        if (!selection.codings.empty())
                            ++report.selectionsOnTextsThere;
                } else {
                    MemorySource text(source.text);
                    takein::takeInTextNested(
                        db, name, text,
                        [&](qint64) {
                            if (progress)
                                progress(done, total);
                        },
                        stop);
                    const auto number = exchangestore::textNumber(db, name);
                    if (!number)
                        throw StoreError(QStringLiteral("Le texte « %1 » n'a pas été retrouvé "
                                                        "après son enregistrement.")
                                             .arg(name));
                    added.emplace_back(&source, *number);
                    ++report.textsAdded;
                }
                ++done;
                step();
            }
            done = int(project.sources.size()) + int(project.sources.size() - added.size());

            const ValueNumbers numbers = placeCodes(db, project.codes, placement, report);
            exchangestore::CodingRowWriter rowWriter(db);
            for (const auto &[source, textNumber] : added) {
                const std::vector<exchangestore::Segment> segments =
                    exchangestore::segments(db, textNumber);
                std::vector<QString> texts;
                texts.reserve(segments.size());
                for (const auto &s : segments)
                    texts.push_back(s.text);
                const auto ranges = alignSegments(source->text, texts);
                for (const Selection &selection : source->selections) {
                    if (selection.codings.empty())
                        continue;
                    ++report.selections;
                    // The selection's values, by list.
                    std::array<std::vector<qint64>, exchangestore::kLists> values;
                    for (const QString &code : selection.codings) {
                        const auto n = numbers.find(code);
                        if (n == numbers.end()) {
                            ++report.codingsNotPlaced;
                            continue;
                        }
                        auto &v = values[size_t(n->second.first - 1)];
                        if (std::find(v.begin(), v.end(), n->second.second) == v.end())
                            v.push_back(n->second.second);
                    }
                    size_t rows = 0;
                    for (const auto &v : values)
                        rows = std::max(rows, v.size());
                    if (rows == 0)
                        continue;
                    std::vector<size_t> covered;
                    for (size_t i = 0; i < ranges.size(); ++i) {
                        if (ranges[i].first >= 0 && ranges[i].first < selection.end
                            && ranges[i].second > selection.start)
                            covered.push_back(i);
                    }
                    if (covered.empty()) {
                        ++report.selectionsOutside;
                        continue;
                    }
                    if (selection.start > ranges[covered.front()].first
                        || selection.end < ranges[covered.back()].second)
                        ++report.selectionsNotWhole;
                    for (size_t r = 0; r < rows; ++r) {
                        std::array<qint64, exchangestore::kLists> row;
                        for (int k = 0; k < exchangestore::kLists; ++k) {
                            const auto &v = values[size_t(k)];
                            row[size_t(k)] = r < v.size() ? v[r] : 1;
                        }
                        for (size_t i : covered) {
                            rowWriter.add(segments[i].numero, row);
                            ++report.rowsAdded;
                        }
                    }
                }
                ++done;
                step();
            }
            db.commit();
        } catch (...) {
            db.rollback();
            throw;
        }
    } catch (const StoreError &e) {
        report = ImportReport();
        return e.message();
    } catch (const textfile::ReadError &e) {
        report = ImportReport();
        return e.message();
    } catch (const takein::Stopped &) {
        report = ImportReport();
        return stoppedMessage();
    } catch (const std::bad_alloc &) {
        report = ImportReport();
        return QStringLiteral("La mémoire manque pour importer ce projet ; rien n'en a été "
                              "enregistré.");
    }
    return QString();
}

} // namespace refiqda
