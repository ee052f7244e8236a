#pragma once
// The texts' attributes as a CSV file, as a spreadsheet writes it: the
// first record names the columns, each further record is one text.
//
// Reading: the first column names the text, by its number, its file name or
// its full path, tried in that order ("/" and "\" alike in a path); a file
// name held by two texts names neither. Each further column is an attribute
// named by the header (found whatever its case, or created). The separator,
// ";" or ",", is the one the header holds more often (";" when even); the
// bytes are UTF-8, with or without a byte-order mark, or Windows-1252 when
// they are not valid UTF-8. Fields may be quoted (quotes inside doubled);
// records end by CR LF, LF or CR; blank records are skipped. An empty field
// removes the text's value. The file is taken whole or not at all: the
// first fault found is returned, named by the line where its record starts.
//
// Writing: the header "texte;fichier;" and the attributes in order of
// creation, one record per text in number order (`fichier` its file name,
// without its folder), values as stored, quoted by csv.h's rules; records
// end by LF, for scripts.
#include "store/attributestore.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <vector>

class AttributesCsv
{
public:
    struct Read {
        attributes::Sheet sheet;
        QString error; // empty when the file may be taken in
    };

    // The largest file read (a table of values, never a corpus).
    static constexpr qint64 kMaxBytes = 64 * 1024 * 1024;

    // Reads the file's bytes against the analysis's texts.
    static Read read(const QByteArray &bytes, const std::vector<attributes::Text> &texts);
    // The same from a file; a file that cannot be read is an error.
    static Read readFile(const QString &path, const std::vector<attributes::Text> &texts);

    // The table of every text's values: `values[i]` holds those of
    // `names[i]`, by text number.
    static QString write(const std::vector<attributes::Text> &texts,
                         const std::vector<attributes::Attribute> &names,
                         const std::vector<std::map<qint64, QString>> &values);
};
