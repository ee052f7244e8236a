#include "exchange/refiqdaimport.h"
#include "exchange/qdexml.h"

#include "store/attributestore.h"

#include "analysis/nestedtakein.h"
#include "analysis/takein.h"
#include "analysis/textfile.h"
#include "store/codebookstore.h"
#include "store/codercopy.h"
#include "store/connection.h"
#include "store/exchangestore.h"
#include "store/notestore.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

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
        const std::vector<int> used = listsToRename(db, codes, placement);
        for (size_t i = 0; i < codes.size() && i < placement.listOfTopCode.size(); ++i) {
            const int list = placement.listOfTopCode[i];
            if (list < 1 || list > exchangestore::kLists || codes[i].name.trimmed().isEmpty())
                continue;
            if (!placement.renameUsedLists
                && std::find(used.begin(), used.end(), list) != used.end()) {
                if (std::find(report.listsNotRenamed.begin(), report.listsNotRenamed.end(), list)
                    == report.listsNotRenamed.end())
                    report.listsNotRenamed.push_back(list);
                continue;
            }
            codebook::setListName(db, list, codes[i].name.left(255));
        }
    }
    // What the lists cannot hold: the descriptions of first-level codes
    // that are no values, and the codes sent nowhere.
    for (size_t i = 0; i < codes.size(); ++i) {
        const int list = i < placement.listOfTopCode.size() ? placement.listOfTopCode[i] : 0;
        const Code &top = codes[i];
        if (list < 1 || list > exchangestore::kLists) {
            std::vector<const Code *> open{&top};
            while (!open.empty()) {
                const Code *c = open.back();
                open.pop_back();
                ++report.codesNotPlaced;
                for (const Code &child : c->children)
                    open.push_back(&child);
            }
        } else if (!(top.children.empty() && top.codable)
                   && !top.description.trimmed().isEmpty()) {
            ++report.topDescriptions;
        }
    }
    ValueNumbers numbers;
    std::map<std::pair<int, QString>, qint64> made;
    for (const auto &[guid, target] : valueTargets(codes, placement, &report.levelsFolded)) {
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

// Every code guid of the codebook.
std::set<QString> allCodes(const std::vector<Code> &codes)
{
    std::set<QString> all;
    std::vector<const Code *> open;
    for (const Code &c : codes)
        open.push_back(&c);
    while (!open.empty()) {
        const Code *c = open.back();
        open.pop_back();
        all.insert(c->guid);
        for (const Code &child : c->children)
            open.push_back(&child);
    }
    return all;
}

// The UTF-16 index of each code point position (sorted or not), in one walk.
std::vector<qsizetype> utf16Indexes(QStringView text, const std::vector<qint64> &positions)
{
    std::vector<size_t> order(positions.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return positions[a] < positions[b]; });
    std::vector<qsizetype> out(positions.size(), text.size());
    qsizetype i = 0;
    qint64 cp = 0;
    for (size_t k : order) {
        while (cp < positions[k] && i < text.size()) {
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            ++i;
            ++cp;
        }
        out[k] = positions[k] <= 0 ? 0 : i;
    }
    return out;
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber();
}

// Whether UTF-16 index i is a fitting edge of a selection: the text's ends,
// or a place neither inside a word nor inside a CR LF.
bool cleanEdge(QStringView text, qsizetype i)
{
    if (i <= 0 || i >= text.size())
        return true;
    if (text[i - 1] == QLatin1Char('\r') && text[i] == QLatin1Char('\n'))
        return false;
    return !(isWordChar(text[i - 1]) && isWordChar(text[i]));
}

// The positions of the CR LF pairs of a text counted with each pair as one
// character, in order.
std::vector<qint64> crLfPlaces(QStringView text)
{
    std::vector<qint64> places;
    qint64 cp = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
            places.push_back(cp);
            ++i; // the LF counts with its CR
        } else if (text[i].isHighSurrogate() && i + 1 < text.size()
                   && text[i + 1].isLowSurrogate()) {
            ++i;
        }
        ++cp;
    }
    return places;
}

// A position counted with CR LF as one character, in usual code points.
qint64 fromCrLfAsOne(const std::vector<qint64> &places, qint64 position)
{
    return position + qint64(std::lower_bound(places.begin(), places.end(), position) - places.begin());
}

// Where a segment's non-blank characters lie in the text ({-1, -1} for a
// segment not found or made of blanks only).
std::vector<std::pair<qint64, qint64>> inkRanges(QStringView text,
                                                 const std::vector<std::pair<qint64, qint64>> &ranges)
{
    std::vector<qint64> bounds;
    for (const auto &r : ranges) {
        bounds.push_back(std::max<qint64>(r.first, 0));
        bounds.push_back(std::max<qint64>(r.second, 0));
    }
    const std::vector<qsizetype> at = utf16Indexes(text, bounds);
    std::vector<std::pair<qint64, qint64>> ink;
    for (size_t k = 0; k < ranges.size(); ++k) {
        if (ranges[k].first < 0) {
            ink.emplace_back(-1, -1);
            continue;
        }
        qsizetype a = at[2 * k], b = at[2 * k + 1];
        qint64 first = ranges[k].first, last = ranges[k].second;
        // Blanks are one code unit each.
        while (a < b && text[a].isSpace()) {
            ++a;
            ++first;
        }
        while (b > a && text[b - 1].isSpace()) {
            --b;
            --last;
        }
        if (a == b)
            ink.emplace_back(-1, -1);
        else
            ink.emplace_back(first, last);
    }
    return ink;
}

// The name of the k-th source of one name (k >= 2): "a (2).txt".
QString numbered(const QString &name, int k)
{
    const qsizetype slash = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString tag = QStringLiteral(" (%1)").arg(k);
    if (dot > slash + 1)
        return name.left(dot) + tag + name.mid(dot);
    return name + tag;
}

void checkPlacement(const std::vector<Code> &codes, const Placement &placement)
{
    if (placement.listOfTopCode.size() != codes.size())
        throw StoreError(isFlat(codes) && codes.size() <= size_t(exchangestore::kLists)
                             ? QStringLiteral("Le livre de codes n'a qu'un niveau : il faut "
                                              "choisir la liste qui reçoit ses codes.")
                             : QStringLiteral("Les codes de premier niveau sont plus de cinq : il "
                                              "faut choisir la liste de chacun."));
}

// A project without any coding.
Project withoutCodings(const Project &project)
{
    Project p = project;
    for (Source &source : p.sources)
        for (Selection &s : source.selections) {
            s.codings.clear();
            s.codingUsers.clear();
        }
    return p;
}

} // namespace

QStringList ImportReport::lines() const
{
    QStringList l;
    if (!coders.empty()) {
        QStringList named;
        for (const ProjectCoder &c : coders)
            named << QStringLiteral("%1 (%2 %3)")
                         .arg(coderName(c))
                         .arg(c.codings)
                         .arg(c.codings > 1 ? QStringLiteral("codages") : QStringLiteral("codage"));
        l << QStringLiteral("Codeurs du projet : %1").arg(named.join(QStringLiteral(", ")));
    }
    if (!coderTaken.isEmpty())
        l << QStringLiteral("Codage importé : celui de %1 ; codages des autres codeurs, non "
                            "importés : %2")
                 .arg(coderTaken)
                 .arg(otherCodersCodings);
    for (const CoderCopy &c : copies)
        l << QStringLiteral("Copie du codeur %1 : %2 (lignes de codage : %3)")
                 .arg(c.coder, c.path)
                 .arg(c.rows);
    if (!copies.empty())
        l << QStringLiteral("Cette analyse reçoit les textes et les valeurs, sans codage : le "
                            "codage de chaque codeur est dans sa copie.");
    if (textsAdded || !textsAlreadyThere.isEmpty() || otherSources)
        l << QStringLiteral("Textes ajoutés : %1").arg(textsAdded);
    for (const QString &name : textsRenamed)
        l << QStringLiteral("Source de même nom qu'une autre, importée sous un nom à elle : %1")
                 .arg(name);
    for (const QString &name : textsAlreadyThere)
        l << QStringLiteral("Texte déjà présent, laissé tel quel : %1").arg(name);
    for (const QString &name : crLfAsOne)
        l << QStringLiteral("Positions comptant un saut de ligne CR LF pour un caractère, lues "
                            "ainsi : %1")
                 .arg(name);
    if (otherSources)
        l << QStringLiteral("Sources non textuelles ou hors de l'archive, non importées : %1")
                 .arg(otherSources);
    if (sourceCodings)
        l << QStringLiteral("Codages de sources entières, non importés : %1").arg(sourceCodings);
    if (variableValues)
        l << QStringLiteral("Valeurs de variables des sources, devenues attributs des textes : %1")
                 .arg(variableValues);
    if (variableValuesRefused)
        l << QStringLiteral("Valeurs de variables refusées (nom ou valeur trop longs, ou "
                            "variable inconnue) : %1")
                 .arg(variableValuesRefused);
    l << QStringLiteral("Valeurs ajoutées aux listes : %1").arg(valuesAdded);
    if (valuesAlreadyThere)
        l << QStringLiteral("Valeurs déjà présentes : %1").arg(valuesAlreadyThere);
    if (levelsFolded)
        l << QStringLiteral("Niveaux de l'arbre des codes repliés dans les noms des valeurs "
                            "(« parent > code ») : %1")
                 .arg(levelsFolded);
    if (!listsNotRenamed.empty()) {
        QStringList n;
        for (int k : listsNotRenamed)
            n << QString::number(k);
        l << QStringLiteral("Listes déjà nommées ou garnies, laissées sous leur nom : %1")
                 .arg(n.join(QStringLiteral(", ")));
    }
    if (topDescriptions)
        l << QStringLiteral("Descriptions de codes de premier niveau, non importées : %1")
                 .arg(topDescriptions);
    if (codesNotPlaced)
        l << QStringLiteral("Codes placés dans aucune liste, non importés : %1").arg(codesNotPlaced);
    if (selections) {
        l << QStringLiteral("Sélections codées : %1").arg(selections);
        // With copies, each copy's line says the rows it received.
        if (copies.empty())
            l << QStringLiteral("Lignes de codage ajoutées : %1").arg(rowsAdded);
    }
    if (selectionsNotWhole)
        l << QStringLiteral("Sélections ne couvrant pas des segments entiers (leurs segments "
                            "sont codés en entier) : %1")
                 .arg(selectionsNotWhole);
    if (selectionsOutside)
        l << QStringLiteral("Sélections hors des segments, non importées : %1").arg(selectionsOutside);
    if (positionsRefused)
        l << QStringLiteral("Sélections aux positions impossibles (négatives, inversées ou au-delà "
                            "du texte), refusées : %1")
                 .arg(positionsRefused);
    if (selectionsOnTextsThere)
        l << QStringLiteral("Sélections des textes déjà présents, non importées : %1")
                 .arg(selectionsOnTextsThere);
    if (codingsNotPlaced)
        l << QStringLiteral("Codages de codes placés dans aucune liste, non importés : %1")
                 .arg(codingsNotPlaced);
    if (unknownCodeRefs)
        l << QStringLiteral("Codages d'un code absent du livre de codes, refusés : %1")
                 .arg(unknownCodeRefs);
    if (notes)
        l << QStringLiteral("Notes des segments, des textes et de l'analyse — notes : %1")
                 .arg(notes);
    for (const auto &[what, n] : notTaken)
        if (n > 0)
            l << QStringLiteral("Non importé (Telmira ne les tient pas) — %1 : %2").arg(what).arg(n);
    return l;
}

std::vector<ProjectCoder> codersOf(const Project &project)
{
    std::vector<ProjectCoder> coders;
    std::map<QString, size_t> at;
    for (const User &u : project.users) {
        if (at.count(u.guid))
            continue;
        at.emplace(u.guid, coders.size());
        coders.push_back({u.guid, u.name.trimmed().isEmpty() ? u.guid : u.name.trimmed(), 0});
    }
    std::vector<ProjectCoder> unlisted;
    ProjectCoder none;
    for (const Source &source : project.sources)
        for (const Selection &s : source.selections)
            for (size_t i = 0; i < s.codings.size(); ++i) {
                const QString user = codingUser(s, i);
                if (user.isEmpty()) {
                    ++none.codings;
                    continue;
                }
                auto it = at.find(user);
                if (it == at.end()) {
                    it = at.emplace(user, coders.size()).first;
                    coders.push_back({user, user, 0});
                }
                ++coders[it->second].codings;
            }
    // Users who coded nothing are no coders.
    std::vector<ProjectCoder> result;
    for (ProjectCoder &c : coders)
        if (c.codings > 0)
            result.push_back(std::move(c));
    if (none.codings > 0)
        result.push_back(none);
    return result;
}

QString coderName(const ProjectCoder &coder)
{
    return coder.guid.isEmpty() ? QStringLiteral("(codeur non indiqué)") : coder.name;
}

Project withCodingsOf(const Project &project, const QString &guid)
{
    Project p = project;
    for (Source &source : p.sources)
        for (Selection &s : source.selections) {
            std::vector<QString> codings, users;
            for (size_t i = 0; i < s.codings.size(); ++i)
                if (codingUser(s, i) == guid) {
                    codings.push_back(s.codings[i]);
                    users.push_back(codingUser(s, i));
                }
            s.codings = std::move(codings);
            s.codingUsers = std::move(users);
        }
    return p;
}

std::vector<int> listsToRename(Connection &db, const std::vector<Code> &codes,
                               const Placement &placement)
{
    std::vector<int> lists;
    if (!placement.nameLists)
        return lists;
    const auto names = codebook::listNames(db);
    for (size_t i = 0; i < codes.size() && i < placement.listOfTopCode.size(); ++i) {
        const int list = placement.listOfTopCode[i];
        if (list < 1 || list > exchangestore::kLists || codes[i].name.trimmed().isEmpty())
            continue;
        const QString now = names[size_t(list - 1)];
        if (now == codes[i].name.left(255))
            continue;
        if ((now != codebook::defaultListName(list) && !now.isEmpty())
            || exchangestore::valueCount(db, list) > 0)
            if (std::find(lists.begin(), lists.end(), list) == lists.end())
                lists.push_back(list);
    }
    return lists;
}

bool countsCrLfAsOne(QStringView text, const std::vector<Selection> &selections)
{
    if (selections.empty() || !text.contains(u"\r\n"))
        return false;
    const std::vector<qint64> places = crLfPlaces(text);
    const qint64 length = codePoints(text);
    const qint64 shortLength = length - qint64(places.size());
    std::vector<qint64> usual, counted;
    for (const Selection &s : selections) {
        if (s.start < 0 || s.end < s.start || s.end > shortLength)
            return false; // does not fit the shorter count
        usual.push_back(s.start);
        usual.push_back(s.end);
        counted.push_back(fromCrLfAsOne(places, s.start));
        counted.push_back(fromCrLfAsOne(places, s.end));
    }
    for (qsizetype i : utf16Indexes(text, counted))
        if (!cleanEdge(text, i))
            return false;
    for (qsizetype i : utf16Indexes(text, usual))
        if (!cleanEdge(text, i))
            return true;
    return false;
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

namespace {

// The variables of the added sources become the attributes of their texts
// (an attribute of the same name, whatever its case, is the same one).
void takeVariables(Connection &db, const Project &project,
                   const std::vector<std::tuple<const Source *, qint64, QString>> &added,
                   ImportReport &report)
{
    std::map<QString, const Variable *> variables;
    for (const Variable &v : project.variables)
        variables.emplace(v.guid, &v);
    std::map<QString, qint64> numbers; // by variable guid
    for (const auto &[source, textNumber, name] : added) {
        for (const VariableValue &value : source->variables) {
            const auto variable = variables.find(value.variable);
            if (variable == variables.end() || !attributes::nameFault(variable->second->name).isEmpty()) {
                ++report.variableValuesRefused;
                continue;
            }
            QString text = value.value;
            if (variable->second->type == u"Boolean")
                text = text == u"true" || text == u"1" ? QStringLiteral("oui") : QStringLiteral("non");
            if (!attributes::valueFault(text).isEmpty()) {
                ++report.variableValuesRefused;
                continue;
            }
            auto number = numbers.find(value.variable);
            if (number == numbers.end()) {
                const auto existing = attributes::find(db, variable->second->name);
                number = numbers
                             .emplace(value.variable,
                                      existing ? existing->number
                                               : attributes::add(db, variable->second->name))
                             .first;
            }
            attributes::setValue(db, number->second, textNumber, text);
            ++report.variableValues;
        }
    }
}

} // namespace

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
        report.coders = codersOf(project);
        if (report.coders.size() == 1 && report.coders.front().guid.isEmpty())
            report.coders.clear(); // nobody named: nothing to say
        step();
        // All of it or nothing: the texts, the values and the coding rows
        // share one transaction, each text under a savepoint of its own.
        db.begin();
        try {
            std::vector<std::tuple<const Source *, qint64, QString>> added; // source, text number, name
            std::map<QString, int> met;  // how many sources of each name so far
            std::set<QString> takenHere; // names of the texts this import added
            for (const Source &source : project.sources) {
                const QString given = source.name.trimmed().isEmpty() ? source.guid : source.name;
                // The k-th source of one name is "name (k)", the first free
                // number among the texts this import adds.
                QString name = given;
                for (int k = ++met[given]; k > 1 || takenHere.count(name); ++k) {
                    name = k > 1 ? numbered(given, k) : given;
                    if (!takenHere.count(name))
                        break;
                }
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
                    added.emplace_back(&source, *number, name);
                    takenHere.insert(name);
                    if (name != given)
                        report.textsRenamed << QStringLiteral("%1 → %2").arg(given, name);
                    ++report.textsAdded;
                }
                ++done;
                step();
            }
            done = int(project.sources.size()) + int(project.sources.size() - added.size());
            takeVariables(db, project, added, report);

            // The notes by guid; each one taken in is counted once.
            std::map<QString, const Note *> noteOf;
            for (const Note &note : project.notes)
                noteOf.emplace(note.guid, &note);
            std::set<QString> notesTaken;
            std::set<std::tuple<QString, int, qint64>> notesPlaced; // each once where it goes
            const bool notesHeld = notes::available(db);
            const auto takeNote = [&](const QString &ref, notes::Genre genre, qint64 target) {
                const auto note = noteOf.find(ref);
                if (note == noteOf.end() || !notesHeld
                    || !notesPlaced.emplace(ref, int(genre), target).second)
                    return;
                const QString text = notes::normalized(note->second->text);
                if (!notes::problem(text).isEmpty())
                    return; // counted below with the notes not taken
                notes::append(db, genre, target, text);
                notesTaken.insert(ref);
            };
            for (const QString &ref : project.noteRefs)
                takeNote(ref, notes::Genre::Analysis, 0);
            const auto refsOf = [&](const QString &guid) {
                static const std::vector<QString> none;
                const auto found = project.noteRefsOf.find(guid);
                return found == project.noteRefsOf.end() ? none : found->second;
            };
            for (const auto &entry : added)
                for (const QString &ref : refsOf(std::get<0>(entry)->guid))
                    takeNote(ref, notes::Genre::Text, std::get<1>(entry));

            const ValueNumbers numbers = placeCodes(db, project.codes, placement, report);
            const std::set<QString> known = allCodes(project.codes);
            exchangestore::CodingRowWriter rowWriter(db);
            for (const auto &[source, textNumber, name] : added) {
                const std::vector<exchangestore::Segment> segments =
                    exchangestore::segments(db, textNumber);
                std::vector<QString> texts;
                texts.reserve(segments.size());
                for (const auto &s : segments)
                    texts.push_back(s.text);
                // A segment is coded for its non-blank characters only.
                const auto ranges = inkRanges(source->text, alignSegments(source->text, texts));
                const bool crLf = countsCrLfAsOne(source->text, source->selections);
                const std::vector<qint64> places = crLf ? crLfPlaces(source->text)
                                                        : std::vector<qint64>();
                if (crLf)
                    report.crLfAsOne << name;
                const qint64 length = codePoints(source->text);
                for (const Selection &given : source->selections) {
                    const std::vector<QString> noteRefs = refsOf(given.guid);
                    if (given.codings.empty() && noteRefs.empty())
                        continue;
                    const bool codes = !given.codings.empty();
                    if (codes)
                        ++report.selections;
                    Selection selection = given;
                    if (crLf) {
                        selection.start = fromCrLfAsOne(places, given.start);
                        selection.end = fromCrLfAsOne(places, given.end);
                    }
                    if (selection.start < 0 || selection.end < selection.start
                        || selection.end > length) {
                        if (codes)
                            ++report.positionsRefused;
                        continue;
                    }
                    const auto coveredSegments = [&] {
                        std::vector<size_t> covered;
                        for (size_t i = 0; i < ranges.size(); ++i) {
                            if (ranges[i].first >= 0 && ranges[i].first < selection.end
                                && ranges[i].second > selection.start)
                                covered.push_back(i);
                        }
                        return covered;
                    };
                    // The selection's notes go to the segments it covers.
                    if (!noteRefs.empty())
                        for (size_t i : coveredSegments())
                            for (const QString &ref : noteRefs)
                                takeNote(ref, notes::Genre::Segment, segments[i].numero);
                    if (!codes)
                        continue;
                    // The selection's values, by list.
                    std::array<std::vector<qint64>, exchangestore::kLists> values;
                    for (const QString &code : selection.codings) {
                        const auto n = numbers.find(code);
                        if (n == numbers.end()) {
                            ++(known.count(code) ? report.codingsNotPlaced
                                                 : report.unknownCodeRefs);
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
                    const std::vector<size_t> covered = coveredSegments();
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
            report.notes = int(notesTaken.size());
            if (const int left = int(project.notes.size()) - report.notes; left > 0)
                report.notTaken[nottaken::kNotes] += left;
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

QString importCoder(Connection &db, const Project &project, const QString &guid,
                    const Placement &placement, ImportReport &report, const Progress &progress,
                    const StopRequest &stop)
{
    const std::vector<ProjectCoder> coders = codersOf(project);
    const auto chosen = std::find_if(coders.begin(), coders.end(),
                                     [&](const ProjectCoder &c) { return c.guid == guid; });
    const QString error =
        importProject(db, withCodingsOf(project, guid), placement, report, progress, stop);
    if (!error.isEmpty())
        return error;
    report.coders = coders;
    report.coderTaken = chosen == coders.end() ? guid : coderName(*chosen);
    report.otherCodersCodings = 0;
    for (const ProjectCoder &c : coders)
        if (c.guid != guid)
            report.otherCodersCodings += c.codings;
    return QString();
}

QString coderCopyPath(const QString &analysis, const QString &coder)
{
    const QFileInfo db(analysis);
    QString name = coder.trimmed();
    name.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\s]+")), QStringLiteral("_"));
    if (name.isEmpty())
        name = QStringLiteral("sans_codeur");
    // Absolute, as the summary names it: beside the analysis wherever the
    // program was started.
    return QDir(db.absolutePath())
        .filePath(db.completeBaseName() + QLatin1Char('_') + name + QStringLiteral(".mdb"));
}

QString importPerCoder(Connection &db, const Project &project, const Placement &placement,
                       ImportReport &report, const Progress &progress, const StopRequest &stop)
{
    const std::vector<ProjectCoder> coders = codersOf(project);
    // Where each copy goes, never over an existing file.
    std::vector<QString> paths;
    std::set<QString> planned;
    for (const ProjectCoder &c : coders) {
        QString path = coderCopyPath(db.path(), c.guid.isEmpty() ? QString() : c.name);
        for (int k = 2; planned.count(path); ++k)
            path = coderCopyPath(db.path(), (c.guid.isEmpty() ? QStringLiteral("sans_codeur")
                                                                : c.name)
                                                    + QStringLiteral("_%1").arg(k));
        if (QFileInfo::exists(path)) {
            report = ImportReport();
            return QStringLiteral("La copie du codeur %1 irait dans « %2 », qui existe déjà : "
                                  "déplacez ce fichier ou importez le codage d'un seul codeur. "
                                  "Rien n'a été importé.")
                .arg(coderName(c), path);
        }
        planned.insert(path);
        paths.push_back(path);
    }
    // Each copy is made under a hidden name beside its place and renamed
    // into place only once everything is done, so that a stop, a failure or
    // the program killed never leaves a copy under its final name.
    std::vector<QString> made;
    const auto undo = [&] {
        for (const QString &path : made) {
            QFile::remove(path);
            QFile::remove(path + QStringLiteral("-journal"));
        }
    };
    const auto hidden = [](const QString &path) {
        const QFileInfo f(path);
        return f.dir().filePath(QLatin1Char('.') + f.fileName() + QStringLiteral(".import"));
    };
    // The copies first, from the analysis as it stands, so that each gets
    // the texts exactly as this analysis will.
    std::vector<CoderCopy> copies;
    // What the copies' selections met, said in this import's summary.
    ImportReport met;
    for (size_t i = 0; i < coders.size(); ++i) {
        const ProjectCoder &c = coders[i];
        ImportReport copyReport;
        QString error;
        try {
            const QString building = hidden(paths[i]);
            QFile::remove(building); // left by an import killed before
            codercopy::copyAnalysis(db.path(), building, c.guid.isEmpty() ? QString() : c.name,
                                    false);
            made.push_back(building);
            const auto copy = Connection::open(building);
            error = importProject(*copy, withCodingsOf(project, c.guid), placement, copyReport,
                                  progress, stop);
        } catch (const StoreError &e) {
            error = e.message();
        }
        if (!error.isEmpty()) {
            undo();
            report = ImportReport();
            return error;
        }
        copies.push_back({coderName(c), paths[i], copyReport.rowsAdded});
        met.selections += copyReport.selections;
        met.selectionsNotWhole += copyReport.selectionsNotWhole;
        met.selectionsOutside += copyReport.selectionsOutside;
        met.selectionsOnTextsThere += copyReport.selectionsOnTextsThere;
        met.positionsRefused += copyReport.positionsRefused;
        met.codingsNotPlaced += copyReport.codingsNotPlaced;
        met.unknownCodeRefs += copyReport.unknownCodeRefs;
        for (const QString &name : copyReport.crLfAsOne)
            if (!met.crLfAsOne.contains(name))
                met.crLfAsOne << name;
    }
    const QString error = importProject(db, withoutCodings(project), placement, report, progress,
                                        stop);
    if (!error.isEmpty()) {
        undo();
        return error;
    }
    for (size_t i = 0; i < made.size(); ++i) {
        if (!QFile::rename(made[i], paths[i])) {
            // The analysis has its texts; the copy stays under its hidden
            // name, which the researcher is told.
            copies[i].path = made[i];
            copies[i].coder += QStringLiteral(" (copie restée sous ce nom : le fichier « %1 » "
                                              "n'a pas pu être créé)")
                                   .arg(paths[i]);
        }
    }
    report.coders = coders;
    report.copies = std::move(copies);
    report.selections = met.selections;
    report.selectionsNotWhole = met.selectionsNotWhole;
    report.selectionsOutside = met.selectionsOutside;
    report.selectionsOnTextsThere = met.selectionsOnTextsThere;
    report.positionsRefused = met.positionsRefused;
    report.codingsNotPlaced = met.codingsNotPlaced;
    report.unknownCodeRefs = met.unknownCodeRefs;
    report.crLfAsOne = met.crLfAsOne;
    return QString();
}

} // namespace refiqda
