#include "app/frmSplash.h"

#include "app/frmMenu.h"
#include "common/look.h"
#include "common/twips.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace {
constexpr int kClientWidth = 7275;
constexpr int kClientHeight = 4110;
constexpr int kTimerInterval = 3000;
const QColor kBlack(0, 0, 0);
const QColor kWhite(255, 255, 255);
} // namespace

frmSplash::frmSplash(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("frmSplash"));
    setAttribute(Qt::WA_DeleteOnClose);
    twips::fixClientSize(this, kClientWidth, kClientHeight);
    look::setBackground(this, look::kLightYellow);
    setFocusPolicy(Qt::StrongFocus);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    look::setFrameGround(Frame1, look::kLightYellow);
    twips::place(Frame1, 120, 0, 7080, 4050);

    const QFont times = look::font(look::kTimes, 12);

    // Bottom to top: the band, the hidden labels of the pairs, the visible
    // ones, the logo, the text lines that run over its edge, the bitmap.
    Label7 = label("Label7", QString(), times, kBlack, 2160, 2280, 3855, 375);
    look::setBackground(Label7, look::kLightOrange);

    const QFont maker = look::font(look::kTimes, 24, true);
    Label1 = label("Label1", QStringLiteral("QUILLMERE"), maker, kWhite, 2520, 240, 3855, 1095);
    look::setBackground(Label1, look::kBlue);
    Label5 = label("Label5", QStringLiteral("QUILLMERE"), maker, kBlack, 2520, 240, 3855, 1095);
    look::setBackground(Label5, look::kLightOrange);

    const QFont product = look::font(look::kTimes, 27.75, true);
    Label6 = label("Label6", QStringLiteral("Telmira"), product, kWhite, 2160, 1440, 4575, 615);
    look::setBackground(Label6, look::kBlue);
    Label8 = label("Label8", QStringLiteral("Telmira"), product, kBlack, 2160, 1440, 4575, 615);
    look::setBackground(Label8, look::kLightOrange);
    for (QLabel *l : {Label1, Label5, Label6, Label8})
        l->setAlignment(Qt::AlignCenter);

    imgLogo = new QLabel(Frame1);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setProperty("index", 1);
    imgLogo->setPixmap(QPixmap(QStringLiteral(":/images/logo.png")));
    imgLogo->setScaledContents(true);
    twips::place(imgLogo, 0, 600, 2295, 2655);

    Label2 = label("Label2", QStringLiteral("Version 1.0"), look::font(look::kTimes, 18, true),
                   kBlack, 2160, 2280, 1815, 375);
    Label2->setAlignment(Qt::AlignCenter);
    Label9 = label("Label9", QStringLiteral("Mai 2003"), look::font(look::kTimes, 14.25, true),
                   kBlack, 4320, 2340, 2295, 255);
    Label9->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    const QFont redLine = look::font(look::kTimes, 12, true, true);
    Label3 = label("Label3", QStringLiteral("Windows 95, 98, NT, 2000 et XP &"), redLine,
                   look::kRed, 1680, 2880, 3735, 375);
    Label10 = label("Label10", QStringLiteral("MS ACCESS 2000 , XP"), redLine, look::kRed, 2160,
                    3240, 3855, 375);

    Label4 = label("Label4", QStringLiteral("Faculté des lettres - Université"),
                   look::font(look::kTimes, 9.75, true), kWhite, 120, 3600, 6855, 255);
    look::setBackground(Label4, look::kBlue);
    Label4->setAlignment(Qt::AlignCenter);

    Image1 = new QLabel(Frame1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/images/bitmap.png")));
    Image1->setScaledContents(true);
    twips::place(Image1, 6120, 2160, 780, 1380);

    // Every control of the frame, clickable or not, keeps its clicks to
    // itself: a click on a label that does nothing must not reach the frame.
    Frame1->installEventFilter(this);
    for (QObject *child : Frame1->children())
        if (child->isWidgetType())
            child->installEventFilter(this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimerInterval);
    // Never early: the splash stays its full three seconds.
    Timer1->setTimerType(Qt::PreciseTimer);
    connect(Timer1, &QTimer::timeout, this, &frmSplash::Timer1_Timer);

    // Centred on the screen.
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }

    Form_Load();
}

QLabel *frmSplash::label(const char *name, const QString &text, const QFont &font,
                         const QColor &textColour, int left, int top, int width, int height)
{
    auto *l = new QLabel(text, Frame1);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    l->setFont(font);
    look::setTextColour(l, textColour);
    twips::place(l, left, top, width, height);
    return l;
}

void frmSplash::Form_Load()
{
    Timer1->start();
}

void frmSplash::handOver()
{
    if (m_handedOver)
        return;
    m_handedOver = true;
    Timer1->stop();
    // The main window is shown before the splash goes, so that the program
    // never has no window at all.
    auto *menu = new frmMenu();
    menu->show();
    close();
    emit mainWindowShown(menu);
}

void frmSplash::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Key presses come to the splash.
    activateWindow();
    setFocus();
}

void frmSplash::keyPressEvent(QKeyEvent *event)
{
    if (!event->text().isEmpty()) {
        Form_KeyPress();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool frmSplash::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::LeftButton)
            m_pressed = watched;
        return true;
    }
    case QEvent::MouseButtonRelease: {
        auto *me = static_cast<QMouseEvent *>(event);
        auto *w = static_cast<QWidget *>(watched);
        const bool click = me->button() == Qt::LeftButton && m_pressed == watched
            && w->rect().contains(me->position().toPoint());
        m_pressed = nullptr;
        if (click)
            dispatchClick(watched);
        return true;
    }
    case QEvent::KeyPress: {
        auto *ke = static_cast<QKeyEvent *>(event);
        if (!ke->text().isEmpty()) {
            Form_KeyPress();
            return true;
        }
        return false;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void frmSplash::dispatchClick(QObject *control)
{
    if (control == Frame1)
        Frame1_Click();
    else if (control == Image1)
        Image1_Click();
    else if (control == imgLogo)
        imgLogo_Click(imgLogo->property("index").toInt());
    else if (control == Label2)
        Label2_Click();
    else if (control == Label3)
        Label3_Click();
    else if (control == Label4)
        Label4_Click();
    else if (control == Label5)
        Label5_Click();
    else if (control == Label8)
        Label8_Click();
    // Label1, Label6, Label7, Label9 and Label10 do nothing when clicked.
}

void frmSplash::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    // The window's fixed border.
    QPainter p(this);
    p.setPen(QColor(64, 64, 64));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void frmSplash::Form_KeyPress() { handOver(); }
void frmSplash::Frame1_Click() { handOver(); }
void frmSplash::Image1_Click() { handOver(); }
void frmSplash::imgLogo_Click(int) { handOver(); }
void frmSplash::Label2_Click() { handOver(); }
void frmSplash::Label3_Click() { handOver(); }
void frmSplash::Label4_Click() { handOver(); }
void frmSplash::Label5_Click() { handOver(); }
void frmSplash::Label8_Click() { handOver(); }
void frmSplash::Timer1_Timer() { handOver(); }
