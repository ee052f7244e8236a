#include "reliability/comparison.h"

#include "reliability/scale.h"

#include <algorithm>

namespace reliability {

Comparison comparisonOf(CodedCopies copies)
{
    Comparison c;
    const qint64 units = qint64(copies.segments.size());
    const int coders = int(copies.sources.size());
    static_cast<CopiesOutline &>(c) = std::move(static_cast<CopiesOutline &>(copies));
    for (int k = 0; k < kLists; ++k) {
        std::vector<qint64> &values = copies.values[size_t(k)];
        Variable &v = c.variables[size_t(k)];
        v.table = Table(units, coders);
        v.multiple.assign(size_t(units * coders), 0);
        if (values.size() == size_t(units * coders)) {
            for (qint64 u = 0; u < units; ++u)
                for (int f = 0; f < coders; ++f) {
                    const qint64 value = values[size_t(u * coders + f)];
                    if (value == CodedCopies::kSeveral) {
                        v.multiple[size_t(u * coders + f)] = 1;
                        ++v.multiples;
                    } else if (value != CodedCopies::kNone) {
                        v.table.set(u, f, double(value));
                    }
                }
        }
        std::vector<qint64>().swap(values);
    }
    return c;
}

VariableResult evaluate(const Comparison &comparison, int list, Level level, bool withInterval,
                        int resamples, const std::vector<qint64> &order)
{
    VariableResult r;
    r.list = list;
    r.name = comparison.listNames[size_t(list - 1)];
    const Variable &v = comparison.variables[size_t(list - 1)];
    r.multiples = v.multiples;
    r.coders = v.table.coders();

    const Coincidences nominal = coincidences(v.table);
    r.units = nominal.units;
    r.agreement = percentAgreement(v.table);
    r.kappa = cohensKappa(v.table);
    r.values = valueAlphas(nominal);

    Table scaled;
    const Table *table = &v.table;
    if (level != Level::Nominal) {
        const auto &values = comparison.lists[size_t(list - 1)];
        const auto numbers = scale(values, level, &r.levelError, order);
        if (numbers && level == Level::Ordinal)
            r.order = !order.empty() ? QStringLiteral("ordre choisi")
                      : ordinalOrder(values).byLeadingNumber ? QStringLiteral("nombres en tête")
                                                             : QStringLiteral("ordre de saisie");
        if (numbers) {
            scaled = rescale(v.table, *numbers);
            table = &scaled;
        } else {
            level = Level::Nominal;
        }
    }
    r.level = level;
    r.alpha = level == Level::Nominal ? alpha(nominal, level) : alpha(*table, level);
    if (withInterval) {
        r.interval = bootstrap(*table, level, resamples);
        r.resamples = resamples;
    }

    r.disagreements = disagreements(v.table);
    // Units where a coder gave several values need a decision too.
    const int coders = v.table.coders();
    std::vector<qint64> withMultiples;
    for (qint64 u = 0; u < v.table.units(); ++u)
        for (int c = 0; c < coders; ++c)
            if (v.isMultiple(u, c)) {
                withMultiples.push_back(u);
                break;
            }
    if (!withMultiples.empty()) {
        std::vector<qint64> merged;
        std::set_union(r.disagreements.begin(), r.disagreements.end(), withMultiples.begin(),
                       withMultiples.end(), std::back_inserter(merged));
        r.disagreements = std::move(merged);
    }
    return r;
}

QString fixed4(const Coefficient &c)
{
    if (!c.defined())
        return QString();
    QString s = QString::number(c.value, 'f', 4);
    if (s == QLatin1String("-0.0000"))
        s = QStringLiteral("0.0000");
    return s;
}

QString reported(const Coefficient &c)
{
    switch (c.status) {
    case Coefficient::Defined:
        return fixed4(c);
    case Coefficient::SingleValue:
        return QStringLiteral("indéfini: une seule valeur");
    case Coefficient::NoPair:
        return QStringLiteral("indéfini: aucune paire");
    }
    return QString();
}

QString reportedKappa(const VariableResult &r)
{
    if (r.coders != 2)
        return QStringLiteral("indéfini: plus de deux codeurs");
    return reported(r.kappa);
}

} // namespace reliability
