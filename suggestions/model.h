#pragma once
// The model that suggests a value of one list for a segment, learnt from the
// coder's own coding of the analysis, on the machine (nothing leaves it).
//
// What it looks at is what a coder looks at (suggestions/unit.h): the
// segment's words, the words of the segments next to it (2 on each side) and
// of those further around it (up to 20 on each side: for the short texts of
// a corpus, the whole text), the values of the previous segment, the
// attributes of its text; the pairs of words side by side in the segment
// can be a group of their own, left out by default (on the checks of
// bench/suggestions_bench.cpp they added nothing once the context was
// there, and cost time). Words are
// those of words/wordsplit.h, taken by their French stem (words/stemmer.h),
// so that "économique" and "économiques" weigh together; the words around a
// segment leave the stop words out. Each group of features is scaled to the
// same length, so that a long segment does not outweigh a short one.
//
// It is a linear model: a multinomial logistic regression when the coder
// gives a segment one value of the list (the value with the highest
// probability is suggested, with that probability as its confidence), or,
// when segments often hold several values at once, one yes/no logistic
// regression per value; a choice among values gives a rare value more weight
// in learning. It learns by stochastic gradient descent (AdaGrad
// steps per feature), in a fixed order drawn from a seed, so that the same
// coding always gives the same model. The previous segment's values are
// given to half its steps, and in some of those a value drawn at random
// stands for them: when suggesting they are often themselves a suggestion,
// and the model learns how far to trust them. A linear model says why: the
// features whose weights pushed most towards the value suggested are its
// reasons.
//
// Memory: the weights (features x values, 4 bytes each) and, while
// learning, the features met (a number for each distinct word and
// attribute) and those of one block of 4,096 units: never the corpus, which
// a source can give again at each pass (train's second form). Features met
// in a single unit are left out.
#include "suggestions/unit.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace suggestions {

// What weighed for a suggestion.
struct Reason {
    enum Kind {
        Word,     // a word of the segment (`text`, a form as it was met)
        Pair,     // two words side by side in the segment ("pouvoir achat")
        Context,  // a word of the segments around it
        Previous, // a value of the previous segment (`value`)
        Attribute // "nom=valeur" of its text
    };
    Kind kind = Word;
    QString text;
    qint64 value = 0;
    bool suggested = false; // Previous: a value suggested, not the coder's
    double weight = 0; // its pull towards the value suggested
};

// A reason as the windows and the command line write it: a word as met
// ("chômage"), a pair ("pouvoir achat"), "autour:" a word of the segments
// around, "précédent:" a value of the previous segment (named from
// `values`, value number to text; "précédent suggéré:" when it is the value
// suggested for it), "nom=valeur" an attribute of the text.
QString reasonText(const Reason &reason, const std::map<qint64, QString> &values);

struct Suggestion {
    qint64 value = 0;      // 0: the model has nothing to suggest
    double confidence = 0; // from 0 to 1
    std::vector<Reason> reasons; // most weight first, at most kReasons
    // With several values per segment: every value whose yes/no decision
    // says yes (confidence 0.5 or more), most likely first; the value
    // suggested is the first. With one value: the value alone.
    std::vector<std::pair<qint64, double>> values;
    // The probability of each value the model knows (Model::values order).
    std::vector<double> probabilities;
};

struct Options {
    int epochs = 6;
    double rate = 0.2;     // AdaGrad's base step
    double l2 = 1e-5;      // weight decay on the rows a step touches
    quint64 seed = 20261209;
    int contextSegments = 2; // segments next to a unit, on each side
    int widerSegments = 20;  // how far its wider context reaches
    // The weight of each group of features (its features share it, scaled
    // to the group's length): the segment's words, their pairs, the words
    // of the segments next to it, of those further, the previous segment's
    // values, the text's attributes. Kept with the model.
    float wordWeight = 1.0f;
    float pairWeight = 0.0f; // 0: pairs are not features at all
    float contextWeight = 0.8f;
    float widerWeight = 1.0f;
    float previousWeight = 1.0f;
    float attributeWeight = 0.8f;
    // How much more a rare value weighs in learning a choice among values:
    // (units / (values x its units)) to this power; 0 leaves them even.
    double balance = 0.5;
};

class Model
{
    class Extractor; // turns units into their features

public:
    static constexpr int kMinimumSegments = 30;
    static constexpr int kMinimumValues = 2;
    static constexpr int kReasons = 3;
    // The version of what a model learns from and how: raised whenever
    // features or learning change, so that a model kept in an analysis by
    // an older program is learnt again (store/suggestionstore.h).
    static constexpr int kLearning = 4;

    enum class Shape { OneValue, SeveralValues };

    // Why these units are too few to learn from ("Il faut au moins 30
    // segments codés dans cette liste, avec deux valeurs au moins : 12
    // segments codés."); empty when there are enough.
    static QString tooLittle(const std::vector<Unit> &units);
    using UnitSink = std::function<bool(const Unit &)>;
    using UnitSource = std::function<bool(const UnitSink &)>;
    static QString tooLittle(const UnitSource &source);
    // Several values when more than 5% of the coded units hold two or more.
    static Shape shapeOf(const std::vector<Unit> &units);
    static Shape shapeOf(const UnitSource &source);

    // Learns from the coded units (the others are ignored). `stop`, asked
    // between steps, ends the learning early: returns false and the model
    // stays as it was. Units must be enough (tooLittle empty).
    using Stop = std::function<bool()>;
    bool train(const std::vector<Unit> &units, const Options &options = {},
               const Stop &stop = {});
    // The same from units read again at each pass (a first pass to find the
    // features, then one per epoch), in the same order every time: the
    // source calls the sink for each unit and returns false when the sink
    // did (or when it stopped). Memory holds the model and one block of
    // units' features, whatever the number of units.
    bool train(const UnitSource &source, const Options &options = {}, const Stop &stop = {});

    bool trained() const { return !m_values.empty(); }
    Shape shape() const { return m_shape; }
    const std::vector<qint64> &values() const { return m_values; }
    int features() const { return int(m_names.size()); }
    qint64 learntFrom() const { return m_learntFrom; }

    // What the suggestions for a run of units in reading order share: the
    // words of the segments met last, split and stemmed once (a segment is
    // the context of some forty units in a row), and the features already
    // looked up. Bounded: the words of 512 segments, and the features met,
    // forgotten past kKept. Kept for one model.
    class Reading
    {
    public:
        Reading();
        ~Reading();
        Reading(Reading &&) noexcept;
        Reading &operator=(Reading &&) noexcept;

    private:
        friend class Model;
        static constexpr int kKept = 1 << 20;
        std::unique_ptr<Extractor> m_extractor;
        QHash<quint64, qint32> m_ids; // the reading's key -> the feature, -1: unknown
        std::vector<quint64> m_keys;
        const Model *m_model = nullptr;
    };

    Suggestion suggest(const Unit &unit) const;
    Suggestion suggest(const Unit &unit, Reading &reading) const;

    // The model as bytes, and back (nullopt for bytes it cannot read).
    QByteArray save() const;
    static std::optional<Model> load(const QByteArray &bytes);

private:
    struct Sparse {
        std::vector<quint32> ids;
        std::vector<float> weights;
    };
    // Each feature's weight: its group's, shared by the group's features.
    void weigh(Sparse &x) const;
    void scores(const Sparse &x, std::vector<double> &out) const;

    Shape m_shape = Shape::OneValue;
    std::vector<qint64> m_values;   // the classes, ascending
    std::vector<QString> m_names;   // feature keys (kind letter, then text)
    std::vector<QString> m_display; // the form first met, for a word feature
    std::vector<quint8> m_group;    // each feature's group
    QHash<QString, quint32> m_ids;
    std::vector<float> m_weights;   // [feature][class]
    Options m_options;
    qint64 m_learntFrom = 0;
};

} // namespace suggestions
