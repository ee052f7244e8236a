#include "exchange/xmlscanner.h"

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

XmlScanner::Token XmlScanner::fail()
{
    if (m_errorAt < 0)
        m_errorAt = m_pos;
    m_pos = m_xml.size();
    return Invalid;
}

int XmlScanner::errorLine() const
{
    const qsizetype end = qMin(m_errorAt < 0 ? m_pos : m_errorAt, m_xml.size());
    return 1 + int(std::count(m_xml.data(), m_xml.data() + end, '\n'));
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

bool XmlScanner::readStartTag(qsizetype begin)
{
    const char *d = m_xml.data();
    const qsizetype n = m_xml.size();
    qsizetype i = begin;
    while (i < n && !isNameEnd(d[i]))
        ++i;
    if (i == begin)
        return false;
    const QByteArrayView qualified(d + begin, i - begin);
    const qsizetype colon = qualified.indexOf(':');
    m_prefix = colon < 0 ? QByteArrayView() : qualified.first(colon);
    m_local = qualified.sliced(colon + 1);
    m_attributes.clear();
    for (;;) {
        while (i < n && isSpace(d[i]))
            ++i;
        if (i >= n)
            return false;
        if (d[i] == '>') {
            m_pos = i + 1;
            m_open.push_back(qualified);
            return true;
        }
        if (d[i] == '/') {
            if (i + 1 >= n || d[i + 1] != '>')
                return false;
            m_pos = i + 2;
            m_open.push_back(qualified);
            m_pendingEnd = true;
            return true;
        }
        const qsizetype nameBegin = i;
        while (i < n && !isNameEnd(d[i]))
            ++i;
        const QByteArrayView name(d + nameBegin, i - nameBegin);
        while (i < n && isSpace(d[i]))
            ++i;
        if (name.isEmpty() || i >= n || d[i] != '=')
            return false;
        ++i;
        while (i < n && isSpace(d[i]))
            ++i;
        if (i >= n || (d[i] != '"' && d[i] != '\''))
            return false;
        const char quote = d[i++];
        const char *close = static_cast<const char *>(std::memchr(d + i, quote, size_t(n - i)));
        if (!close)
            return false;
        const QByteArrayView value(d + i, close - (d + i));
        i = close - d + 1;
        if (name == "xmlns" || name.startsWith("xmlns:")) {
            m_namespaces.insert(name == "xmlns" ? QByteArray() : name.sliced(6).toByteArray(),
                                value.toByteArray());
            m_lastValid = false;
        }
        else
            m_attributes.emplace_back(name, value);
    }
}

XmlScanner::Token XmlScanner::next()
{
    if (m_pendingEnd) {
        m_pendingEnd = false;
        m_open.pop_back();
        return EndElement; // m_local and m_prefix still name it
    }
    const char *d = m_xml.data();
    const qsizetype n = m_xml.size();
    for (;;) {
        if (m_pos >= n) {
            if (!m_open.empty() || !m_rootSeen)
                return fail();
            return EndOfDocument;
        }
        if (d[m_pos] != '<') {
            const char *lt = static_cast<const char *>(std::memchr(d + m_pos, '<', size_t(n - m_pos)));
            const qsizetype end = lt ? lt - d : n;
            m_text = QByteArrayView(d + m_pos, end - m_pos);
            m_cdata = false;
            m_pos = end;
            if (m_open.empty())
                continue; // white space around the root
            return Characters;
        }
        const QByteArrayView rest(d + m_pos, n - m_pos);
        if (rest.startsWith("<!--")) {
            const qsizetype close = rest.indexOf("-->");
            if (close < 0)
                return fail();
            m_pos += close + 3;
            continue;
        }
        if (rest.startsWith("<![CDATA[")) {
            const qsizetype close = rest.indexOf("]]>");
            if (close < 0 || m_open.empty())
                return fail();
            m_text = rest.sliced(9, close - 9);
            m_cdata = true;
            m_pos += close + 3;
            return Characters;
        }
        if (rest.startsWith("<?") || rest.startsWith("<!")) {
            if (rest.startsWith("<!") && m_rootSeen)
                return fail();
            const qsizetype close = rest.indexOf('>');
            if (close < 0)
                return fail();
            m_pos += close + 1;
            continue;
        }
        if (rest.startsWith("</")) {
            const qsizetype close = rest.indexOf('>');
            if (close < 0 || m_open.empty())
                return fail();
            QByteArrayView name = rest.sliced(2, close - 2);
            while (!name.isEmpty() && isSpace(name.back()))
                name.chop(1);
            if (name != m_open.back())
                return fail();
            m_open.pop_back();
            const qsizetype colon = name.indexOf(':');
            m_prefix = colon < 0 ? QByteArrayView() : name.first(colon);
            m_local = name.sliced(colon + 1);
            m_pos += close + 1;
            return EndElement;
        }
        if (m_rootSeen && m_open.empty())
            return fail(); // a second root
        if (!readStartTag(m_pos + 1))
            return fail();
        m_rootSeen = true;
        return StartElement;
    }
}

void XmlScanner::skipElement()
{
    const size_t depth = m_open.size();
    for (;;) {
        const Token t = next();
        if (t == Invalid || t == EndOfDocument)
            return;
        if (t == EndElement && m_open.size() < depth)
            return;
    }
}

} // namespace exchange
