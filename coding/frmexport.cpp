#include "coding/frmexport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace coding {

frmExport::frmExport(const ExportOptions &options, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmExport"));
    setWindowTitle(QStringLiteral("Exporter le codage"));
    auto *layout = new QVBoxLayout(this);

    auto *disposition = new QGroupBox(QStringLiteral("Disposition"), this);
    disposition->setObjectName(QStringLiteral("disposition"));
    auto *dispositionLayout = new QVBoxLayout(disposition);
    longue = new QRadioButton(QStringLiteral("&Longue : une ligne par ligne de codage, et une par "
                                             "segment non codé"),
                              disposition);
    longue->setObjectName(QStringLiteral("longue"));
    large = new QRadioButton(QStringLiteral("L&arge : une ligne par segment, une colonne 0/1 par "
                                            "valeur de chaque liste"),
                             disposition);
    large->setObjectName(QStringLiteral("large"));
    dispositionLayout->addWidget(longue);
    dispositionLayout->addWidget(large);
    layout->addWidget(disposition);
    (options.layout == ExportOptions::Layout::Wide ? large : longue)->setChecked(true);

    codesSeulement = new QCheckBox(QStringLiteral("Laisser de côté les segments &non codés"), this);
    codesSeulement->setObjectName(QStringLiteral("codes_seulement"));
    codesSeulement->setChecked(options.codedOnly);
    layout->addWidget(codesSeulement);

    nomFichier = new QCheckBox(QStringLiteral("Nom du &fichier du texte au lieu de son chemin "
                                              "complet"),
                               this);
    nomFichier->setObjectName(QStringLiteral("nom_fichier"));
    nomFichier->setChecked(options.fileName);
    layout->addWidget(nomFichier);

    sansSuggestions = new QCheckBox(QStringLiteral("Sans les &suggestions acceptées (comptées "
                                                   "non codées)"),
                                    this);
    sansSuggestions->setObjectName(QStringLiteral("sans_suggestions"));
    sansSuggestions->setChecked(options.withoutSuggestions);
    layout->addWidget(sansSuggestions);
    marquerSuggestions = new QCheckBox(QStringLiteral("&Marquer les suggestions acceptées (une "
                                                      "colonne par liste, disposition longue)"),
                                       this);
    marquerSuggestions->setObjectName(QStringLiteral("marquer_suggestions"));
    marquerSuggestions->setChecked(options.markSuggestions);
    layout->addWidget(marquerSuggestions);
    auto followSuggestions = [this] {
        marquerSuggestions->setEnabled(longue->isChecked() && !sansSuggestions->isChecked());
    };
    connect(sansSuggestions, &QCheckBox::toggled, this, followSuggestions);
    connect(longue, &QRadioButton::toggled, this, followSuggestions);
    followSuggestions();

    brut = new QCheckBox(QStringLiteral("Export &brut (R, Python)"), this);
    brut->setObjectName(QStringLiteral("brut"));
    brut->setChecked(options.raw);
    layout->addWidget(brut);
    auto *brutNote = new QLabel(QStringLiteral("Les valeurs sont écrites telles qu'enregistrées. "
                                               "Sans cette option, un texte commençant par =, +, "
                                               "-, @ reçoit une apostrophe en tête, pour qu'un "
                                               "tableur ne l'exécute pas comme une formule."),
                                this);
    brutNote->setObjectName(QStringLiteral("note_brut"));
    brutNote->setWordWrap(true);
    brutNote->setIndent(20);
    layout->addWidget(brutNote);

    auto *form = new QFormLayout;
    separateur = new QComboBox(this);
    separateur->setObjectName(QStringLiteral("separateur"));
    separateur->addItem(QStringLiteral("Point-virgule ( ; )"), QChar(QLatin1Char(';')));
    separateur->addItem(QStringLiteral("Virgule ( , )"), QChar(QLatin1Char(',')));
    separateur->setCurrentIndex(options.separator == QLatin1Char(',') ? 1 : 0);
    form->addRow(QStringLiteral("&Séparateur :"), separateur);
    layout->addLayout(form);

    auto *buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("boutons"));
    QPushButton *ok = buttons->addButton(QStringLiteral("&Exporter..."),
                                         QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("exporter"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Annuler"),
                                             QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("annuler"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

ExportOptions frmExport::options() const
{
    ExportOptions o;
    o.layout = large->isChecked() ? ExportOptions::Layout::Wide : ExportOptions::Layout::Long;
    o.codedOnly = codesSeulement->isChecked();
    o.fileName = nomFichier->isChecked();
    o.raw = brut->isChecked();
    o.withoutSuggestions = sansSuggestions->isChecked();
    o.markSuggestions = marquerSuggestions->isEnabled() && marquerSuggestions->isChecked();
    o.separator = separateur->currentData().toChar();
    return o;
}

} // namespace coding
