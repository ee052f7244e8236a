#pragma once
// Window "Vocabulaire" of the coding application, in two tabs:
// - "Vocabulaire": the words of the segments (words/corpus.h), for the
//   texts ticked, those whose attribute has a value, or the segments coded
//   with a value of a list; without the French stop words, or by stem (the
//   forms counted under each stem then shown). A line says how many words
//   differ, how many occurrences and segments were counted. The table sorts
//   by any column; "Copier" (Ctrl+Maj+C) puts it on the clipboard,
//   "Exporter" writes it as CSV.
// - "Mots caractéristiques": the words over- or under-represented in the
//   segments holding a value of a list (or in the texts with a value of an
//   attribute) against every other segment of the analysis, by Dunning's G²,
//   the largest first.
//
// Counting reads every segment: it runs with a progress window ("Arrêter"
// stops it, and the table is then left as it was), never freezing the
// window. The window reads through a connection of its own; its choices
// follow the lists and attributes when it comes back to the front after they
// changed. The table holds one line per distinct word (memory bounded by
// the vocabulary, never by the segments).
#include "words/vocabulary.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class Connection;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QTableView;

namespace coding {

class RestrictionPanel;
class Session;
class WordTableModel;

class frmVocabulaire : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmVocabulaire(Session &session, QWidget *parent = nullptr);
    ~frmVocabulaire() override;

    // Opens its connection and lists the texts, lists and attributes. When
    // the analysis cannot be read, tells why and returns false.
    bool Form_Load();

public slots:
    // Counts the vocabulary of the segments chosen.
    void compter_Click();
    // Computes the characteristic words of the value chosen.
    void calculer_Click();
    void copier_Click();
    void exporter_Click();

protected:
    void changeEvent(QEvent *event) override;

private:
    void build();
    void loadChoices();
    void loadTargetValues();
    void status(const QString &text);
    // Runs `work` under the progress window; false when the user stopped it.
    bool withProgress(const QString &label,
                      const std::function<void(const std::function<bool(qint64, qint64)> &)> &work);
    // The table of the tab shown.
    QTableView *shownTable() const;

    Session &m_session;
    std::shared_ptr<Connection> m_db;
    bool m_stale = false;

    QTabWidget *onglets = nullptr;
    RestrictionPanel *choix = nullptr;
    QCheckBox *sans_mots_vides = nullptr;
    QCheckBox *par_racine = nullptr;
    QPushButton *compter = nullptr;
    QTableView *vocabulaire = nullptr;
    QLabel *total = nullptr;
    QComboBox *liste = nullptr;
    QComboBox *valeur = nullptr;
    QPushButton *calculer = nullptr;
    QTableView *mots_caracteristiques = nullptr;
    QLabel *cible = nullptr; // what the characteristic words were computed for
    QPushButton *copier = nullptr;
    QPushButton *exporter = nullptr;
    WordTableModel *m_vocabulary = nullptr;
    WordTableModel *m_keyWords = nullptr;
};

} // namespace coding
