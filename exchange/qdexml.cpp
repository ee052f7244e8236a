#include "exchange/qdexml.h"

#include "exchange/paragraphs.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <map>
#include <set>

namespace refiqda {
namespace {

const QString kProjectNs = QStringLiteral("urn:QDA-XML:project:1.0");
const QString kCodebookNs = QStringLiteral("urn:QDA-XML:codebook:1.0");

// Writes the codes with their descendants, without recursion.
void writeCodes(QXmlStreamWriter &w, const std::vector<Code> &codes)
{
    struct Open
    {
        const Code *code;
        size_t next; // the next child to write
    };
    std::vector<Open> open;
    const auto start = [&](const Code &code) {
        w.writeStartElement(QStringLiteral("Code"));
        w.writeAttribute(QStringLiteral("guid"), code.guid);
        w.writeAttribute(QStringLiteral("name"), code.name);
        w.writeAttribute(QStringLiteral("isCodable"),
                         code.codable ? QStringLiteral("true") : QStringLiteral("false"));
        if (!code.description.isEmpty())
            w.writeTextElement(QStringLiteral("Description"), code.description);
        open.push_back({&code, 0});
    };
    for (const Code &top : codes) {
        start(top);
        while (!open.empty()) {
            Open &last = open.back();
            if (last.next < last.code->children.size()) {
                const Code &child = last.code->children[last.next++];
                start(child);
            } else {
                w.writeEndElement();
                open.pop_back();
            }
        }
    }
}

const std::vector<QString> &noteRefsOf(const Project &project, const QString &guid)
{
    static const std::vector<QString> none;
    const auto found = project.noteRefsOf.find(guid);
    return found == project.noteRefsOf.end() ? none : found->second;
}

void writeNoteRefs(QXmlStreamWriter &w, const std::vector<QString> &refs)
{
    for (const QString &ref : refs) {
        w.writeEmptyElement(QStringLiteral("NoteRef"));
        w.writeAttribute(QStringLiteral("targetGUID"), ref);
    }
}

QString internalPath(const Source &source)
{
    return QStringLiteral("internal://") + source.guid + QStringLiteral(".txt");
}

QString codingGuid(const Selection &selection, const QString &code)
{
    return stableGuid(selection.guid + QLatin1Char('/') + code);
}

bool isTrue(QStringView value)
{
    return value == u"true" || value == u"1";
}

Code codeOf(const QXmlStreamAttributes &a)
{
    Code code;
    code.guid = a.value(QStringLiteral("guid")).toString();
    code.name = a.value(QStringLiteral("name")).toString();
    code.codable = a.hasAttribute(QStringLiteral("isCodable"))
                       ? isTrue(a.value(QStringLiteral("isCodable")))
                       : true;
    return code;
}

// "1 000": the French grouping of digits.
// Reads the Code elements of a Codes element (the reader on its start) with
// their descendants, without recursion: the codes still open wait on a stack
// of their own. Codes nested deeper than kMaxCodeDepth end the reading with
// the reader's custom error.
std::vector<Code> readCodes(QXmlStreamReader &r, NotTaken *notTaken = nullptr)
{
    std::vector<Code> codes;
    std::vector<Code> open; // the codes being read, outermost first
    for (;;) {
        if (!r.readNextStartElement()) {
            // The end of the innermost open code, or of the Codes element.
            if (r.hasError() || open.empty())
                break;
            Code done = std::move(open.back());
            open.pop_back();
            (open.empty() ? codes : open.back().children).push_back(std::move(done));
            continue;
        }
        if (r.name() == u"Code") {
            if (open.size() >= size_t(kMaxCodeDepth)) {
                r.raiseError(QStringLiteral("les codes sont imbriqués sur plus de %1 niveaux")
                                 .arg(exchange::frenchNumber(kMaxCodeDepth)));
                break;
            }
            open.push_back(codeOf(r.attributes()));
        } else if (r.name() == u"Description" && !open.empty()) {
            open.back().description = r.readElementText();
        } else {
            if (notTaken && r.name() == u"NoteRef")
                ++(*notTaken)[nottaken::kMemos];
            r.skipCurrentElement();
        }
    }
    return codes;
}

// Consumes the current element, counting its descendants whose name ends
// with `suffix`.
int countInside(QXmlStreamReader &r, QStringView suffix)
{
    int n = 0;
    int depth = 1;
    while (depth > 0 && !r.atEnd()) {
        r.readNext();
        if (r.isStartElement()) {
            ++depth;
            if (r.name().endsWith(suffix))
                ++n;
        } else if (r.isEndElement()) {
            --depth;
        }
    }
    return n;
}

// A position attribute; -1 when missing or not a number.
qint64 position(const QXmlStreamAttributes &a, const QString &name)
{
    bool ok = false;
    const qint64 v = a.value(name).toLongLong(&ok);
    return ok ? v : -1;
}

std::vector<QString> readCodingRefs(QXmlStreamReader &r)
{
    std::vector<QString> refs;
    while (r.readNextStartElement()) {
        if (r.name() == u"CodeRef")
            refs.push_back(r.attributes().value(QStringLiteral("targetGUID")).toString());
        r.skipCurrentElement();
    }
    return refs;
}

QString noteRef(const QXmlStreamReader &r)
{
    return r.attributes().value(QStringLiteral("targetGUID")).toString();
}

// The reader's failure in French: a refusal of ours as it was raised, or
// the line where the document stops being well formed.
QString xmlError(const QXmlStreamReader &r)
{
    if (r.error() == QXmlStreamReader::CustomError)
        return r.errorString();
    return QStringLiteral("le document XML est mal formé (ligne %1)").arg(r.lineNumber());
}

} // namespace

QByteArray projectXml(const Project &project)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeDefaultNamespace(kProjectNs);
    w.writeStartElement(kProjectNs, QStringLiteral("Project"));
    w.writeAttribute(QStringLiteral("name"), project.name);
    if (!project.origin.isEmpty())
        w.writeAttribute(QStringLiteral("origin"), project.origin);
    if (!project.users.empty()) {
        w.writeStartElement(QStringLiteral("Users"));
        for (const User &user : project.users) {
            w.writeStartElement(QStringLiteral("User"));
            w.writeAttribute(QStringLiteral("guid"), user.guid);
            w.writeAttribute(QStringLiteral("name"), user.name);
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    if (!project.codes.empty()) {
        w.writeStartElement(QStringLiteral("CodeBook"));
        w.writeStartElement(QStringLiteral("Codes"));
        writeCodes(w, project.codes);
        w.writeEndElement();
        w.writeEndElement();
    }
    std::map<QString, QString> typeOf; // by variable guid
    if (!project.variables.empty()) {
        w.writeStartElement(QStringLiteral("Variables"));
        for (const Variable &v : project.variables) {
            w.writeEmptyElement(QStringLiteral("Variable"));
            w.writeAttribute(QStringLiteral("guid"), v.guid);
            w.writeAttribute(QStringLiteral("name"), v.name);
            w.writeAttribute(QStringLiteral("typeOfVariable"), v.type);
            typeOf[v.guid] = v.type;
        }
        w.writeEndElement();
    }
    if (!project.sources.empty()) {
        w.writeStartElement(QStringLiteral("Sources"));
        for (const Source &source : project.sources) {
            w.writeStartElement(QStringLiteral("TextSource"));
            w.writeAttribute(QStringLiteral("guid"), source.guid);
            w.writeAttribute(QStringLiteral("name"), source.name);
            w.writeAttribute(QStringLiteral("plainTextPath"), internalPath(source));
            for (const Selection &s : source.selections) {
                w.writeStartElement(QStringLiteral("PlainTextSelection"));
                w.writeAttribute(QStringLiteral("guid"), s.guid);
                w.writeAttribute(QStringLiteral("startPosition"), QString::number(s.start));
                w.writeAttribute(QStringLiteral("endPosition"), QString::number(s.end));
                if (!s.creatingUser.isEmpty())
                    w.writeAttribute(QStringLiteral("creatingUser"), s.creatingUser);
                for (const QString &code : s.codings) {
                    w.writeStartElement(QStringLiteral("Coding"));
                    w.writeAttribute(QStringLiteral("guid"), codingGuid(s, code));
                    if (!s.creatingUser.isEmpty())
                        w.writeAttribute(QStringLiteral("creatingUser"), s.creatingUser);
                    w.writeEmptyElement(QStringLiteral("CodeRef"));
                    w.writeAttribute(QStringLiteral("targetGUID"), code);
                    w.writeEndElement();
                }
                writeNoteRefs(w, noteRefsOf(project, s.guid));
                w.writeEndElement();
            }
            // The standard's order: the notes, then the variables.
            writeNoteRefs(w, noteRefsOf(project, source.guid));
            for (const VariableValue &value : source.variables) {
                w.writeStartElement(QStringLiteral("VariableValue"));
                w.writeEmptyElement(QStringLiteral("VariableRef"));
                w.writeAttribute(QStringLiteral("targetGUID"), value.variable);
                w.writeTextElement(typeOf[value.variable] + QStringLiteral("Value"), value.value);
                w.writeEndElement();
            }
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    if (!project.notes.empty()) {
        w.writeStartElement(QStringLiteral("Notes"));
        for (const Note &note : project.notes) {
            w.writeStartElement(QStringLiteral("Note"));
            w.writeAttribute(QStringLiteral("guid"), note.guid);
            if (!note.name.isEmpty())
                w.writeAttribute(QStringLiteral("name"), note.name);
            w.writeTextElement(QStringLiteral("PlainTextContent"), note.text);
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    writeNoteRefs(w, project.noteRefs);
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

QByteArray codebookXml(const std::vector<Code> &codes, const QString &origin)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeDefaultNamespace(kCodebookNs);
    w.writeStartElement(kCodebookNs, QStringLiteral("CodeBook"));
    if (!origin.isEmpty())
        w.writeAttribute(QStringLiteral("origin"), origin);
    w.writeStartElement(QStringLiteral("Codes"));
    writeCodes(w, codes);
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

ParsedProject parseProject(const QByteArray &xml)
{
    ParsedProject parsed;
    QXmlStreamReader r(xml);
    if (!r.readNextStartElement() || r.name() != u"Project") {
        parsed.error = r.hasError() ? xmlError(r)
                                    : QStringLiteral("le document n'est pas un projet REFI-QDA");
        return parsed;
    }
    parsed.project.name = r.attributes().value(QStringLiteral("name")).toString();
    parsed.project.origin = r.attributes().value(QStringLiteral("origin")).toString();
    NotTaken &left = parsed.notTaken;
    // The elements of a group (Notes, Sets...), counted and passed over.
    const auto countGroup = [&](QStringView member, const QString &label) {
        while (r.readNextStartElement()) {
            if (r.name() == member)
                ++left[label];
            r.skipCurrentElement();
        }
    };
    while (r.readNextStartElement()) {
        if (r.name() == u"Users") {
            while (r.readNextStartElement()) {
                if (r.name() == u"User")
                    parsed.project.users.push_back(
                        {r.attributes().value(QStringLiteral("guid")).toString(),
                         r.attributes().value(QStringLiteral("name")).toString()});
                r.skipCurrentElement();
            }
        } else if (r.name() == u"CodeBook") {
            while (r.readNextStartElement()) {
                if (r.name() == u"Codes")
                    parsed.project.codes = readCodes(r, &left);
                else
                    r.skipCurrentElement();
            }
        } else if (r.name() == u"Sources") {
            while (r.readNextStartElement()) {
                if (r.name() != u"TextSource") {
                    ++parsed.otherSources;
                    if (const int n = countInside(r, u"Selection"))
                        left[nottaken::kSkippedSelections] += n;
                    continue;
                }
                Source source;
                const QXmlStreamAttributes a = r.attributes();
                source.guid = a.value(QStringLiteral("guid")).toString();
                source.name = a.value(QStringLiteral("name")).toString();
                QString path = a.value(QStringLiteral("plainTextPath")).toString();
                bool inlineText = false;
                while (r.readNextStartElement()) {
                    if (r.name() == u"PlainTextContent") {
                        source.text = r.readElementText();
                        inlineText = true;
                    } else if (r.name() == u"PlainTextSelection") {
                        Selection s;
                        const QXmlStreamAttributes sa = r.attributes();
                        s.guid = sa.value(QStringLiteral("guid")).toString();
                        s.start = position(sa, QStringLiteral("startPosition"));
                        s.end = position(sa, QStringLiteral("endPosition"));
                        s.creatingUser = sa.value(QStringLiteral("creatingUser")).toString();
                        while (r.readNextStartElement()) {
                            if (r.name() == u"Coding") {
                                const QString user =
                                    r.attributes().value(QStringLiteral("creatingUser")).toString();
                                for (QString &ref : readCodingRefs(r)) {
                                    s.codings.push_back(std::move(ref));
                                    s.codingUsers.push_back(user);
                                }
                            } else {
                                if (r.name() == u"Description")
                                    ++left[nottaken::kSelectionDescriptions];
                                else if (r.name() == u"NoteRef")
                                    parsed.project.noteRefsOf[s.guid].push_back(noteRef(r));
                                r.skipCurrentElement();
                            }
                        }
                        source.selections.push_back(std::move(s));
                    } else if (r.name() == u"Coding") {
                        ++parsed.sourceCodings;
                        r.skipCurrentElement();
                    } else if (r.name() == u"VariableValue") {
                        VariableValue value;
                        while (r.readNextStartElement()) {
                            if (r.name() == u"VariableRef") {
                                value.variable =
                                    r.attributes().value(QStringLiteral("targetGUID")).toString();
                                r.skipCurrentElement();
                            } else if (r.name().endsWith(u"Value")) {
                                value.value = r.readElementText().trimmed();
                            } else {
                                r.skipCurrentElement();
                            }
                        }
                        if (!value.variable.isEmpty() && !value.value.isEmpty())
                            source.variables.push_back(std::move(value));
                    } else {
                        if (r.name() == u"Description")
                            ++left[nottaken::kSourceDescriptions];
                        else if (r.name() == u"NoteRef")
                            parsed.project.noteRefsOf[source.guid].push_back(noteRef(r));
                        else if (r.name().endsWith(u"Selection"))
                            ++left[nottaken::kSkippedSelections];
                        r.skipCurrentElement();
                    }
                }
                parsed.project.sources.push_back(std::move(source));
                parsed.plainTextPaths.push_back(inlineText ? QString() : path);
                parsed.inlineText.push_back(inlineText);
            }
        } else if (r.name() == u"Description") {
            ++left[nottaken::kDescription];
            r.skipCurrentElement();
        } else if (r.name() == u"Notes") {
            while (r.readNextStartElement()) {
                if (r.name() != u"Note") {
                    r.skipCurrentElement();
                    continue;
                }
                Note note;
                note.guid = r.attributes().value(QStringLiteral("guid")).toString();
                note.name = r.attributes().value(QStringLiteral("name")).toString();
                bool inlineText = false;
                while (r.readNextStartElement()) {
                    if (r.name() == u"PlainTextContent") {
                        note.text = r.readElementText();
                        inlineText = true;
                    } else {
                        r.skipCurrentElement();
                    }
                }
                // A note kept in a file of the archive (rich text) is not read.
                if (inlineText)
                    parsed.project.notes.push_back(std::move(note));
                else
                    ++left[nottaken::kNotes];
            }
        } else if (r.name() == u"NoteRef") {
            parsed.project.noteRefs.push_back(noteRef(r));
            r.skipCurrentElement();
        } else if (r.name() == u"Sets") {
            countGroup(u"Set", nottaken::kSets);
        } else if (r.name() == u"Variables") {
            while (r.readNextStartElement()) {
                if (r.name() == u"Variable") {
                    const QXmlStreamAttributes va = r.attributes();
                    parsed.project.variables.push_back(
                        {va.value(QStringLiteral("guid")).toString(),
                         va.value(QStringLiteral("name")).toString(),
                         va.value(QStringLiteral("typeOfVariable")).toString()});
                }
                r.skipCurrentElement();
            }
        } else if (r.name() == u"Cases") {
            countGroup(u"Case", nottaken::kCases);
        } else if (r.name() == u"Graphs") {
            countGroup(u"Graph", nottaken::kGraphs);
        } else if (r.name() == u"Links") {
            countGroup(u"Link", nottaken::kLinks);
        } else {
            r.skipCurrentElement();
        }
    }
    if (r.hasError())
        parsed.error = xmlError(r);
    // A reference to a note the project does not give (or gives outside the
    // document) is a memo left out.
    std::set<QString> given;
    for (const Note &note : parsed.project.notes)
        given.insert(note.guid);
    const auto countUnknown = [&](const std::vector<QString> &refs) {
        for (const QString &ref : refs)
            if (!given.count(ref))
                ++left[nottaken::kMemos];
    };
    countUnknown(parsed.project.noteRefs);
    for (const auto &[guid, refs] : parsed.project.noteRefsOf)
        countUnknown(refs);
    return parsed;
}

ParsedCodebook parseCodebook(const QByteArray &xml)
{
    ParsedCodebook parsed;
    QXmlStreamReader r(xml);
    if (!r.readNextStartElement()
        || (r.name() != u"CodeBook" && r.name() != u"Project")) {
        parsed.error = r.hasError() ? xmlError(r)
                                    : QStringLiteral("le document n'est pas un livre de codes "
                                                     "REFI-QDA");
        return parsed;
    }
    const bool project = r.name() == u"Project";
    while (r.readNextStartElement()) {
        if (project && r.name() == u"CodeBook") {
            while (r.readNextStartElement()) {
                if (r.name() == u"Codes")
                    parsed.codes = readCodes(r);
                else
                    r.skipCurrentElement();
            }
        } else if (!project && r.name() == u"Codes") {
            parsed.codes = readCodes(r);
        } else {
            r.skipCurrentElement();
        }
    }
    if (r.hasError())
        parsed.error = xmlError(r);
    else if (parsed.codes.empty())
        parsed.error = QStringLiteral("le livre de codes ne contient aucun code");
    return parsed;
}

} // namespace refiqda
