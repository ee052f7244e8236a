#include "suggestions/model.h"

#include "words/stemmer.h"
#include "words/stopwords.h"
#include "words/wordsplit.h"

#include <QDataStream>
#include <QIODevice>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <random>
#include <set>

namespace suggestions {

namespace {

// The groups of features, each scaled to its own length.
enum Group { Bias, Words, Pairs, Context, Wider, Previous, Attributes, kGroups };
float groupWeight(const Options &o, int group)
{
    switch (group) {
    case Words: return o.wordWeight;
    case Pairs: return o.pairWeight;
    case Context: return o.contextWeight;
    case Wider: return o.widerWeight;
    case Previous: return o.previousWeight;
    case Attributes: return o.attributeWeight;
    default: return 1.0f;
    }
}
constexpr char16_t kGroupLetter[kGroups] = {u'0', u'w', u'p', u'c', u'l', u'v', u'a'};
const QString kBiasKey = QStringLiteral("0");

int groupOfLetter(QChar letter)
{
    for (int g = 0; g < kGroups; ++g)
        if (letter == QChar(kGroupLetter[g]))
            return g;
    return -1;
}

// A unit whose previous segment's values are given to the learning only one
// step in two: a segment the coder has not reached has no coded neighbour,
// and the model must not lean on them alone.
constexpr double kPreviousKept = 0.5;
// In a step where they are given, about one in seven gives instead a value
// drawn at random among the previous values met: the previous values of a
// segment not coded are a suggestion (suggestions/chain.h), wrong as often
// as suggestions are, and a model learnt from the coder's values alone,
// always right, trusts them so far that a segment's own words hardly ever
// outweigh them.
constexpr double kPreviousNoise = 0.15;

// Several values at once: when more than this share of the coded units
// hold two values or more.
constexpr double kSeveralShare = 0.05;

double sigmoid(double z)
{
    return 1.0 / (1.0 + std::exp(-z));
}

// A feature met in one extraction: its group and one or two atoms (stems,
// values, attributes) of the extractor's table.
constexpr int kAtomBits = 28;
constexpr quint64 kAtomMask = (quint64(1) << kAtomBits) - 1;
quint64 featureKey(int group, quint32 a, quint32 b = 0)
{
    return quint64(group) << (2 * kAtomBits) | quint64(a) << kAtomBits | b;
}
int groupOf(quint64 key)
{
    return int(key >> (2 * kAtomBits));
}

} // namespace

// Turns units into their features. Keeps a stemmer, the words met with
// their stems, and the words of the segments met last (a segment is the
// context of some forty units in a row: in learning it is split about once
// a pass, in a run of suggestions once).
class Model::Extractor
{
public:
    Extractor()
    {
        atom(QString(), QString()); // atom 0: the bias's
    }

    // The distinct features of a unit, in group order.
    void features(const Unit &unit, bool withPrevious, bool withPairs, std::vector<quint64> &out)
    {
        out.clear();
        m_seen.clear();
        auto add = [&](quint64 key) {
            if (!m_seen.contains(key)) {
                m_seen.insert(key);
                out.push_back(key);
            }
        };
        // Each stem is shown as its first form in this unit.
        ++m_unit;
        auto met = [&](quint32 f) {
            const quint32 stem = m_forms[f].stem;
            if (stem >= m_shownUnit.size()) {
                m_shownUnit.resize(m_atoms.size(), 0);
                m_shownForm.resize(m_atoms.size(), 0);
            }
            if (m_shownUnit[stem] != m_unit) {
                m_shownUnit[stem] = m_unit;
                m_shownForm[stem] = f;
            }
            return stem;
        };
        add(featureKey(Bias, 0));
        const std::vector<quint32> &own = cached(unit.content);
        for (quint32 f : own)
            add(featureKey(Words, met(f)));
        for (size_t i = 1; withPairs && i < own.size(); ++i)
            add(featureKey(Pairs, m_forms[own[i - 1]].stem, m_forms[own[i]].stem));
        for (const QString &text : unit.context)
            for (quint32 f : cached(text)) {
                const quint32 stem = met(f);
                if (!m_forms[f].stop)
                    add(featureKey(Context, stem));
            }
        for (const QString &text : unit.wider)
            for (quint32 f : cached(text)) {
                const quint32 stem = met(f);
                if (!m_forms[f].stop)
                    add(featureKey(Wider, stem));
            }
        if (withPrevious)
            for (qint64 v : unit.previous) {
                const QString n = QString::number(v);
                add(featureKey(Previous, atom(n, n)));
            }
        for (const QString &a : unit.attributes)
            add(featureKey(Attributes, atom(a, a)));
    }

    // The key of a feature as the model keeps it (its group's letter, then
    // its atoms' texts), and the words shown for it.
    QString name(quint64 key) const
    {
        const int g = groupOf(key);
        if (g == Bias)
            return kBiasKey;
        QString n = QChar(kGroupLetter[g]) + m_atoms[(key >> kAtomBits) & kAtomMask].text;
        if (g == Pairs)
            n += QLatin1Char(' ') + m_atoms[key & kAtomMask].text;
        return n;
    }
    // A feature of the unit of the last call to features() as that unit
    // writes it: a stem by its first form there.
    QString shown(quint64 key) const
    {
        const int g = groupOf(key);
        if (g != Words && g != Pairs && g != Context && g != Wider)
            return display(key);
        auto form = [&](quint32 stem) {
            return stem < m_shownUnit.size() && m_shownUnit[stem] == m_unit
                       ? m_forms[m_shownForm[stem]].text
                       : m_atoms[stem].display;
        };
        QString d = form(quint32((key >> kAtomBits) & kAtomMask));
        if (g == Pairs)
            d += QLatin1Char(' ') + form(quint32(key & kAtomMask));
        return d;
    }
    QString display(quint64 key) const
    {
        const int g = groupOf(key);
        QString d = m_atoms[(key >> kAtomBits) & kAtomMask].display;
        if (g == Pairs)
            d += QLatin1Char(' ') + m_atoms[key & kAtomMask].display;
        return d;
    }

    struct Form {
        quint32 stem = 0; // its atom
        bool stop = false;
        QString text;
    };

    // The forms of a segment's text, from a cache of the segments met last
    // (the units come in reading order, in learning as in a run of
    // suggestions, so a segment is the context of the next few): memory
    // bounded, each text split about once a pass.
    const std::vector<quint32> &cached(const QString &text)
    {
        const auto it = m_cacheOf.constFind(text);
        if (it != m_cacheOf.cend())
            return m_cache[it.value()].forms;
        size_t place = 0;
        if (m_cache.size() < kCached) {
            place = m_cache.size();
            m_cache.push_back({});
        } else {
            place = m_nextOut;
            m_nextOut = (m_nextOut + 1) % kCached;
            m_cacheOf.remove(m_cache[place].text);
        }
        forms(text);
        m_cache[place].text = text;
        m_cache[place].forms = m_scratch;
        m_cacheOf.insert(text, quint32(place));
        return m_cache[place].forms;
    }
    const Form &form(quint32 f) const { return m_forms[f]; }
    quint32 atoms() const { return quint32(m_atoms.size()); }
    quint32 atom(const QString &text, const QString &display)
    {
        const auto it = m_atomOf.constFind(text);
        if (it != m_atomOf.cend())
            return it.value();
        const quint32 id = quint32(m_atoms.size());
        m_atoms.push_back(Atom{text, display});
        m_atomOf.insert(text, id);
        return id;
    }

private:
    struct Atom {
        QString text;
        QString display; // the first form met
    };

    const std::vector<quint32> &forms(const QString &text)
    {
        m_scratch.clear();
        m_splitter.split(text, [&](QStringView form, qsizetype, qsizetype) {
            m_key = form.toString();
            auto it = m_formOf.constFind(m_key);
            if (it == m_formOf.cend()) {
                Form f;
                f.stem = atom(m_stemmer.stem(m_key), m_key);
                f.stop = words::isStopWord(form);
                f.text = m_key;
                it = m_formOf.insert(m_key, quint32(m_forms.size()));
                m_forms.push_back(f);
            }
            m_scratch.push_back(it.value());
        });
        return m_scratch;
    }

    words::WordSplitter m_splitter;
    words::FrenchStemmer m_stemmer;
    QHash<QString, quint32> m_formOf;
    std::vector<Form> m_forms;
    QHash<QString, quint32> m_atomOf;
    std::vector<Atom> m_atoms;
    static constexpr size_t kCached = 512;
    struct Cached {
        QString text;
        std::vector<quint32> forms;
    };
    std::vector<Cached> m_cache;
    QHash<QString, quint32> m_cacheOf;
    size_t m_nextOut = 0;
    std::vector<quint32> m_scratch;
    QSet<quint64> m_seen;
    QString m_key;
    // For the unit of the last call to features(): each stem's first form.
    quint32 m_unit = 0;
    std::vector<quint32> m_shownUnit; // [stem atom]: the unit that last met it
    std::vector<quint32> m_shownForm; // [stem atom]: its first form there
};

Model::Reading::Reading() = default;
Model::Reading::~Reading() = default;
Model::Reading::Reading(Reading &&) noexcept = default;
Model::Reading &Model::Reading::operator=(Reading &&) noexcept = default;

QString reasonText(const Reason &reason, const std::map<qint64, QString> &values)
{
    switch (reason.kind) {
    case Reason::Word:
    case Reason::Pair:
    case Reason::Attribute:
        break;
    case Reason::Context:
        return QStringLiteral("autour:") + reason.text;
    case Reason::Previous: {
        const auto it = values.find(reason.value);
        return (reason.suggested ? QStringLiteral("précédent suggéré:")
                                 : QStringLiteral("précédent:"))
               + (it == values.end() ? QString::number(reason.value) : it->second);
    }
    }
    return reason.text;
}

QString Model::tooLittle(const std::vector<Unit> &units)
{
    return tooLittle([&units](const UnitSink &sink) {
        for (const Unit &u : units)
            if (!sink(u))
                return false;
        return true;
    });
}

QString Model::tooLittle(const UnitSource &source)
{
    qint64 coded = 0;
    std::set<qint64> values;
    source([&](const Unit &u) {
        if (u.coded()) {
            ++coded;
            values.insert(u.values.begin(), u.values.end());
        }
        return true;
    });
    if (coded >= kMinimumSegments && int(values.size()) >= kMinimumValues)
        return QString();
    return QStringLiteral("Il faut au moins %1 segments codés dans cette liste, avec au moins "
                          "%2 valeurs différentes, pour en apprendre quelque chose : elle a %3 "
                          "segment(s) codé(s) et %4 valeur(s).")
        .arg(kMinimumSegments)
        .arg(kMinimumValues)
        .arg(coded)
        .arg(values.size());
}

Model::Shape Model::shapeOf(const std::vector<Unit> &units)
{
    return shapeOf([&units](const UnitSink &sink) {
        for (const Unit &u : units)
            if (!sink(u))
                return false;
        return true;
    });
}

Model::Shape Model::shapeOf(const UnitSource &source)
{
    qint64 coded = 0, several = 0;
    source([&](const Unit &u) {
        if (u.coded()) {
            ++coded;
            several += u.values.size() > 1;
        }
        return true;
    });
    return double(several) > kSeveralShare * double(coded) ? Shape::SeveralValues
                                                           : Shape::OneValue;
}

void Model::weigh(Sparse &x) const
{
    int counts[kGroups] = {};
    for (quint32 id : x.ids)
        ++counts[m_group[id]];
    float scale[kGroups];
    for (int g = 0; g < kGroups; ++g)
        scale[g] = counts[g] ? groupWeight(m_options, g) / std::sqrt(float(counts[g])) : 0.0f;
    x.weights.resize(x.ids.size());
    for (size_t j = 0; j < x.ids.size(); ++j)
        x.weights[j] = scale[m_group[x.ids[j]]];
}

bool Model::train(const std::vector<Unit> &units, const Options &options, const Stop &stop)
{
    return train(
        [&units](const UnitSink &sink) {
            for (const Unit &u : units)
                if (u.coded() && !sink(u))
                    return false;
            return true;
        },
        options, stop);
}

bool Model::train(const UnitSource &source, const Options &options, const Stop &stop)
{
    // A first pass finds the values, the shape of the list and the features
    // met in two units or more (numbered in the order of their keys, so
    // that the same coding gives the same model); each further pass is an
    // epoch, its units taken in a fixed order drawn from its seed within
    // blocks of kBlock, so that memory holds one block's features, never the
    // corpus.
    constexpr size_t kBlock = 4096;
    Extractor extractor;
    std::set<qint64> valueSet;
    std::map<qint64, qint64> perValue;
    qint64 coded = 0, several = 0;
    QHash<quint64, quint32> metOf;
    std::vector<quint64> metKey;
    std::vector<quint32> metUnits;
    std::vector<qint64> metStamp;
    std::vector<quint64> keys;
    QSet<quint64> seen;           // pairs met in the unit
    std::vector<quint32> stamps;  // [atom * kGroups + group]: the unit that last met it
    quint32 unitStamp = 0;
    // The distinct features of a unit, as keys: its own (with the previous
    // values) and the words around it.
    auto keysOf = [&](const Unit &u) {
        keys.clear();
        seen.clear();
        ++unitStamp;
        auto add = [&](quint64 key) {
            const int group = groupOf(key);
            if (group == Pairs) {
                if (!seen.contains(key)) {
                    seen.insert(key);
                    keys.push_back(key);
                }
                return;
            }
            const size_t at = size_t((key >> kAtomBits) & kAtomMask) * kGroups + size_t(group);
            if (at >= stamps.size())
                stamps.resize(std::max(at + 1, stamps.size() * 2), 0);
            if (stamps[at] != unitStamp) {
                stamps[at] = unitStamp;
                keys.push_back(key);
            }
        };
        add(featureKey(Bias, 0));
        const std::vector<quint32> &own = extractor.cached(u.content);
        for (size_t j = 0; j < own.size(); ++j) {
            add(featureKey(Words, extractor.form(own[j]).stem));
            if (j > 0 && options.pairWeight > 0)
                add(featureKey(Pairs, extractor.form(own[j - 1]).stem, extractor.form(own[j]).stem));
        }
        for (qint64 v : u.previous) {
            const QString n = QString::number(v);
            add(featureKey(Previous, extractor.atom(n, n)));
        }
        for (const QString &a : u.attributes)
            add(featureKey(Attributes, extractor.atom(a, a)));
        for (const QString &text : u.context)
            for (quint32 f : extractor.cached(text))
                if (!extractor.form(f).stop)
                    add(featureKey(Context, extractor.form(f).stem));
        for (const QString &text : u.wider)
            for (quint32 f : extractor.cached(text))
                if (!extractor.form(f).stop)
                    add(featureKey(Wider, extractor.form(f).stem));
    };
    const bool counted = source([&](const Unit &u) {
        if (!u.coded())
            return true;
        if (stop && coded % 1024 == 0 && stop())
            return false;
        valueSet.insert(u.values.begin(), u.values.end());
        for (qint64 v : u.values)
            ++perValue[v];
        several += u.values.size() > 1;
        keysOf(u);
        for (quint64 key : keys) {
            auto it = metOf.constFind(key);
            if (it == metOf.cend()) {
                it = metOf.insert(key, quint32(metKey.size()));
                metKey.push_back(key);
                metUnits.push_back(0);
                metStamp.push_back(-1);
            }
            if (metStamp[it.value()] != coded) {
                metStamp[it.value()] = coded;
                ++metUnits[it.value()];
            }
        }
        ++coded;
        return true;
    });
    if (!counted || coded == 0 || valueSet.size() < 2)
        return false;

    Model next;
    next.m_options = options;
    next.m_values.assign(valueSet.begin(), valueSet.end());
    next.m_shape = double(several) > kSeveralShare * double(coded) ? Shape::SeveralValues
                                                                  : Shape::OneValue;
    next.m_learntFrom = coded;
    const size_t K = next.m_values.size();
    {
        std::vector<std::pair<QString, quint32>> kept;
        for (quint32 m = 0; m < metKey.size(); ++m)
            if (metUnits[m] >= 2 || groupOf(metKey[m]) == Bias)
                kept.emplace_back(extractor.name(metKey[m]), m);
        std::sort(kept.begin(), kept.end());
        for (const auto &[name, m] : kept) {
            next.m_ids.insert(name, quint32(next.m_names.size()));
            next.m_names.push_back(name);
            next.m_display.push_back(extractor.display(metKey[m]));
            next.m_group.push_back(quint8(groupOf(metKey[m])));
        }
        // From now on a feature is found by its key.
        QHash<quint64, quint32> idOf;
        for (quint32 i = 0; i < kept.size(); ++i)
            idOf.insert(metKey[kept[i].second], i);
        metOf.swap(idOf);
    }
    std::vector<quint64>().swap(metKey);
    std::vector<quint32>().swap(metUnits);
    std::vector<qint64>().swap(metStamp);

    struct Example {
        std::vector<quint32> ids;
        std::vector<quint16> classes;
    };
    std::vector<Example> block;
    block.reserve(kBlock);
    std::vector<size_t> order;
    const size_t F = next.m_names.size();
    next.m_weights.assign(F * K, 0.0f);
    std::vector<float> squares(F, 0.0f); // AdaGrad: the squared gradients of each row
    std::mt19937_64 random(options.seed);
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    std::vector<double> z(K);
    std::vector<double> g(K);
    const bool softmax = next.m_shape == Shape::OneValue;
    // A value the coder gives rarely weighs more in each step it is met
    // (by the square root of how much rarer it is than an even share, at
    // the default), so that the model does not leave the rare values to the
    // common ones: a value suggested as often as the coder gives it agrees
    // better, by alpha, than one never suggested.
    std::vector<double> balance(K, 1.0);
    for (size_t k = 0; k < K; ++k)
        balance[k] = std::pow(double(coded) / (double(K) * double(perValue[next.m_values[k]])),
                              options.balance);
    Sparse x;
    qint64 steps = 0;
    std::vector<quint32> previousIds; // the features of previous values
    for (quint32 f = 0; f < F; ++f)
        if (next.m_group[f] == Previous)
            previousIds.push_back(f);

    auto learnBlock = [&]() -> bool {
        order.resize(block.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        std::shuffle(order.begin(), order.end(), random);
        for (size_t n : order) {
            if (stop && ++steps % 1024 == 0 && stop())
                return false;
            const Example &e = block[n];
            // The previous segment's values only one step in two (a segment
            // the coder has not reached has no coded neighbour), and now and
            // then a value drawn in their place.
            const bool withPrevious = coin(random) < kPreviousKept;
            const bool drawn = withPrevious && !previousIds.empty() &&
                               coin(random) < kPreviousNoise;
            x.ids.clear();
            for (quint32 id : e.ids)
                if ((withPrevious && !drawn) || next.m_group[id] != Previous)
                    x.ids.push_back(id);
            if (drawn)
                x.ids.push_back(previousIds[std::min(
                    previousIds.size() - 1, size_t(coin(random) * double(previousIds.size())))]);
            next.weigh(x);
            next.scores(x, z);
            if (softmax) {
                const double top = *std::max_element(z.begin(), z.end());
                double sum = 0;
                for (size_t k = 0; k < K; ++k)
                    sum += (z[k] = std::exp(z[k] - top));
                const double share = 1.0 / double(e.classes.size());
                for (size_t k = 0; k < K; ++k)
                    g[k] = z[k] / sum;
                for (size_t c : e.classes)
                    g[c] -= share;
            } else {
                for (size_t k = 0; k < K; ++k)
                    g[k] = sigmoid(z[k]);
                for (size_t c : e.classes)
                    g[c] -= 1.0;
            }
            if (softmax && options.balance > 0) {
                double b = 0;
                for (size_t c : e.classes)
                    b += balance[c];
                b /= double(e.classes.size());
                for (size_t k = 0; k < K; ++k)
                    g[k] *= b;
            }
            double g2 = 0;
            for (size_t k = 0; k < K; ++k)
                g2 += g[k] * g[k];
            for (size_t j = 0; j < x.ids.size(); ++j) {
                const size_t f = x.ids[j];
                const double xf = x.weights[j];
                squares[f] += float(g2 * xf * xf);
                const double step = options.rate / std::sqrt(double(squares[f]) + 1e-6);
                float *w = next.m_weights.data() + f * K;
                const double decay = 1.0 - step * options.l2;
                for (size_t k = 0; k < K; ++k)
                    w[k] = float(w[k] * decay - step * g[k] * xf);
            }
        }
        block.clear();
        return true;
    };

    for (int epoch = 0; epoch < options.epochs; ++epoch) {
        const bool read = source([&](const Unit &u) {
            if (!u.coded())
                return true;
            keysOf(u);
            Example e;
            for (quint64 key : keys) {
                const auto it = metOf.constFind(key);
                if (it != metOf.cend())
                    e.ids.push_back(it.value());
            }
            for (qint64 v : u.values)
                e.classes.push_back(quint16(std::lower_bound(next.m_values.begin(),
                                                             next.m_values.end(), v)
                                            - next.m_values.begin()));
            block.push_back(std::move(e));
            return block.size() < kBlock || learnBlock();
        });
        if (!read || !learnBlock())
            return false;
    }
    *this = std::move(next);
    return true;
}

void Model::scores(const Sparse &x, std::vector<double> &out) const
{
    const size_t K = m_values.size();
    out.assign(K, 0.0);
    for (size_t j = 0; j < x.ids.size(); ++j) {
        const float *w = m_weights.data() + size_t(x.ids[j]) * K;
        const double xf = x.weights[j];
        for (size_t k = 0; k < K; ++k)
            out[k] += w[k] * xf;
    }
}

Suggestion Model::suggest(const Unit &unit) const
{
    Reading reading;
    return suggest(unit, reading);
}

Suggestion Model::suggest(const Unit &unit, Reading &reading) const
{
    Suggestion result;
    if (!trained())
        return result;
    if (!reading.m_extractor || reading.m_model != this || reading.m_ids.size() > Reading::kKept) {
        reading.m_extractor = std::make_unique<Extractor>();
        reading.m_ids.clear();
        reading.m_model = this;
    }
    Extractor &extractor = *reading.m_extractor;
    std::vector<quint64> &keys = reading.m_keys;
    extractor.features(unit, true, m_options.pairWeight > 0, keys);
    Sparse x;
    // The words shown are the forms of this segment and its context.
    std::vector<QString> shown;
    for (quint64 key : keys) {
        auto known = reading.m_ids.constFind(key);
        if (known == reading.m_ids.cend()) {
            const auto it = m_ids.constFind(extractor.name(key));
            known = reading.m_ids.insert(key, it == m_ids.cend() ? -1 : qint32(it.value()));
        }
        if (known.value() < 0)
            continue;
        x.ids.push_back(quint32(known.value()));
        shown.push_back(extractor.shown(key));
    }
    weigh(x);
    std::vector<double> z;
    scores(x, z);
    const size_t K = m_values.size();
    std::vector<double> p(K);
    if (m_shape == Shape::OneValue) {
        const double top = *std::max_element(z.begin(), z.end());
        double sum = 0;
        for (size_t k = 0; k < K; ++k)
            sum += (p[k] = std::exp(z[k] - top));
        for (size_t k = 0; k < K; ++k)
            p[k] /= sum;
    } else {
        for (size_t k = 0; k < K; ++k)
            p[k] = sigmoid(z[k]);
    }
    const size_t best = size_t(std::max_element(p.begin(), p.end()) - p.begin());
    result.value = m_values[best];
    result.confidence = p[best];
    result.probabilities = p;
    if (m_shape == Shape::OneValue) {
        result.values.emplace_back(result.value, result.confidence);
    } else {
        std::vector<size_t> yes;
        for (size_t k = 0; k < K; ++k)
            if (k == best || p[k] >= 0.5)
                yes.push_back(k);
        std::sort(yes.begin(), yes.end(), [&](size_t a, size_t b) { return p[a] > p[b]; });
        for (size_t k : yes)
            result.values.emplace_back(m_values[k], p[k]);
    }

    // The reasons: the features that pulled most towards the value chosen
    // (against the other values' mean, for a choice among values). A word
    // met both next to the segment and further around it is one reason
    // ("autour:"), its two pulls together.
    std::vector<std::pair<double, size_t>> pulls; // (pull, place in x)
    QHash<QString, size_t> around;                // a word around -> its place in pulls
    for (size_t j = 0; j < x.ids.size(); ++j) {
        const size_t f = x.ids[j];
        if (m_group[f] == Bias)
            continue;
        // A grammatical word explains nothing to the coder: not shown.
        if (m_group[f] == Words && words::isStopWord(shown[j]))
            continue;
        const float *w = m_weights.data() + f * K;
        double pull = w[best];
        if (m_shape == Shape::OneValue) {
            double mean = 0;
            for (size_t k = 0; k < K; ++k)
                mean += w[k];
            pull -= mean / double(K);
        }
        pull *= x.weights[j];
        if (m_group[f] == Context || m_group[f] == Wider) {
            const auto met = around.constFind(shown[j]);
            if (met != around.cend()) {
                pulls[met.value()].first += pull;
                continue;
            }
            around.insert(shown[j], pulls.size());
        }
        pulls.emplace_back(pull, j);
    }
    pulls.erase(std::remove_if(pulls.begin(), pulls.end(),
                               [](const auto &p) { return p.first <= 0; }),
                pulls.end());
    std::sort(pulls.begin(), pulls.end(), [](const auto &a, const auto &b) {
        return a.first > b.first || (a.first == b.first && a.second < b.second);
    });
    for (size_t i = 0; i < pulls.size() && int(result.reasons.size()) < kReasons; ++i) {
        const size_t j = pulls[i].second;
        const size_t f = x.ids[j];
        Reason r;
        r.weight = pulls[i].first;
        r.text = shown[j];
        switch (m_group[f]) {
        case Words: r.kind = Reason::Word; break;
        case Pairs: r.kind = Reason::Pair; break;
        case Context:
        case Wider: r.kind = Reason::Context; break;
        case Previous:
            r.kind = Reason::Previous;
            r.value = m_names[f].mid(1).toLongLong();
            r.suggested = unit.previousSuggested;
            break;
        default: r.kind = Reason::Attribute; break;
        }
        result.reasons.push_back(std::move(r));
    }
    return result;
}

namespace {
const quint32 kMagic = 0x544c4d53; // "TLMS"
const quint32 kFormat = 2;
} // namespace

QByteArray Model::save() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out.setFloatingPointPrecision(QDataStream::SinglePrecision);
    out << kMagic << kFormat << quint8(m_shape == Shape::SeveralValues ? 1 : 0)
        << qint64(m_learntFrom);
    for (int g = 0; g < kGroups; ++g)
        out << groupWeight(m_options, g);
    out << quint64(m_values.size());
    for (qint64 v : m_values)
        out << v;
    out << quint64(m_names.size());
    for (size_t f = 0; f < m_names.size(); ++f)
        out << m_names[f] << m_display[f];
    out << quint64(m_weights.size());
    for (float w : m_weights)
        out << w;
    return bytes;
}

std::optional<Model> Model::load(const QByteArray &bytes)
{
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    in.setFloatingPointPrecision(QDataStream::SinglePrecision);
    quint32 magic = 0, format = 0;
    quint8 shape = 0;
    qint64 learnt = 0;
    quint64 count = 0;
    in >> magic >> format >> shape >> learnt;
    float groups[kGroups] = {};
    for (float &w : groups)
        in >> w;
    in >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic || format != kFormat || shape > 1 ||
        count < 2 || count > quint64(bytes.size()))
        return std::nullopt;
    Model m;
    m.m_options.wordWeight = groups[Words];
    m.m_options.pairWeight = groups[Pairs];
    m.m_options.contextWeight = groups[Context];
    m.m_options.widerWeight = groups[Wider];
    m.m_options.previousWeight = groups[Previous];
    m.m_options.attributeWeight = groups[Attributes];
    m.m_shape = shape ? Shape::SeveralValues : Shape::OneValue;
    m.m_learntFrom = learnt;
    m.m_values.resize(size_t(count));
    for (qint64 &v : m.m_values)
        in >> v;
    quint64 features = 0;
    in >> features;
    if (in.status() != QDataStream::Ok || features > quint64(bytes.size()))
        return std::nullopt;
    m.m_names.resize(size_t(features));
    m.m_display.resize(size_t(features));
    for (size_t f = 0; f < features; ++f) {
        in >> m.m_names[f] >> m.m_display[f];
        const int group = m.m_names[f].isEmpty() ? -1 : groupOfLetter(m.m_names[f].at(0));
        if (group < 0)
            return std::nullopt;
        m.m_group.push_back(quint8(group));
        m.m_ids.insert(m.m_names[f], quint32(f));
    }
    quint64 weights = 0;
    in >> weights;
    if (in.status() != QDataStream::Ok || weights != features * count)
        return std::nullopt;
    m.m_weights.resize(size_t(weights));
    for (float &w : m.m_weights)
        in >> w;
    if (in.status() != QDataStream::Ok || !std::is_sorted(m.m_values.begin(), m.m_values.end()))
        return std::nullopt;
    return m;
}

} // namespace suggestions
