#include "variables/frmoptions.h"

#include "common/look.h"
#include "common/messages.h"
#include "common/pathsource.h"
#include "common/twips.h"
#include "store/storeerror.h"
#include "variables/listeditor.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionTab>
#include <QStylePainter>
#include <QTabBar>
#include <QTabWidget>
#include <QTextOption>

namespace {

constexpr int kTabHeight = 520;

// Tabs of one width each, side by side over the whole container, their
// captions wrapped on two lines where they need it.
class EvenTabBar : public QTabBar
{
public:
    explicit EvenTabBar(QWidget *parent) : QTabBar(parent)
    {
        setExpanding(false);
        setUsesScrollButtons(false);
        setElideMode(Qt::ElideNone);
        setDrawBase(true);
    }

    void setTabWidth(int pixels) { m_tabWidth = pixels; }

protected:
    QSize tabSizeHint(int) const override
    {
        return QSize(m_tabWidth, twips::toPixels(kTabHeight));
    }
    QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }

    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        const int selected = currentIndex();
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < count(); ++i) {
                if ((i == selected) != (pass == 1))
                    continue; // the selected tab is drawn last, over its neighbours
                QStyleOptionTab option;
                initStyleOption(&option, i);
                const QString caption = option.text;
                option.text.clear();
                painter.drawControl(QStyle::CE_TabBarTabShape, option);
                painter.setPen(palette().color(QPalette::WindowText));
                painter.drawText(option.rect.adjusted(4, 2, -4, -2),
                                 Qt::AlignCenter | Qt::TextWordWrap, caption);
            }
        }
    }

private:
    int m_tabWidth = 100;
};

class TabContainer : public QTabWidget
{
public:
    explicit TabContainer(QWidget *parent) : QTabWidget(parent), m_bar(new EvenTabBar(this))
    {
        setTabBar(m_bar);
    }
    EvenTabBar *bar() const { return m_bar; }

    // Where the pages lie inside the container, as the style lays them out.
    QRect pageRect() const
    {
        QStyleOptionTabWidgetFrame option;
        initStyleOption(&option);
        return style()->subElementRect(QStyle::SE_TabWidgetTabContents, &option, this);
    }

private:
    EvenTabBar *m_bar;
};

// The database path, shown whole: a path without blanks is broken anywhere
// rather than cut off at the label's edge.
class PathLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setFont(font());
        painter.setPen(palette().color(QPalette::WindowText));
        QTextOption option(Qt::AlignLeft | Qt::AlignTop);
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        painter.drawText(QRectF(contentsRect()), text(), option);
    }
};

} // namespace

frmOptions::frmOptions(const PathSource &paths, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_paths(paths)
{
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Telmira - Variables"));
    setModal(true);
    setSizeGripEnabled(false);
    twips::fixClientSize(this, 7830, 6675);
    look::setBackground(this, look::kLightYellow);

    const QPalette app = QApplication::palette();

    auto *tabs = new TabContainer(this);
    SSTab1 = tabs;
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    twips::place(SSTab1, 120, 120, 7575, 6015);
    {
        QPalette p = SSTab1->palette();
        p.setColor(QPalette::Window, app.color(QPalette::Window));
        SSTab1->setPalette(p);
    }
    tabs->bar()->setFont(look::font(look::kTimes, 9.75));
    tabs->bar()->setTabWidth(twips::toPixels(7575) / 4);

    const QStringList captions = {
        QStringLiteral("Analyse"), QStringLiteral("Variables de comparaison"),
        QStringLiteral("Variable principale"), QStringLiteral("Variables de spécification")};
    QList<QWidget *> pages;
    for (const QString &caption : captions) {
        auto *page = new QWidget;
        SSTab1->addTab(page, caption);
        pages.append(page);
    }

    // Each frame lies at 120, 480 inside the tab container, over its page.
    const QPoint pageOrigin = tabs->pageRect().topLeft();
    auto makeFrame = [&](int index, const char *name) {
        auto *frame = new QGroupBox(captions.at(index), pages.at(index));
        frame->setObjectName(QString::fromLatin1(name));
        look::styleFrame(frame, look::kRed, look::font(look::kTimes, 12, true, true),
                         look::kLightYellow);
        twips::place(frame, 120, 480, 7335, 5295);
        QPoint at = frame->pos() - pageOrigin;
        at.setY(std::max(0, at.y()));
        at.setX(std::max(0, at.x()));
        frame->move(at);
        return frame;
    };
    Frame1 = makeFrame(0, "Frame1");
    Frame2 = makeFrame(1, "Frame2");
    Frame3 = makeFrame(2, "Frame3");
    Frame4 = makeFrame(3, "Frame4");

    Label1 = new PathLabel(Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setTextFormat(Qt::PlainText);
    Label1->setWordWrap(true);
    Label1->setFont(look::font(look::kTimes, 11.25, true));
    look::setTextColour(Label1, look::kDarkBlue);
    twips::place(Label1, 360, 1680, 6495, 1215);

    QGroupBox *const frames[5] = {Frame2, Frame2, Frame3, Frame4, Frame4};
    for (size_t i = 0; i < m_editors.size(); ++i)
        m_editors[i] = new ListEditor(listEditorConfigs()[i], m_paths, m_duplicateMessage,
                                      frames[i]);

    auto makeButton = [&](const char *name, const QString &caption, int left) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(look::controlFont());
        b->setAutoDefault(false);
        b->setDefault(false);
        twips::place(b, left, 6240, 1215, 375);
        return b;
    };
    OKButton = makeButton("OKButton", QStringLiteral("OK"), 5040);
    CancelButton = makeButton("CancelButton", QStringLiteral("Annuler"), 6360);
    connect(OKButton, &QPushButton::clicked, this, &frmOptions::OKButton_Click);
    connect(CancelButton, &QPushButton::clicked, this, &frmOptions::CancelButton_Click);

    SSTab1->setCurrentIndex(0);
}

bool frmOptions::Form_Load()
{
    m_duplicateMessage = QStringLiteral("Cet élément existe déjà dans la liste.");
    const QString path = m_paths.databasePath();
    try {
        for (ListEditor *editor : m_editors)
            editor->charger_liste();
    } catch (const StoreError &e) {
        QString text =
            QStringLiteral("Les listes de variables ne peuvent pas être lues.\n\n%1").arg(e.message());
        if (!e.message().contains(path))
            text += QStringLiteral("\n\nBase de données : %1").arg(path);
        messages::error(parentWidget() ? parentWidget() : this, text);
        return false;
    }
    Label1->setText(path);
    return true;
}

void frmOptions::CancelButton_Click()
{
    reject();
}

void frmOptions::OKButton_Click()
{
    CancelButton_Click();
}

void frmOptions::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
