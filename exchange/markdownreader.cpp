#include "exchange/markdownreader.h"

#include "exchange/htmlentities.h"
#include "exchange/htmltext.h"
#include "exchange/paragraphs.h"

#include <QRegularExpression>
#include <QSet>
#include <vector>

namespace exchange {

namespace {

constexpr char16_t kHardBreak = 0x2029;

bool isBlankChar(QChar c) { return c == u' ' || c == u'\t'; }

bool isBlank(QStringView s)
{
    for (const QChar c : s)
        if (!isBlankChar(c) && c != u'\r' && c != u'\n' && c != u'\f' && c != u'\v')
            return false;
    return true;
}

bool isAsciiPunct(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x21 && u <= 0x2F) || (u >= 0x3A && u <= 0x40) || (u >= 0x5B && u <= 0x60)
           || (u >= 0x7B && u <= 0x7E);
}

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isPunct(QChar c) { return isAsciiPunct(c) || c.isPunct() || c.isSymbol(); }

int leadingSpaces(QStringView s, qsizetype from = 0)
{
    qsizetype i = from;
    while (i < s.size() && s[i] == u' ')
        ++i;
    return int(i - from);
}

QString normalLabel(QStringView label) { return label.toString().simplified().toCaseFolded(); }

// ---- Inline content ----------------------------------------------------

// A piece of a paragraph's inline content: plain text, a run of emphasis
// delimiters, or a bracket that may open a link or picture.
struct Node
{
    enum Kind { Text, Delimiter, Bracket } kind = Text;
    QString text;      // Text; for a Bracket, its literal form
    char16_t ch = 0;   // Delimiter: '*', '_' or '~'
    int count = 0;     // Delimiter: characters left
    int original = 0;  // Delimiter: characters of the run
    bool canOpen = false, canClose = false;
    bool active = true; // Delimiter still matchable; Bracket still able to open
    bool image = false; // Bracket "!["
    qsizetype source = 0; // Bracket: position after it in the source
};

class Inline
{
public:
    Inline(QStringView text, const QSet<QString> &labels, const std::function<void()> &poll)
        : s(text), m_labels(labels), m_poll(poll)
    {
    }
    QString run();

private:
    Node &textNode()
    {
        if (m_nodes.empty() || m_nodes.back().kind != Node::Text)
            m_nodes.push_back(Node());
        return m_nodes.back();
    }
    void literal(QStringView t) { textNode().text += t; }
    void literal(QChar c) { textNode().text += c; }
    void codeSpans();
    qsizetype angle(qsizetype i);
    qsizetype closeBracket(qsizetype i);
    qsizetype linkEnd(qsizetype i);
    void emphasis(int bottom);

    QStringView s;
    const QSet<QString> &m_labels;
    const std::function<void()> &m_poll;
    std::vector<Node> m_nodes;
    std::vector<int> m_brackets;
    std::vector<qsizetype> m_codeEnd; // per backtick run start: end of its span, or -1
    std::vector<qsizetype> m_runStart, m_runLength;
    // What the bounded look-aheads (tags, link targets, labels) may still
    // read in all: a few times the paragraph, so that no text, however made,
    // costs more; past it '<' and ']' are plain text.
    qsizetype m_budget = 0;
    bool spend(qsizetype n)
    {
        m_budget -= n;
        return m_budget >= 0;
    }
    // Where "-->", "?>", "]]>" and ">" were last found (or -2: nowhere after
    // the last search), so that each is looked for once over the text.
    qsizetype m_found[4] = {-1, -1, -1, -1};
    qsizetype findFrom(int which, QStringView token, qsizetype from);
};

qsizetype Inline::findFrom(int which, QStringView token, qsizetype from)
{
    qsizetype &found = m_found[which];
    if (found == -2)
        return -1;
    if (found >= from)
        return found;
    found = s.indexOf(token, from);
    if (found < 0)
        found = -2;
    return found < 0 ? -1 : found;
}

// Code spans: a run of n backticks up to the next run of exactly n, found
// for every run at once from the right.
void Inline::codeSpans()
{
    for (qsizetype i = 0; i < s.size();) {
        if (s[i] == u'\\' && i + 1 < s.size()) {
            i += 2;
            continue;
        }
        if (s[i] != u'`') {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < s.size() && s[j] == u'`')
            ++j;
        m_runStart.push_back(i);
        m_runLength.push_back(j - i);
        i = j;
    }
}

// After a '<': an autolink (its address kept), an HTML tag or comment (left
// out), or nothing (the '<' is text). Returns the position after it.
qsizetype Inline::angle(qsizetype i)
{
    static const QRegularExpression autolink(
        QStringLiteral("\\G<([A-Za-z][A-Za-z0-9+.-]{1,31}:[^\\s<>]*|[A-Za-z0-9.!#$%&'*+/=?^_`{|}~-]+@"
                       "[A-Za-z0-9](?:[A-Za-z0-9.-]{0,250}[A-Za-z0-9])?)>"));
    static const QRegularExpression tag(QStringLiteral(
        "\\G<(?:[A-Za-z][A-Za-z0-9-]*(?:\\s+[A-Za-z_:][A-Za-z0-9_.:-]*(?:\\s*=\\s*(?:[^\\s\"'=<>`]+"
        "|'[^']*'|\"[^\"]*\"))?)*\\s*/?>|/[A-Za-z][A-Za-z0-9-]*\\s*>)"));
    const QStringView at = s.sliced(i);
    // Comments, instructions, CDATA and declarations end at their first end mark.
    struct Special
    {
        const char16_t *start;
        const char16_t *end;
    };
    static const Special specials[] = {{u"<!--", u"-->"}, {u"<?", u"?>"}, {u"<![CDATA[", u"]]>"}};
    for (int k = 0; k < 3; ++k) {
        const QStringView start(specials[k].start), end(specials[k].end);
        if (at.startsWith(start)) {
            const qsizetype close = findFrom(k, end, i + start.size());
            if (close >= 0)
                return close + end.size();
            literal(u'<');
            return i + 1;
        }
    }
    if (at.size() > 2 && at[1] == u'!' && isAsciiLetter(at[2])) {
        const qsizetype close = findFrom(3, u">", i + 2);
        if (close >= 0)
            return close + 1;
        literal(u'<');
        return i + 1;
    }
    const QStringView window = at.first(std::min<qsizetype>(at.size(), 1024));
    if (!spend(window.size())) {
        literal(u'<');
        return i + 1;
    }
    QRegularExpressionMatch m = autolink.match(window, 0);
    if (m.hasMatch()) {
        literal(m.capturedView(1));
        return i + m.capturedLength(0);
    }
    m = tag.match(window, 0);
    if (m.hasMatch()) {
        // A line break inside a paragraph or a table cell is a space, as in
        // an HTML page: the words on each side stay apart.
        const QStringView name = m.capturedView(0).sliced(1);
        if (name.startsWith(u"br", Qt::CaseInsensitive)
            && (name.size() == 2 || !isAsciiLetter(name[2])))
            literal(u' ');
        return i + m.capturedLength(0);
    }
    literal(u'<');
    return i + 1;
}

// After "](": the end of an inline link's destination and title, or -1.
qsizetype Inline::linkEnd(qsizetype i)
{
    if (!spend(std::min<qsizetype>(s.size() - i, 2048)))
        return -1;
    int depth = 0;
    QChar quote;
    const qsizetype limit = std::min<qsizetype>(s.size(), i + 2048);
    for (qsizetype k = i; k < limit; ++k) {
        const QChar c = s[k];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\\') {
            ++k;
        } else if (c == u'"' || c == u'\'') {
            if (k > i && isBlankChar(s[k - 1]))
                quote = c;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            if (depth == 0)
                return k + 1;
            --depth;
        } else if (c == u'\n' && k + 1 < limit && s[k + 1] == u'\n') {
            return -1;
        }
    }
    return -1;
}

// At a ']': a link or picture when a bracket is open and a destination or a
// known label follows; returns the position after what was read.
qsizetype Inline::closeBracket(qsizetype i)
{
    if (m_brackets.empty()) {
        literal(u']');
        return i + 1;
    }
    const int opener = m_brackets.back();
    m_brackets.pop_back();
    Node &open = m_nodes[opener];
    if (!open.active) {
        literal(u']');
        return i + 1;
    }
    qsizetype end = -1;
    const qsizetype after = i + 1;
    if (after < s.size() && s[after] == u'(') {
        end = linkEnd(after + 1);
    } else if (after < s.size() && s[after] == u'[') {
        const qsizetype span = std::min<qsizetype>(s.size() - after - 1, 1001);
        const qsizetype close =
            spend(span) ? s.sliced(after + 1, span).indexOf(u']') + after + 1 : after;
        if (close > after && close - after <= 1000) {
            const QStringView label = close == after + 1 ? s.sliced(open.source, i - open.source)
                                                         : s.sliced(after + 1, close - after - 1);
            if (m_labels.contains(normalLabel(label)))
                end = close + 1;
        }
    }
    if (end < 0 && i - open.source <= 1000 && !m_labels.isEmpty() && spend(i - open.source)
        && m_labels.contains(normalLabel(s.sliced(open.source, i - open.source))))
        end = after;
    if (end < 0) {
        literal(u']');
        return after;
    }
    if (open.image) {
        m_nodes.resize(opener); // a picture: nothing of it is text
    } else {
        open.kind = Node::Text;
        open.text.clear();
        emphasis(opener);
        for (const int b : m_brackets) // no link inside a link
            if (!m_nodes[b].image)
                m_nodes[b].active = false;
    }
    return end;
}

// Emphasis and strike-through matched among the delimiters after `bottom`,
// as CommonMark matches them: each closer with the nearest opener of its
// character (rule of three kept), the delimiters between left as text; the
// search for a character's opener never goes back below where it last failed.
void Inline::emphasis(int bottom)
{
    std::vector<int> delims;
    for (int k = bottom + 1; k < int(m_nodes.size()); ++k)
        if (m_nodes[k].kind == Node::Delimiter && m_nodes[k].active)
            delims.push_back(k);
    std::vector<int> prev(delims.size());
    for (int d = 0; d < int(delims.size()); ++d)
        prev[d] = d - 1;
    int floorOf[3][2] = {{-1, -1}, {-1, -1}, {-1, -1}};
    const auto slot = [](char16_t ch) { return ch == u'*' ? 0 : ch == u'_' ? 1 : 2; };
    for (int c = 0; c < int(delims.size()); ++c) {
        Node &closer = m_nodes[delims[c]];
        while (closer.canClose && closer.count > 0) {
            int &floor = floorOf[slot(closer.ch)][closer.canOpen ? 1 : 0];
            const auto dead = [&](int x) {
                const Node &n = m_nodes[delims[x]];
                return n.count == 0 || !n.active;
            };
            int after = c;
            int o = prev[c];
            while (o > floor) {
                if (dead(o)) { // spliced out once, never walked again
                    prev[after] = prev[o];
                    o = prev[o];
                    continue;
                }
                const Node &op = m_nodes[delims[o]];
                const bool fits = op.ch == closer.ch && op.canOpen
                                  && (closer.ch != u'~' || op.count == closer.count)
                                  && !((op.canClose || closer.canOpen)
                                       && (op.original + closer.original) % 3 == 0
                                       && !(op.original % 3 == 0 && closer.original % 3 == 0));
                if (fits)
                    break;
                after = o;
                o = prev[o];
            }
            if (o <= floor) {
                floor = prev[c];
                break;
            }
            Node &op = m_nodes[delims[o]];
            const int use = closer.ch == u'~' ? closer.count
                                               : (op.count >= 2 && closer.count >= 2 ? 2 : 1);
            op.count -= use;
            closer.count -= use;
            for (int between = prev[c]; between > o; between = prev[between])
                m_nodes[delims[between]].active = false;
            prev[c] = o; // the delimiters between are gone from the search
            if (op.count == 0)
                prev[c] = prev[o];
        }
    }
    for (const int k : delims)
        m_nodes[k].active = false;
}

QString Inline::run()
{
    m_budget = 8 * s.size() + 65536;
    codeSpans();
    // The end of each backtick run's span: the next run of the same length.
    m_codeEnd.assign(m_runStart.size(), -1);
    {
        QHash<qsizetype, size_t> nextOfLength;
        for (size_t k = m_runStart.size(); k-- > 0;) {
            const auto it = nextOfLength.constFind(m_runLength[k]);
            if (it != nextOfLength.cend())
                m_codeEnd[k] = qsizetype(*it);
            nextOfLength.insert(m_runLength[k], k);
        }
    }
    size_t run = 0;
    QString decoded;
    quint64 steps = 0;
    for (qsizetype i = 0; i < s.size();) {
        if (++steps % 65536 == 0 && m_poll)
            m_poll();
        const QChar c = s[i];
        if (c == u'\\' && i + 1 < s.size() && isAsciiPunct(s[i + 1])) {
            literal(s[i + 1]);
            i += 2;
            continue;
        }
        if (c == u'`') {
            while (run < m_runStart.size() && m_runStart[run] < i)
                ++run;
            if (run >= m_runStart.size() || m_runStart[run] != i) {
                literal(c);
                ++i;
                continue;
            }
            const qsizetype length = m_runLength[run];
            const qsizetype endRun = m_codeEnd[run];
            if (endRun < 0) {
                literal(s.sliced(i, length));
                i += length;
                ++run;
                continue;
            }
            const qsizetype from = i + length, to = m_runStart[size_t(endRun)];
            QString code = s.sliced(from, to - from).toString();
            code.replace(u'\n', u' ');
            if (code.size() >= 2 && code.front() == u' ' && code.back() == u' '
                && !code.trimmed().isEmpty())
                code = code.mid(1, code.size() - 2);
            literal(code);
            i = to + length;
            run = size_t(endRun) + 1;
            continue;
        }
        if (c == u'<') {
            i = angle(i);
            continue;
        }
        if (c == u'&') {
            decoded.clear();
            const qsizetype next = htmlentities::decode(s, i, decoded, true);
            literal(next > i ? QStringView(decoded) : QStringView(u"&"));
            i = next > i ? next : i + 1;
            continue;
        }
        if (c == u'[' || (c == u'!' && i + 1 < s.size() && s[i + 1] == u'[')) {
            Node b;
            b.kind = Node::Bracket;
            b.image = c == u'!';
            b.text = b.image ? QStringLiteral("![") : QStringLiteral("[");
            b.source = i + b.text.size();
            m_brackets.push_back(int(m_nodes.size()));
            m_nodes.push_back(b);
            i += b.text.size();
            continue;
        }
        if (c == u']') {
            i = closeBracket(i);
            continue;
        }
        if (c == u'*' || c == u'_' || c == u'~') {
            qsizetype j = i;
            while (j < s.size() && s[j] == c)
                ++j;
            const QChar before = i > 0 ? s[i - 1] : QChar(u' ');
            const QChar after = j < s.size() ? s[j] : QChar(u' ');
            const bool beforeSpace = before.isSpace(), afterSpace = after.isSpace();
            const bool beforePunct = isPunct(before), afterPunct = isPunct(after);
            const bool left = !afterSpace && (!afterPunct || beforeSpace || beforePunct);
            const bool right = !beforeSpace && (!beforePunct || afterSpace || afterPunct);
            Node d;
            d.kind = Node::Delimiter;
            d.ch = c.unicode();
            d.count = d.original = int(j - i);
            if (c == u'_') {
                d.canOpen = left && (!right || beforePunct);
                d.canClose = right && (!left || afterPunct);
            } else {
                d.canOpen = left;
                d.canClose = right;
            }
            if (c == u'~' && d.count > 2)
                d.canOpen = d.canClose = false;
            m_nodes.push_back(d);
            i = j;
            continue;
        }
        literal(c);
        ++i;
    }
    emphasis(-1);
    QString out;
    for (const Node &n : m_nodes) {
        if (n.kind == Node::Delimiter)
            out += QString(n.count, QChar(n.ch));
        else
            out += n.text;
    }
    return out;
}

// ---- Blocks --------------------------------------------------------------

struct Container
{
    bool quote;
    int indent; // a list item: the column of its content
};

class Blocks
{
public:
    Blocks(QStringView text, const std::function<void()> &poll) : m_text(text), m_poll(poll) {}
    QStringList run();

private:
    enum Leaf { None, Paragraph, Fence, Html, Table };

    void collectLabels();
    void line(QString l);
    bool breakAt(QStringView r) const;
    void appendLine(QStringView rest);
    void closeLeaf();
    void emitInline(QStringView text);
    void emitCells(QStringView row, int limit);
    void pushContainer(bool quote, int indent);
    bool startsBlock(QStringView rest) const;
    static int listMarker(QStringView rest, int *markerEnd = nullptr, bool *ordered = nullptr,
                          bool *startsAtOne = nullptr);
    static bool thematicBreak(QStringView rest);
    static int cellCount(QStringView row);
    static QStringList cells(QStringView row);
    static int htmlStart(QStringView rest);

    QStringView m_text;
    const std::function<void()> &m_poll;
    QStringView m_line;
    qsizetype m_lastOther[3] = {-1, -1, -1}; // per mark of a rule: its line's last other character
    QStringList m_out;
    QSet<QString> m_labels;
    std::vector<Container> m_containers;
    Leaf m_leaf = None;
    QString m_para;
    int m_paraLines = 0;
    bool m_taskCheck = false; // the paragraph opens a list item (its [ ] box goes)
    QChar m_fenceChar;
    int m_fenceLength = 0, m_fenceIndent = 0;
    int m_htmlKind = 0;
    int m_tableCells = 0;
    QString m_html;
};

void Blocks::collectLabels()
{
    static const QRegularExpression definition(
        QStringLiteral("^[ >]*(?:(?:[-+*]|\\d{1,9}[.)])\\s+)?\\[([^\\]]{1,999})\\]:"),
        QRegularExpression::MultilineOption);
    // Only lines that may hold a definition are tried.
    qsizetype from = 0;
    while (from < m_text.size()) {
        qsizetype end = m_text.indexOf(u'\n', from);
        if (end < 0)
            end = m_text.size();
        const QStringView l = m_text.sliced(from, end - from);
        if (l.contains(u"]:")) {
            const QRegularExpressionMatch m = definition.match(l);
            if (m.hasMatch())
                m_labels.insert(normalLabel(m.capturedView(1)));
        }
        from = end + 1;
    }
}

void Blocks::emitInline(QStringView text)
{
    QString t = Inline(text, m_labels, m_poll).run();
    for (const QStringView piece : QStringView(t).split(QChar(kHardBreak)))
        addParagraph(m_out, piece.toString());
}

void Blocks::closeLeaf()
{
    switch (m_leaf) {
    case Paragraph: {
        QStringView p(m_para);
        if (m_taskCheck) {
            static const QRegularExpression box(QStringLiteral("^\\[[ xX]\\]\\s"));
            const QRegularExpressionMatch m = box.match(p);
            if (m.hasMatch())
                p = p.sliced(m.capturedLength(0));
        }
        emitInline(p);
        break;
    }
    case Html:
        m_out += htmltext::paragraphs(m_html, m_poll);
        m_html.clear();
        break;
    case None:
    case Fence:
    case Table:
        break;
    }
    m_leaf = None;
    m_para.clear();
    m_paraLines = 0;
    m_taskCheck = false;
}

void Blocks::pushContainer(bool quote, int indent)
{
    closeLeaf();
    if (int(m_containers.size()) >= htmltext::kMaxDepth)
        throw ReadFailure(htmltext::depthRefusal(htmltext::kMaxDepth));
    m_containers.push_back(Container{quote, indent});
}

// A list mark at the start of `rest` (bullet or number): the column of the
// item's content, or 0.
int Blocks::listMarker(QStringView rest, int *markerEnd, bool *ordered, bool *startsAtOne)
{
    qsizetype i = 0;
    bool isOrdered = false;
    if (!rest.isEmpty() && (rest[0] == u'-' || rest[0] == u'+' || rest[0] == u'*')) {
        i = 1;
    } else {
        while (i < rest.size() && i < 9 && rest[i].isDigit() && rest[i].unicode() < 128)
            ++i;
        if (i == 0 || i >= rest.size() || (rest[i] != u'.' && rest[i] != u')'))
            return 0;
        if (startsAtOne)
            *startsAtOne = rest.first(i).toInt() == 1;
        ++i;
        isOrdered = true;
    }
    if (i < rest.size() && !isBlankChar(rest[i]))
        return 0;
    if (markerEnd)
        *markerEnd = int(i);
    if (ordered)
        *ordered = isOrdered;
    const int spaces = leadingSpaces(rest, i);
    if (i + spaces >= rest.size() || spaces > 4) // empty item, or code inside it
        return int(i) + 1;
    return int(i) + std::max(1, spaces);
}

bool Blocks::thematicBreak(QStringView rest)
{
    QChar mark;
    int count = 0;
    for (const QChar c : rest) {
        if (isBlankChar(c))
            continue;
        if (c != u'-' && c != u'*' && c != u'_')
            return false;
        if (mark.isNull())
            mark = c;
        else if (c != mark)
            return false;
        ++count;
    }
    return count >= 3;
}

// The kind of HTML block `rest` begins (1 raw, 2 comment, 3 instruction,
// 4 declaration, 5 CDATA, 6 block tag), or 0.
int Blocks::htmlStart(QStringView rest)
{
    if (!rest.startsWith(u'<'))
        return 0;
    static const QRegularExpression raw(QStringLiteral("^<(script|pre|style|textarea)(\\s|>|$)"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression block(QStringLiteral(
        "^</?(address|article|aside|base|basefont|blockquote|body|caption|center|col|colgroup|dd|"
        "details|dialog|dir|div|dl|dt|fieldset|figcaption|figure|footer|form|frame|frameset|h1|h2|"
        "h3|h4|h5|h6|head|header|hr|html|iframe|legend|li|link|main|menu|menuitem|nav|noframes|ol|"
        "optgroup|option|p|param|search|section|summary|table|tbody|td|tfoot|th|thead|title|tr|"
        "track|ul)(\\s|/?>|$)"),
        QRegularExpression::CaseInsensitiveOption);
    if (raw.match(rest).hasMatch())
        return 1;
    if (rest.startsWith(u"<!--"))
        return 2;
    if (rest.startsWith(u"<?"))
        return 3;
    if (rest.startsWith(u"<![CDATA["))
        return 5;
    if (rest.size() > 2 && rest[1] == u'!' && rest[2].isLetter())
        return 4;
    if (block.match(rest).hasMatch())
        return 6;
    return 0;
}

int Blocks::cellCount(QStringView row) { return int(cells(row).size()); }

// The cells of a table row, split at the pipes no backslash escapes.
QStringList Blocks::cells(QStringView row)
{
    QStringView r = row.trimmed();
    if (r.startsWith(u'|'))
        r = r.sliced(1);
    if (r.endsWith(u'|') && !r.endsWith(u"\\|"))
        r.chop(1);
    QStringList out;
    QString cell;
    for (qsizetype i = 0; i < r.size(); ++i) {
        if (r[i] == u'\\' && i + 1 < r.size() && r[i + 1] == u'|') {
            cell += u'|';
            ++i;
        } else if (r[i] == u'|') {
            out << cell;
            cell.clear();
        } else {
            cell += r[i];
        }
    }
    out << cell;
    return out;
}

void Blocks::emitCells(QStringView row, int limit)
{
    const QStringList all = cells(row);
    for (int k = 0; k < all.size() && k < limit; ++k)
        emitInline(all.at(k));
}

// Whether `r`, a part of the current line, is a thematic break: found in
// constant time when the rest of the line holds another character, so that a
// line of many list marks is not walked once per mark.
bool Blocks::breakAt(QStringView r) const
{
    const int sp = leadingSpaces(r);
    if (sp >= r.size())
        return false;
    const int k = r[sp] == u'-' ? 0 : r[sp] == u'*' ? 1 : r[sp] == u'_' ? 2 : -1;
    if (k < 0 || m_lastOther[k] >= (r.data() - m_line.data()))
        return false;
    return thematicBreak(r);
}

bool Blocks::startsBlock(QStringView rest) const
{
    const QStringView r = rest.sliced(std::min<qsizetype>(leadingSpaces(rest), rest.size()));
    if (leadingSpaces(rest) >= 4)
        return false;
    static const QRegularExpression atx(QStringLiteral("^#{1,6}(\\s|$)"));
    return r.startsWith(u'>') || breakAt(r) || (r.startsWith(u'#') && atx.match(r).hasMatch())
           || r.startsWith(u"```") || r.startsWith(u"~~~") || (listMarker(r) > 0 && !isBlank(r.sliced(1)))
           || (htmlStart(r) > 0 && htmlStart(r) < 7);
}

void Blocks::line(QString l)
{
    // Leading tabs are columns of four.
    {
        qsizetype i = 0;
        QString spaces;
        while (i < l.size() && (l[i] == u' ' || l[i] == u'\t')) {
            if (l[i] == u'\t')
                spaces += QString(4 - spaces.size() % 4, u' ');
            else
                spaces += u' ';
            ++i;
        }
        if (l.left(i) != spaces)
            l = spaces + l.mid(i);
    }
    QStringView v(l);
    m_line = v;
    for (int k = 0; k < 3; ++k) {
        const QChar mark = QLatin1Char("-*_"[k]);
        qsizetype last = v.size() - 1;
        while (last >= 0 && (v[last] == mark || isBlankChar(v[last])))
            --last;
        m_lastOther[k] = last;
    }
    qsizetype pos = 0;
    size_t matched = 0;
    for (; matched < m_containers.size(); ++matched) {
        const Container &c = m_containers[matched];
        const QStringView rest = v.sliced(pos);
        if (c.quote) {
            const int sp = leadingSpaces(rest);
            if (sp > 3 || sp >= rest.size() || rest[sp] != u'>')
                break;
            pos += sp + 1;
            if (pos < v.size() && isBlankChar(v[pos]))
                ++pos;
        } else if (isBlank(rest)) {
            // a blank line goes on with the item
        } else {
            if (leadingSpaces(rest) < c.indent)
                break;
            pos += c.indent;
        }
    }
    QStringView rest = v.sliced(pos);
    const bool blank = isBlank(rest);

    if (m_leaf == Fence && matched == m_containers.size()) {
        const int sp = leadingSpaces(rest);
        if (sp < 4 && rest.sliced(sp).startsWith(QString(m_fenceLength, m_fenceChar))) {
            qsizetype k = sp;
            while (k < rest.size() && rest[k] == m_fenceChar)
                ++k;
            if (isBlank(rest.sliced(k))) {
                m_leaf = None;
                return;
            }
        }
        addParagraph(m_out, rest.sliced(std::min<qsizetype>(sp, m_fenceIndent)).toString());
        return;
    }
    if (matched < m_containers.size()) {
        if (m_leaf == Paragraph && !blank && !startsBlock(rest)) { // a lazy line
            appendLine(rest);
            return;
        }
        closeLeaf();
        m_containers.resize(matched);
    }
    // New block quotes and list items.
    for (;;) {
        const int sp = leadingSpaces(rest);
        if (sp >= 4 || m_leaf == Fence)
            break;
        const QStringView r = rest.sliced(sp);
        if (r.startsWith(u'>')) {
            pushContainer(true, 0);
            qsizetype k = sp + 1;
            if (k < rest.size() && isBlankChar(rest[k]))
                ++k;
            rest = rest.sliced(k);
            continue;
        }
        if (breakAt(r))
            break;
        int markerEnd = 0;
        bool ordered = false, one = false;
        const int content = listMarker(r, &markerEnd, &ordered, &one);
        if (content == 0)
            break;
        // Within a paragraph only a non-empty item (numbered from 1) begins a list.
        if (m_leaf == Paragraph && (isBlank(r.sliced(markerEnd)) || (ordered && !one)))
            break;
        pushContainer(false, sp + content);
        m_taskCheck = true;
        rest = rest.sliced(std::min<qsizetype>(sp + content, rest.size()));
        if (isBlank(rest))
            break;
    }
    const bool taskCheck = m_taskCheck;
    const int sp = leadingSpaces(rest);
    const QStringView r = rest.sliced(std::min<qsizetype>(sp, rest.size()));

    if (m_leaf == Html) {
        if (m_htmlKind == 6 && isBlank(rest)) {
            closeLeaf();
            return;
        }
        m_html += rest;
        m_html += u'\n';
        static const QRegularExpression rawEnd(QStringLiteral("</(script|pre|style|textarea)>"),
                                               QRegularExpression::CaseInsensitiveOption);
        if ((m_htmlKind == 1 && rawEnd.match(rest).hasMatch())
            || (m_htmlKind == 2 && rest.contains(u"-->")) || (m_htmlKind == 3 && rest.contains(u"?>"))
            || (m_htmlKind == 4 && rest.contains(u'>')) || (m_htmlKind == 5 && rest.contains(u"]]>")))
            closeLeaf();
        return;
    }
    if (isBlank(rest)) {
        closeLeaf();
        return;
    }
    if (sp >= 4 && m_leaf != Paragraph) { // indented code: a paragraph a line
        closeLeaf();
        addParagraph(m_out, rest.sliced(4).toString());
        return;
    }
    static const QRegularExpression atx(QStringLiteral("^(#{1,6})(?:[ \\t]+(.*?))?(?:[ \\t]+#+)?[ \\t]*$"));
    if (sp < 4) {
        if (const QRegularExpressionMatch m = r.startsWith(u'#') ? atx.match(r)
                                                                 : QRegularExpressionMatch();
            m.hasMatch()) {
            closeLeaf();
            emitInline(m.capturedView(2));
            return;
        }
        if (m_leaf == Paragraph && m_paraLines > 0 && (r.startsWith(u'=') || r.startsWith(u'-'))) {
            static const QRegularExpression setext(QStringLiteral("^(=+|-+)[ \\t]*$"));
            if (setext.match(r).hasMatch()) {
                closeLeaf(); // the paragraph is a heading
                return;
            }
        }
        if (breakAt(r)) {
            closeLeaf();
            return;
        }
        if (r.startsWith(u"```") || r.startsWith(u"~~~")) {
            qsizetype k = 0;
            while (k < r.size() && r[k] == r[0])
                ++k;
            if (r[0] != u'`' || !r.sliced(k).contains(u'`')) {
                closeLeaf();
                m_leaf = Fence;
                m_fenceChar = r[0];
                m_fenceLength = int(k);
                m_fenceIndent = sp;
                return;
            }
        }
        if (const int kind = htmlStart(r); kind > 0) {
            closeLeaf();
            m_leaf = Html;
            m_htmlKind = kind;
            m_html = rest.toString() + u'\n';
            static const QRegularExpression rawEnd(QStringLiteral("</(script|pre|style|textarea)>"),
                                                   QRegularExpression::CaseInsensitiveOption);
            if ((kind == 1 && rawEnd.match(rest).hasMatch())
                || (kind == 2 && rest.sliced(4).contains(u"-->")) || (kind == 3 && rest.contains(u"?>"))
                || (kind == 4 && rest.contains(u'>')) || (kind == 5 && rest.contains(u"]]>")))
                closeLeaf();
            return;
        }
    }
    if (m_leaf == Table) {
        emitCells(rest, m_tableCells);
        return;
    }
    if (m_leaf == Paragraph && m_paraLines == 1 && r.contains(u'-') && m_para.contains(u'|')) {
        static const QRegularExpression delimiterRow(
            QStringLiteral("^\\|?[ \\t]*:?-+:?[ \\t]*(\\|[ \\t]*:?-+:?[ \\t]*)*\\|?[ \\t]*$"));
        if (delimiterRow.match(r).hasMatch() && cellCount(r) == cellCount(m_para)) {
            m_tableCells = cellCount(m_para);
            const QString header = m_para;
            m_leaf = None;
            m_para.clear();
            m_paraLines = 0;
            emitCells(header, m_tableCells);
            m_leaf = Table;
            return;
        }
    }
    if (m_leaf == None) {
        static const QRegularExpression definition(
            QStringLiteral("^\\[[^\\]]{1,999}\\]:[ \\t]*\\S"));
        if (r.startsWith(u'[') && definition.match(r).hasMatch())
            return; // a link's definition is no text
    }
    if (m_leaf != Paragraph) {
        closeLeaf();
        m_leaf = Paragraph;
        m_taskCheck = taskCheck;
    }
    appendLine(rest);
}

void Blocks::appendLine(QStringView rest)
{
    if (m_paraLines > 0) {
        // Two spaces or a backslash at a line's end are a hard break.
        if (m_para.endsWith(u"  ")) {
            while (m_para.endsWith(u' '))
                m_para.chop(1);
            m_para += QChar(kHardBreak);
        } else if (m_para.endsWith(u'\\') && !m_para.endsWith(u"\\\\")) {
            m_para.chop(1);
            m_para += QChar(kHardBreak);
        } else {
            m_para += u'\n';
        }
    }
    // The paragraph's lines keep their ends (a hard break) but not their starts.
    QStringView body = rest;
    while (!body.isEmpty() && isBlankChar(body.front()))
        body = body.sliced(1);
    m_para += body;
    ++m_paraLines;
}

QStringList Blocks::run()
{
    collectLabels();
    qsizetype from = 0;
    quint64 lines = 0;
    while (from < m_text.size()) {
        if (++lines % 4096 == 0 && m_poll)
            m_poll();
        qsizetype end = m_text.indexOf(u'\n', from);
        if (end < 0)
            end = m_text.size();
        QStringView l = m_text.sliced(from, end - from);
        if (l.endsWith(u'\r'))
            l.chop(1);
        line(l.toString());
        m_taskCheck = m_leaf == Paragraph && m_taskCheck;
        from = end + 1;
    }
    closeLeaf();
    return m_out;
}

} // namespace

QStringList MarkdownReader::paragraphsOf(QStringView text, const std::function<void()> &poll)
{
    return Blocks(text, poll).run();
}

Document MarkdownReader::readFile(const QString &path) const
{
    Document doc;
    try {
        doc.paragraphs = paragraphsOf(decodeText(readWholeFile(path, kMaxTextFile)),
                                      [this] { checkStop(); });
    } catch (const ReadFailure &e) {
        doc.error = e.cause();
    }
    return doc;
}

} // namespace exchange
