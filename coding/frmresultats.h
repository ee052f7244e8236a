#pragma once
// Window "Résultats" of the coding application: the frequency table of a
// list, or its cross-table with another (counts or percentages, margins,
// Pearson's chi-square), for the whole analysis or chosen texts, at the unit
// of coding rows or of segments; the same as a bar chart. Counted by
// segments, the window says how many segments fall in several cells, and the
// chi-square then warns that its observations are not independent. Clicking a cell
// lists its segments; choosing one opens it in the coding window. "Copier"
// puts the table on the clipboard, "Exporter" writes it as CSV, the chart is
// saved as PNG or SVG.
//
// The window reads through a connection of its own. It counts again when a
// choice changes, and when it comes back to the front after the coding or
// the lists changed.
#include "coding/resultchart.h"
#include "coding/resultgrid.h"

#include <QMainWindow>
#include <array>
#include <memory>
#include <vector>

class Connection;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableView;
class QTableWidget;

namespace results {
class ResultsStore;
struct CellSegment;
} // namespace results

namespace coding {

class Session;
class CellSegmentModel;

class frmResultats : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmResultats(Session &session, QWidget *parent = nullptr);
    ~frmResultats() override;

    // Opens its connection, lists the texts and the lists (by their
    // names), and counts. When
    // the analysis cannot be read, tells why and returns false.
    bool Form_Load();

    // The table as shown (tests, Copier, Exporter).
    const ResultGrid &grid() const { return m_grid; }

public slots:
    // Counts again with the choices made.
    void compute();
    // Lists the segments behind a cell of the table.
    void tableau_CellClicked(int row, int column);
    void copier_Click();
    void exporter_Click();
    void enregistrer_Click();

protected:
    void changeEvent(QEvent *event) override;

private:
    void build();
    void loadChoices();
    void openSegment(int row);
    void status(const QString &text);
    QString listName(int list) const;

    Session &m_session;
    std::shared_ptr<Connection> m_db;
    std::unique_ptr<results::ResultsStore> m_store;
    std::array<QString, 5> m_names; // the lists' names
    bool m_stale = false;
    bool m_loading = false;

    // What the table shows: the values behind its rows and columns.
    int m_rowList = 0;
    int m_columnList = 0; // 0: a frequency table
    std::vector<qint64> m_rowValues;
    std::vector<qint64> m_columnValues;
    ResultGrid m_grid;
    ChartData m_chart;

    QComboBox *variable = nullptr;
    QComboBox *croiser = nullptr;
    QComboBox *unite = nullptr;
    QComboBox *affichage = nullptr;
    QComboBox *barres = nullptr;
    QListWidget *textes = nullptr;
    QPushButton *tous = nullptr;
    QPushButton *aucun = nullptr;
    QLabel *titre = nullptr;
    QTabWidget *onglets = nullptr;
    QTableWidget *tableau = nullptr;
    ChartView *graphique = nullptr;
    QLabel *notes = nullptr; // how the table was counted (segments in several cells)
    QLabel *khi2 = nullptr;
    QLabel *avertissement = nullptr;
    QPushButton *copier = nullptr;
    QPushButton *exporter = nullptr;
    QPushButton *enregistrer = nullptr;
    QLabel *segments_titre = nullptr;
    QTableView *segments = nullptr;
    CellSegmentModel *m_segments = nullptr;
};

} // namespace coding
