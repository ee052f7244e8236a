#include "app/Newanalyse.h"

#include "app/analysisname.h"
#include "app/frmMenu.h"
#include "common/look.h"
#include "common/messages.h"
#include "common/twips.h"
#include "store/storeerror.h"
#include "store/templatecopy.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {
constexpr int kClientWidth = 6540;
constexpr int kClientHeight = 1830;

// Length of the title as the user counts it: a line break is two characters.
int titleLength(const QString &raw)
{
    int n = 0;
    for (QChar c : raw)
        n += (c == QChar::ParagraphSeparator || c == QChar::LineSeparator) ? 2 : 1;
    return n;
}
} // namespace

Newanalyse::Newanalyse(frmMenu &menu, const QString &programFolder)
    : QDialog(&menu, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                         | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , m_menu(menu)
    , m_requestedFolder(programFolder)
{
    setObjectName(QStringLiteral("Newanalyse"));
    setWindowTitle(QStringLiteral("Telmira - Nouvelle analyse"));
    setModal(true);
    twips::fixClientSize(this, kClientWidth, kClientHeight);
    look::setBackground(this, look::kLightYellow);

    Frame1 = new QGroupBox(QStringLiteral("Intitulé de la nouvelle analyse"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    look::styleFrame(Frame1, look::kRed, look::font(look::kTimes, 11.25, true, true),
                     look::kLightYellow);
    twips::place(Frame1, 120, 120, 4335, 1335);

    Text1 = new QPlainTextEdit(Frame1);
    Text1->setObjectName(QStringLiteral("Text1"));
    look::setOwnLook(Text1, look::font(look::kTimes, 8.25));
    Text1->setTabChangesFocus(true);
    twips::place(Text1, 120, 360, 4095, 765);
    connect(Text1->document(), &QTextDocument::contentsChange, this, &Newanalyse::limitTitle);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    twips::place(OKButton, 4680, 120, 1215, 375);
    CancelButton = new QPushButton(QStringLiteral("Annuler"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    twips::place(CancelButton, 4680, 600, 1215, 375);
    // Neither button is the default: Enter in the title box starts a new line.
    for (QPushButton *b : {OKButton, CancelButton}) {
        look::setOwnLook(b);
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    setTabOrder(Text1, OKButton);
    setTabOrder(OKButton, CancelButton);
    Text1->setFocus();

    connect(OKButton, &QPushButton::clicked, this, &Newanalyse::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &Newanalyse::CancelButton_Click);

    Form_Load();
}

void Newanalyse::Form_Load()
{
    m_folders = places::current();
    if (!m_requestedFolder.isEmpty())
        m_folders.program = m_requestedFolder;
    // Without a trailing separator.
    m_programFolder = QDir::cleanPath(m_folders.program);
    m_folders.program = m_programFolder;
}

QString Newanalyse::title() const
{
    QString raw = Text1->document()->toRawText();
    raw.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    raw.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return raw;
}

void Newanalyse::limitTitle(int position, int /*charsRemoved*/, int charsAdded)
{
    QTextDocument *doc = Text1->document();
    const QString raw = doc->toRawText();
    int excess = titleLength(raw) - kMaxTitleLength;
    if (excess <= 0 || charsAdded <= 0)
        return;
    // Drop the end of what was just typed or pasted, as much as goes beyond
    // the limit.
    const int end = qMin(position + charsAdded, int(raw.size()));
    int start = end;
    while (excess > 0 && start > position) {
        --start;
        excess -= titleLength(raw.mid(start, 1));
    }
    QTextCursor cursor(doc);
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
}

void Newanalyse::OKButton_Click()
{
    if (Text1->document()->isEmpty())
        Text1->setPlainText(analysisname::kUntitled);
    m_analysisFileName = analysisname::fileStem(title());

    const QString refusal = analysisname::refusal(m_analysisFileName);
    if (!refusal.isEmpty()) {
        messages::error(this, refusal);
        return;
    }

    QString templatePath;
    QString folder;
    try {
        templatePath = places::findTemplate(m_programFolder);
        folder = places::analysesFolder(m_folders);
    } catch (const StoreError &e) {
        messages::error(this, e.message());
        return;
    }
    const QString target = folder + QLatin1Char('/') + analysisname::fileName(m_analysisFileName);
    const QFileInfo existing(target);
    if (existing.exists() || existing.isSymLink()) {
        if (existing.isDir()) {
            messages::error(this, QStringLiteral("La nouvelle analyse ne peut pas être créée : "
                                                 "« %1 » est un dossier.")
                                      .arg(QDir::toNativeSeparators(target)));
            return;
        }
        const QString question = QStringLiteral("Une analyse nommée « %1 » existe déjà dans le "
                                                "dossier « %2 ».\nVoulez-vous la remplacer par "
                                                "une nouvelle analyse vide ?")
                                     .arg(analysisname::fileName(m_analysisFileName),
                                          QDir::toNativeSeparators(folder));
        if (!messages::ask(this, question))
            return;
    }

    try {
        copyTemplate(templatePath, target);
    } catch (const StoreError &e) {
        // The store's message names the file and the cause.
        messages::error(this, e.message());
        return;
    }

    m_menu.setDatabasePath(target);
    m_menu.showBrowseState();
    m_menu.statusBar()->showMessage(
        QStringLiteral("Nouvelle analyse créée dans le dossier « %1 ».")
            .arg(QDir::toNativeSeparators(folder)));
    CancelButton_Click();
}

void Newanalyse::CancelButton_Click()
{
    close();
}

void Newanalyse::done(int result)
{
    Form_Unload();
    QDialog::done(result);
}

void Newanalyse::Form_Unload()
{
    m_menu.setVisible(true);
}

void Newanalyse::keyPressEvent(QKeyEvent *event)
{
    // Escape does nothing; Enter never reaches a button.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return
        || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
