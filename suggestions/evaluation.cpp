#include "suggestions/evaluation.h"

#include "suggestions/chain.h"

#include <algorithm>
#include <map>
#include <set>

namespace suggestions {

const std::vector<double> &thresholds()
{
    static const std::vector<double> list{0.5, 0.6, 0.7, 0.8, 0.9, 0.95};
    return list;
}

namespace {

// The fold of each text, from its number of coded segments, by the rule of
// evaluation.h.
std::map<qint64, int> foldsOfTexts(const std::map<qint64, qint64> &sizes, int folds)
{
    // Largest first; texts of one size in an order drawn from their numbers
    // (the same on every machine), so that texts in a row (of one source, one
    // period) are not dealt in turn into the same folds.
    auto drawn = [](qint64 text) {
        quint64 z = quint64(text) + 0x9e3779b97f4a7c15ULL;
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    };
    std::vector<std::pair<qint64, qint64>> texts(sizes.begin(), sizes.end());
    std::sort(texts.begin(), texts.end(), [&](const auto &a, const auto &b) {
        if (a.second != b.second)
            return a.second > b.second;
        return drawn(a.first) < drawn(b.first);
    });
    std::vector<qint64> load(size_t(std::max(folds, 1)), 0);
    std::map<qint64, int> foldOf;
    for (const auto &[text, size] : texts) {
        const size_t f = size_t(std::min_element(load.begin(), load.end()) - load.begin());
        load[f] += size;
        foldOf[text] = int(f);
    }
    return foldOf;
}

} // namespace

std::vector<int> foldsByText(const std::vector<Unit> &units, int folds)
{
    std::map<qint64, qint64> sizes; // text -> coded segments
    for (const Unit &u : units)
        if (u.coded())
            ++sizes[u.text];
    std::map<qint64, int> foldOf = foldsOfTexts(sizes, folds);
    std::vector<int> result(units.size(), -1);
    for (size_t i = 0; i < units.size(); ++i)
        if (units[i].coded())
            result[i] = foldOf[units[i].text];
    return result;
}

namespace {

// The values a suggestion says yes to.
std::set<qint64> said(const Suggestion &s)
{
    std::set<qint64> out;
    for (const auto &[value, p] : s.values)
        out.insert(value);
    if (out.empty() && s.value != 0)
        out.insert(s.value);
    return out;
}

struct Compared {
    double accuracy = 0;
    reliability::Coefficient alpha;
    reliability::Coefficient kappa;
};

// `truth`: the coder's values of each segment compared (distinct, ascending).
using Truth = std::vector<std::vector<qint64>>;

Compared measure(const Truth &truth, const std::vector<Suggestion> &suggested,
                 const std::vector<size_t> &which, Model::Shape shape)
{
    Compared c;
    if (which.empty())
        return c;
    qint64 agree = 0;
    if (shape == Model::Shape::OneValue) {
        reliability::Table table(qint64(which.size()), 2);
        for (size_t i = 0; i < which.size(); ++i) {
            const qint64 coder = truth[which[i]].front();
            const qint64 model = suggested[which[i]].value;
            table.set(qint64(i), 0, double(coder));
            table.set(qint64(i), 1, double(model));
            agree += coder == model;
        }
        c.alpha = reliability::alpha(table, reliability::Level::Nominal);
        c.kappa = reliability::cohensKappa(table);
    } else {
        // One unit per segment and value that either side names.
        std::set<qint64> all;
        for (size_t i : which) {
            all.insert(truth[i].begin(), truth[i].end());
            const std::set<qint64> s = said(suggested[i]);
            all.insert(s.begin(), s.end());
        }
        reliability::Table table(qint64(which.size() * all.size()), 2);
        qint64 row = 0;
        for (size_t i : which) {
            const std::set<qint64> coder(truth[i].begin(), truth[i].end());
            const std::set<qint64> model = said(suggested[i]);
            agree += coder == model;
            for (qint64 v : all) {
                table.set(row, 0, coder.count(v) ? 1.0 : 0.0);
                table.set(row, 1, model.count(v) ? 1.0 : 0.0);
                ++row;
            }
        }
        c.alpha = reliability::alpha(table, reliability::Level::Nominal);
        c.kappa = reliability::cohensKappa(table);
    }
    c.accuracy = double(agree) / double(which.size());
    return c;
}

Evaluation compareTruth(const Truth &units, const std::vector<Suggestion> &suggested,
                        Model::Shape shape)
{
    Evaluation e;
    e.segments = qint64(units.size());
    std::vector<size_t> every(units.size());
    for (size_t i = 0; i < every.size(); ++i)
        every[i] = i;
    const Compared whole = measure(units, suggested, every, shape);
    e.accuracy = whole.accuracy;
    e.alpha = whole.alpha;
    e.kappa = whole.kappa;
    for (double t : thresholds()) {
        std::vector<size_t> above;
        for (size_t i = 0; i < units.size(); ++i)
            if (suggested[i].confidence >= t)
                above.push_back(i);
        ThresholdRow row;
        row.threshold = t;
        row.segments = qint64(above.size());
        row.coverage = units.empty() ? 0.0 : double(above.size()) / double(units.size());
        const Compared part = measure(units, suggested, above, shape);
        row.accuracy = part.accuracy;
        row.alpha = part.alpha;
        e.thresholds.push_back(row);
    }
    return e;
}

const QString kStopped = QStringLiteral("La mesure a été arrêtée.");

} // namespace

Evaluation compare(const std::vector<const Unit *> &units,
                   const std::vector<Suggestion> &suggested, Model::Shape shape)
{
    Truth truth;
    truth.reserve(units.size());
    for (const Unit *u : units)
        truth.push_back(u->values);
    return compareTruth(truth, suggested, shape);
}

std::optional<Evaluation> crossValidate(const std::vector<Unit> &units, int folds,
                                        const Options &options, const Model::Stop &stop,
                                        QString *error, const FoldProgress &progress)
{
    return crossValidate(
        [&units](const Model::UnitSink &sink) {
            for (const Unit &u : units)
                if (!sink(u))
                    return false;
            return true;
        },
        folds, options, stop, error, progress);
}

std::optional<Evaluation> crossValidate(const Model::UnitSource &source, int folds,
                                        const Options &options, const Model::Stop &stop,
                                        QString *error, const FoldProgress &progress)
{
    const QString little = Model::tooLittle(source);
    if (!little.isEmpty()) {
        *error = little;
        return std::nullopt;
    }
    // The coded segments of each text, and the list's shape.
    std::map<qint64, qint64> sizes;
    const Model::Shape shape = Model::shapeOf([&](const Model::UnitSink &sink) {
        return source([&](const Unit &u) {
            if (u.coded())
                ++sizes[u.text];
            return sink(u);
        });
    });
    if (sizes.size() < 2) {
        *error = QStringLiteral("La fiabilité des suggestions se mesure sur des textes que le "
                                "modèle n'a pas appris : il faut des segments codés dans deux "
                                "textes au moins.");
        return std::nullopt;
    }
    folds = std::clamp(folds, 2, int(sizes.size()));
    const std::map<qint64, int> foldOf = foldsOfTexts(sizes, folds);
    // A text coded only since the first pass (another program at work
    // meanwhile) is in no fold.
    auto inFold = [&foldOf](const Unit &u) {
        if (!u.coded())
            return -1;
        const auto it = foldOf.find(u.text);
        return it == foldOf.end() ? -1 : it->second;
    };

    // Per segment compared: the coder's values and the suggestion.
    Truth truth;
    std::vector<Suggestion> suggested;
    for (int f = 0; f < folds; ++f) {
        // The other folds, read anew at each pass.
        const Model::UnitSource learn = [&](const Model::UnitSink &sink) {
            return source([&](const Unit &u) {
                const int fold = inFold(u);
                return fold < 0 || fold == f || sink(u);
            });
        };
        if (!Model::tooLittle(learn).isEmpty()) {
            // A fold whose complement is too little to learn from (a text
            // holding nearly all the coding) is not suggested for.
            continue;
        }
        Model model;
        if (!model.train(learn, options, stop)) {
            *error = kStopped;
            return std::nullopt;
        }
        Chain chain(model);
        const bool read = source([&](const Unit &u) {
            if (inFold(u) != f)
                return true;
            if (stop && stop())
                return false;
            // Nothing of the segment before but what the chain gives: the
            // coder's values hidden, no accepted value either.
            Unit unseen = u;
            unseen.previous.clear();
            unseen.previousAccepted.clear();
            Suggestion s = chain.suggest(unseen);
            // Only the values and confidences are compared.
            std::vector<Reason>().swap(s.reasons);
            std::vector<double>().swap(s.probabilities);
            truth.push_back(u.values);
            suggested.push_back(std::move(s));
            return true;
        });
        if (!read) {
            *error = kStopped;
            return std::nullopt;
        }
        if (progress)
            progress(f + 1, folds);
    }
    Evaluation e = compareTruth(truth, suggested, shape);
    e.folds = folds;
    return e;
}

} // namespace suggestions
