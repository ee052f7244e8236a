#pragma once
// What the suggestions keep in an analysis (schema version 5):
//
// - the model learnt for each list (ModelesSuggestions), as the bytes
//   suggestions::Model::save() gives, with the fingerprint of the coding it
//   was learnt from (fingerprint()). A kept model is a cache: one whose
//   fingerprint differs from the coding as it stands is never handed out
//   (keptModel returns nothing), and learning again replaces it;
// - the values the coder took from a suggestion (SuggestionsAcceptees): the
//   coding row, the list, the value, its confidence, who accepted it (the
//   analysis's coder, else the system's user) and when. A record counts only
//   while its row's field still holds its value; a value the coder then
//   chooses by hand on that field ends the record in the same step.
//   Accepting is one undoable step (undo::ChangeSet) that holds both the
//   coding rows and the records, by the rule of store/bulkcoding.h.
//
// The results, the reliability and the exports leave accepted suggestions
// out, when asked, by reading the coding rows through withoutAccepted(): a
// temporary view in which such a field holds the empty value (row 1).
//
// Older files (before version 5) have neither table: nothing is kept, no
// suggestion can be recorded as accepted (accepting refuses with a message
// saying so), and withoutAccepted() is the coding rows themselves. Failures
// throw StoreError (French).
#include "store/bulkcoding.h"
#include "store/undostore.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

class Connection;

namespace suggestions {

// Whether the file has the suggestions' tables (version 5 or later).
bool available(Connection &db);

// The fingerprint of what a model of list `list` learns from: the coder's
// own coding of the list, accepted suggestions left out (segments, rows, and a sum over each row's segment and value
// that changes whenever a value moves), the texts' attributes, and
// `learning`, the version of the learning itself (suggestions::Model::kLearning).
QString fingerprint(Connection &db, int list, int learning);

struct KeptModel {
    QString fingerprint;
    QString learnt; // when, ISO 8601
    QByteArray bytes;
};
// The model kept for list `list` when its fingerprint is `current`;
// nothing when none is kept, or it was learnt from another coding.
std::optional<KeptModel> keptModel(Connection &db, int list, const QString &current);
// Keeps the model of list `list` (replacing the one kept), in a transaction
// of its own.
void keepModel(Connection &db, int list, const QString &fingerprint, const QByteArray &bytes);

// Who accepts: the analysis's coder (properties::kCoder), else the user of
// the system, else "Telmira".
QString acceptingCoder(Connection &db);

struct Accepted {
    qint64 segment = 0;
    qint64 value = 0;
    double confidence = 0; // 0 to 1
};

// Codes each segment with its suggested value by the rule of
// store/bulkcoding.h and records the values so given as accepted
// suggestions (a segment that already held its value is left as it was,
// not recorded), as one step named "l'acceptation des suggestions
// (412 segments)". A file older than version 5 is refused.
coding::BulkOutcome acceptMany(Connection &db, int list, const std::vector<Accepted> &accepted,
                               const QString &coder,
                               const QDateTime &when = QDateTime::currentDateTimeUtc());

// Sets the field of list `list` of coding row `coding` to the suggested
// value and records it, as one step ("l'acceptation de la suggestion
// « Économie » (ligne de codage n° 12)").
undo::ChangeSet acceptOnRow(Connection &db, qint64 coding, int list, qint64 value,
                            double confidence, const QString &coder,
                            const QDateTime &when = QDateTime::currentDateTimeUtc());

// A value chosen by hand on a field that holds an accepted suggestion: the
// field is set and the record ended, as one step. Nothing (nullopt, nothing
// written) when the field holds no accepted suggestion: the choice is then
// an ordinary one (lists::setCodingValue).
std::optional<undo::ChangeSet> chooseOverAccepted(Connection &db, qint64 coding, int list,
                                                  qint64 value);

// The number of fields holding an accepted suggestion, list by list (index
// 0 for list 1); zeros on an older file.
std::vector<qint64> acceptedCounts(Connection &db);

// The coding rows as a table name for a query's FROM: "Contenus", or with
// `leaveOut`, a temporary view of the same columns in which every field
// holding an accepted suggestion holds the empty value (row 1) instead.
// The view is made once per connection; on an older file it is "Contenus".
QString codingRows(Connection &db, bool leaveOut);

} // namespace suggestions
