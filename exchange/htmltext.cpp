#include "exchange/htmltext.h"

#include "exchange/htmlentities.h"
#include "exchange/paragraphs.h"

#include <QHash>
#include <vector>

namespace exchange::htmltext {

namespace {

enum Flag : unsigned {
    Void = 1u << 0,
    Block = 1u << 1,
    Pre = 1u << 2,         // white space kept, one paragraph a line
    Hidden = 1u << 3,      // contents left out (template)
    RawHidden = 1u << 4,   // raw text to its end tag, left out
    RawShown = 1u << 5,    // raw text to its end tag, shown as preformatted
    RcdataHidden = 1u << 6, // text with references to its end tag, left out
    RcdataShown = 1u << 7, // text with references to its end tag, shown
    Plaintext = 1u << 8,   // the rest of the page is raw text
    ClosesP = 1u << 9,     // its start ends an open p
    ScopeDefault = 1u << 10, // boundaries of the default scope
    ScopeButton = 1u << 11,
    ScopeList = 1u << 12,
    ScopeTable = 1u << 13,
    ScopeSelect = 1u << 14,
    Heading = 1u << 15,
    LineBreak = 1u << 16,
};

const QHash<QString, unsigned> &tagFlags()
{
    static const QHash<QString, unsigned> flags = [] {
        QHash<QString, unsigned> f;
        const auto add = [&f](std::initializer_list<const char *> names, unsigned bits) {
            for (const char *name : names)
                f[QString::fromLatin1(name)] |= bits;
        };
        add({"area", "base", "basefont", "bgsound", "col", "embed", "frame", "img", "input",
             "keygen", "link", "meta", "param", "source", "track", "wbr", "image"},
            Void);
        add({"br"}, Void | LineBreak);
        add({"hr"}, Void | Block | ClosesP);
        add({"address", "article", "aside", "blockquote", "center", "details", "dialog", "dir",
             "div", "dl", "fieldset", "figcaption", "figure", "footer", "header", "hgroup",
             "main", "menu", "nav", "ol", "p", "section", "summary", "ul", "search", "form",
             "table", "xmp", "plaintext", "listing", "pre"},
            Block | ClosesP);
        add({"h1", "h2", "h3", "h4", "h5", "h6"}, Block | ClosesP | Heading);
        add({"li", "dd", "dt"}, Block | ClosesP);
        add({"html", "body", "caption", "td", "th", "tr", "tbody", "thead", "tfoot", "legend",
             "frameset", "colgroup"},
            Block);
        add({"pre", "listing"}, Pre);
        add({"template"}, Hidden);
        add({"script", "style", "iframe", "noembed", "noframes"}, RawHidden);
        add({"xmp"}, RawShown);
        add({"title"}, RcdataHidden);
        add({"textarea"}, RcdataShown);
        add({"plaintext"}, Plaintext);
        add({"applet", "caption", "html", "table", "td", "th", "marquee", "object", "template"},
            ScopeDefault);
        add({"button"}, ScopeButton);
        add({"ol", "ul"}, ScopeList);
        add({"html", "table", "template"}, ScopeTable);
        add({"select"}, ScopeSelect);
        return f;
    }();
    return flags;
}

bool isSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool isAsciiLetter(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

constexpr char16_t kLineBreak = 0x2028;

struct Open
{
    QString name;
    unsigned flags;
    // The nearest boundaries of each scope at or below this entry (-1: none).
    int bDefault, bButton, bList, bTable, bSelect;
};

class Walker
{
public:
    Walker(QStringView page, const std::function<void()> &poll) : s(page), m_poll(poll) {}

    QStringList run();

private:
    // Text
    void flush()
    {
        addParagraph(m_out, m_cur);
        m_cur.clear();
    }
    bool preformatted() const { return m_pre > 0 || m_rawPre; }
    void appendChar(char16_t c);
    void appendText(QStringView text, bool references);
    void lineBreak();

    // Tags
    qsizetype tag(qsizetype lt);
    void startTag(const QString &name, bool selfClosing, qsizetype &pos);
    void endTag(const QString &name);
    void push(const QString &name, unsigned flags);
    void popTo(int index);
    int nearest(const QString &name) const;
    int nearestOf(std::initializer_list<const char *> names) const;
    void closeInScope(std::initializer_list<const char *> names, int boundary);
    int top(int Open::*bound) const { return m_stack.empty() ? -1 : m_stack.back().*bound; }
    int buttonScope() const { return std::max(top(&Open::bDefault), top(&Open::bButton)); }
    qsizetype rawText(qsizetype pos, const QString &name, bool shown, bool references);

    void tick()
    {
        if (++m_tokens % 4096 == 0 && m_poll)
            m_poll();
    }

    QStringView s;
    const std::function<void()> &m_poll;
    QStringList m_out;
    QString m_cur;
    std::vector<Open> m_stack;
    QHash<QString, std::vector<int>> m_positions;
    int m_pre = 0;
    int m_hidden = 0;
    bool m_rawPre = false;
    bool m_dropNewline = false;
    quint64 m_tokens = 0;
};

void Walker::appendChar(char16_t c)
{
    if (m_hidden > 0)
        return;
    if (preformatted()) {
        if (c == u'\r' || c == u'\n') {
            if (m_dropNewline) {
                m_dropNewline = c == u'\r'; // CR LF counts as one
                return;
            }
            flush();
            return;
        }
        m_dropNewline = false;
        m_cur += QChar(c);
        return;
    }
    if (isSpace(c)) {
        if (!m_cur.isEmpty() && m_cur.back() != u' ' && m_cur.back() != QChar(kLineBreak))
            m_cur += u' ';
        return;
    }
    m_cur += QChar(c);
}

void Walker::appendText(QStringView text, bool references)
{
    QString decoded;
    for (qsizetype i = 0; i < text.size();) {
        const char16_t c = text[i].unicode();
        if (c == u'&' && references) {
            decoded.clear();
            const qsizetype next = htmlentities::decode(text, i, decoded);
            if (next > i) {
                for (const QChar d : decoded)
                    appendChar(d.unicode());
                i = next;
                continue;
            }
        }
        // CR LF and a lone CR are one line end, as browsers read them.
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            ++i;
            continue;
        }
        appendChar(c == u'\r' ? u'\n' : c);
        ++i;
    }
}

void Walker::lineBreak()
{
    if (m_hidden > 0)
        return;
    if (preformatted()) {
        flush();
        return;
    }
    if (!m_cur.isEmpty() && m_cur.back() == u' ')
        m_cur.back() = QChar(kLineBreak);
    else
        m_cur += QChar(kLineBreak);
}

int Walker::nearest(const QString &name) const
{
    const auto it = m_positions.constFind(name);
    return it == m_positions.cend() || it->empty() ? -1 : it->back();
}

int Walker::nearestOf(std::initializer_list<const char *> names) const
{
    int best = -1;
    for (const char *name : names)
        best = std::max(best, nearest(QString::fromLatin1(name)));
    return best;
}

void Walker::closeInScope(std::initializer_list<const char *> names, int boundary)
{
    const int index = nearestOf(names);
    if (index >= 0 && index >= boundary)
        popTo(index);
}

void Walker::push(const QString &name, unsigned flags)
{
    if (int(m_stack.size()) >= kMaxDepth)
        throw ReadFailure(depthRefusal(kMaxDepth));
    const int index = int(m_stack.size());
    const auto bound = [&](int Open::*member, unsigned bit) {
        return (flags & bit) ? index : top(member);
    };
    m_stack.push_back(Open{name, flags, bound(&Open::bDefault, ScopeDefault),
                           bound(&Open::bButton, ScopeButton), bound(&Open::bList, ScopeList),
                           bound(&Open::bTable, ScopeTable), bound(&Open::bSelect, ScopeSelect)});
    m_positions[name].push_back(index);
    if (flags & Pre)
        ++m_pre;
    if (flags & Hidden)
        ++m_hidden;
}

void Walker::popTo(int index)
{
    while (int(m_stack.size()) > index) {
        const Open &open = m_stack.back();
        m_positions[open.name].pop_back();
        if (open.flags & Pre)
            --m_pre;
        if (open.flags & Hidden)
            --m_hidden;
        if (open.flags & Block)
            flush();
        m_stack.pop_back();
    }
}

void Walker::startTag(const QString &name, bool selfClosing, qsizetype &pos)
{
    m_dropNewline = false;
    const unsigned flags = tagFlags().value(name, 0);
    // The end tags browsers imply.
    if (flags & ClosesP)
        closeInScope({"p"}, buttonScope());
    if (name == u"li")
        closeInScope({"li"}, std::max(top(&Open::bDefault), top(&Open::bList)));
    else if (name == u"dd" || name == u"dt")
        closeInScope({"dd", "dt"}, top(&Open::bDefault));
    else if (name == u"td" || name == u"th")
        closeInScope({"td", "th"}, top(&Open::bTable));
    else if (name == u"tr" || name == u"tbody" || name == u"thead" || name == u"tfoot")
        closeInScope({"tr"}, top(&Open::bTable));
    else if (name == u"option" || name == u"optgroup")
        closeInScope({"option"}, top(&Open::bSelect));
    if ((flags & Heading) && !m_stack.empty() && (m_stack.back().flags & Heading))
        popTo(int(m_stack.size()) - 1);

    if (flags & Block)
        flush();
    if (flags & LineBreak) {
        lineBreak();
        return;
    }
    if (flags & Void)
        return;
    if (flags & (RawHidden | RawShown | RcdataHidden | RcdataShown)) {
        if (selfClosing)
            return;
        const bool shown = flags & (RawShown | RcdataShown);
        pos = rawText(pos, name, shown, flags & (RcdataHidden | RcdataShown));
        if (flags & Block)
            flush();
        return;
    }
    if (flags & Plaintext) {
        m_rawPre = true;
        m_dropNewline = true;
        appendText(s.sliced(pos), false);
        pos = s.size();
        flush();
        return;
    }
    if (selfClosing) {
        if (flags & Block)
            flush();
        return;
    }
    push(name, flags);
    if (flags & Pre)
        m_dropNewline = true;
}

void Walker::endTag(const QString &name)
{
    m_dropNewline = false;
    const unsigned flags = tagFlags().value(name, 0);
    if (flags & LineBreak) { // </br> is read as <br>
        lineBreak();
        return;
    }
    int boundary = top(&Open::bDefault);
    if (name == u"p")
        boundary = buttonScope();
    else if (name == u"li")
        boundary = std::max(boundary, top(&Open::bList));
    else if (name == u"td" || name == u"th" || name == u"tr" || name == u"tbody"
             || name == u"thead" || name == u"tfoot" || name == u"table")
        boundary = top(&Open::bTable);
    else if (name == u"option" || name == u"optgroup" || name == u"select")
        boundary = top(&Open::bSelect);
    const int index = nearest(name);
    if (index >= 0 && index >= boundary)
        popTo(index);
    else if (flags & Block)
        flush(); // a stray </p> still ends the paragraph
}

// The contents of a raw text element (script, style, title, textarea…) up to
// its end tag, or to the end of the page.
qsizetype Walker::rawText(qsizetype pos, const QString &name, bool shown, bool references)
{
    const QString close = QStringLiteral("</") + name;
    qsizetype from = pos;
    qsizetype end = s.size();
    qsizetype after = s.size();
    for (;;) {
        const qsizetype at = s.indexOf(close, from, Qt::CaseInsensitive);
        if (at < 0)
            break;
        const qsizetype next = at + close.size();
        if (next >= s.size() || isSpace(s[next].unicode()) || s[next] == u'/' || s[next] == u'>') {
            end = at;
            const qsizetype gt = s.indexOf(u'>', next);
            after = gt < 0 ? s.size() : gt + 1;
            break;
        }
        from = next;
    }
    if (shown) {
        m_rawPre = true;
        m_dropNewline = true;
        appendText(s.sliced(pos, end - pos), references);
        m_rawPre = false;
        m_dropNewline = false;
        flush();
    }
    return after;
}

// A tag, comment or declaration at s[lt] == '<'; returns the position after
// it, or lt when the '<' is text.
qsizetype Walker::tag(qsizetype lt)
{
    const qsizetype n = s.size();
    qsizetype i = lt + 1;
    if (i >= n)
        return lt;
    const char16_t c = s[i].unicode();
    if (c == u'!') {
        if (s.sliced(i).startsWith(u"!--")) {
            qsizetype from = i + 3;
            // <!--> and <!---> are empty comments.
            if (from < n && s[from] == u'>')
                return from + 1;
            if (from + 1 < n && s[from] == u'-' && s[from + 1] == u'>')
                return from + 2;
            for (;;) {
                const qsizetype dashes = s.indexOf(u"--", from);
                if (dashes < 0)
                    return n;
                qsizetype k = dashes + 2;
                if (k < n && s[k] == u'!')
                    ++k;
                if (k < n && s[k] == u'>')
                    return k + 1;
                from = dashes + 1;
            }
        }
        const qsizetype gt = s.indexOf(u'>', i);
        return gt < 0 ? n : gt + 1; // doctype, CDATA and other declarations
    }
    if (c == u'?') {
        const qsizetype gt = s.indexOf(u'>', i);
        return gt < 0 ? n : gt + 1;
    }
    const bool end = c == u'/';
    if (end) {
        ++i;
        if (i < n && s[i] == u'>')
            return i + 1; // </> is nothing
        if (i >= n)
            return lt;
        if (!isAsciiLetter(s[i].unicode())) { // a bogus comment
            const qsizetype gt = s.indexOf(u'>', i);
            return gt < 0 ? n : gt + 1;
        }
    } else if (!isAsciiLetter(c)) {
        return lt;
    }
    const qsizetype nameStart = i;
    while (i < n && !isSpace(s[i].unicode()) && s[i] != u'/' && s[i] != u'>')
        ++i;
    const QString name = s.sliced(nameStart, i - nameStart).toString().toLower();
    // The attributes, skipped: a quoted value may hold '>'.
    bool selfClosing = false;
    for (;;) {
        while (i < n && (isSpace(s[i].unicode()) || s[i] == u'/')) {
            selfClosing = s[i] == u'/';
            ++i;
        }
        if (i >= n)
            return n; // a tag cut by the end of the page is dropped
        if (s[i] == u'>') {
            ++i;
            break;
        }
        selfClosing = false;
        ++i; // the first character of a name may be '='
        while (i < n && !isSpace(s[i].unicode()) && s[i] != u'/' && s[i] != u'>'
               && s[i] != u'=')
            ++i;
        while (i < n && isSpace(s[i].unicode()))
            ++i;
        if (i < n && s[i] == u'=') {
            ++i;
            while (i < n && isSpace(s[i].unicode()))
                ++i;
            if (i < n && (s[i] == u'"' || s[i] == u'\'')) {
                const qsizetype close = s.indexOf(s[i], i + 1);
                if (close < 0)
                    return n;
                i = close + 1;
            } else {
                while (i < n && !isSpace(s[i].unicode()) && s[i] != u'>')
                    ++i;
            }
        }
    }
    if (end)
        endTag(name);
    else
        startTag(name, selfClosing, i);
    return i;
}

QStringList Walker::run()
{
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        tick();
        if (s[i] == u'<') {
            const qsizetype next = tag(i);
            if (next > i) {
                i = next;
                continue;
            }
        }
        // A run of text up to the next tag, in pieces of bounded size so that
        // the poll comes often whatever the page.
        qsizetype end = s.indexOf(u'<', i + 1);
        if (end < 0)
            end = n;
        end = std::min(end, i + 65536);
        if (end < n && s[end - 1].isHighSurrogate() && end - i > 1)
            --end;
        // A reference is never cut.
        const qsizetype amp = s.sliced(i, end - i).lastIndexOf(u'&');
        if (amp > 0 && end < n && s[end] != u'<' && end - (i + amp) < 48)
            end = i + amp;
        appendText(s.sliced(i, end - i), true);
        i = end;
    }
    flush();
    return m_out;
}

} // namespace

QString depthRefusal(int limit)
{
    return QStringLiteral("le document imbrique ses éléments sur plus de %1 niveaux : refusé")
        .arg(frenchNumber(limit));
}

QStringList paragraphs(QStringView page, const std::function<void()> &poll)
{
    Walker walker(page, poll);
    return walker.run();
}

} // namespace exchange::htmltext
