#pragma once
// Bar charts of the results, painted with QPainter: one bar per value of a
// frequency table, or for a cross-table one group of bars (or one stacked
// bar) per value of the first variable, a bar (or a block) per value of the
// second. Titled with the variables' names and the unit of count. The same
// painting serves the window, a PNG (QImage) and an SVG (QSvgGenerator).
#include <QColor>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <vector>

class QPainter;

namespace coding {

struct ChartData {
    QString title;         // e.g. "Thème × Ton"
    QString subtitle;      // e.g. "unité : segments ; tous les textes"
    QStringList categories; // along the horizontal axis
    QStringList series;     // one bar each in a category; one name: no legend
    QString legendTitle;    // above the legend: the second variable's name
    std::vector<std::vector<double>> values; // [category][series]
    bool stacked = false;
};

// The colour of series i.
QColor seriesColour(int i);

void paintChart(QPainter &painter, const QRectF &area, const ChartData &chart);

// Writes the chart as PNG (1200 x 800 pixels) or SVG, by the file's suffix
// (".svg", anything else PNG). False with a French message on failure.
bool saveChart(const ChartData &chart, const QString &file, QString *message);

// "Enregistrer le graphique...": asks for the image file (proposed in the
// analysis's folder, named after it with `suffix`: "_graphique.png") and
// writes the chart there. Returns the text for the status bar, empty when
// nothing was written (cancelled, or failed: told in a message).
QString saveChartAs(QWidget *parent, const ChartData &chart, const QString &databasePath,
                    const QString &suffix);

// The chart shown in a window.
class ChartView : public QWidget
{
    Q_OBJECT
public:
    explicit ChartView(QWidget *parent = nullptr);
    void setChart(const ChartData &chart);
    const ChartData &chart() const { return m_chart; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    ChartData m_chart;
};

} // namespace coding
