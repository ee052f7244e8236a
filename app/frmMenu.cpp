#include "app/frmMenu.h"

#include "app/Newanalyse.h"
#include "app/availability.h"
#include "app/busypointer.h"
#include "about/frmabout.h"
#include "analysis/frmAnalyse.h"
#include "common/look.h"
#include "common/messages.h"
#include "common/twips.h"
#include "guide/guide.h"
#include "store/storeerror.h"
#include "variables/frmoptions.h"

#include <QAction>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>

namespace {
constexpr int kClientWidth = 9165;
constexpr int kClientHeight = 4725;
constexpr int kStatusBarHeight = 255;

QGroupBox *frame(const char *name, const QString &caption, QWidget *parent)
{
    auto *f = new QGroupBox(caption, parent);
    f->setObjectName(QString::fromLatin1(name));
    look::styleFrame(f, look::kRed, look::font(look::kTimes, 11.25, true, true),
                     look::kLightYellow);
    return f;
}

template <typename W>
W *control(const char *name, QWidget *parent)
{
    auto *w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    look::setOwnLook(w);
    return w;
}

QPushButton *button(const char *name, const QString &caption, QWidget *parent)
{
    auto *b = control<QPushButton>(name, parent);
    b->setText(caption);
    b->setAutoDefault(false);
    return b;
}
} // namespace

frmMenu::frmMenu(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMenu"));
    setWindowTitle(QStringLiteral("Telmira - Une analyse de contenus"));
    look::setBackground(this, look::kLightYellow);

    // Menus.
    fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    fichier->setObjectName(QStringLiteral("fichier"));
    quitter = fichier->addAction(QStringLiteral("&Quitter"));
    quitter->setObjectName(QStringLiteral("quitter"));
    analyse = menuBar()->addMenu(QStringLiteral("&Analyse"));
    analyse->setObjectName(QStringLiteral("analyse"));
    edit_analyse = analyse->addAction(QStringLiteral("&Edition"));
    edit_analyse->setObjectName(QStringLiteral("edit_analyse"));
    edit_analyse->setEnabled(false);
    aide = menuBar()->addMenu(QStringLiteral("&Aide"));
    aide->setObjectName(QStringLiteral("aide"));
    aide->addAction(guide::makeAction(this));
    About = aide->addAction(QStringLiteral("&A propos de..."));
    About->setObjectName(QStringLiteral("About"));

    // The client area below the menu bar; the controls keep their places when
    // the window is resized.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    look::setBackground(client, look::kLightYellow);
    setCentralWidget(client);

    // The banner: two labels on the same spot, Label1's white letters on top
    // of Label2, which gives both the blue ground.
    const auto banner = [client](const char *name, const QColor &colour) {
        auto *l = new QLabel(QStringLiteral("Quillmere - TELMIRA"), client);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(look::font(look::kTimes, 24, true));
        l->setAlignment(Qt::AlignCenter);
        look::setTextColour(l, colour);
        twips::place(l, 360, 120, 8415, 615);
        return l;
    };
    Label2 = banner("Label2", QPalette().color(QPalette::WindowText));
    look::setBackground(Label2, look::kBlue);
    Label1 = banner("Label1", QColor(255, 255, 255));

    Frame1 = frame("Frame1", QStringLiteral("Ouvrir un texte : "), client);
    twips::place(Frame1, 360, 960, 8415, 975);
    source = control<QLineEdit>("source", Frame1);
    twips::place(source, 360, 360, 6495, 285);
    Ouvrir_latin = button("Ouvrir_latin", QStringLiteral("Parcourir..."), Frame1);
    twips::place(Ouvrir_latin, 6960, 290, 1095, 375);

    Frame3 = frame("Frame3", QStringLiteral("Base de données"), client);
    twips::place(Frame3, 360, 2160, 8415, 1455);
    Command2 = button("Command2", QStringLiteral("Nouvelle base de données"), Frame3);
    twips::place(Command2, 1440, 600, 2055, 495);
    Command3 = button("Command3", QStringLiteral("Base de données existante"), Frame3);
    twips::place(Command3, 3960, 600, 2295, 495);

    Frame2 = frame("Frame2", QStringLiteral("Ouvrir une base de données"), client);
    twips::place(Frame2, 360, 2160, 8415, 1455);
    Text3 = control<QLineEdit>("Text3", Frame2);
    twips::place(Text3, 360, 600, 6495, 285);
    Command1 = button("Command1", QStringLiteral("Parcourir..."), Frame2);
    twips::place(Command1, 6960, 480, 1215, 375);

    suite = button("suite", QStringLiteral("Traitement"), client);
    twips::place(suite, 4920, 3840, 1695, 495);
    suite->hide();
    Annuler = button("Annuler", QStringLiteral("Annuler"), client);
    twips::place(Annuler, 6840, 3840, 1815, 495);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setFixedHeight(twips::toPixels(kStatusBarHeight));
    setStatusBar(StatusBar1);
    // The menu bar and the status bar keep the platform's look, not the
    // window's yellow.
    look::setPlatformLook(menuBar());
    look::setPlatformLook(StatusBar1);

    const QSize client_size = twips::size(kClientWidth, kClientHeight);
    resize(client_size.width(), client_size.height() + menuBar()->sizeHint().height());

    setTabOrder(Ouvrir_latin, source);
    setTabOrder(source, suite);
    setTabOrder(suite, Text3);
    setTabOrder(Text3, Command1);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);
    setTabOrder(Command3, Annuler);
    Ouvrir_latin->setFocus();

    connect(Ouvrir_latin, &QPushButton::clicked, this, &frmMenu::Ouvrir_latin_Click);
    connect(Command1, &QPushButton::clicked, this, &frmMenu::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmMenu::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmMenu::Command3_Click);
    connect(Annuler, &QPushButton::clicked, this, &frmMenu::Annuler_Click);
    connect(suite, &QPushButton::clicked, this, &frmMenu::suite_Click);
    // textChanged: a value set to the text already there is no change.
    connect(source, &QLineEdit::textChanged, this, &frmMenu::source_Change);
    connect(Text3, &QLineEdit::textChanged, this, &frmMenu::Text3_Change);
    connect(quitter, &QAction::triggered, this, &frmMenu::quitter_Click);
    connect(edit_analyse, &QAction::triggered, this, &frmMenu::edit_analyse_Click);
    connect(About, &QAction::triggered, this, &frmMenu::About_Click);

    Form_Load();
}

QString frmMenu::textPath() const { return source->text(); }
QString frmMenu::databasePath() const { return Text3->text(); }

void frmMenu::Form_Load()
{
    BusyPointer busy(this);
    Frame2->hide();
    Annuler->hide();
}

void frmMenu::applyAvailabilityRule(bool databaseChanged)
{
    const bool textExists = availability::denotesFile(source->text());
    const bool databaseExists = availability::denotesFile(Text3->text());
    suite->setVisible(textExists && databaseExists);
    if (databaseChanged)
        edit_analyse->setEnabled(availability::denotesFile(Text3->text()));
}

void frmMenu::source_Change() { applyAvailabilityRule(false); }
void frmMenu::Text3_Change() { applyAvailabilityRule(true); }

void frmMenu::Ouvrir_latin_Click() { browse(CommonDialog1, source); }
void frmMenu::Command1_Click() { browse(CommonDialog2, Text3); }

void frmMenu::browse(RememberingFileDialog &dialog, QLineEdit *field)
{
    const QString name = dialog.show(this);
    if (name.isEmpty())
        return;
    BusyPointer busy(this);
    field->setText(name);
}

void frmMenu::Command2_Click()
{
    BusyPointer busy(this);
    Newanalyse dialog(*this);
    dialog.exec();
}

void frmMenu::Command3_Click()
{
    BusyPointer busy(this);
    showBrowseState();
}

void frmMenu::Annuler_Click()
{
    Text3->setText(QString());
    showChoiceState();
}

void frmMenu::setDatabasePath(const QString &path) { Text3->setText(path); }

void frmMenu::showBrowseState()
{
    Frame3->hide();
    Frame2->show();
    Annuler->show();
}

void frmMenu::showChoiceState()
{
    Frame2->hide();
    Frame3->show();
    Annuler->hide();
}

void frmMenu::suite_Click()
{
    BusyPointer busy(this);
    try {
        // The analysis window deletes itself when it closes; it hides this
        // window while it is open.
        if (!m_analyse)
            m_analyse = new frmAnalyse(*this, this);
        m_analyse->show();
    } catch (const StoreError &e) {
        messages::error(this, e.message());
    }
}

void frmMenu::edit_analyse_Click()
{
    BusyPointer busy(this);
    try {
        frmOptions window(*this, this);
        if (window.Form_Load())
            window.exec();
    } catch (const StoreError &e) {
        messages::error(this, e.message());
    }
}

void frmMenu::About_Click()
{
    frmAbout window(this);
    window.exec();
}

void frmMenu::quitter_Click()
{
    // Ends the program at once: no window is closed, nothing is asked.
    QCoreApplication::exit(0);
}
