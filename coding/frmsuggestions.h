#pragma once
// The window "Suggestions" of the coding application, for one list at a
// time ("Liste"):
//   - "Segments non codés": every segment not coded in the list with the
//     value its model suggests, the confidence and the words or context that
//     weighed most; sortable by any column (confidence by its number),
//     filtered as the coder types (letters compared without accents nor
//     case, over the value, the reasons and the segment); "Accepter les
//     suggestions sélectionnées" and "Accepter au-dessus de" a confidence
//     code them as one step of the history ("Annuler l'acceptation des
//     suggestions (412 segments)"), recorded as accepted suggestions; a
//     double-click (or Entrée) opens the segment in its coding window;
//   - "Fiabilité des suggestions": the cross-validation by text
//     (suggestions/evaluation.h) on K folds: accuracy, Krippendorff's
//     alpha, Cohen's kappa, the segments compared, and for each confidence
//     threshold the alpha of the suggestions that reach it and the share of
//     segments they cover.
// Both are computed off the window's thread, by a worker with its own
// connection, with a progress bar and "Arrêter". No SQL here.
#include <QWidget>

#include <memory>
#include <vector>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTreeWidget;

namespace suggestions {
struct Evaluation;
}

namespace coding {

class Session;

class frmSuggestions : public QWidget
{
    Q_OBJECT
public:
    explicit frmSuggestions(Session &session, QWidget *parent = nullptr);
    ~frmSuggestions() override;

    // Names the lists and starts the suggestions of the first list; false
    // (told) when the analysis cannot be read.
    bool Form_Load();

    // A suggested row as the window lists it.
    struct Row {
        qint64 text = 0;
        qint64 segment = 0;
        std::vector<std::pair<qint64, double>> values; // the value(s), most likely first
        double confidence = 0;
        QString reasons;
        QString start; // the segment's first characters
    };

    // Whether a computation is under way (until its end is shown).
    bool busy() const;

public slots:
    // Computes the suggestions of the list chosen again.
    void cmdCalculer_Click();
    void cmdMesurer_Click();
    void cmdArreter_Click();
    void cmdAccepterSelection_Click();
    void cmdAccepterSeuil_Click();

signals:
    // A computation ended (done, stopped or failed).
    void finished();

private:
    class Job;
    void startJob(bool evaluate);
    void received(const std::vector<Row> &rows);
    void progressed(qint64 done, qint64 total);
    void ended(const QString &failure, bool stopped);
    void evaluated(const suggestions::Evaluation &evaluation);
    void filter();
    void updateThreshold();
    std::vector<const Row *> aboveThreshold() const;
    void accept(const std::vector<const Row *> &rows);
    void openCurrent();
    void status(const QString &text);
    int list() const;
    QString valueName(qint64 value) const;

    Session &m_session;
    std::unique_ptr<Job> m_job;
    bool m_evaluating = false;
    bool m_running = false; // from the start of a computation to its end told
    bool m_accepting = false; // while the window tells the session of its own coding
    bool m_stale = false;     // undone or redone during a measure: computed again after it
    quint64 m_generation = 0; // the computation the window listens to
    std::vector<Row> m_rows;
    std::vector<std::pair<qint64, QString>> m_values; // the list's values, number and text

    QComboBox *liste = nullptr;
    QLabel *etat = nullptr;
    QTabWidget *onglets = nullptr;
    QLineEdit *filtre = nullptr;
    QTreeWidget *liste_suggestions = nullptr;
    QPushButton *calculer = nullptr;
    QPushButton *accepter_selection = nullptr;
    QDoubleSpinBox *seuil = nullptr;
    QPushButton *accepter_seuil = nullptr;
    QSpinBox *plis = nullptr;
    QPushButton *mesurer = nullptr;
    QTableWidget *coefficients = nullptr;
    QTableWidget *seuils = nullptr;
    QProgressBar *progression = nullptr;
    QPushButton *arreter = nullptr;
    QLabel *StatusBar1 = nullptr;
};

} // namespace coding
