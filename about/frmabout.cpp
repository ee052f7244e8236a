#include "about/frmabout.h"

#include "about/sysinfo.h"
#include "about/systemregistry.h"
#include "common/look.h"
#include "common/twips.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace {

// Blue of the version line and of the three lines naming where the program was made.
const QColor kTextBlue(0, 0, 255);
const QColor kWhite(255, 255, 255);
const QColor kRuleGrey(128, 128, 128);

// The window's five designer lines (Line1(0) to Line1(4)) form two etched
// rules across the right part, at heights 960 and 1560 twips from 2280 to
// 7320: each is a grey line of width 1 with a white line of width 2 laid
// against it, drawn here by one widget that spans both rules.
class EtchedRules : public QWidget
{
public:
    explicit EtchedRules(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        const int left = twips::toPixels(2280);
        const int top = twips::toPixels(960);
        m_secondRule = twips::toPixels(1560) - top;
        setGeometry(left, top, twips::toPixels(7320) - left, m_secondRule + 3);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        for (int y : {0, m_secondRule}) {
            p.fillRect(0, y, width(), 1, kRuleGrey);
            p.fillRect(0, y + 1, width(), 2, kWhite);
        }
    }

private:
    int m_secondRule = 0;
};

QLabel *creditLabel(QWidget *parent, const char *name, const QString &text, int left, int top,
                    int width, const QColor &colour, bool italic)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(look::font(look::kTimes, 9.75, true, italic));
    look::setBackground(label, kWhite);
    look::setTextColour(label, colour);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    twips::place(label, left, top, width, 240);
    return label;
}

} // namespace

frmAbout::frmAbout(QWidget *parent) : QDialog(parent)
{
    build();
}

frmAbout::frmAbout(about::RegistryApi &registry, QWidget *parent)
    : QDialog(parent), m_registry(&registry)
{
    build();
}

void frmAbout::build()
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Quillmere - A propos de "));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    twips::fixClientSize(this, 7770, 4380);
    look::setBackground(this, look::kLightYellow);

    // Banner: Label2 lies below with the blue ground and the window-text
    // colour, Label1 on top of it, transparent, in white.
    const QFont banner = look::font(look::kTimes, 21.75, true);
    Label2 = new QLabel(QStringLiteral("Quillmere - Telmira"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(banner);
    Label2->setAlignment(Qt::AlignCenter);
    look::setBackground(Label2, look::kBlue);
    look::setTextColour(Label2, QApplication::palette().color(QPalette::WindowText));
    twips::place(Label2, 120, 120, 7575, 615);

    Label1 = new QLabel(QStringLiteral("Quillmere - Telmira"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setFont(banner);
    Label1->setAlignment(Qt::AlignCenter);
    look::setTextColour(Label1, kWhite);
    twips::place(Label1, 120, 120, 7575, 615);

    imgLogo = new QLabel(this);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setScaledContents(true);
    const QPixmap logo(QStringLiteral(":/images/logo.png"));
    if (!logo.isNull())
        imgLogo->setPixmap(logo);
    twips::place(imgLogo, 0, 960, 2295, 2655);

    Line1 = new EtchedRules(this);
    Line1->setObjectName(QStringLiteral("Line1"));

    lblVersion = new QLabel(QStringLiteral("Version 1.0"), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setFont(look::font(look::kTimes, 14.25, true, true));
    lblVersion->setAlignment(Qt::AlignCenter);
    look::setBackground(lblVersion, look::kLightOrange);
    look::setTextColour(lblVersion, kTextBlue);
    twips::place(lblVersion, 3360, 1080, 2805, 375);

    Frame1 = new QGroupBox(QStringLiteral("Crédits"), this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    look::styleFrame(Frame1, look::kRed, look::font(look::kTimes, 9.75, true, true),
                     look::kLightOrange);
    twips::place(Frame1, 2280, 1680, 4815, 2175);

    const QColor black(0, 0, 0);
    const QString team = QStringLiteral("Équipe Telmira");
    creditLabel(Frame1, "Label4", QStringLiteral("Responsable: "), 120, 360, 1335, black, false);
    creditLabel(Frame1, "Label5", team, 1455, 360, 3240, look::kRed, true);
    creditLabel(Frame1, "Label3", QStringLiteral("Réalisation :"), 120, 600, 1335, black, false);
    creditLabel(Frame1, "Label6", team, 1455, 600, 3240, look::kRed, true);
    creditLabel(Frame1, "Label7", QStringLiteral("Service informatique"), 120, 840, 4575,
                kTextBlue, false);
    creditLabel(Frame1, "Label8", QStringLiteral("Faculté des lettres"), 120, 1080, 4575,
                kTextBlue, false);
    creditLabel(Frame1, "Label9", QStringLiteral("Université"), 120, 1320, 4575, kTextBlue,
                false);
    creditLabel(Frame1, "Label10", QStringLiteral("Courriel:"), 120, 1560, 1335, black, false);
    creditLabel(Frame1, "Label11", QStringLiteral("telmira@example.org"), 1455, 1560, 3240,
                look::kRed, true);
    creditLabel(Frame1, "Label12", QStringLiteral("Site:"), 120, 1800, 1335, black, false);
    creditLabel(Frame1, "Label13", QStringLiteral("https://telmira.example.org"), 1455, 1800,
                3240, look::kRed, true);

    // The buttons use a narrow sans-serif face at 8.25 points, so that
    // "&Infos système..." fits its 1245-twip button.
    const QFont buttonFont = look::controlFont();
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setFont(buttonFont);
    cmdOK->setDefault(true);
    twips::place(cmdOK, 3000, 3960, 1260, 345);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    cmdSysInfo = new QPushButton(QStringLiteral("&Infos système..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setFont(buttonFont);
    twips::place(cmdSysInfo, 4680, 3960, 1245, 345);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    lblDisclaimer = new QLabel(this);
    lblDisclaimer->setObjectName(QStringLiteral("lblDisclaimer"));
    twips::place(lblDisclaimer, 6120, 3960, 1215, 345);

    cmdOK->setFocus();
}

void frmAbout::cmdOK_Click()
{
    done(QDialog::Accepted);
}

void frmAbout::reject()
{
    cmdOK_Click();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

void frmAbout::StartSysInfo()
{
    if (m_registry) {
        about::StartSysInfo(*m_registry, this);
        return;
    }
    about::StartSysInfo(*about::makeSystemRegistry(), this);
}
