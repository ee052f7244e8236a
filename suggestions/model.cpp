#include "suggestions/model.h"

#include "words/stemmer.h"
#include "words/stopwords.h"
#include "words/wordsplit.h"

#include <QDataStream>
#include <QIODevice>
#include <algorithm>
#include <cmath>
#include <random>
#include <set>

namespace suggestions {

namespace {

// The groups of features, each scaled to its own length.
enum Group { Bias, Words, Pairs, Context, Previous, Attributes, kGroups };
constexpr float kGroupWeight[kGroups] = {1.0f, 1.0f, 0.6f, 0.6f, 1.0f, 0.8f};
constexpr QChar kGroupLetter[kGroups] = {u'0', u'w', u'p', u'c', u'v', u'a'};
const QString kBiasKey = QStringLiteral("0");

// A unit whose previous segment's values are given to the learning only one
// step in two: a segment the coder has not reached has no coded neighbour,
// and the model must not lean on them alone.
constexpr double kPreviousKept = 0.5;

// Several values at once: when more than this share of the coded units
// hold two values or more.
constexpr double kSeveralShare = 0.05;

struct RawFeature {
    QString key;
    QString display;
    int group = Words;
};

double sigmoid(double z)
{
    return 1.0 / (1.0 + std::exp(-z));
}

} // namespace

// Turns a unit into its features: keys (the group's letter, then the text)
// with the form to show for them. Keeps a stemmer and the stems met.
class Model::Extractor
{
public:
    std::vector<RawFeature> features(const Unit &unit, bool withPrevious)
    {
        std::vector<RawFeature> out;
        std::set<QString> seen;
        auto add = [&](int group, const QString &text, const QString &display) {
            QString key = kGroupLetter[group] + text;
            if (seen.insert(key).second)
                out.push_back(RawFeature{std::move(key), display, group});
        };
        out.push_back(RawFeature{kBiasKey, QString(), Bias});
        seen.insert(kBiasKey);

        QString previousStem;
        QString previousForm;
        m_splitter.split(unit.content, [&](QStringView form, qsizetype, qsizetype) {
            const QString f = form.toString();
            const QString &s = stem(f);
            add(Words, s, f);
            if (!previousStem.isEmpty())
                add(Pairs, previousStem + QLatin1Char(' ') + s,
                    previousForm + QLatin1Char(' ') + f);
            previousStem = s;
            previousForm = f;
        });
        for (const QString &text : unit.context)
            m_splitter.split(text, [&](QStringView form, qsizetype, qsizetype) {
                if (words::isStopWord(form))
                    return;
                const QString f = form.toString();
                add(Context, stem(f), f);
            });
        if (withPrevious)
            for (qint64 v : unit.previous)
                add(Previous, QString::number(v), QString::number(v));
        for (const QString &a : unit.attributes)
            add(Attributes, a, a);
        return out;
    }

private:
    const QString &stem(const QString &form)
    {
        auto it = m_stems.find(form);
        if (it == m_stems.end())
            it = m_stems.insert(form, m_stemmer.stem(form));
        return it.value();
    }

    words::WordSplitter m_splitter;
    words::FrenchStemmer m_stemmer;
    QHash<QString, QString> m_stems;
};

QString Model::tooLittle(const std::vector<Unit> &units)
{
    qint64 coded = 0;
    std::set<qint64> values;
    for (const Unit &u : units)
        if (u.coded()) {
            ++coded;
            values.insert(u.values.begin(), u.values.end());
        }
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
    qint64 coded = 0, several = 0;
    for (const Unit &u : units)
        if (u.coded()) {
            ++coded;
            several += u.values.size() > 1;
        }
    return double(several) > kSeveralShare * double(coded) ? Shape::SeveralValues
                                                           : Shape::OneValue;
}

namespace {

// The features of a unit as numbers: the known keys, each group scaled to
// its weight (its features share it as a vector of that length).
template <class Lookup>
void vectorize(const std::vector<RawFeature> &raw, Lookup &&lookup, std::vector<quint32> &ids,
               std::vector<float> &weights)
{
    int counts[kGroups] = {};
    std::vector<std::pair<quint32, int>> known;
    known.reserve(raw.size());
    for (const RawFeature &f : raw) {
        const qint64 id = lookup(f);
        if (id < 0)
            continue;
        known.emplace_back(quint32(id), f.group);
        ++counts[f.group];
    }
    ids.clear();
    weights.clear();
    for (const auto &[id, group] : known) {
        ids.push_back(id);
        weights.push_back(kGroupWeight[group] / std::sqrt(float(counts[group])));
    }
}

} // namespace

bool Model::train(const std::vector<Unit> &units, const Options &options, const Stop &stop)
{
    std::vector<const Unit *> coded;
    std::set<qint64> valueSet;
    for (const Unit &u : units)
        if (u.coded()) {
            coded.push_back(&u);
            valueSet.insert(u.values.begin(), u.values.end());
        }
    if (coded.empty() || valueSet.size() < 2)
        return false;

    Model next;
    next.m_options = options;
    next.m_values.assign(valueSet.begin(), valueSet.end());
    next.m_shape = shapeOf(units);
    next.m_learntFrom = qint64(coded.size());
    const size_t K = next.m_values.size();

    // The features of every unit, the previous segment's apart, then the
    // keys met in two units or more.
    Extractor extractor;
    std::vector<std::vector<RawFeature>> raw(coded.size());
    QHash<QString, int> unitsWith;
    QHash<QString, QString> display;
    for (size_t i = 0; i < coded.size(); ++i) {
        if (stop && i % 1024 == 0 && stop())
            return false;
        raw[i] = extractor.features(*coded[i], true);
        for (const RawFeature &f : raw[i]) {
            int &n = unitsWith[f.key];
            if (n++ == 0)
                display.insert(f.key, f.display);
        }
    }
    // In key order, so that the same coding gives the same numbering.
    std::vector<QString> keys;
    keys.reserve(size_t(unitsWith.size()));
    for (auto it = unitsWith.cbegin(); it != unitsWith.cend(); ++it)
        if (it.value() >= 2 || it.key() == kBiasKey)
            keys.push_back(it.key());
    std::sort(keys.begin(), keys.end());
    for (const QString &key : keys) {
        next.m_ids.insert(key, quint32(next.m_names.size()));
        next.m_names.push_back(key);
        next.m_display.push_back(display.value(key));
    }
    unitsWith.clear();
    display.clear();

    // Each unit twice: with and without its previous segment's values.
    struct Example {
        Sparse with;
        Sparse without;
        std::vector<size_t> classes;
    };
    std::vector<Example> examples(coded.size());
    auto lookup = [&next](const RawFeature &f) -> qint64 {
        const auto it = next.m_ids.constFind(f.key);
        return it == next.m_ids.cend() ? -1 : qint64(it.value());
    };
    auto lookupWithout = [&](const RawFeature &f) -> qint64 {
        return f.group == Previous ? -1 : lookup(f);
    };
    for (size_t i = 0; i < coded.size(); ++i) {
        Example &e = examples[i];
        vectorize(raw[i], lookup, e.with.ids, e.with.weights);
        vectorize(raw[i], lookupWithout, e.without.ids, e.without.weights);
        for (qint64 v : coded[i]->values)
            e.classes.push_back(size_t(std::lower_bound(next.m_values.begin(),
                                                        next.m_values.end(), v) -
                                       next.m_values.begin()));
        raw[i].clear();
        raw[i].shrink_to_fit();
    }
    raw.clear();

    const size_t F = next.m_names.size();
    next.m_weights.assign(F * K, 0.0f);
    std::vector<float> squares(F, 0.0f); // AdaGrad: the squared gradients of each row
    std::vector<size_t> order(examples.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::mt19937_64 random(options.seed);
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    std::vector<double> z(K);
    std::vector<double> g(K);
    const bool softmax = next.m_shape == Shape::OneValue;

    for (int epoch = 0; epoch < options.epochs; ++epoch) {
        std::shuffle(order.begin(), order.end(), random);
        for (size_t n = 0; n < order.size(); ++n) {
            if (stop && n % 1024 == 0 && stop())
                return false;
            const Example &e = examples[order[n]];
            const Sparse &x = coin(random) < kPreviousKept ? e.with : e.without;
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
    Suggestion result;
    if (!trained())
        return result;
    Extractor extractor;
    const std::vector<RawFeature> raw = extractor.features(unit, true);
    Sparse x;
    vectorize(
        raw,
        [this](const RawFeature &f) -> qint64 {
            const auto it = m_ids.constFind(f.key);
            return it == m_ids.cend() ? -1 : qint64(it.value());
        },
        x.ids, x.weights);
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
    // (against the other values' mean, for a choice among values).
    std::vector<std::pair<double, size_t>> pulls;
    for (size_t j = 0; j < x.ids.size(); ++j) {
        const size_t f = x.ids[j];
        if (m_names[f] == kBiasKey)
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
        if (pull > 0)
            pulls.emplace_back(pull, f);
    }
    std::sort(pulls.begin(), pulls.end(), [](const auto &a, const auto &b) {
        return a.first > b.first || (a.first == b.first && a.second < b.second);
    });
    for (size_t i = 0; i < pulls.size() && int(result.reasons.size()) < kReasons; ++i) {
        const QString &name = m_names[pulls[i].second];
        Reason r;
        r.weight = pulls[i].first;
        r.text = m_display[pulls[i].second];
        switch (name.at(0).unicode()) {
        case u'w': r.kind = Reason::Word; break;
        case u'p': r.kind = Reason::Pair; break;
        case u'c': r.kind = Reason::Context; break;
        case u'v':
            r.kind = Reason::Previous;
            r.value = name.mid(1).toLongLong();
            break;
        default: r.kind = Reason::Attribute; break;
        }
        result.reasons.push_back(std::move(r));
    }
    return result;
}

namespace {
const quint32 kMagic = 0x544c4d53; // "TLMS"
const quint32 kFormat = 1;
} // namespace

QByteArray Model::save() const
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out.setFloatingPointPrecision(QDataStream::SinglePrecision);
    out << kMagic << kFormat << quint8(m_shape == Shape::SeveralValues ? 1 : 0)
        << qint64(m_learntFrom) << quint64(m_values.size());
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
    in >> magic >> format >> shape >> learnt >> count;
    if (in.status() != QDataStream::Ok || magic != kMagic || format != kFormat || shape > 1 ||
        count < 2 || count > quint64(bytes.size()))
        return std::nullopt;
    Model m;
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
        if (m.m_names[f].isEmpty())
            return std::nullopt;
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
