#pragma once
// A small, fast pull scanner of XML held in memory, for the large parts of
// Word documents (several hundred MB of markup for a long book), where Qt's
// XML stream reader is slower than the take-in that follows it. It checks
// that elements nest and close, decodes the five entities and character
// references, and skips comments, processing instructions and the document
// type. Namespaces are resolved by prefix from every declaration seen (a
// prefix bound twice to different namespaces in one part is not supported).
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <vector>

namespace exchange {

class XmlScanner
{
public:
    enum Token { StartElement, EndElement, Characters, EndOfDocument, Invalid };

    explicit XmlScanner(QByteArrayView xml) : m_xml(xml) {}

    Token next();

    // The current element's name (start or end) and its namespace.
    QByteArrayView localName() const { return m_local; }
    QByteArrayView namespaceUri() const;
    // An attribute of the current start element by its local name, entities
    // decoded; empty when absent.
    QByteArray attribute(QByteArrayView localName) const;
    // Appends the current characters, entities decoded, as UTF-8.
    void appendText(QByteArray &out) const;
    // After a start element: moves past its end.
    void skipElement();

    // The line of the fault, once next() returned Invalid.
    int errorLine() const;

private:
    Token fail();
    bool readStartTag(qsizetype begin);

    QByteArrayView m_xml;
    qsizetype m_pos = 0;
    QByteArrayView m_local, m_prefix, m_text;
    bool m_cdata = false;
    bool m_pendingEnd = false;
    bool m_rootSeen = false;
    std::vector<QByteArrayView> m_open; // qualified names of the open elements
    std::vector<std::pair<QByteArrayView, QByteArrayView>> m_attributes;
    QHash<QByteArray, QByteArray> m_namespaces; // prefix ("" for the default) -> URI
    mutable QByteArray m_lastPrefix;            // the last prefix looked up, and its URI
    mutable QByteArrayView m_lastUri;
    mutable bool m_lastValid = false;
    qsizetype m_errorAt = -1;
};

// Decodes entities and character references of XML text into UTF-8.
void appendXmlText(QByteArray &out, QByteArrayView raw);

} // namespace exchange
