#include "coding/resultchart.h"

#include "coding/filedialogs.h"
#include "common/filecause.h"
#include "common/messages.h"

#include <QDir>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>

namespace coding {
namespace {

// A step of 1, 2 or 5 times a power of ten giving about five ticks.
double niceStep(double top)
{
    if (top <= 0)
        return 1;
    const double raw = top / 5.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw)
            return std::max(m * power, 1.0);
    return std::max(10.0 * power, 1.0);
}

double highest(const ChartData &chart)
{
    double top = 0;
    for (const auto &category : chart.values) {
        double sum = 0;
        for (double v : category) {
            top = std::max(top, v);
            sum += v;
        }
        if (chart.stacked)
            top = std::max(top, sum);
    }
    return top;
}

} // namespace

QColor seriesColour(int i)
{
    static const QColor colours[] = {
        QColor(31, 119, 180), QColor(255, 127, 14), QColor(44, 160, 44), QColor(214, 39, 40),
        QColor(148, 103, 189), QColor(140, 86, 75), QColor(227, 119, 194), QColor(127, 127, 127),
        QColor(188, 189, 34), QColor(23, 190, 207)};
    const int n = int(sizeof colours / sizeof colours[0]);
    const QColor c = colours[i % n];
    // Past the palette, the same colours lighter, so that no two neighbours match.
    return i < n ? c : c.lighter(100 + 30 * (i / n));
}

void paintChart(QPainter &painter, const QRectF &area, const ChartData &chart)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillRect(area, Qt::white);
    const double unit = std::max(11.0, area.height() / 55.0); // base text size, pixels
    QFont titleFont = painter.font();
    titleFont.setPixelSize(int(unit * 1.5));
    titleFont.setBold(true);
    QFont textFont = painter.font();
    textFont.setPixelSize(int(unit));
    textFont.setBold(false);

    QRectF inner = area.adjusted(unit * 2, unit, -unit * 2, -unit);
    painter.setPen(Qt::black);
    painter.setFont(titleFont);
    const QFontMetricsF titleMetrics(titleFont);
    painter.drawText(QRectF(inner.left(), inner.top(), inner.width(), titleMetrics.height()),
                     Qt::AlignHCenter | Qt::AlignVCenter,
                     titleMetrics.elidedText(chart.title, Qt::ElideRight, inner.width()));
    inner.setTop(inner.top() + titleMetrics.height());
    painter.setFont(textFont);
    const QFontMetricsF metrics(textFont);
    if (!chart.subtitle.isEmpty()) {
        painter.drawText(QRectF(inner.left(), inner.top(), inner.width(), metrics.height()),
                         Qt::AlignHCenter | Qt::AlignVCenter,
                         metrics.elidedText(chart.subtitle, Qt::ElideRight, inner.width()));
        inner.setTop(inner.top() + metrics.height());
    }
    inner.setTop(inner.top() + unit);

    // Legend on the right when there are several series.
    if (chart.series.size() > 1) {
        double width = metrics.horizontalAdvance(chart.legendTitle);
        for (const QString &s : chart.series)
            width = std::max(width, metrics.horizontalAdvance(s) + metrics.height());
        width = std::min(width, inner.width() * 0.25);
        const double box = metrics.height() * 0.8;
        const double legendWidth = box + unit * 0.5 + width;
        const double left = inner.right() - legendWidth;
        double y = inner.top();
        if (!chart.legendTitle.isEmpty()) {
            painter.drawText(QRectF(left, y, legendWidth, metrics.height()),
                             Qt::AlignLeft | Qt::AlignVCenter,
                             metrics.elidedText(chart.legendTitle, Qt::ElideRight, legendWidth));
            y += metrics.height() * 1.5;
        }
        for (int i = 0; i < chart.series.size() && y + metrics.height() <= inner.bottom(); ++i) {
            painter.fillRect(QRectF(left, y + (metrics.height() - box) / 2, box, box),
                             seriesColour(i));
            painter.drawText(QRectF(left + box + unit * 0.5, y, width, metrics.height()),
                             Qt::AlignLeft | Qt::AlignVCenter,
                             metrics.elidedText(chart.series.at(i), Qt::ElideRight, width));
            y += metrics.height() * 1.3;
        }
        inner.setRight(left - unit * 1.5);
    }

    // Value axis.
    const double top = highest(chart);
    const double step = niceStep(top);
    const double axisTop = std::max(step, std::ceil(top / step) * step);
    const QLocale locale;
    double labelWidth = 0;
    for (double v = 0; v <= axisTop + step / 2; v += step)
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(locale.toString(qint64(v))));

    // Category labels: level when they fit, slanted otherwise.
    const int categories = std::max(1, int(chart.categories.size()));
    const double plotLeft = inner.left() + labelWidth + unit;
    const double slot = (inner.right() - plotLeft) / categories;
    double widest = 0;
    for (const QString &c : chart.categories)
        widest = std::max(widest, metrics.horizontalAdvance(c));
    const bool slanted = widest > slot * 0.95;
    const double labelSpace =
        slanted ? std::min(widest * 0.72 + metrics.height(), inner.height() * 0.35)
                : metrics.height() * 1.4;
    const QRectF plot(plotLeft, inner.top(), inner.right() - plotLeft,
                      inner.height() - labelSpace);
    if (plot.height() <= 0 || plot.width() <= 0) {
        painter.restore();
        return;
    }
    auto yOf = [&](double v) { return plot.bottom() - plot.height() * v / axisTop; };

    for (double v = 0; v <= axisTop + step / 2; v += step) {
        const double y = yOf(v);
        painter.setPen(QPen(QColor(220, 220, 220), 0));
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(inner.left(), y - metrics.height() / 2, labelWidth,
                                metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, locale.toString(qint64(v)));
    }
    painter.setPen(QPen(Qt::black, 0));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());

    const int series = std::max(1, int(chart.series.size()));
    for (int c = 0; c < int(chart.values.size()) && c < categories; ++c) {
        const double x0 = plot.left() + slot * c;
        const double barArea = slot * 0.8;
        const double barWidth = chart.stacked ? barArea : barArea / series;
        double base = 0;
        for (int s = 0; s < int(chart.values[size_t(c)].size()); ++s) {
            const double v = chart.values[size_t(c)][size_t(s)];
            QRectF bar;
            if (chart.stacked) {
                bar = QRectF(QPointF(x0 + slot * 0.1, yOf(base + v)),
                             QPointF(x0 + slot * 0.1 + barWidth, yOf(base)));
                base += v;
            } else {
                bar = QRectF(QPointF(x0 + slot * 0.1 + barWidth * s, yOf(v)),
                             QPointF(x0 + slot * 0.1 + barWidth * (s + 1), yOf(0)));
            }
            if (v > 0)
                painter.fillRect(bar, seriesColour(s));
        }
        if (c < chart.categories.size()) {
            const QString label = chart.categories.at(c);
            if (slanted) {
                const double length = labelSpace / 0.72 - metrics.height();
                painter.save();
                painter.translate(x0 + slot / 2, plot.bottom() + unit * 0.5);
                painter.rotate(-45);
                painter.drawText(QRectF(-length, -metrics.height() / 2, length, metrics.height()),
                                 Qt::AlignRight | Qt::AlignVCenter,
                                 metrics.elidedText(label, Qt::ElideRight, length));
                painter.restore();
            } else {
                painter.drawText(QRectF(x0, plot.bottom() + unit * 0.3, slot, metrics.height()),
                                 Qt::AlignHCenter | Qt::AlignVCenter, label);
            }
        }
    }
    painter.restore();
}

bool saveChart(const ChartData &chart, const QString &file, QString *message)
{
    const QSize size(1200, 800);
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly)) {
        *message = QStringLiteral("Le fichier « %1 » ne peut pas être créé : %2.")
                       .arg(file, filecause::fromFileError(out.error()));
        return false;
    }
    bool painted = false;
    if (QFileInfo(file).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0) {
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setTitle(chart.title);
        svg.setDescription(chart.subtitle);
        QPainter painter;
        painted = painter.begin(&svg);
        if (painted) {
            paintChart(painter, QRectF(QPointF(0, 0), size), chart);
            painted = painter.end();
        }
    } else {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            paintChart(painter, QRectF(QPointF(0, 0), size), chart);
        }
        painted = image.save(&out, "PNG");
    }
    if (!painted || !out.commit()) {
        *message = QStringLiteral("Le graphique n'a pas pu être écrit dans « %1 »%2.")
                       .arg(file,
                            out.error() != QFileDevice::NoError
                                ? QStringLiteral(" : ") + filecause::fromFileError(out.error())
                                : QString());
        return false;
    }
    return true;
}

ChartView::ChartView(QWidget *parent) : QWidget(parent)
{
    setMinimumSize(300, 200);
}

void ChartView::setChart(const ChartData &chart)
{
    m_chart = chart;
    update();
}

void ChartView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintChart(painter, QRectF(rect()), m_chart);
}

QString saveChartAs(QWidget *parent, const ChartData &chart, const QString &databasePath,
                    const QString &suffix)
{
    const QFileInfo db(databasePath);
    const QString file =
        dialogs::saveChart(parent, db.dir().filePath(db.completeBaseName() + suffix));
    if (file.isEmpty())
        return QString();
    QString message;
    if (!saveChart(chart, file, &message)) {
        messages::error(parent, message);
        return QString();
    }
    return QStringLiteral("Graphique enregistré dans « %1 ».").arg(file);
}

} // namespace coding
