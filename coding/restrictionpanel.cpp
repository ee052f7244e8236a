#include "coding/restrictionpanel.h"

#include "coding/textchecks.h"
#include "store/codebookstore.h"
#include "store/resultsstore.h"
#include "store/storeerror.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

namespace coding {

RestrictionPanel::RestrictionPanel(const QString &textsLabel, Coding coding, QWidget *parent)
    : QWidget(parent), m_coding(coding)
{
    setObjectName(QStringLiteral("choix"));
    m_form = new QFormLayout(this);
    m_form->setContentsMargins(0, 0, 0, 0);

    auto *textesLabel = new QLabel(textsLabel, this);
    m_form->addRow(textesLabel);
    textes = new QListWidget(this);
    textes->setObjectName(QStringLiteral("textes"));
    textesLabel->setBuddy(textes);
    m_form->addRow(textes);
    auto *textButtons = new QHBoxLayout;
    tous = new QPushButton(QStringLiteral("T&ous"), this);
    tous->setObjectName(QStringLiteral("tous"));
    aucun = new QPushButton(QStringLiteral("A&ucun"), this);
    aucun->setObjectName(QStringLiteral("aucun"));
    textButtons->addWidget(tous);
    textButtons->addWidget(aucun);
    m_form->addRow(textButtons);

    attribut = new QComboBox(this);
    attribut->setObjectName(QStringLiteral("attribut"));
    valeur_attribut = new QComboBox(this);
    valeur_attribut->setObjectName(QStringLiteral("valeur_attribut"));
    m_form->addRow(QStringLiteral("&Attribut :"), attribut);
    m_form->addRow(QStringLiteral("&Valeur :"), valeur_attribut);

    liste_codee = new QComboBox(this);
    liste_codee->setObjectName(QStringLiteral("liste_codee"));
    valeur_codee = new QComboBox(this);
    valeur_codee->setObjectName(QStringLiteral("valeur_codee"));
    if (m_coding == Coding::CodedOrNot) {
        codee = new QComboBox(this);
        codee->setObjectName(QStringLiteral("codee"));
        codee->addItems({QStringLiteral("tous les segments"), QStringLiteral("codés avec"),
                         QStringLiteral("non codés avec")});
        m_form->addRow(QStringLiteral("&Segments :"), codee);
        m_form->addRow(QStringLiteral("&Liste :"), liste_codee);
        m_form->addRow(QStringLiteral("Val&eur :"), valeur_codee);
        liste_codee->setEnabled(false);
        valeur_codee->setEnabled(false);
        connect(codee, &QComboBox::currentIndexChanged, this, [this](int index) {
            liste_codee->setEnabled(index > 0);
            valeur_codee->setEnabled(index > 0);
            tell();
        });
    } else {
        liste_codee->setToolTip(QStringLiteral("Seulement les segments codés avec une valeur de "
                                               "cette liste"));
        m_form->addRow(QStringLiteral("Segments codés, &liste :"), liste_codee);
        m_form->addRow(QStringLiteral("avec la vale&ur :"), valeur_codee);
    }

    auto checkAll = [this](bool on) {
        m_loading = true;
        checkAllTexts(textes, on);
        m_loading = false;
        tell();
    };
    connect(tous, &QPushButton::clicked, this, [checkAll] { checkAll(true); });
    connect(aucun, &QPushButton::clicked, this, [checkAll] { checkAll(false); });
    connect(textes, &QListWidget::itemChanged, this, &RestrictionPanel::tell);
    connect(attribut, &QComboBox::currentIndexChanged, this, [this] {
        if (m_loading)
            return;
        loadAttributeValues();
        tell();
    });
    connect(valeur_attribut, &QComboBox::currentIndexChanged, this, &RestrictionPanel::tell);
    connect(liste_codee, &QComboBox::currentIndexChanged, this, [this] {
        if (m_loading)
            return;
        loadCodedValues();
        tell();
    });
    connect(valeur_codee, &QComboBox::currentIndexChanged, this, &RestrictionPanel::tell);
}

void RestrictionPanel::tell()
{
    if (!m_loading)
        emit changed();
}

void RestrictionPanel::load(Connection &db)
{
    m_db = &db;
    m_loading = true;
    try {
        m_names = codebook::listNames(db);
    } catch (const StoreError &e) {
        for (int k = 1; k <= codebook::kLists; ++k)
            m_names[size_t(k - 1)] = codebook::defaultListName(k);
        emit problem(e.message());
    }
    try {
        m_attributes = attributes::list(db);
    } catch (const StoreError &e) {
        m_attributes.clear();
        emit problem(e.message());
    }
    loadTexts();
    fillChoosers();
    loadAttributeValues();
    loadCodedValues();
    m_loading = false;
    emit changed();
}

void RestrictionPanel::loadTexts()
{
    // The texts' numbers and paths only: never their counts, which read
    // every segment.
    try {
        refillTextChecks(textes, attributes::texts(*m_db));
    } catch (const StoreError &e) {
        emit problem(e.message());
    }
}

void RestrictionPanel::fillChoosers()
{
    const qint64 chosenAttribute = attribut->currentData().toLongLong();
    attribut->clear();
    attribut->addItem(QStringLiteral("(tous les textes)"), 0);
    for (const attributes::Attribute &a : m_attributes)
        attribut->addItem(a.name, a.number);
    attribut->setCurrentIndex(std::max(0, attribut->findData(chosenAttribute)));
    const bool any = !m_attributes.empty();
    attribut->setEnabled(any);
    attribut->setToolTip(any ? QStringLiteral("Seulement les textes dont cet attribut a la valeur "
                                              "choisie")
                             : QStringLiteral("Les textes de l'analyse n'ont pas d'attributs."));

    const int chosenList = codedList();
    liste_codee->clear();
    if (m_coding == Coding::CodedOnly)
        liste_codee->addItem(QStringLiteral("(aucune)"), 0);
    for (int k = 1; k <= codebook::kLists; ++k)
        liste_codee->addItem(m_names[size_t(k - 1)], k);
    liste_codee->setCurrentIndex(std::max(0, liste_codee->findData(chosenList)));
}

int RestrictionPanel::codedList() const
{
    return liste_codee->currentIndex() < 0 ? 0 : liste_codee->currentData().toInt();
}

void RestrictionPanel::loadAttributeValues()
{
    const bool loading = m_loading;
    m_loading = true;
    const QString kept = valeur_attribut->currentText();
    valeur_attribut->clear();
    const qint64 number = attribut->currentData().toLongLong();
    if (number > 0 && m_db) {
        try {
            for (const results::Value &v : results::ResultsStore(*m_db).attributeValues(number))
                if (v.numero != results::kWithoutValue)
                    valeur_attribut->addItem(v.text);
        } catch (const StoreError &e) {
            emit problem(e.message());
        }
    }
    valeur_attribut->setCurrentIndex(std::max(0, valeur_attribut->findText(kept)));
    valeur_attribut->setEnabled(number > 0 && valeur_attribut->count() > 0);
    m_loading = loading;
}

void RestrictionPanel::loadCodedValues()
{
    const bool loading = m_loading;
    m_loading = true;
    const qint64 kept = valeur_codee->currentData().toLongLong();
    valeur_codee->clear();
    const int list = codedList();
    if (list > 0 && m_db) {
        try {
            for (const results::Value &v : results::ResultsStore(*m_db).values(list))
                valeur_codee->addItem(v.text, v.numero);
        } catch (const StoreError &e) {
            emit problem(e.message());
        }
    }
    valeur_codee->setCurrentIndex(std::max(0, valeur_codee->findData(kept)));
    if (m_coding == Coding::CodedOnly)
        valeur_codee->setEnabled(valeur_codee->count() > 0);
    m_loading = loading;
}

search::Restriction RestrictionPanel::restriction() const
{
    search::Restriction r;
    r.scope = checkedTexts(textes);
    const qint64 number = attribut->currentData().toLongLong();
    if (number > 0 && valeur_attribut->currentIndex() >= 0)
        r.scope.conditions.push_back(results::Condition::equals(number, attribut->currentText(),
                                                                valeur_attribut->currentText()));
    const bool coded = m_coding == Coding::CodedOnly || codee->currentIndex() > 0;
    if (coded && codedList() > 0 && valeur_codee->currentIndex() >= 0) {
        r.list = codedList();
        r.value = valeur_codee->currentData().toLongLong();
        r.coded = m_coding == Coding::CodedOnly || codee->currentIndex() == 1;
    }
    return r;
}

QStringList RestrictionPanel::described() const
{
    const search::Restriction r = restriction();
    QStringList parts;
    if (!r.scope.conditions.empty())
        parts << results::describe(r.scope.conditions);
    if (r.list > 0)
        parts << QStringLiteral("%1 %2 %3")
                     .arg(liste_codee->currentText(), r.coded ? QStringLiteral("=")
                                                              : QStringLiteral("≠"),
                          valeur_codee->currentText());
    return parts;
}

} // namespace coding
