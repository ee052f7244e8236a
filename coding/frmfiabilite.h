#pragma once
// Window `fiabilite` ("Fiabilité inter-codeurs"): the researcher adds the
// copies of one analysis that several coders coded, and reads, per list,
// Krippendorff's alpha, Cohen's kappa (two coders), the agreement, the
// segments paired and the multiple values; the alpha of each value; the
// segments on which coders differ. Opening one shows the segment and each
// coder's coding; "Retenir" writes the chosen coder's coding of it into a
// consolidated analysis. "Exporter le rapport" writes all of it to CSV.
//
// The files are read each time "Calculer" is clicked, with a progress
// window that can stop it; the window keeps the comparison in memory.
// Beside the coefficients, the notes say how they were counted. The tab
// The coders are named (the "codeur" of each copy) and the lists too as soon
// as the copies are added. The tab "Désaccords" opens on the first list
// that has some. The tab
// "Ordre ordinal" shows the order the ordinal level gives a list's values
// (their leading numbers, else their order of entry) and lets the user
// change it; the list's coefficients are computed again at once.
#include "reliability/comparison.h"

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <map>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTabWidget;
class QTreeWidget;

namespace coding {

class frmFiabilite : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmFiabilite(QWidget *parent = nullptr);

    // Adds a coder's copy to the list (a path given twice is ignored).
    void addFile(const QString &path);
    QStringList files() const;

    // Reads the files and fills the tables; false when it failed or was
    // stopped (the reason told in a message or the status bar).
    bool calculer_Click();
    // Shows the disagreement on that line of the list: the segment's text and
    // each coder's coding rows.
    void openDisagreement(int line);
    // Writes the coding of the coder chosen in `codeur_retenu` for the
    // disagreement on the current line into the consolidated analysis.
    bool retenir_Click();
    void exporter_Click();

    const std::optional<reliability::Comparison> &comparison() const { return m_comparison; }
    const reliability::VariableResult &result(int list) const { return m_results[size_t(list - 1)]; }

    // Moves the value on line `line` of `ordre_valeurs` one line up (-1) or
    // down (+1): the order becomes the user's.
    void moveValue(int line, int step);

private:
    void build();
    void ajouter_Click();
    void retirer_Click();
    void choisirConsolidee_Click();
    void creerConsolidee_Click();
    void showCoefficients();
    void showValues();
    void showDisagreements();
    void showOrder();
    void showNotes();
    void reevaluate(int list);
    void updateTexts();
    // The lists' names beside their levels.
    void showListNames(const std::array<QString, 5> &names);
    void updateButtons();
    void forget();
    void status(const QString &text);
    QString valueName(int list, qint64 value) const;
    reliability::Level levelOf(int list) const;

    QTreeWidget *fichiers = nullptr;
    QPushButton *ajouter = nullptr;
    QPushButton *retirer = nullptr;
    QListWidget *textes = nullptr;
    QCheckBox *codes_par_tous = nullptr;
    QCheckBox *sans_suggestions = nullptr;
    QCheckBox *intervalle = nullptr;
    std::array<QComboBox *, 5> niveau{};
    std::array<QLabel *, 5> niveau_nom{};
    QPushButton *calculer = nullptr;
    QTabWidget *onglets = nullptr;
    QTableWidget *coefficients = nullptr;
    QComboBox *valeurs_liste = nullptr;
    QTableWidget *valeurs = nullptr;
    QComboBox *desaccords_liste = nullptr;
    QTableWidget *desaccords = nullptr;
    QPlainTextEdit *segment_detail = nullptr;
    QLineEdit *consolidee = nullptr;
    QPushButton *choisir_consolidee = nullptr;
    QPushButton *creer_consolidee = nullptr;
    QComboBox *codeur_retenu = nullptr;
    QPushButton *retenir = nullptr;
    QPushButton *exporter = nullptr;
    QLabel *notes = nullptr;
    QComboBox *ordre_liste = nullptr;
    QListWidget *ordre_valeurs = nullptr;
    QLabel *ordre_origine = nullptr;
    QPushButton *monter = nullptr;
    QPushButton *descendre = nullptr;
    QPushButton *ordre_defaut = nullptr;

    QStringList m_files;
    std::optional<reliability::Comparison> m_comparison;
    std::array<reliability::VariableResult, 5> m_results;
    std::map<qint64, QString> m_starts;   // segment -> its first characters
    std::map<qint64, QString> m_retained; // segment -> coder whose coding was kept
    // The ordinal order the user gave each list (values' numbers); empty:
    // the list's own.
    std::array<std::vector<qint64>, 5> m_orders;
    bool m_disagreementsListChosen = false;
};

} // namespace coding
