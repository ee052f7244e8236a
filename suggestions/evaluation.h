#pragma once
// How far the suggestions can be trusted, measured as a second coder is:
// k-fold cross-validation grouped by text. The coded texts are dealt into k
// folds (the largest first, each to the fold holding the fewest coded
// segments so far; texts of one size in an order drawn from their
// numbers), so that all the segments of a text fall in one fold; each fold
// in turn is suggested for by a model learnt from the others, as segments
// the coder has not reached: without the previous segment's values, for
// which, from one segment of a text to the next, the suggestion for the
// previous one stands (suggestions/chain.h). The suggestions are then
// compared with the coder's values: accuracy, Krippendorff's alpha
// (nominal) and Cohen's kappa (reliability/coefficients.h), and the alpha
// of the suggestions whose confidence reaches each threshold with the share
// of segments they cover.
//
// A list whose segments hold several values is compared value by value: a
// unit is a segment and a value, coded yes or no by each side.
#include "reliability/coefficients.h"
#include "suggestions/model.h"

#include <QString>
#include <optional>
#include <vector>

namespace suggestions {

struct ThresholdRow {
    double threshold = 0;
    qint64 segments = 0;  // suggestions at or above it
    double coverage = 0;  // their share of the segments compared
    double accuracy = 0;
    reliability::Coefficient alpha;
};

struct Evaluation {
    int folds = 0;
    qint64 segments = 0; // coded segments compared
    double accuracy = 0; // share of segments whose value (or set of values) agrees
    reliability::Coefficient alpha;
    reliability::Coefficient kappa;
    std::vector<ThresholdRow> thresholds;
};

// The thresholds of the table: 0.5, 0.6, 0.7, 0.8, 0.9, 0.95.
const std::vector<double> &thresholds();

// The fold (0 to k-1) of each unit, by the rule above; -1 for a unit not coded.
std::vector<int> foldsByText(const std::vector<Unit> &units, int folds);

// The comparison of suggestions with the coder's values, one pair per coded
// unit, for the given shape of list.
Evaluation compare(const std::vector<const Unit *> &units,
                   const std::vector<Suggestion> &suggested, Model::Shape shape);

// The cross-validation. Nullopt with a French message in *error when the
// coding is too little (Model::tooLittle) or holds fewer than two coded
// texts, or when `stop` ended it.
// `progress`, when given, hears the folds done out of all after each.
using FoldProgress = std::function<void(int done, int folds)>;
std::optional<Evaluation> crossValidate(const std::vector<Unit> &units, int folds,
                                        const Options &options, const Model::Stop &stop,
                                        QString *error, const FoldProgress &progress = {});
// The same over units read anew at each pass, in the same order every time
// (UnitReader::codedSource): memory holds one model, the texts' sizes and,
// for each coded segment compared, its values and its suggestion's, never
// the units.
std::optional<Evaluation> crossValidate(const Model::UnitSource &source, int folds,
                                        const Options &options, const Model::Stop &stop,
                                        QString *error, const FoldProgress &progress = {});

} // namespace suggestions
