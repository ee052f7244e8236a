// The suggestions' model and its measure: what it needs to learn, what it
// learns from the segment and from its context, why it suggests, how it is
// kept, and the figures of its comparison with the coder, worked out by hand.
#include "suggestions/chain.h"
#include "suggestions/evaluation.h"
#include "suggestions/model.h"

#include <QtTest>

#include <set>

using suggestions::Model;
using suggestions::Unit;

namespace {

const qint64 kEmploi = 2, kEcole = 3, kSante = 4;

// Sentences of three themes, by their words, with neutral words around.
QString sentence(qint64 theme, int i)
{
    static const QStringList emploi{QStringLiteral("chômage"), QStringLiteral("emploi"),
                                    QStringLiteral("salaires"), QStringLiteral("embauche")};
    static const QStringList ecole{QStringLiteral("école"), QStringLiteral("élèves"),
                                   QStringLiteral("enseignants"), QStringLiteral("classes")};
    static const QStringList sante{QStringLiteral("hôpital"), QStringLiteral("médecins"),
                                   QStringLiteral("malades"), QStringLiteral("soins")};
    static const QStringList neutral{QStringLiteral("le gouvernement annonce"),
                                     QStringLiteral("selon le ministre"),
                                     QStringLiteral("cette année encore"),
                                     QStringLiteral("dans la région")};
    const QStringList &w = theme == kEmploi ? emploi : theme == kEcole ? ecole : sante;
    return QStringLiteral("%1 : les %2 et les %3.")
        .arg(neutral.at(i % 4), w.at(i % 4), w.at((i + 1) % 4));
}

// `texts` texts of `each` segments, each text of one theme in turn, or
// (mixed) each segment of a text of the next theme.
std::vector<Unit> corpus(int texts, int each, bool mixed = false)
{
    std::vector<Unit> units;
    qint64 segment = 0;
    for (int t = 0; t < texts; ++t) {
        for (int i = 0; i < each; ++i) {
            const qint64 theme = kEmploi + (mixed ? i : t) % 3;
            Unit u;
            u.segment = ++segment;
            u.text = t + 1;
            u.content = sentence(theme, t + i);
            u.values = {theme};
            units.push_back(u);
        }
    }
    return units;
}

} // namespace

class TestSuggestions : public QObject
{
    Q_OBJECT
private slots:
    void enoughToLearn_data();
    void enoughToLearn();
    void suggestsFromWhatItSees_data();
    void suggestsFromWhatItSees();
    void rareValuesWeighMore();
    void chainStandsForPrevious_data();
    void chainStandsForPrevious();
    void runSharesItsReading_data();
    void runSharesItsReading();
    void severalValuesAreYesNoDecisions();
    void keptAndReadBack();
    void foldsKeepTextsWhole();
    void comparisonFigures();
    void crossValidationHidesThePrevious();
    void crossValidationRefuses_data();
    void crossValidationRefuses();
};

void TestSuggestions::enoughToLearn_data()
{
    QTest::addColumn<int>("coded");
    QTest::addColumn<int>("values");
    QTest::addColumn<bool>("enough");
    QTest::newRow("29 segments, 2 values") << 29 << 2 << false;
    QTest::newRow("30 segments, 1 value") << 30 << 1 << false;
    QTest::newRow("30 segments, 2 values") << 30 << 2 << true;
    QTest::newRow("nothing coded") << 0 << 0 << false;
}

void TestSuggestions::enoughToLearn()
{
    QFETCH(int, coded);
    QFETCH(int, values);
    QFETCH(bool, enough);
    std::vector<Unit> units(size_t(coded) + 5); // five not coded, never counted
    for (int i = 0; i < coded; ++i)
        units[size_t(i)].values = {qint64(2 + i % std::max(values, 1))};
    const QString why = Model::tooLittle(units);
    QCOMPARE(why.isEmpty(), enough);
    if (!enough)
        QVERIFY2(why.contains(QStringLiteral("%1 segment(s) codé(s)").arg(coded)), qPrintable(why));
    Model model;
    QCOMPARE(model.train(units), enough || (coded > 0 && values >= 2));
}

void TestSuggestions::suggestsFromWhatItSees_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QStringList>("context");
    QTest::addColumn<QStringList>("wider");
    QTest::addColumn<QStringList>("attributes");
    QTest::addColumn<qint64>("expected");
    QTest::addColumn<QString>("reason"); // a word among its reasons; empty: none asked

    // Words never seen together, forms never seen (stems carry them).
    QTest::newRow("its own words") << QStringLiteral("Le chômage recule, l'embauche reprend.")
                                   << QStringList() << QStringList() << QStringList() << kEmploi
                                   << QStringLiteral("chômage");
    QTest::newRow("other forms of its words")
        << QStringLiteral("Un enseignant et une élève.") << QStringList() << QStringList()
        << QStringList() << kEcole << QString();
    QTest::newRow("accents and case") << QStringLiteral("HÔPITAL ET MÉDECINS") << QStringList()
                                      << QStringList() << QStringList() << kSante << QString();
    // A segment that says nothing of its theme: its neighbours do.
    QTest::newRow("its context") << QStringLiteral("Il faut agir vite.")
                                 << QStringList{QStringLiteral("Les malades attendent."),
                                                QStringLiteral("Les soins manquent.")}
                                 << QStringList() << QStringList() << kSante
                                 << QStringLiteral("malades");
    // The same words next to it and further: one reason each.
    QTest::newRow("its context, near and further")
        << QStringLiteral("Il faut agir vite.")
        << QStringList{QStringLiteral("Les malades attendent."), QStringLiteral("Les soins manquent.")}
        << QStringList{QStringLiteral("Des malades encore."), QStringLiteral("Des soins encore.")}
        << QStringList() << kSante << QStringLiteral("malades");
}

void TestSuggestions::suggestsFromWhatItSees()
{
    QFETCH(QString, content);
    QFETCH(QStringList, context);
    QFETCH(QStringList, wider);
    QFETCH(QStringList, attributes);
    QFETCH(qint64, expected);
    QFETCH(QString, reason);

    std::vector<Unit> units = corpus(12, 6);
    // Context learnt too: neutral segments inside texts of one theme.
    for (Unit &u : units)
        if (u.segment % 6 == 0) {
            const qint64 theme = u.values.front();
            u.context = {sentence(theme, int(u.segment)), sentence(theme, int(u.segment) + 1)};
            u.wider = {sentence(theme, int(u.segment) + 2), sentence(theme, int(u.segment) + 3)};
            u.content = QStringLiteral("Il faut agir.");
        }
    Model model;
    QVERIFY(model.train(units));
    QCOMPARE(model.shape(), Model::Shape::OneValue);
    QCOMPARE(model.values(), (std::vector<qint64>{kEmploi, kEcole, kSante}));

    Unit u;
    u.content = content;
    u.context = context;
    u.wider = wider;
    u.attributes = attributes;
    const suggestions::Suggestion s = model.suggest(u);
    QCOMPARE(s.value, expected);
    QVERIFY(s.confidence > 1.0 / 3 && s.confidence <= 1.0);
    QVERIFY(!s.reasons.empty() && int(s.reasons.size()) <= Model::kReasons);
    std::set<std::pair<int, QString>> named;
    for (size_t i = 0; i < s.reasons.size(); ++i) {
        QVERIFY(i == 0 || s.reasons[i - 1].weight >= s.reasons[i].weight);
        QVERIFY2(named.emplace(int(s.reasons[i].kind), s.reasons[i].text).second,
                 qPrintable(s.reasons[i].text));
    }
    if (!reason.isEmpty()) {
        bool found = false;
        for (const suggestions::Reason &r : s.reasons)
            found = found || r.text == reason;
        QVERIFY2(found, qPrintable(s.reasons.front().text));
    }
    // The same coding, the same model.
    Model again;
    QVERIFY(again.train(units));
    QCOMPARE(again.suggest(u).confidence, s.confidence);
}

void TestSuggestions::chainStandsForPrevious_data()
{
    QTest::addColumn<qint64>("before");   // the second unit's segment before; 1: the first
    QTest::addColumn<qint64>("coded");    // the coder's value of that segment; 0: none
    QTest::addColumn<qint64>("accepted"); // a value accepted there from a suggestion; 0: none
    QTest::addColumn<qint64>("expected"); // the second unit's previous values
    QTest::addColumn<bool>("suggested");  // given by the chain
    QTest::addColumn<QString>("content"); // the second unit's text
    QTest::addColumn<qint64>("value");    // suggested for it; 0: not asked

    const QString nothing = QStringLiteral("Il faut agir vite.");
    QTest::newRow("segment before not coded")
        << qint64(1) << qint64(0) << qint64(0) << kSante << true << nothing << kSante;
    QTest::newRow("segment before coded")
        << qint64(1) << kEcole << qint64(0) << kEcole << false << nothing << kEcole;
    QTest::newRow("segment before accepted")
        << qint64(1) << qint64(0) << kEcole << kEcole << true << nothing << kEcole;
    QTest::newRow("first of its text")
        << qint64(0) << qint64(0) << qint64(0) << qint64(0) << false << nothing << qint64(0);
    QTest::newRow("segment before not the one suggested")
        << qint64(7) << qint64(0) << qint64(0) << qint64(0) << false << nothing << qint64(0);
    // The coder's previous value always agreed in learning; a suggested
    // one is not always right: a word of the segment's own outweighs it.
    QTest::newRow("its own word against the suggestion before")
        << qint64(1) << qint64(0) << qint64(0) << kSante << true << QStringLiteral("Une école.")
        << kEcole;
}

void TestSuggestions::chainStandsForPrevious()
{
    QFETCH(qint64, before);
    QFETCH(qint64, coded);
    QFETCH(qint64, accepted);
    QFETCH(qint64, expected);
    QFETCH(bool, suggested);
    QFETCH(QString, content);
    QFETCH(qint64, value);

    // Texts of one theme each, whose every third segment says nothing of
    // it: the coder's previous value is what tells it.
    std::vector<Unit> units = corpus(12, 6);
    for (size_t i = 0; i < units.size(); ++i) {
        if (i > 0 && units[i - 1].text == units[i].text) {
            units[i].before = units[i - 1].segment;
            units[i].previous = units[i - 1].values;
        }
        if (units[i].segment % 3 == 0)
            units[i].content = QStringLiteral("Il faut agir vite.");
    }
    Model model;
    QVERIFY(model.train(units));

    // A text not coded: a segment of health, then one that says nothing.
    Unit first;
    first.segment = 1;
    first.text = 100;
    first.content = QStringLiteral("Les malades attendent les médecins.");
    Unit second;
    second.segment = 2;
    second.text = 100;
    second.before = before;
    second.content = content;
    if (coded)
        second.previous = {coded};
    if (accepted)
        second.previousAccepted = {accepted};

    suggestions::Chain chain(model);
    QCOMPARE(chain.suggest(first).value, kSante);
    QVERIFY(!first.previousSuggested);
    const suggestions::Suggestion s = chain.suggest(second);
    QCOMPARE(second.previous, expected ? std::vector<qint64>{expected} : std::vector<qint64>{});
    QCOMPARE(second.previousSuggested, suggested);
    if (value)
        QCOMPARE(s.value, value);
    if (value && value == expected) {
        // The previous value decides a segment that says nothing, and is
        // named among its reasons, as suggested or as the coder's.
        const std::map<qint64, QString> names{{kEcole, QStringLiteral("École")},
                                              {kSante, QStringLiteral("Santé")}};
        QStringList reasons;
        for (const suggestions::Reason &r : s.reasons)
            reasons << suggestions::reasonText(r, names);
        const QString name = names.at(expected);
        QVERIFY2(reasons.contains((suggested ? QStringLiteral("précédent suggéré:")
                                             : QStringLiteral("précédent:"))
                                  + name),
                 qPrintable(reasons.join(QLatin1Char(','))));
    }
}

void TestSuggestions::runSharesItsReading_data()
{
    QTest::addColumn<int>("segments");    // units suggested in the run
    QTest::addColumn<bool>("forms");      // a stem in another form from one segment to the next
    QTest::addColumn<bool>("otherModel"); // the reading passes to another model halfway

    QTest::newRow("a run") << 40 << false << false;
    QTest::newRow("a stem in another form each segment") << 40 << true << false;
    QTest::newRow("more segments than the reading keeps") << 1300 << false << false;
    QTest::newRow("another model halfway") << 40 << false << true;
}

void TestSuggestions::runSharesItsReading()
{
    QFETCH(int, segments);
    QFETCH(bool, forms);
    QFETCH(bool, otherModel);

    std::vector<Unit> units = corpus(12, 6);
    Model first, second;
    QVERIFY(first.train(units));
    // Words the first model never met: features numbered otherwise.
    for (Unit &u : units) {
        const qint64 theme = u.values.front();
        u.content += theme == kEmploi  ? QStringLiteral(" Une usine.")
                     : theme == kEcole ? QStringLiteral(" La cantine.")
                                       : QStringLiteral(" Une clinique.");
    }
    QVERIFY(second.train(units));

    // A text not coded: each segment its own, the same words met again
    // around it, or by turns in another form.
    std::vector<QString> contents;
    for (int i = 0; i < segments; ++i)
        contents.push_back(
            (forms ? (i % 2 ? QStringLiteral("Les enseignants ") : QStringLiteral("Un enseignant "))
                   : QString())
            + sentence(kEmploi + i / 7 % 3, i) + QStringLiteral(" n%1").arg(i));
    std::vector<Unit> run(static_cast<size_t>(segments));
    for (int i = 0; i < segments; ++i) {
        Unit &u = run[size_t(i)];
        u.segment = i + 1;
        u.text = 100;
        u.content = contents[size_t(i)];
        for (int d = 1; d <= 4; ++d)
            for (int at : {i - d, i + d})
                if (at >= 0 && at < segments)
                    (d <= 2 ? u.context : u.wider) << contents[size_t(at)];
    }
    // Then the first ones again, their words read long before.
    for (int i = 0; i < 3; ++i)
        run.push_back(run[size_t(i)]);

    Model::Reading reading;
    for (size_t i = 0; i < run.size(); ++i) {
        const Model &model = otherModel && i >= run.size() / 2 ? second : first;
        const suggestions::Suggestion shared = model.suggest(run[i], reading);
        const suggestions::Suggestion alone = model.suggest(run[i]);
        QCOMPARE(shared.value, alone.value);
        QCOMPARE(shared.confidence, alone.confidence);
        QCOMPARE(shared.reasons.size(), alone.reasons.size());
        for (size_t r = 0; r < alone.reasons.size(); ++r) {
            QCOMPARE(shared.reasons[r].kind, alone.reasons[r].kind);
            QCOMPARE(shared.reasons[r].text, alone.reasons[r].text);
            QCOMPARE(shared.reasons[r].weight, alone.reasons[r].weight);
        }
        // A word is shown as the segment writes it.
        for (const suggestions::Reason &r : shared.reasons)
            if (forms && r.kind == suggestions::Reason::Word
                && r.text.startsWith(QStringLiteral("enseignant")))
                QCOMPARE(r.text, i % 2 ? QStringLiteral("enseignants") : QStringLiteral("enseignant"));
    }
}

void TestSuggestions::rareValuesWeighMore()
{
    // 27 texts on work, 3 on health. Segments that speak of both, one word
    // each: the more a rare value weighs in learning, the more likely it is
    // said for them.
    std::vector<Unit> units = corpus(30, 5);
    for (Unit &u : units)
        if (u.values.front() == kEcole || (u.values.front() == kSante && u.text % 9 != 0))
            u.content = sentence(kEmploi, int(u.segment)), u.values = {kEmploi};
    static const QStringList work{QStringLiteral("chômage"), QStringLiteral("emploi"),
                                  QStringLiteral("salaires"), QStringLiteral("embauche")};
    static const QStringList health{QStringLiteral("hôpital"), QStringLiteral("médecins"),
                                    QStringLiteral("malades"), QStringLiteral("soins")};
    std::vector<double> taken;
    for (double balance : {0.0, 0.5, 1.0}) {
        suggestions::Options options;
        options.balance = balance;
        Model model;
        QVERIFY(model.train(units, options));
        double rare = 0;
        for (const QString &w : work)
            for (const QString &h : health) {
                Unit u;
                u.content = QStringLiteral("Les %1 et les %2.").arg(w, h);
                const suggestions::Suggestion said = model.suggest(u);
                QCOMPARE(model.values().back(), kSante);
                rare += said.probabilities.back();
            }
        taken.push_back(rare);
    }
    QVERIFY(taken[0] < taken[1] && taken[1] < taken[2]);
}

void TestSuggestions::severalValuesAreYesNoDecisions()
{
    // Segments speaking of work and school at once hold both values.
    std::vector<Unit> units = corpus(12, 6);
    for (Unit &u : units)
        if (u.segment % 3 == 0) {
            u.content = sentence(kEmploi, int(u.segment)) + QLatin1Char(' ') +
                        sentence(kEcole, int(u.segment));
            u.values = {kEmploi, kEcole};
        }
    Model model;
    QVERIFY(model.train(units));
    QCOMPARE(model.shape(), Model::Shape::SeveralValues);
    Unit both;
    both.content = QStringLiteral("Le chômage des enseignants et les salaires à l'école.");
    const suggestions::Suggestion s = model.suggest(both);
    std::set<qint64> said;
    for (const auto &[value, p] : s.values) {
        QVERIFY(p >= 0.5 || value == s.value);
        said.insert(value);
    }
    QCOMPARE(said, (std::set<qint64>{kEmploi, kEcole}));
    QCOMPARE(s.values.front().first, s.value);
}

void TestSuggestions::keptAndReadBack()
{
    // Each segment with the others of its text around it.
    std::vector<Unit> units = corpus(9, 5);
    for (Unit &u : units)
        for (const Unit &other : units)
            if (other.text == u.text && other.segment != u.segment)
                (std::abs(other.segment - u.segment) == 1 ? u.context : u.wider) << other.content;
    // Weights of its own for the groups: kept with the model.
    suggestions::Options options;
    options.contextWeight = 2.0f;
    options.widerWeight = 0.3f;
    Model model;
    QVERIFY(model.train(units, options));
    const QByteArray bytes = model.save();
    const std::optional<Model> back = Model::load(bytes);
    QVERIFY(back.has_value());
    QCOMPARE(back->values(), model.values());
    QCOMPARE(back->features(), model.features());
    Unit u;
    u.content = QStringLiteral("Les élèves de la classe.");
    // With words around it: the weights of the context's groups come back too.
    u.context = {sentence(kSante, 1)};
    u.wider = {sentence(kEmploi, 2), sentence(kSante, 3)};
    QCOMPARE(back->suggest(u).value, model.suggest(u).value);
    QCOMPARE(back->suggest(u).confidence, model.suggest(u).confidence);

    // Bytes it did not write are refused, never half read.
    QVERIFY(!Model::load(QByteArray()).has_value());
    QVERIFY(!Model::load(bytes.left(bytes.size() / 2)).has_value());
    QByteArray wrong = bytes;
    wrong[0] = 'X';
    QVERIFY(!Model::load(wrong).has_value());
}

void TestSuggestions::foldsKeepTextsWhole()
{
    // Texts of 5, 3, 3 and 1 coded segments into 2 folds, the largest first
    // to the lightest fold: text 1 (5) to fold 0; text 2 (3) to fold 1;
    // text 3 (3) to fold 1 (3 < 5), which then holds 6; text 4 (1) to fold 0
    // (5 < 6). A segment not coded has no fold.
    std::vector<Unit> units;
    const int sizes[] = {5, 3, 3, 1};
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < sizes[t]; ++i) {
            Unit u;
            u.text = t + 1;
            u.values = {2};
            units.push_back(u);
        }
    units.push_back(Unit{}); // not coded
    const std::vector<int> folds = suggestions::foldsByText(units, 2);
    const std::vector<int> expected{0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 0, -1};
    QCOMPARE(folds, expected);
}

void TestSuggestions::comparisonFigures()
{
    // Coder 1, 1, 2, 2; suggestions 1, 2, 2, 2.
    // Coincidences: o11 = 2, o12 = o21 = 1, o22 = 4; n1 = 3, n2 = 5, n = 8.
    // alpha = 1 - (n - 1) (o12 + o21) / (n1 n2 + n2 n1) = 1 - 7·2/30 = 0.5333.
    // kappa: po = 3/4; pe = 0.5·0.25 + 0.5·0.75 = 0.5; (0.75 - 0.5)/0.5 = 0.5.
    // Confidences 0.95, 0.4, 0.9, 0.6: at 0.9 and above, units 1 and 3, both
    // agreeing (alpha 1, accuracy 1, half the segments); at 0.6, units 1, 3
    // and 4, agreeing: alpha 1 (coder 1, 2, 2 as the suggestions).
    std::vector<Unit> units(4);
    const qint64 coder[] = {1, 1, 2, 2};
    const qint64 model[] = {1, 2, 2, 2};
    const double confidence[] = {0.95, 0.4, 0.9, 0.6};
    std::vector<const Unit *> pointers;
    std::vector<suggestions::Suggestion> said(4);
    for (int i = 0; i < 4; ++i) {
        units[size_t(i)].values = {coder[i]};
        pointers.push_back(&units[size_t(i)]);
        said[size_t(i)].value = model[i];
        said[size_t(i)].confidence = confidence[i];
        said[size_t(i)].values = {{model[i], confidence[i]}};
    }
    const suggestions::Evaluation e = suggestions::compare(pointers, said, Model::Shape::OneValue);
    QCOMPARE(e.segments, 4);
    QCOMPARE(e.accuracy, 0.75);
    QVERIFY(e.alpha.defined());
    QVERIFY(qAbs(e.alpha.value - (1.0 - 14.0 / 30.0)) < 1e-9);
    QVERIFY(qAbs(e.kappa.value - 0.5) < 1e-9);
    QCOMPARE(e.thresholds.size(), size_t(6));
    const suggestions::ThresholdRow &at06 = e.thresholds[1];
    QCOMPARE(at06.threshold, 0.6);
    QCOMPARE(at06.segments, 3);
    QCOMPARE(at06.coverage, 0.75);
    QCOMPARE(at06.accuracy, 1.0);
    const suggestions::ThresholdRow &at09 = e.thresholds[4];
    QCOMPARE(at09.segments, 2);
    QCOMPARE(at09.coverage, 0.5);
    QVERIFY(at09.alpha.defined());
    QCOMPARE(at09.alpha.value, 1.0);
    // At 0.95, unit 1 alone: both say 1, one value in all, no expected
    // disagreement: alpha is undefined, never 1 nor NaN.
    QCOMPARE(e.thresholds[5].segments, 1);
    QVERIFY(!e.thresholds[5].alpha.defined());
}

void TestSuggestions::crossValidationHidesThePrevious()
{
    // Whatever the file says of the segment before (the coder's values, or
    // values accepted there), the folds are suggested for as not reached:
    // the same measure either way.
    std::vector<Unit> units = corpus(12, 6);
    for (size_t i = 1; i < units.size(); ++i)
        if (units[i - 1].text == units[i].text) {
            units[i].before = units[i - 1].segment;
            units[i].previous = units[i - 1].values;
        }
    for (Unit &u : units)
        if (u.segment % 3 == 0)
            u.content = QStringLiteral("Il faut agir vite.");
    QString error;
    const auto plain = suggestions::crossValidate(units, 3, {}, {}, &error);
    QVERIFY2(plain, qPrintable(error));
    for (Unit &u : units)
        u.previousAccepted = {kEcole};
    const auto accepted = suggestions::crossValidate(units, 3, {}, {}, &error);
    QVERIFY2(accepted, qPrintable(error));
    QCOMPARE(accepted->accuracy, plain->accuracy);
    QCOMPARE(accepted->alpha.value, plain->alpha.value);
}

void TestSuggestions::crossValidationRefuses_data()
{
    QTest::addColumn<int>("texts");
    QTest::addColumn<int>("each");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<QString>("message");
    QTest::newRow("one text") << 1 << 40 << false << QStringLiteral("deux textes au moins");
    QTest::newRow("too little") << 2 << 10 << false << QStringLiteral("au moins 30 segments");
    QTest::newRow("stopped") << 9 << 40 << true << QStringLiteral("arrêtée");
    QTest::newRow("measured") << 9 << 40 << false << QString();
}

void TestSuggestions::crossValidationRefuses()
{
    QFETCH(int, texts);
    QFETCH(int, each);
    QFETCH(bool, stop);
    QFETCH(QString, message);
    // Every text holds the three themes, so that every fold learns them all.
    std::vector<Unit> units = corpus(texts, each, true);
    QString error;
    const auto e = suggestions::crossValidate(units, 3, {}, stop ? Model::Stop([] { return true; })
                                                                 : Model::Stop(),
                                              &error);
    if (message.isEmpty()) {
        QVERIFY2(e.has_value(), qPrintable(error));
        QCOMPARE(e->folds, 3);
        QCOMPARE(e->segments, qint64(units.size()));
        // Themes told by their own words: every text is suggested right.
        QCOMPARE(e->accuracy, 1.0);
        QCOMPARE(e->alpha.value, 1.0);
    } else {
        QVERIFY(!e.has_value());
        QVERIFY2(error.contains(message), qPrintable(error));
    }
}

QTEST_GUILESS_MAIN(TestSuggestions)
#include "test_suggestions.moc"
