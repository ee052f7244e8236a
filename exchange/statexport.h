#pragma once
// The coding of a whole analysis as a data file of a statistics package:
// SPSS (.sav) or Stata (.dta), written with ReadStat. One record per segment
// (the wide layout of the CSV export):
//   - numtexte, chemin, numsegment: the text's number and path, the
//     segment's number;
//   - one variable per attribute of the texts: a number, a date or a string
//     as the attribute's values are typed;
//   - one numeric variable per list that has values, holding the number of
//     the segment's value, the values' texts as value labels and the list's
//     name as the variable's label; a segment without a value is missing.
//     A list of which some segment holds two different values instead gets
//     one 0/1 variable per value, labelled "Thème: Économie";
//   - texte: the segment's text.
// Variable names are made valid for the format (letters, digits and "_",
// without accents, within its length, no reserved word, unique whatever the
// case); the original names are the variables' labels.
//
// The file is written whole or not at all (common/safefile.h). Memory stays
// flat whatever the number of segments, except for a Stata file whose
// longest segment is over 2,045 bytes: its texts are then strL values, which
// ReadStat must hold, all of them, before the first record (a first reading
// of the segments gathers them).
#include "exchange/csvexport.h"

#include <QString>

namespace coding {

class CodingStore;

struct StatOutcome {
    ExportOutcome::Status status = ExportOutcome::Failed;
    qint64 records = 0;   // segments written
    qint64 variables = 0; // variables of each record
    // Segment texts cut to the format's longest string (SPSS: 32,767 bytes).
    qint64 truncated = 0;
    QString message; // the cause of a failure, in French
};

class StatFileWriter;

// What an export wrote, for the window and the command line: "Codage exporté
// pour SPSS : 120 segments, 14 variables, dans « a.sav »." and the texts cut,
// if any.
QString statSummary(const StatFileWriter &format, const StatOutcome &outcome,
                    const QString &file);

// The coding in the file format of one statistics package.
class StatFileWriter
{
public:
    virtual ~StatFileWriter() = default;
    // Writes the analysis into `file`; `progress` is told the segments done
    // and the total, and returns false to cancel.
    StatOutcome write(CodingStore &store, const QString &file,
                      const ExportProgress &progress = {}) const;

    // The name of the format, for messages ("SPSS").
    virtual QString formatName() const = 0;
    // A valid variable name made from `name`, none of `taken` (which are
    // compared whatever their case); `taken` then holds it.
    virtual QString variableName(const QString &name, QStringList &taken) const = 0;

protected:
    friend class StatExport;
    virtual int maxNameLength() const = 0;
    virtual int maxLabelLength() const = 0;
    virtual qint64 maxStringWidth() const = 0;
    virtual qint64 maxValueLabelBytes() const = 0;
    virtual bool reserved(const QString &name) const = 0;
    // Whether a segment text longer than maxStringWidth() goes out whole, as
    // a strL value (Stata), or is cut (SPSS).
    virtual bool longStringsByReference() const = 0;
    virtual QString dateFormat() const = 0;
    // A date's value in the format (days since 1960-01-01 for Stata, seconds
    // since 1582-10-14 for SPSS).
    virtual double dateValue(qint64 julianDay) const = 0;
    // Begins writing with ReadStat (readstat_begin_writing_sav or _dta).
    virtual int begin(void *writer, void *context, long rows) const = 0;

    // The common rules: accents dropped, other characters "_", a leading
    // letter, cut to length, reserved words and taken names numbered.
    QString makeName(const QString &name, QStringList &taken) const;
};

class SpssWriter : public StatFileWriter
{
public:
    QString formatName() const override { return QStringLiteral("SPSS"); }
    QString variableName(const QString &name, QStringList &taken) const override;

protected:
    int maxNameLength() const override { return 64; }
    int maxLabelLength() const override { return 255; }
    qint64 maxStringWidth() const override { return 32767; }
    qint64 maxValueLabelBytes() const override { return 120; }
    bool reserved(const QString &name) const override;
    bool longStringsByReference() const override { return false; }
    QString dateFormat() const override { return QStringLiteral("DATE11"); }
    double dateValue(qint64 julianDay) const override;
    int begin(void *writer, void *context, long rows) const override;
};

class StataWriter : public StatFileWriter
{
public:
    QString formatName() const override { return QStringLiteral("Stata"); }
    QString variableName(const QString &name, QStringList &taken) const override;

protected:
    int maxNameLength() const override { return 32; }
    int maxLabelLength() const override { return 80; }
    qint64 maxStringWidth() const override { return 2045; }
    qint64 maxValueLabelBytes() const override { return 32000; }
    bool reserved(const QString &name) const override;
    bool longStringsByReference() const override { return true; }
    QString dateFormat() const override { return QStringLiteral("%td"); }
    double dateValue(qint64 julianDay) const override;
    int begin(void *writer, void *context, long rows) const override;
};

} // namespace coding
