#include "analysis/starredcorpus.h"

#include "store/attributestore.h"

#include <QRegularExpression>

namespace starred {

namespace {

constexpr QByteArrayView kMark = "****";

bool blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

QString Fault::message() const
{
    return QStringLiteral("ligne %1 : %2").arg(m_line).arg(m_cause);
}

QString parse(QByteArrayView line, std::vector<Attribute> &attributes)
{
    attributes.clear();
    static const QRegularExpression separators(QStringLiteral("[ \\t]+"));
    const QStringList words =
        QString::fromUtf8(line).split(separators, Qt::SkipEmptyParts);
    if (words.isEmpty() || words.first() != QLatin1String(kMark))
        return QStringLiteral("les attributs d'une ligne étoilée suivent « **** » après une "
                              "espace (**** *nom_valeur).");
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (!word.startsWith(QLatin1Char('*')))
            return QStringLiteral("« %1 » n'est pas un attribut : chacun commence par « * » "
                                  "(*nom_valeur).")
                .arg(word);
        const QString body = word.mid(1);
        const qsizetype cut = body.indexOf(QLatin1Char('_'));
        Attribute a;
        a.name = cut < 0 ? body : body.left(cut);
        a.value = cut < 0 ? QStringLiteral("oui") : body.mid(cut + 1);
        const QString nameFault = attributes::nameFault(a.name);
        if (!nameFault.isEmpty())
            return nameFault;
        if (a.value.isEmpty())
            return QStringLiteral("l'attribut « %1 » n'a pas de valeur après « _ ».").arg(a.name);
        const QString valueFault = attributes::valueFault(a.value);
        if (!valueFault.isEmpty())
            return valueFault;
        for (const Attribute &before : attributes)
            if (before.name.compare(a.name, Qt::CaseInsensitive) == 0)
                return QStringLiteral("l'attribut « %1 » est donné deux fois.").arg(a.name);
        attributes.push_back(a);
    }
    return QString();
}

// ----- PeekedSource -----

PeekedSource::PeekedSource(std::unique_ptr<takein::Utf8Source> inner) : m_inner(std::move(inner))
{
}

bool PeekedSource::starred()
{
    // The piece and the byte looked at; read on as long as it takes.
    qsizetype index = 0;
    qsizetype at = 0;
    const auto available = [&]() {
        while (index < m_peeked.size() && at >= m_peeked.at(index).size()) {
            ++index;
            at = 0;
        }
        if (index < m_peeked.size())
            return true;
        QByteArray piece;
        if (m_ended || !m_inner->next(piece)) {
            m_ended = true;
            return false;
        }
        m_peeked << piece;
        at = 0;
        return true;
    };
    char previous = '\n';
    while (available()) {
        const char c = m_peeked.at(index).at(at);
        if (blank(c)) {
            previous = c;
            ++at;
            continue;
        }
        // The first byte of the first line that is not empty: it must
        // begin the line, and "****" with it.
        if (previous != '\n' && previous != '\r')
            return false;
        for (const char m : kMark) {
            if (!available() || m_peeked.at(index).at(at) != m)
                return false;
            ++at;
        }
        return true;
    }
    return false;
}

bool PeekedSource::next(QByteArray &piece)
{
    if (!m_peeked.isEmpty()) {
        piece = m_peeked.takeFirst();
        return true;
    }
    if (m_ended)
        return false;
    if (m_inner->next(piece))
        return true;
    m_ended = true;
    return false;
}

// ----- Corpus -----

Corpus::Corpus(takein::Utf8Source &source) : m_source(source) {}

bool Corpus::more(qsizetype keep)
{
    if (m_ended)
        return false;
    QByteArray piece;
    if (!m_source.next(piece)) {
        m_ended = true;
        return false;
    }
    m_read += piece.size();
    if (keep >= m_buffer.size()) {
        m_buffer = std::move(piece);
    } else {
        m_buffer.remove(0, keep);
        m_buffer += piece;
    }
    m_pos -= keep;
    return true;
}

bool Corpus::textPiece(QByteArray &piece)
{
    if (m_atMark)
        return false;
    qsizetype start = m_pos;
    for (;;) {
        if (m_pos >= m_buffer.size()) {
            if (m_pos > start) {
                piece = start == 0 ? m_buffer : m_buffer.mid(start, m_pos - start);
                return true;
            }
            if (!more(m_pos))
                return false;
            start = m_pos;
            continue;
        }
        const char c = m_buffer.at(m_pos);
        const bool lineStart = m_previous == '\n' || (m_previous == '\r' && c != '\n');
        if (lineStart && c == '*') {
            // The mark may run on into the next piece.
            while (m_buffer.size() - m_pos < kMark.size() && more(start))
                start = 0;
            if (m_buffer.size() - m_pos >= kMark.size()
                && QByteArrayView(m_buffer).sliced(m_pos, kMark.size()) == kMark) {
                m_atMark = true;
                if (m_pos > start) {
                    piece = m_buffer.mid(start, m_pos - start);
                    return true;
                }
                return false;
            }
        }
        if (lineStart)
            ++m_lines;
        m_previous = c;
        ++m_pos;
    }
}

bool Corpus::ahead()
{
    while (m_pos >= m_buffer.size())
        if (!more(m_pos))
            return false;
    return true;
}

void Corpus::readStarredLine()
{
    m_starredLine = ++m_lines;
    QByteArray line;
    for (;;) {
        if (!ahead())
            break; // the file's end ends the line
        const char c = m_buffer.at(m_pos);
        ++m_pos;
        m_previous = c;
        if (c == '\n')
            break;
        if (c == '\r') {
            // CR LF is one line end, whichever pieces its bytes come in.
            if (ahead() && m_buffer.at(m_pos) == '\n') {
                ++m_pos;
                m_previous = '\n';
            }
            break;
        }
        line += c;
        if (line.size() > kMaxStarredLine)
            throw Fault(m_starredLine,
                        QStringLiteral("la ligne étoilée dépasse %L1 octets : une fin de ligne "
                                       "manque sans doute après elle.")
                            .arg(kMaxStarredLine));
    }
    m_atMark = false;
    const QString cause = parse(line, m_attributes);
    if (!cause.isEmpty())
        throw Fault(m_starredLine, cause);
}

bool Corpus::next()
{
    QByteArray rest;
    while (textPiece(rest)) {
    }
    if (!m_atMark)
        return false;
    readStarredLine();
    return true;
}

} // namespace starred
