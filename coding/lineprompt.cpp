#include "coding/lineprompt.h"

#include "common/twips.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace coding {

std::optional<QString> askLine(QWidget *parent, const QString &objectName, const QString &title,
                               const QString &prompt, const QString &current, int widthTwips)
{
    QDialog dialog(parent);
    dialog.setObjectName(objectName);
    dialog.setWindowTitle(title);
    dialog.setMinimumWidth(twips::toPixels(widthTwips));
    auto *layout = new QVBoxLayout(&dialog);
    auto *label = new QLabel(prompt, &dialog);
    label->setObjectName(QStringLiteral("invite"));
    label->setWordWrap(true);
    layout->addWidget(label);
    auto *edit = new QLineEdit(current, &dialog);
    edit->setObjectName(QStringLiteral("nom"));
    edit->selectAll();
    label->setBuddy(edit);
    layout->addWidget(edit);
    auto *buttons = new QDialogButtonBox(&dialog);
    buttons->setObjectName(QStringLiteral("boutons"));
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("ok"));
    ok->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("Annuler"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("annuler"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return edit->text();
}

} // namespace coding
