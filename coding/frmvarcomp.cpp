#include "coding/frmvarcomp.h"

#include "common/look.h"
#include "common/messages.h"
#include "common/pathsource.h"
#include "common/twips.h"
#include "store/storeerror.h"
#include "variables/listeditor.h"

#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace coding {

QString frmVarComp::listTitle(int list)
{
    switch (list) {
    case 1:
        return QStringLiteral("Variable de comparaison 1");
    case 2:
        return QStringLiteral("Variable de comparaison 2");
    case 3:
        return QStringLiteral("Variable principale");
    case 4:
        return QStringLiteral("Variable de spécification 1");
    default:
        return QStringLiteral("Variable de spécification 2");
    }
}

frmVarComp::frmVarComp(int list, const PathSource &paths, QWidget *parent)
    : QDialog(parent), m_list(list), m_paths(paths),
      m_duplicateMessage(QStringLiteral("Cet élément existe déjà dans la liste."))
{
    setObjectName(QStringLiteral("var_comp_0%1").arg(list));
    setWindowTitle(QStringLiteral("Analyse de contenu - %1 (liste %2)")
                       .arg(listTitle(list))
                       .arg(list));
    look::setBackground(this, look::kLightYellow);

    auto *frame = new QWidget(this);
    frame->setObjectName(QStringLiteral("cadre"));
    twips::place(frame, 0, 0, 3735, 5280);

    auto *title = new QLabel(listTitle(list), frame);
    title->setObjectName(QStringLiteral("titre"));
    title->setFont(look::font(look::kTimes, 11, true));
    look::setTextColour(title, look::kDarkBlue);
    twips::place(title, 240, 120, 3375, 360);

    // The editor's controls lie where the list's own window puts them: the
    // input box with the list under it, the three buttons on its right.
    ListEditorConfig config = listEditorConfigs().at(size_t(list - 1));
    config.inputLeft = 240;
    config.inputTop = 600;
    config.buttonsLeft = 2400;
    m_editor = new ListEditor(config, m_paths, m_duplicateMessage, frame);

    auto *fermer = new QPushButton(QStringLiteral("&Fermer"), frame);
    fermer->setObjectName(QStringLiteral("fermer"));
    fermer->setFont(look::font(QStringLiteral("Arial"), 8.25));
    // Enter in the input box must not close the window.
    fermer->setAutoDefault(false);
    fermer->setDefault(false);
    twips::place(fermer, 2400, 4740, 975, 375);
    connect(fermer, &QPushButton::clicked, this, &QDialog::accept);

    twips::fixClientSize(this, 3735, 5280);
}

bool frmVarComp::Form_Load()
{
    try {
        m_editor->charger_liste();
        return true;
    } catch (const StoreError &e) {
        messages::error(parentWidget(),
                        QStringLiteral("La liste %1 (%2) n'a pas pu être lue.\n\n%3")
                            .arg(m_list)
                            .arg(listTitle(m_list), e.message()));
        return false;
    }
}

} // namespace coding
