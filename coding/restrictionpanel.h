#pragma once
// The panel of the windows that look at some segments of the analysis
// (search, vocabulary; dictionary counts could too): which segments.
//
// - "Textes": the texts of the analysis to tick, "N - file" (the whole path
//   as tooltip), with "Tous" and "Aucun". Loaded again, a text keeps its
//   mark and a new text comes ticked.
// - "Attribut" and its "Valeur": only the texts whose attribute has that
//   value (when the texts have attributes).
// - The segments coded with a value of a list: with Coding::CodedOrNot a
//   chooser "tous les segments / codés avec / non codés avec", then the list
//   and the value; with Coding::CodedOnly, the list ("(aucune)" first) and
//   the value.
//
// restriction() is what is chosen; changed() tells each change the user
// makes. The panel reads the lists' names, the attributes, their values and
// the texts through the window's connection (load), and keeps the names and
// attributes for the window's other choosers. A read that fails is told by
// problem() (the window shows it) and leaves the panel as complete as it
// can be. Its controls keep the names the windows' tests find them by:
// textes, tous, aucun, attribut, valeur_attribut, codee, liste_codee,
// valeur_codee.
#include "store/attributestore.h"
#include "store/searchstore.h"

#include <QStringList>
#include <QWidget>
#include <array>
#include <vector>

class Connection;
class QComboBox;
class QFormLayout;
class QListWidget;
class QPushButton;

namespace coding {

class RestrictionPanel : public QWidget
{
    Q_OBJECT
public:
    enum class Coding {
        CodedOrNot, // segments coded, or not coded, with a value
        CodedOnly,  // segments coded with a value
    };

    // `textsLabel`: the label above the texts ("&Textes :").
    RestrictionPanel(const QString &textsLabel, Coding coding, QWidget *parent = nullptr);

    // Reads the lists' names, the attributes and the texts of `db`; every
    // choice keeps what it stands for when it is still there.
    void load(Connection &db);

    search::Restriction restriction() const;
    // What restriction() keeps, for a line that tells what was counted:
    // "journal = Le Monde", "Thème = Animaux" ("≠" for the segments not
    // coded with it); nothing for the texts ticked.
    QStringList described() const;

    const std::array<QString, 5> &listNames() const { return m_names; }
    const std::vector<attributes::Attribute> &attributeList() const { return m_attributes; }
    // The panel's form, where a window may add rows of its own below.
    QFormLayout *form() const { return m_form; }

signals:
    void changed();
    void problem(const QString &message);

private:
    void loadTexts();
    void loadAttributeValues();
    void loadCodedValues();
    void fillChoosers();
    int codedList() const; // the list of the coded chooser, 0 when none
    void tell();

    const Coding m_coding;
    Connection *m_db = nullptr;
    std::array<QString, 5> m_names;
    std::vector<attributes::Attribute> m_attributes;
    bool m_loading = false;

    QFormLayout *m_form = nullptr;
    QListWidget *textes = nullptr;
    QPushButton *tous = nullptr;
    QPushButton *aucun = nullptr;
    QComboBox *attribut = nullptr;
    QComboBox *valeur_attribut = nullptr;
    QComboBox *codee = nullptr; // Coding::CodedOrNot only
    QComboBox *liste_codee = nullptr;
    QComboBox *valeur_codee = nullptr;
};

} // namespace coding
