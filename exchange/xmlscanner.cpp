#include "exchange/xmlscanner.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>

namespace exchange {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameEnd(char c)
{
    return isSpace(c) || c == '>' || c == '/' || c == '=';
}

void appendUtf8(QByteArray &out, uint code)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

} // namespace

void appendXmlText(QByteArray &out, QByteArrayView raw)
{
    qsizetype i = 0;
    const qsizetype n = raw.size();
    while (i < n) {
        const char *amp = static_cast<const char *>(std::memchr(raw.data() + i, '&', size_t(n - i)));
        if (!amp) {
            out.append(raw.data() + i, n - i);
            return;
        }
        const qsizetype at = amp - raw.data();
        out.append(raw.data() + i, at - i);
        const qsizetype semi = raw.indexOf(';', at);
        if (semi < 0 || semi - at > 12) { // not a reference: kept as it stands
            out += '&';
            i = at + 1;
            continue;
        }
        const QByteArrayView name = raw.sliced(at + 1, semi - at - 1);
        if (name == "lt")
            out += '<';
        else if (name == "gt")
            out += '>';
        else if (name == "amp")
            out += '&';
        else if (name == "quot")
            out += '"';
        else if (name == "apos")
            out += '\'';
        else if (name.startsWith('#')) {
            bool ok = false;
            const uint code = name.startsWith("#x") || name.startsWith("#X")
                                  ? name.sliced(2).toByteArray().toUInt(&ok, 16)
                                  : name.sliced(1).toByteArray().toUInt(&ok, 10);
            if (ok && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF))
                appendUtf8(out, code);
        } else {
            out.append(raw.data() + at, semi - at + 1);
        }
        i = semi + 1;
    }
}

XmlScanner::Token XmlScanner::fail(Fault fault)
{
    if (m_fault == NoFault) {
        m_fault = fault == Malformed && m_deviceFailed ? ReadFailed : fault;
        m_errorAt = m_pos;
    }
    m_pos = m_xml.size();
    m_pendingEnd = false;
    return Invalid;
}

int XmlScanner::errorLine() const
{
    const qsizetype end = qMin(m_errorAt < 0 ? m_pos : m_errorAt, m_xml.size());
    return 1 + int(m_linesDropped) + int(std::count(m_xml.data(), m_xml.data() + end, '\n'));
}

QString XmlScanner::deviceError() const
{
    return m_device ? m_device->errorString() : QString();
}

bool XmlScanner::more()
{
    if (!m_device || m_deviceEnded)
        return false;
    // What is before the current token is let go; the bytes kept (a token
    // begun) are read again with more after them.
    const qsizetype pos = qMin(m_pos, qsizetype(m_buffer.size()));
    m_linesDropped += std::count(m_buffer.constData(), m_buffer.constData() + pos, '\n');
    if (m_errorAt >= 0)
        m_errorAt = qMax<qsizetype>(0, m_errorAt - pos);
    m_buffer.remove(0, pos);
    m_pos = 0;
    const qsizetype kept = m_buffer.size();
    if (kept > kMaxMarkup) {
        m_xml = QByteArrayView(m_buffer);
        return false;
    }
    // The piece grows with what is kept, so that a long tag is not scanned
    // again and again.
    const qsizetype piece = qMax(kChunk, kept);
    m_buffer.resize(kept + piece);
    const qint64 got = m_device->read(m_buffer.data() + kept, piece);
    if (got <= 0) {
        m_deviceEnded = true;
        m_deviceFailed = got < 0;
    }
    m_buffer.resize(kept + qMax<qint64>(0, got));
    m_xml = QByteArrayView(m_buffer);
    return got > 0;
}

QByteArrayView XmlScanner::openBack() const
{
    return QByteArrayView(m_openNames).sliced(m_openStarts.back());
}

void XmlScanner::pushOpen(QByteArrayView qualified)
{
    m_openStarts.push_back(m_openNames.size());
    m_openNames.append(qualified.data(), qualified.size());
}

void XmlScanner::popOpen()
{
    m_openNames.truncate(m_openStarts.back());
    m_openStarts.pop_back();
}

QByteArrayView XmlScanner::namespaceUri() const
{
    if (m_lastValid && m_prefix == m_lastPrefix)
        return m_lastUri;
    m_lastPrefix = m_prefix.toByteArray();
    const auto it = m_namespaces.constFind(m_lastPrefix);
    m_lastUri = it == m_namespaces.constEnd() ? QByteArrayView() : QByteArrayView(*it);
    m_lastValid = true;
    return m_lastUri;
}

QByteArray XmlScanner::attribute(QByteArrayView localName) const
{
    for (const auto &a : m_attributes) {
        const qsizetype colon = a.first.indexOf(':');
        if (a.first.sliced(colon + 1) == localName) {
            QByteArray out;
            appendXmlText(out, a.second);
            return out;
        }
    }
    return QByteArray();
}

void XmlScanner::appendText(QByteArray &out) const
{
    if (m_cdata)
        out.append(m_text.data(), m_text.size());
    else
        appendXmlText(out, m_text);
}

XmlScanner::TagResult XmlScanner::readStartTag(qsizetype begin)
{
    const char *d = m_xml.data();
    const qsizetype n = m_xml.size();
    qsizetype i = begin;
    while (i < n && !isNameEnd(d[i]))
        ++i;
    if (i >= n)
        return TagShort;
    if (i == begin)
        return TagBad;
    const QByteArrayView qualified(d + begin, i - begin);
    m_attributes.clear();
    std::vector<std::pair<QByteArrayView, QByteArrayView>> declarations;
    for (;;) {
        while (i < n && isSpace(d[i]))
            ++i;
        if (i >= n)
            return TagShort;
        if (d[i] == '>' || d[i] == '/') {
            if (d[i] == '/' && i + 1 >= n)
                return TagShort;
            if (d[i] == '/' && d[i + 1] != '>')
                return TagBad;
            // The whole tag is read: only now does the scanner change.
            for (const auto &decl : declarations)
                m_namespaces.insert(decl.first.toByteArray(), decl.second.toByteArray());
            if (!declarations.empty())
                m_lastValid = false;
            const qsizetype colon = qualified.indexOf(':');
            m_prefix = colon < 0 ? QByteArrayView() : qualified.first(colon);
            m_local = qualified.sliced(colon + 1);
            m_pendingEnd = d[i] == '/';
            m_pos = i + (m_pendingEnd ? 2 : 1);
            pushOpen(qualified);
            return TagDone;
        }
        const qsizetype nameBegin = i;
        while (i < n && !isNameEnd(d[i]))
            ++i;
        const QByteArrayView name(d + nameBegin, i - nameBegin);
        while (i < n && isSpace(d[i]))
            ++i;
        if (i >= n)
            return TagShort;
        if (name.isEmpty() || d[i] != '=')
            return TagBad;
        ++i;
        while (i < n && isSpace(d[i]))
            ++i;
        if (i >= n)
            return TagShort;
        if (d[i] != '"' && d[i] != '\'')
            return TagBad;
        const char quote = d[i++];
        const char *close = static_cast<const char *>(std::memchr(d + i, quote, size_t(n - i)));
        if (!close)
            return TagShort;
        const QByteArrayView value(d + i, close - (d + i));
        i = close - d + 1;
        if (name == "xmlns" || name.startsWith("xmlns:"))
            declarations.emplace_back(name == "xmlns" ? QByteArrayView() : name.sliced(6), value);
        else
            m_attributes.emplace_back(name, value);
    }
}

namespace {

// The end of a document type (after its '>'), its internal subset included;
// -1 when `rest` does not hold it all. `entities` tells whether the subset
// declares entities.
qsizetype doctypeEnd(QByteArrayView rest, bool &entities)
{
    const qsizetype bracket = rest.indexOf('[');
    const qsizetype close = rest.indexOf('>');
    if (close >= 0 && (bracket < 0 || close < bracket))
        return close + 1;
    if (bracket < 0)
        return -1;
    for (qsizetype from = bracket + 1;;) {
        const qsizetype end = rest.indexOf(']', from);
        if (end < 0)
            return -1;
        qsizetype i = end + 1;
        while (i < rest.size() && isSpace(rest.at(i)))
            ++i;
        if (i >= rest.size())
            return -1;
        if (rest.at(i) == '>') {
            entities = rest.first(end).indexOf("<!ENTITY") >= 0;
            return i + 1;
        }
        from = end + 1;
    }
}

} // namespace

XmlScanner::Token XmlScanner::next()
{
    if (m_fault != NoFault)
        return Invalid; // never past a fault, whatever follows it
    if (m_pendingEnd) {
        m_pendingEnd = false;
        popOpen();
        return EndElement; // m_local and m_prefix still name it
    }
    for (;;) {
        // Comments and white space skipped count as tokens too.
        if (m_poll && ++m_tokens >= kPollEvery) {
            m_tokens = 0;
            m_poll();
        }
        const char *d = m_xml.data();
        const qsizetype n = m_xml.size();
        if (m_pos >= n) {
            if (more())
                continue;
            // A member found damaged at its end (its check sum) is not
            // a document read.
            if (m_deviceFailed || !m_openStarts.empty() || !m_rootSeen)
                return fail();
            return EndOfDocument;
        }
        if (d[m_pos] != '<') {
            const char *lt = static_cast<const char *>(std::memchr(d + m_pos, '<', size_t(n - m_pos)));
            qsizetype end = lt ? lt - d : n;
            if (!lt && m_device && !m_deviceEnded) {
                if (n - m_pos < kChunk) {
                    more();
                    continue;
                }
                // A long text comes in pieces, never cut inside a reference.
                const qsizetype amp = QByteArrayView(d + m_pos, n - m_pos).lastIndexOf('&');
                if (amp > 0 && QByteArrayView(d + m_pos + amp, n - m_pos - amp).indexOf(';') < 0)
                    end = m_pos + amp;
            }
            m_text = QByteArrayView(d + m_pos, end - m_pos);
            m_cdata = false;
            m_pos = end;
            if (m_openStarts.empty())
                continue; // white space around the root
            return Characters;
        }
        const QByteArrayView rest(d + m_pos, n - m_pos);
        if (rest.size() < 9 && m_device && !m_deviceEnded) {
            more();
            continue;
        }
        // Where a piece of markup ends beyond what is held, more is read
        // and the piece scanned again.
        const auto shortOf = [&] {
            if (more())
                return true;
            fail(m_buffer.size() > kMaxMarkup ? TooLong : Malformed);
            return false;
        };
        if (rest.startsWith("<!--")) {
            const qsizetype close = rest.indexOf("-->");
            if (close < 0) {
                if (shortOf())
                    continue;
                return Invalid;
            }
            m_pos += close + 3;
            continue;
        }
        if (rest.startsWith("<![CDATA[")) {
            if (m_openStarts.empty())
                return fail();
            const qsizetype close = rest.indexOf("]]>");
            if (close < 0) {
                if (shortOf())
                    continue;
                return Invalid;
            }
            m_text = rest.sliced(9, close - 9);
            m_cdata = true;
            m_pos += close + 3;
            return Characters;
        }
        if (rest.startsWith("<?") || rest.startsWith("<!")) {
            if (rest.startsWith("<!") && m_rootSeen)
                return fail();
            bool entities = rest.startsWith("<!ENTITY");
            const qsizetype close = rest.startsWith("<!DOCTYPE") ? doctypeEnd(rest, entities)
                                                                 : rest.indexOf('>');
            if (entities)
                return fail(Entities);
            if (close < 0) {
                if (shortOf())
                    continue;
                return Invalid;
            }
            m_pos += rest.startsWith("<!DOCTYPE") ? close : close + 1;
            continue;
        }
        if (rest.startsWith("</")) {
            const qsizetype close = rest.indexOf('>');
            if (close < 0) {
                if (shortOf())
                    continue;
                return Invalid;
            }
            if (m_openStarts.empty())
                return fail();
            QByteArrayView name = rest.sliced(2, close - 2);
            while (!name.isEmpty() && isSpace(name.back()))
                name.chop(1);
            if (name != openBack())
                return fail();
            popOpen();
            const qsizetype colon = name.indexOf(':');
            m_prefix = colon < 0 ? QByteArrayView() : name.first(colon);
            m_local = name.sliced(colon + 1);
            m_pos += close + 1;
            return EndElement;
        }
        if (m_rootSeen && m_openStarts.empty())
            return fail(); // a second root
        const TagResult tag = readStartTag(m_pos + 1);
        if (tag == TagShort) {
            if (shortOf())
                continue;
            return Invalid;
        }
        if (tag == TagBad)
            return fail();
        m_rootSeen = true;
        if (m_maxDepth > 0 && m_openStarts.size() > size_t(m_maxDepth))
            return fail(TooDeep);
        return StartElement;
    }
}

void XmlScanner::skipElement()
{
    const size_t depth = m_openStarts.size();
    for (;;) {
        const Token t = next();
        if (t == Invalid || t == EndOfDocument)
            return;
        if (t == EndElement && m_openStarts.size() < depth)
            return;
    }
}

} // namespace exchange
