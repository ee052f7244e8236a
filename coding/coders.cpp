#include "coding/coders.h"

#include "coding/filedialogs.h"
#include "coding/session.h"
#include "common/messages.h"
#include "guide/guide.h"
#include "store/codercopy.h"
#include "store/storeerror.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

namespace coding {
namespace coders {
namespace {
NameHook &nameHook()
{
    static NameHook h;
    return h;
}
} // namespace

std::optional<QString> askName(QWidget *parent, const QString &current)
{
    if (nameHook())
        return nameHook()(parent, current);
    const guide::Scope help("nom_codeur");
    bool ok = false;
    const QString name = QInputDialog::getText(
        parent, QStringLiteral("Codeur"),
        QStringLiteral("Nom du codeur de cette analyse (il distingue son codage de celui des "
                       "autres codeurs) :"),
        QLineEdit::Normal, current, &ok);
    if (!ok)
        return std::nullopt;
    return name;
}

void setNameHook(NameHook hook)
{
    nameHook() = std::move(hook);
}

} // namespace coders

frmCopieCodeur::frmCopieCodeur(Session &session, QWidget *parent)
    : QDialog(parent), m_session(session)
{
    setObjectName(QStringLiteral("CopieCodeur"));
    setWindowTitle(QStringLiteral("Copie pour un codeur"));
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    nom_codeur = new QLineEdit(this);
    nom_codeur->setObjectName(QStringLiteral("nom_codeur"));
    nom_codeur->setMaxLength(255);
    form->addRow(QStringLiteral("&Codeur :"), nom_codeur);
    auto *fileRow = new QHBoxLayout;
    fichier = new QLineEdit(this);
    fichier->setObjectName(QStringLiteral("fichier"));
    fichier->setMinimumWidth(380);
    parcourir = new QPushButton(QStringLiteral("&Parcourir..."), this);
    parcourir->setObjectName(QStringLiteral("parcourir"));
    parcourir->setAutoDefault(false);
    fileRow->addWidget(fichier, 1);
    fileRow->addWidget(parcourir);
    auto *fileLabel = new QLabel(QStringLiteral("&Fichier :"), this);
    fileLabel->setBuddy(fichier);
    form->addRow(fileLabel, fileRow);
    layout->addLayout(form);
    avec_codage = new QCheckBox(QStringLiteral("Copier aussi le &codage (sinon, la copie n'a "
                                               "aucune ligne de codage)"),
                                this);
    avec_codage->setObjectName(QStringLiteral("avec_codage"));
    layout->addWidget(avec_codage);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    copier = new QPushButton(QStringLiteral("C&opier"), this);
    copier->setObjectName(QStringLiteral("copier"));
    copier->setDefault(true);
    annuler = new QPushButton(QStringLiteral("Annuler"), this);
    annuler->setObjectName(QStringLiteral("annuler"));
    buttons->addWidget(copier);
    buttons->addWidget(annuler);
    layout->addLayout(buttons);

    connect(nom_codeur, &QLineEdit::textEdited, this, &frmCopieCodeur::suggest);
    connect(fichier, &QLineEdit::textEdited, this, [this] { m_pathChosen = true; });
    connect(parcourir, &QPushButton::clicked, this, &frmCopieCodeur::parcourir_Click);
    connect(copier, &QPushButton::clicked, this, [this] { copier_Click(); });
    connect(annuler, &QPushButton::clicked, this, &QDialog::reject);
    suggest();
}

QString frmCopieCodeur::copyPath() const
{
    return fichier->text().trimmed();
}

// Beside the analysis, named after it and the coder ("Corpus_Marie.mdb").
void frmCopieCodeur::suggest()
{
    if (m_pathChosen)
        return;
    const QFileInfo db(m_session.databasePath());
    QString coder = nom_codeur->text().trimmed();
    coder.replace(QRegularExpression(QStringLiteral("[\\\\/:*?\"<>|\\s]+")), QStringLiteral("_"));
    if (coder.isEmpty())
        coder = QStringLiteral("codeur");
    fichier->setText(db.dir().filePath(db.completeBaseName() + QLatin1Char('_') + coder
                                       + QStringLiteral(".mdb")));
}

void frmCopieCodeur::parcourir_Click()
{
    const QString path = dialogs::saveDatabase(this, QStringLiteral("Copie pour un codeur"),
                                               copyPath());
    if (path.isEmpty())
        return;
    fichier->setText(path);
    m_pathChosen = true;
}

bool frmCopieCodeur::copier_Click()
{
    const QString coder = nom_codeur->text().trimmed();
    const QString path = copyPath();
    if (coder.isEmpty()) {
        messages::error(this, QStringLiteral("Indiquez le nom du codeur à qui la copie est "
                                             "destinée."));
        nom_codeur->setFocus();
        return false;
    }
    if (path.isEmpty()) {
        messages::error(this, QStringLiteral("Indiquez le fichier de la copie."));
        fichier->setFocus();
        return false;
    }
    const QFileInfo target(path);
    if (target.exists()) {
        if (target.canonicalFilePath() == QFileInfo(m_session.databasePath()).canonicalFilePath()) {
            messages::error(this, QStringLiteral("La copie ne peut pas remplacer l'analyse "
                                                 "elle-même : choisissez un autre fichier."));
            return false;
        }
        if (!messages::ask(this, QStringLiteral("Le fichier « %1 » existe déjà. Le remplacer par "
                                                "la copie ?")
                                     .arg(path)))
            return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        codercopy::copyAnalysis(m_session.databasePath(), path, coder, avec_codage->isChecked());
    } catch (const StoreError &e) {
        QApplication::restoreOverrideCursor();
        messages::error(this, e.message());
        return false;
    }
    QApplication::restoreOverrideCursor();
    accept();
    return true;
}

} // namespace coding
