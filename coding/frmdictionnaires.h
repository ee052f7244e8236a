#pragma once
// Window "Dictionnaires" of the coding application: the dictionaries kept
// in the analysis (store/dictionarystore.h), taken in from a file (LIWC
// .dic, quanteda .yml/.yaml, Lexicoder .lc3/.lcd, CSV) or written out (CSV,
// YAML), their categories and entries edited, and what they count in the
// segments (words/dictionarycount.h):
//
// - beside each category and each entry, its occurrences and its segments;
//   a click on an entry lists where it counts, as the search's concordance
//   does (the lines of its first kKeptSegments segments), a double-click
//   opening the segment in the coding window;
// - the table of the categories over the whole analysis, or by text, by
//   value of a list or by value of an attribute (occurrences, segments or
//   share of the words), with copy, CSV export and its chart;
// - the entries that count most, and the words that stand beside a
//   category's occurrences without being caught by any entry, sortable.
// The counting runs on a thread of its own, with its own connection, its
// progress shown at the bottom with "Arrêter"; it is made again when the
// dictionary, the texts ticked or the grouping change.
//
// "Coder avec le dictionnaire…" gives the categories' values to the
// segments holding them (store/dictionarycoding.h) as one step of the
// history, which "Édition > Annuler" takes back, values added included.
// "Copie codée par le dictionnaire…" writes a coder's copy of the analysis
// coded by the dictionary alone, for the reliability window.
//
// Changes of a dictionary are written at once and are not steps of the
// history: the window says so, and asks before anything is deleted.
#include "coding/resultchart.h"
#include "coding/resultgrid.h"
#include "store/dictionarystore.h"
#include "words/dictionarycount.h"

#include <QMainWindow>
#include <QPointer>
#include <array>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;
class QTableWidget;
class QTimer;
class QTreeWidget;
class QCheckBox;

namespace coding {

class Session;
class EntryLinesModel;

class frmDictionnaires : public QMainWindow
{
    Q_OBJECT
public:
    // Segments kept per entry for its lines.
    static constexpr int kKeptSegments = 1000;

    explicit frmDictionnaires(Session &session, QWidget *parent = nullptr);
    ~frmDictionnaires() override;

    // Lists the dictionaries and the texts, and counts the first
    // dictionary. False (told) when the analysis cannot be read.
    bool Form_Load();

    // Whether a count or a copy runs on its thread.
    bool busy() const;
    // The count shown, when there is one for the dictionary as it stands.
    const std::optional<words::DictionaryCount> &counted() const { return m_count; }
    // The dictionary shown.
    const dictionaries::Stored &current() const { return m_stored; }
    // The table shown in the tab "Tableau", as copied.
    const ResultGrid &grid() const { return m_grid; }
    const ChartData &chart() const { return m_chart; }
    Session &session() const { return m_session; }

public slots:
    void importer_Click();
    void exporter_Click();
    void renommer_Click();
    void supprimer_Click();
    void nouvelleCategorie_Click();
    void sousCategorie_Click();
    void renommerCategorie_Click();
    void supprimerCategorie_Click();
    void ajouterEntree_Click();
    void modifierEntree_Click();
    void supprimerEntree_Click();
    void compter_Click();
    void arreter_Click();
    void coder_Click();
    void copieCodee_Click();
    void copier_Click();
    void exporterTableau_Click();
    void enregistrerGraphique_Click();

signals:
    // A count ended (done, stopped or failed).
    void countEnded();
    // A copy ended.
    void copyEnded();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct Job;

    void build();
    void loadDictionaries(qint64 select);
    void loadTexts();
    void loadGroupings();
    void showDictionary();
    void showCategories();
    void showEntries();
    void showLines();
    void showTable();
    void showTopEntries();
    void showNeighbours();
    void followState();
    // The dictionary changed: read it again, count again.
    void reloadDictionary();
    void startCount();
    void stopJob();
    void poll();
    int selectedCategory() const; // index in the dictionary, -1 when none
    int selectedEntry() const;    // index in the matcher's numbering, -1 when none
    search::Restriction restriction() const;
    search::Grouping grouping() const;
    // Asks for a list (1 to 5); 0 when cancelled.
    int askList(const QString &title, const QString &what, const QString &objectName,
                const QString &go);
    void status(const QString &text);

    Session &m_session;
    dictionaries::Stored m_stored;
    std::unique_ptr<words::DictionaryScan> m_scan; // on the session's connection, for the lines
    std::optional<words::DictionaryCount> m_count;
    std::unique_ptr<Job> m_job;
    ResultGrid m_grid;
    ChartData m_chart;
    bool m_loading = false;
    bool m_available = false;
    std::array<QString, 5> m_names;

    QComboBox *dictionnaire = nullptr;
    QPushButton *importer = nullptr;
    QPushButton *exporter = nullptr;
    QPushButton *renommer = nullptr;
    QPushButton *supprimer = nullptr;
    QLabel *note_modifications = nullptr;
    QListWidget *textes = nullptr;
    QPushButton *tous = nullptr;
    QPushButton *aucun = nullptr;
    QTreeWidget *categories = nullptr;
    QPushButton *nouvelle_categorie = nullptr;
    QPushButton *nouvelle_sous_categorie = nullptr;
    QPushButton *renommer_categorie = nullptr;
    QPushButton *supprimer_categorie = nullptr;
    QTableWidget *entrees = nullptr;
    QPushButton *ajouter_entree = nullptr;
    QPushButton *modifier_entree = nullptr;
    QPushButton *supprimer_entree = nullptr;
    QTabWidget *onglets = nullptr;
    QLabel *compte_entree = nullptr;
    QTableView *concordance = nullptr;
    EntryLinesModel *m_lines = nullptr;
    QComboBox *par = nullptr;
    QComboBox *liste_par = nullptr;
    QComboBox *attribut_par = nullptr;
    QComboBox *afficher = nullptr;
    QTableWidget *tableau = nullptr;
    QPushButton *copier = nullptr;
    QPushButton *exporter_tableau = nullptr;
    ChartView *graphique = nullptr;
    QPushButton *enregistrer_graphique = nullptr;
    QTableWidget *entrees_frequentes = nullptr;
    QTableWidget *voisins = nullptr;
    QCheckBox *sans_mots_vides = nullptr;
    QLabel *etat_compte = nullptr;
    QPushButton *compter = nullptr;
    QProgressBar *progression = nullptr;
    QPushButton *arreter = nullptr;
    QPushButton *coder = nullptr;
    QPushButton *copie_codee = nullptr;
    QTimer *m_poll = nullptr;
};

// "Dictionnaires..." for a window's menu: opens the session's dictionaries
// window (one per session), or brings it forward.
QAction *makeDictionariesAction(Session &session, QWidget *window);
// That window, opened when needed; null when it cannot read.
frmDictionnaires *openDictionaries(Session &session);

} // namespace coding
