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
// The attributes of the texts stand in the same choosers as the lists: a
// list crossed with an attribute has the attribute's values as its columns
// (or its rows), "(sans valeur)" for the texts without one, and the same
// test. A chart over an attribute of dates gathers its values by month or by
// year, in time order, the empty periods included. Conditions on the
// attributes ("journal = Le Monde", "date de 2003-01-01 à 2003-12-31"), made
// in the editor under the texts, keep only the texts that meet them all;
// they are written above the table.
//
// The window reads through a connection of its own. It counts again when a
// choice changes, and when it comes back to the front after the coding or
// the lists changed.
#include "coding/resultchart.h"
#include "coding/resultgrid.h"
#include "store/attributestore.h"
#include "store/resultsstore.h"

#include <QMainWindow>
#include <array>
#include <memory>
#include <vector>

class Connection;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTableView;
class QTableWidget;

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
    // The conditions on the attributes, as applied.
    const std::vector<results::Condition> &conditions() const { return m_conditions; }

public slots:
    // Counts again with the choices made.
    void compute();
    // Lists the segments behind a cell of the table.
    void tableau_CellClicked(int row, int column);
    void copier_Click();
    void exporter_Click();
    void enregistrer_Click();
    // Adds the condition made in the editor, or removes the one selected.
    void ajouterCondition_Click();
    void retirerCondition_Click();

protected:
    void changeEvent(QEvent *event) override;

private:
    void build();
    void loadChoices();
    void openSegment(int row);
    void status(const QString &text);
    QString listName(int list) const;
    // What a chooser's line stands for: a list 1 to 5, an attribute as minus
    // its number, 0 for none.
    static int choiceOf(const QComboBox *box);
    QString choiceName(int choice) const;
    bool isDateAttribute(int choice) const;
    results::Scope scope(bool *all, int *chosen) const;
    void fillChoosers();
    void loadConditionValues();
    void showConditions();
    // The chart over an attribute of dates (a choice), the list's values as
    // its series.
    // Returns the units left out of it, having no date.
    qint64 periodChart(const results::CrossTable &listByAttribute, int list, int attribute);

    Session &m_session;
    std::shared_ptr<Connection> m_db;
    std::unique_ptr<results::ResultsStore> m_store;
    std::array<QString, 5> m_names; // the lists' names
    std::vector<attributes::Attribute> m_attributes;
    std::vector<results::Condition> m_conditions;
    bool m_stale = false;
    bool m_loading = false;

    // What the table shows: the values behind its rows and columns (as
    // choiceOf says; an attribute's values numbered as the store does).
    int m_rowList = 0;
    int m_columnList = 0; // 0: a frequency table
    std::vector<results::Value> m_rowValues;
    std::vector<results::Value> m_columnValues;
    ResultGrid m_grid;
    ChartData m_chart;

    QComboBox *variable = nullptr;
    QComboBox *croiser = nullptr;
    QComboBox *unite = nullptr;
    QCheckBox *sans_suggestions = nullptr;
    QComboBox *affichage = nullptr;
    QComboBox *barres = nullptr;
    QComboBox *periode = nullptr; // the chart over dates: by month or by year
    QComboBox *mesure = nullptr;  // the chart over dates: counts or percentages
    QListWidget *textes = nullptr;
    QPushButton *tous = nullptr;
    QPushButton *aucun = nullptr;
    QComboBox *condition_attribut = nullptr;
    QComboBox *condition_operateur = nullptr;
    QComboBox *condition_valeur = nullptr;
    QLineEdit *condition_de = nullptr;
    QLineEdit *condition_a = nullptr;
    QPushButton *ajouter_condition = nullptr;
    QListWidget *conditions_liste = nullptr;
    QPushButton *retirer_condition = nullptr;
    QLabel *titre = nullptr;
    QLabel *conditions_texte = nullptr;
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
