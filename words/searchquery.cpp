#include "words/searchquery.h"

#include <QStringView>

namespace words {
namespace {

// Why a query cannot be read, and where (from 0; shown from 1).
struct QueryError {
    qsizetype position;
    QString why;
};

enum class Kind { End, Open, Close, Or, Minus, Term };

struct Token {
    Kind kind = Kind::End;
    qsizetype position = 0;
    QString fts;     // a term: its quoted FTS5 string, " *" after a prefix
    QString written; // a term as written
};

bool holdsLetterOrDigit(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
            ++i;
        }
        if (QChar::isLetterOrNumber(c))
            return true;
    }
    return false;
}

// A string for FTS5: in double quotes, any double quote in it doubled, so
// that nothing in it is read as the syntax of the query (AND, NEAR, ":", "^"…);
// the index's tokenizer splits it into its words, a phrase.
QString quoted(QStringView text, bool prefix)
{
    QString s;
    s.reserve(text.size() + 4);
    s += QLatin1Char('"');
    for (const QChar c : text) {
        s += c;
        if (c == QLatin1Char('"'))
            s += QLatin1Char('"');
    }
    s += QLatin1Char('"');
    if (prefix)
        s += QStringLiteral(" *");
    return s;
}

class Lexer
{
public:
    explicit Lexer(QStringView query) : m_query(query) {}

    const Token &peek()
    {
        if (!m_ready) {
            m_token = read();
            m_ready = true;
        }
        return m_token;
    }
    Token next()
    {
        peek();
        m_ready = false;
        return m_token;
    }

private:
    bool isSpace(qsizetype i) const { return m_query[i].isSpace(); }
    bool endsWord(qsizetype i) const
    {
        const QChar c = m_query[i];
        return c.isSpace() || c == QLatin1Char('(') || c == QLatin1Char(')');
    }

    Token read()
    {
        const qsizetype n = m_query.size();
        while (m_at < n && isSpace(m_at))
            ++m_at;
        Token t;
        t.position = m_at;
        if (m_at >= n)
            return t;
        const QChar c = m_query[m_at];
        const bool termStart = !m_afterMinus;
        m_afterMinus = false;
        if (c == QLatin1Char('(')) {
            ++m_at;
            t.kind = Kind::Open;
            return t;
        }
        if (c == QLatin1Char(')')) {
            ++m_at;
            t.kind = Kind::Close;
            return t;
        }
        // "-" before a word, a phrase or a group excludes it; alone, it is
        // a word without letters.
        if (termStart && c == QLatin1Char('-') && m_at + 1 < n && !m_query[m_at + 1].isSpace()
            && m_query[m_at + 1] != QLatin1Char(')')) {
            ++m_at;
            m_afterMinus = true;
            t.kind = Kind::Minus;
            return t;
        }
        t.kind = Kind::Term;
        if (c == QLatin1Char('"'))
            return phrase(t);
        return word(t);
    }

    Token phrase(Token &t)
    {
        const qsizetype open = m_at;
        const qsizetype close = m_query.indexOf(QLatin1Char('"'), open + 1);
        if (close < 0)
            throw QueryError{open, QStringLiteral("guillemet sans fin")};
        QStringView inside = m_query.mid(open + 1, close - open - 1);
        m_at = close + 1;
        bool prefix = false;
        // A prefix phrase: "une phr*" or "une phr"*.
        if (!inside.isEmpty() && inside.back() == QLatin1Char('*')) {
            prefix = true;
            inside.chop(1);
        } else if (m_at < m_query.size() && m_query[m_at] == QLatin1Char('*')) {
            prefix = true;
            ++m_at;
        }
        const qsizetype star = inside.indexOf(QLatin1Char('*'));
        if (star >= 0)
            throw QueryError{open + 1 + star, starMessage()};
        if (!holdsLetterOrDigit(inside))
            throw QueryError{open, QStringLiteral("la phrase entre guillemets n'a ni lettre ni chiffre")};
        t.written = m_query.mid(open, m_at - open).toString();
        t.fts = quoted(inside, prefix);
        return t;
    }

    Token word(Token &t)
    {
        const qsizetype start = m_at;
        while (m_at < m_query.size() && !endsWord(m_at))
            ++m_at;
        const QStringView written = m_query.mid(start, m_at - start);
        if (written == QLatin1String("OU") && !isExcluded(start)) {
            t.kind = Kind::Or;
            return t;
        }
        QStringView text = written;
        const bool prefix = text.back() == QLatin1Char('*');
        if (prefix)
            text.chop(1);
        const qsizetype star = text.indexOf(QLatin1Char('*'));
        if (star >= 0)
            throw QueryError{start + star, starMessage()};
        if (!holdsLetterOrDigit(text))
            throw QueryError{start, QStringLiteral("« %1 » n'a ni lettre ni chiffre").arg(written)};
        t.written = written.toString();
        t.fts = quoted(text, prefix);
        return t;
    }

    bool isExcluded(qsizetype start) const { return start > 0 && m_query[start - 1] == QLatin1Char('-'); }

    static QString starMessage()
    {
        return QStringLiteral("l'astérisque ne se met qu'à la fin d'un mot (écolog*)");
    }

    QStringView m_query;
    qsizetype m_at = 0;
    bool m_afterMinus = false;
    bool m_ready = false;
    Token m_token;
};

// query  := and (OU and)*
// and    := item+          (at least one item not excluded)
// item   := ["-"] primary
// primary:= term | "(" query ")"
class Parser
{
public:
    explicit Parser(QStringView query) : m_lexer(query) {}

    QString parse()
    {
        if (m_lexer.peek().kind == Kind::End)
            throw QueryError{0, QStringLiteral("aucun mot à chercher")};
        const QString fts = orExpression(0);
        const Token &t = m_lexer.peek();
        if (t.kind == Kind::Close)
            throw QueryError{t.position, QStringLiteral("parenthèse fermante sans parenthèse ouvrante")};
        return fts;
    }

    QStringList terms;

private:
    QString orExpression(int depth)
    {
        QStringList parts;
        for (;;) {
            const Token &t = m_lexer.peek();
            if (t.kind == Kind::Or)
                throw QueryError{t.position, QStringLiteral("OU sans mot avant lui")};
            parts.append(andExpression(depth));
            if (m_lexer.peek().kind != Kind::Or)
                break;
            const Token orToken = m_lexer.next();
            const Kind after = m_lexer.peek().kind;
            if (after == Kind::End || after == Kind::Close || after == Kind::Or)
                throw QueryError{orToken.position, QStringLiteral("OU sans mot après lui")};
        }
        return parts.size() == 1 ? parts.front() : QLatin1Char('(') + parts.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    }

    QString andExpression(int depth)
    {
        QStringList positives;
        QStringList negatives;
        qsizetype first = -1;
        for (;;) {
            const Token &t = m_lexer.peek();
            if (t.kind != Kind::Term && t.kind != Kind::Minus && t.kind != Kind::Open)
                break;
            if (first < 0)
                first = t.position;
            if (t.kind == Kind::Minus) {
                m_lexer.next();
                ++m_excluding;
                negatives.append(primary(depth));
                --m_excluding;
            } else {
                positives.append(primary(depth));
            }
        }
        if (first < 0) { // nothing before a ")" (an empty group is seen to before)
            const Token &t = m_lexer.peek();
            throw QueryError{t.position, depth == 0 ? QStringLiteral("parenthèse fermante sans parenthèse ouvrante")
                                                    : QStringLiteral("groupe vide")};
        }
        if (positives.isEmpty())
            throw QueryError{first, QStringLiteral("des mots exclus seulement : il faut au moins un mot à chercher avec eux")};
        QString fts = positives.size() == 1 ? positives.front()
                                            : QLatin1Char('(') + positives.join(QStringLiteral(" AND ")) + QLatin1Char(')');
        if (!negatives.isEmpty()) {
            const QString excluded = negatives.size() == 1
                ? negatives.front()
                : QLatin1Char('(') + negatives.join(QStringLiteral(" OR ")) + QLatin1Char(')');
            fts = QLatin1Char('(') + fts + QStringLiteral(" NOT ") + excluded + QLatin1Char(')');
        }
        return fts;
    }

    QString primary(int depth)
    {
        const Token t = m_lexer.next();
        if (t.kind == Kind::Term) {
            if (m_excluding == 0)
                terms.append(t.written);
            return t.fts;
        }
        if (t.kind != Kind::Open) // "-" before something that cannot be excluded
            throw QueryError{t.position, QStringLiteral("rien à exclure après « - »")};
        const Kind inside = m_lexer.peek().kind;
        if (inside == Kind::Close)
            throw QueryError{t.position, QStringLiteral("groupe vide")};
        if (inside == Kind::End)
            throw QueryError{t.position, QStringLiteral("parenthèse ouverte sans parenthèse fermante")};
        const QString fts = orExpression(depth + 1);
        const Token close = m_lexer.next();
        if (close.kind != Kind::Close)
            throw QueryError{t.position, QStringLiteral("parenthèse ouverte sans parenthèse fermante")};
        return fts;
    }

    Lexer m_lexer;
    int m_excluding = 0;
};

} // namespace

SearchQuery parseQuery(const QString &query)
{
    SearchQuery result;
    Parser parser(query);
    try {
        result.fts = parser.parse();
        result.terms = parser.terms;
        result.ok = true;
    } catch (const QueryError &e) {
        result.fts.clear();
        result.errorPosition = int(e.position) + 1;
        result.error = QStringLiteral("La requête ne se lit pas au caractère %1 : %2.")
                           .arg(result.errorPosition)
                           .arg(e.why);
    }
    return result;
}

} // namespace words
