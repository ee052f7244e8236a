#pragma once
// Window "Rechercher" of the coding application: the segments that hold the
// words of a query (words/searchquery.h: words, "une expression", début*,
// OU, -mot, parentheses; case and accents ignored), shown as a concordance:
// one line per occurrence, the text's and the segment's numbers, the words
// before (right-aligned, cut on the left), the words found (bold) and the
// words after, so that the words found stand in one column. A line
// « 48 012 occurrences dans 31 907 segments » counts them.
//
// The search may be kept to chosen texts, to the texts whose attribute has
// a value, and to the segments coded (or not coded) with a value of a list.
// Before each search the index of the segments is brought up to date
// (store/searchindex.h), behind a progress window with "Arrêter" when much
// is to be read; stopped, nothing is searched. A query that cannot be read
// is told under the query box, and nothing is searched.
//
// The concordance reads its lines a page at a time as the user scrolls
// (the first page at once); memory is bounded by the lines shown. Sorting
// by the word before or after needs every line: they are all read first,
// behind a progress window with "Arrêter" when they are many (stopped, the
// order stays). A double-click (or Entrée) on a line opens its segment in
// the coding window.
//
// "Coder les segments trouvés…" gives a value of a list to every segment
// found (or to those of the lines chosen) as one step of the history:
// "Édition > Annuler" takes it back. A search kept to the segments coded (or
// not coded) with a value is made again after coding, here or in another
// window (when this one comes to the front), and after "Annuler" and
// "Rétablir", so that its lines always meet the restriction. "Graphique…" shows how many
// occurrences each text holds, or each value of an attribute (by month for
// an attribute of dates).
//
// The window reads through a connection of its own; the coding goes through
// the session's history.
#include "coding/resultchart.h"
#include "store/searchstore.h"

#include <QDialog>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>
#include <vector>

class Connection;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace results {
class ResultsStore;
}

namespace coding {

class Session;
class ConcordanceModel;
class RestrictionPanel;

// The order of the concordance.
enum class ConcordanceOrder { Texts, WordBefore, WordAfter };

class frmRecherche : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmRecherche(Session &session, QWidget *parent = nullptr);
    ~frmRecherche() override;

    // Opens its connection and lists the texts, the attributes and the
    // lists. When the analysis cannot be read, tells why and returns false.
    bool Form_Load();

    // What the last search found (tests, the chart).
    const search::HitCounts &counts() const { return m_counts; }
    // The chart last made.
    const ChartData &chart() const { return m_chart; }
    Session &session() const { return m_session; }

public slots:
    // Searches with the query and the restriction chosen.
    void chercher_Click();
    // Asks for a list and a value and codes the segments found.
    void coder_Click();
    // Shows the chart of the occurrences, by text or by attribute value.
    void graphique_Click();

protected:
    void changeEvent(QEvent *event) override;

private:
    void build();
    void loadChoices();
    // Brings the index up to date; false (told) when stopped or failed.
    bool indexReady();
    // Searches for `fts` within `restriction` and shows the count and the
    // first lines (the index must be current).
    void showSearch(const QString &fts, const search::Restriction &restriction);
    // The coding changed: a search kept to coded segments is made again,
    // at once when the window is in front, else when it comes there.
    void followCoding();
    void searchAgain();
    // Reads every line and sorts them; false when stopped.
    bool sortLines(ConcordanceOrder order);
    void openLine(int row);
    void status(const QString &text);
    void showError(const QString &text);
    void followReadOnly(bool readOnly);
    QString listName(int list) const;

    Session &m_session;
    std::shared_ptr<Connection> m_db;
    std::unique_ptr<search::SearchStore> m_store;
    std::unique_ptr<results::ResultsStore> m_results;
    // The search shown: its expression and restriction.
    QString m_fts;
    search::Restriction m_restriction;
    bool m_searched = false;
    search::HitCounts m_counts;
    ChartData m_chart;
    QPointer<QDialog> m_chartWindow;
    bool m_stale = false;
    bool m_recount = false; // the search shown is to be made again (followCoding)
    bool m_loading = false;
    int m_order = 0; // the concordance's order (ConcordanceOrder), as chosen

    QLineEdit *requete = nullptr;
    QPushButton *chercher = nullptr;
    QLabel *erreur = nullptr;
    RestrictionPanel *choix = nullptr;
    QComboBox *tri = nullptr;
    QLabel *compte = nullptr;
    QTableView *concordance = nullptr;
    ConcordanceModel *m_model = nullptr;
    QPushButton *coder = nullptr;
    QComboBox *par = nullptr;
    QPushButton *graphique = nullptr;
};

// The dialog of "Coder les segments trouvés…": a list, one of its values,
// and (when lines are chosen) whether only their segments are coded.
class frmCoderTrouves : public QDialog
{
    Q_OBJECT
public:
    // `names`: the five lists' names; `selected`: the segments of the lines
    // chosen (0: none chosen, the box is not offered); `found`: all of them.
    frmCoderTrouves(const std::array<QString, 5> &names, results::ResultsStore &store,
                    qint64 found, qint64 selected, QWidget *parent = nullptr);

    int list() const;
    qint64 value() const;     // 0 when none is chosen
    QString valueText() const;
    bool onlySelection() const;

private:
    void loadValues();

    results::ResultsStore &m_store;
    QComboBox *liste = nullptr;
    QComboBox *valeur = nullptr;
    QCheckBox *seulement_selection = nullptr;
    QPushButton *ok = nullptr;
};

} // namespace coding
