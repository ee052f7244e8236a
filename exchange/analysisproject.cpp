#include "exchange/analysisproject.h"

#include <algorithm>
#include <set>
#include <unordered_map>

namespace refiqda {

QString origin()
{
    return QStringLiteral("Telmira %1").arg(QStringLiteral(TELMIRA_VERSION));
}

namespace {

QString listGuid(const exchangestore::Analysis &a, int list)
{
    return stableGuid(a.identifier + QStringLiteral("/liste/%1").arg(list));
}

QString valueGuid(const exchangestore::Analysis &a, int list, qint64 value)
{
    return stableGuid(a.identifier + QStringLiteral("/liste/%1/valeur/%2").arg(list).arg(value));
}

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

} // namespace

std::vector<Code> codesOf(const exchangestore::Analysis &a)
{
    std::vector<Code> codes;
    for (int k = 1; k <= exchangestore::kLists; ++k) {
        const exchangestore::List &list = a.lists[size_t(k - 1)];
        Code parent{listGuid(a, k), list.name, QString(), false, {}};
        for (const exchangestore::Value &v : list.values)
            parent.children.push_back({valueGuid(a, k, v.numero), v.text, v.definition, true, {}});
        codes.push_back(std::move(parent));
    }
    return codes;
}

namespace {

// Whether a segment ends as the cutting rules end a sentence: on . ! ? and
// the closers . " ' after them.
bool endsSentence(const QString &s)
{
    qsizetype i = s.size();
    while (i > 0 && (s[i - 1] == QLatin1Char('"') || s[i - 1] == QLatin1Char('\'')))
        --i;
    return i > 0
           && (s[i - 1] == QLatin1Char('.') || s[i - 1] == QLatin1Char('!')
               || s[i - 1] == QLatin1Char('?'));
}

// Characters a sentence's end would have kept: a segment beginning with one
// was cut from the one before by a space.
bool keptByAnEnd(QChar c)
{
    return c == QLatin1Char('.') || c == QLatin1Char('!') || c == QLatin1Char('?')
           || c == QLatin1Char('"') || c == QLatin1Char('\'');
}

// Characters that follow a word without a space in French and English
// alike; before them, when the rules cannot tell, no space is put.
bool closesWithoutSpace(QChar c)
{
    return c == QLatin1Char(')') || c == QLatin1Char(']') || c == QLatin1Char('}')
           || c == QLatin1Char(',');
}

} // namespace

QString joinSegments(const std::vector<QString> &segments,
                     std::vector<std::pair<qint64, qint64>> *ranges)
{
    QString text;
    qint64 position = 0;
    if (ranges)
        ranges->clear();
    for (size_t i = 0; i < segments.size(); ++i) {
        const QString &s = segments[i];
        // Between two segments, unless a line end or a segment's own
        // leading space is there: a space before . ! ? " ' (a sentence's end
        // would have kept them, so something cut); none before the last
        // segment (it keeps its leading spaces, so it had none); else a
        // space, except before ) ] } and a comma after a sentence's end.
        bool space = i > 0 && !text.isEmpty() && !isLineEnd(text.back()) && !s.isEmpty()
                     && s[0] != QLatin1Char(' ');
        if (space && !keptByAnEnd(s[0]))
            space = i + 1 < segments.size()
                    && !(endsSentence(segments[i - 1]) && closesWithoutSpace(s[0]));
        if (space) {
            text.append(QLatin1Char(' '));
            ++position;
        }
        const qint64 length = codePoints(s);
        if (ranges)
            ranges->emplace_back(position, position + length);
        text.append(s);
        position += length;
    }
    // A line end at the very end of a text opens no new line, so a last
    // segment ending on one is followed by a space, which keeps it there
    // when the text is cut again.
    if (!text.isEmpty() && isLineEnd(text.back()))
        text.append(QLatin1Char(' '));
    return text;
}

std::vector<std::pair<qint64, qint64>> alignSegments(QStringView text,
                                                     const std::vector<QString> &segments)
{
    std::vector<std::pair<qint64, qint64>> ranges;
    ranges.reserve(segments.size());
    // UTF-16 positions first, turned into code points at the end.
    std::vector<std::pair<qsizetype, qsizetype>> units;
    qsizetype p = 0;
    const qsizetype n = text.size();
    auto atLineStart = [&](qsizetype i) { return i == 0 || isLineEnd(text[i - 1]); };
    for (const QString &segment : segments) {
        if (segment.isEmpty()) {
            units.emplace_back(-1, -1);
            continue;
        }
        // Between segments: blanks and line ends the cut left out.
        qsizetype q = p;
        while (q < n && text[q] != segment[0]
               && (text[q] == QLatin1Char(' ') || isLineEnd(text[q])))
            ++q;
        const qsizetype start = q;
        qsizetype j = 0;
        bool ok = true;
        while (j < segment.size()) {
            if (segment[j] == QLatin1Char('\r') && j + 1 < segment.size()
                && segment[j + 1] == QLatin1Char('\n') && q < n && text[q] == QLatin1Char('\r')
                && (q + 1 == n || text[q + 1] != QLatin1Char('\n'))) {
                // A lone CR ends a line as CR LF does.
                ++q;
                j += 2;
            } else if (q < n && text[q] == segment[j]) {
                ++q;
                ++j;
            } else if (q < n && text[q] == QLatin1Char(' ') && atLineStart(q)) {
                // Leading blanks of a line are dropped, and so are those
                // following them.
                while (q < n && text[q] == QLatin1Char(' '))
                    ++q;
            } else {
                ok = false;
                break;
            }
        }
        if (!ok) {
            units.emplace_back(-1, -1);
            continue;
        }
        units.emplace_back(start, q);
        p = q;
    }
    // Code points: one walk over the text.
    std::unordered_map<qsizetype, qint64> points;
    for (const auto &u : units) {
        points.emplace(u.first, 0);
        points.emplace(u.second, 0);
    }
    qint64 cp = 0;
    for (qsizetype i = 0; i <= n; ++i) {
        const auto it = points.find(i);
        if (it != points.end())
            it->second = cp;
        if (i < n && !(text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate()))
            ++cp;
    }
    for (const auto &u : units) {
        if (u.first < 0)
            ranges.emplace_back(-1, -1);
        else
            ranges.emplace_back(points[u.first], points[u.second]);
    }
    return ranges;
}

Project projectOf(const exchangestore::Analysis &a, const QString &name, int *rowsWithoutValue)
{
    if (rowsWithoutValue)
        *rowsWithoutValue = 0;
    Project project;
    project.name = name;
    project.origin = origin();
    // Readers in use need a user on each selection: an analysis with no
    // coder recorded names the program.
    const QString coder = a.coder.trimmed().isEmpty() ? QStringLiteral("Telmira") : a.coder;
    const QString user = stableGuid(a.identifier + QStringLiteral("/codeur/") + coder);
    project.users.push_back({user, coder});
    project.codes = codesOf(a);
    // The texts' attributes are the sources' variables.
    for (const exchangestore::Attribute &attribute : a.attributes) {
        static const char *const types[] = {"Text", "Integer", "Float", "Date"};
        project.variables.push_back(
            {stableGuid(a.identifier + QStringLiteral("/attribut/") + attribute.name),
             attribute.name, QString::fromLatin1(types[int(attribute.kind)])});
    }

    // Where each segment lies: its source and range.
    struct Place
    {
        size_t source;
        qint64 start, end;
    };
    std::unordered_map<qint64, Place> places;
    for (const exchangestore::Text &t : a.texts) {
        std::vector<QString> segments;
        segments.reserve(t.segments.size());
        for (const exchangestore::Segment &s : t.segments)
            segments.push_back(s.text);
        std::vector<std::pair<qint64, qint64>> ranges;
        Source source;
        source.guid = stableGuid(a.identifier + QStringLiteral("/texte/%1").arg(t.numero));
        // The file's name alone: the folders of the researcher stay home.
        source.name = t.path.mid(std::max(t.path.lastIndexOf(QLatin1Char('/')),
                                          t.path.lastIndexOf(QLatin1Char('\\')))
                                 + 1);
        if (source.name.isEmpty())
            source.name = t.path;
        source.text = joinSegments(segments, &ranges);
        for (size_t i = 0; i < a.attributes.size(); ++i) {
            const auto value = a.attributes[i].values.find(t.numero);
            if (value == a.attributes[i].values.end())
                continue;
            QString written = value->second;
            // A decimal of the standard takes a point.
            if (a.attributes[i].kind == exchangestore::Attribute::Kind::Float)
                written.replace(QLatin1Char(','), QLatin1Char('.'));
            source.variables.push_back({project.variables[i].guid, written});
        }
        for (size_t i = 0; i < t.segments.size(); ++i)
            places.emplace(t.segments[i].numero,
                           Place{project.sources.size(), ranges[i].first, ranges[i].second});
        project.sources.push_back(std::move(source));
    }

    // The values each list holds, by number.
    std::array<std::unordered_map<qint64, bool>, exchangestore::kLists> known;
    for (int k = 0; k < exchangestore::kLists; ++k)
        for (const exchangestore::Value &v : a.lists[size_t(k)].values)
            known[size_t(k)].emplace(v.numero, true);
    for (const exchangestore::CodingRow &row : a.codings) {
        const auto place = places.find(row.segment);
        if (place == places.end())
            continue;
        Selection s;
        s.guid = stableGuid(a.identifier + QStringLiteral("/codage/%1").arg(row.numero));
        s.start = place->second.start;
        s.end = place->second.end;
        s.creatingUser = user;
        for (int k = 0; k < exchangestore::kLists; ++k) {
            const qint64 v = row.values[size_t(k)];
            if (v != 1 && known[size_t(k)].count(v))
                s.codings.push_back(valueGuid(a, k + 1, v));
        }
        // A row on the five empty values codes nothing.
        if (!s.codings.empty())
            project.sources[place->second.source].selections.push_back(std::move(s));
        else if (rowsWithoutValue)
            ++*rowsWithoutValue;
    }
    return project;
}

bool isFlat(const std::vector<Code> &codes)
{
    return std::all_of(codes.begin(), codes.end(),
                       [](const Code &c) { return c.children.empty(); });
}

Placement defaultPlacement(const std::vector<Code> &codes)
{
    Placement p;
    if (codes.size() > size_t(exchangestore::kLists) || isFlat(codes))
        return p;
    for (size_t i = 0; i < codes.size(); ++i)
        p.listOfTopCode.push_back(int(i) + 1);
    p.nameLists = true;
    return p;
}

Placement allTo(const std::vector<Code> &codes, int list)
{
    Placement p;
    p.listOfTopCode.assign(codes.size(), list);
    return p;
}

namespace {

constexpr qsizetype kMaxValue = 255;
const QString kPathSeparator = QStringLiteral(" > ");

// A path of names, its first parts left out ("…") as far as needed to keep
// it within the length of a value; a last name too long alone is left whole
// (and refused where it is stored).
QString fitPath(const QStringList &parts, const QString &suffix = QString())
{
    QString name = parts.join(kPathSeparator) + suffix;
    if (name.size() <= kMaxValue)
        return name;
    // The last parts that fit after "… > ", counted from the end, so that a
    // deep path costs its length once rather than once per part left out.
    const QString ellipsis = QStringLiteral("…") + kPathSeparator;
    qsizetype length = ellipsis.size() + suffix.size();
    qsizetype from = parts.size();
    while (from > 1) {
        const qsizetype more = parts[from - 1].size() + (from < parts.size() ? kPathSeparator.size() : 0);
        if (length + more > kMaxValue)
            break;
        length += more;
        --from;
    }
    if (from == parts.size())
        return parts.back() + suffix;
    return ellipsis + parts.mid(from).join(kPathSeparator) + suffix;
}

} // namespace

std::vector<std::pair<QString, ValueTarget>> valueTargets(const std::vector<Code> &codes,
                                                          const Placement &placement,
                                                          int *levelsFolded)
{
    struct Target
    {
        QString guid;
        int list;
        QStringList path; // below the first-level code
        QString top;      // the first-level code's name
        QString definition;
    };
    std::vector<Target> found;
    int deepest = 0;
    // The descendants of a code in document order, walked without recursion.
    const auto descend = [&](const Code &top, int list) {
        std::vector<std::pair<const Code *, size_t>> open{{&top, 0}}; // a code, its next child
        QStringList path;
        while (!open.empty()) {
            auto &[code, next] = open.back();
            if (next == code->children.size()) {
                open.pop_back();
                if (!path.isEmpty())
                    path.removeLast();
                continue;
            }
            const Code &child = code->children[next++];
            path << child.name.trimmed();
            deepest = std::max(deepest, int(path.size()));
            found.push_back({child.guid, list, path, top.name.trimmed(), child.description});
            open.emplace_back(&child, 0);
        }
    };
    for (size_t i = 0; i < codes.size() && i < placement.listOfTopCode.size(); ++i) {
        const int list = placement.listOfTopCode[i];
        if (list < 1 || list > exchangestore::kLists)
            continue;
        const Code &top = codes[i];
        if (top.children.empty() && top.codable)
            found.push_back({top.guid, list, {top.name.trimmed()}, QString(), top.description});
        else
            descend(top, list);
    }
    if (levelsFolded)
        *levelsFolded = std::max(0, deepest - 1);

    // Two codes never become one value: a name met on one list under two
    // first-level codes carries its first-level code's name, and a number
    // when that is not enough.
    std::map<std::pair<int, QString>, std::set<QString>> tops;
    for (const Target &t : found)
        tops[{t.list, t.path.join(kPathSeparator)}].insert(t.top);
    const auto pathOf = [&](const Target &t) {
        QStringList path = t.path;
        if (tops[{t.list, path.join(kPathSeparator)}].size() > 1 && !t.top.isEmpty())
            path.prepend(t.top);
        return path;
    };
    std::vector<QString> names;
    for (const Target &t : found)
        names.push_back(fitPath(pathOf(t)));
    std::map<std::pair<int, QString>, int> taken;
    for (size_t i = 0; i < found.size(); ++i)
        ++taken[{found[i].list, names[i]}];
    std::map<std::pair<int, QString>, int> seen;
    std::vector<std::pair<QString, ValueTarget>> targets;
    for (size_t i = 0; i < found.size(); ++i) {
        const Target &t = found[i];
        QString name = names[i];
        if (!name.isEmpty() && taken[{t.list, name}] > 1) {
            const int n = ++seen[{t.list, name}];
            if (n > 1) {
                const QStringList path = pathOf(t);
                // The first free number.
                for (int k = n;; ++k) {
                    const QString candidate = fitPath(path, QStringLiteral(" (%1)").arg(k));
                    if (!taken.count({t.list, candidate})) {
                        name = candidate;
                        taken[{t.list, name}] = 1;
                        break;
                    }
                }
            }
        }
        targets.emplace_back(t.guid, ValueTarget{t.list, name, t.definition});
    }
    return targets;
}

} // namespace refiqda
