#pragma once
// A small, fast pull scanner of XML, for the large parts of Word documents
// (several hundred MB of markup for a long book), where Qt's XML stream
// reader is slower than the take-in that follows it. It reads XML held in
// memory, or a device in pieces so that a part of any size takes a bounded
// memory (about kChunk bytes, plus the current tag; long texts come in
// several Characters tokens). It checks that elements nest and close,
// decodes the five entities and character references, and skips comments,
// processing instructions and the document type; a document type declaring
// entities is refused (they are never expanded). Namespaces are resolved by
// prefix from every declaration seen (a prefix bound twice to different
// namespaces in one part is not supported).
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <functional>
#include <vector>

class QIODevice;

namespace exchange {

class XmlScanner
{
public:
    enum Token { StartElement, EndElement, Characters, EndOfDocument, Invalid };
    // Why next() returned Invalid.
    enum Fault {
        NoFault,
        Malformed,  // not well-formed XML
        Entities,   // the document type declares entities
        TooDeep,    // elements nested deeper than the limit
        TooLong,    // one tag (or comment, document type) larger than kMaxMarkup
        ReadFailed, // the device failed (deviceError() tells why)
    };

    // Bytes read from a device at a time.
    static constexpr qsizetype kChunk = qsizetype(1) << 20;
    // The largest single piece of markup read from a device.
    static constexpr qsizetype kMaxMarkup = qsizetype(64) << 20;
    // Tokens between two calls of the poll.
    static constexpr int kPollEvery = 4096;

    explicit XmlScanner(QByteArrayView xml) : m_xml(xml) {}
    // Reads the device (open, sequential or not) in pieces.
    explicit XmlScanner(QIODevice *device) : m_device(device) {}

    // Called every kPollEvery tokens (and during skipElement); it may throw
    // to end the scanning.
    void setPoll(std::function<void()> poll) { m_poll = std::move(poll); }
    // Elements nested deeper than `depth` make the document invalid (TooDeep);
    // 0 (the default) sets no limit.
    void setMaxDepth(int depth) { m_maxDepth = depth; }

    Token next();

    // The current element's name (start or end) and its namespace; valid
    // until the next call of next().
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
    Fault fault() const { return m_fault; }
    // The device's own cause, for ReadFailed.
    QString deviceError() const;

private:
    enum TagResult { TagDone, TagBad, TagShort };
    Token fail(Fault fault = Malformed);
    TagResult readStartTag(qsizetype begin);
    bool more(); // reads more of the device; false at its end
    QByteArrayView openBack() const;
    void pushOpen(QByteArrayView qualified);
    void popOpen();

    QIODevice *m_device = nullptr;
    QByteArray m_buffer; // what is held of the device, m_xml's bytes
    bool m_deviceEnded = false;
    bool m_deviceFailed = false;
    qint64 m_linesDropped = 0; // line breaks of the bytes let go
    std::function<void()> m_poll;
    int m_tokens = 0;
    int m_maxDepth = 0;

    QByteArrayView m_xml;
    qsizetype m_pos = 0;
    QByteArrayView m_local, m_prefix, m_text;
    bool m_cdata = false;
    bool m_pendingEnd = false;
    bool m_rootSeen = false;
    QByteArray m_openNames;              // qualified names of the open elements, end to end
    std::vector<qsizetype> m_openStarts; // where each begins in m_openNames
    std::vector<std::pair<QByteArrayView, QByteArrayView>> m_attributes;
    QHash<QByteArray, QByteArray> m_namespaces; // prefix ("" for the default) -> URI
    mutable QByteArray m_lastPrefix;            // the last prefix looked up, and its URI
    mutable QByteArrayView m_lastUri;
    mutable bool m_lastValid = false;
    qsizetype m_errorAt = -1;
    Fault m_fault = NoFault;
};

// Decodes entities and character references of XML text into UTF-8.
void appendXmlText(QByteArray &out, QByteArrayView raw);

} // namespace exchange
