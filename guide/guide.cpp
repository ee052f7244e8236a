#include "guide/guide.h"

#include "common/twips.h"
#include "guide/sections.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QShortcut>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

#include <vector>

namespace guide {
namespace {
const QString kResource = QStringLiteral(":/guide/guide.html");
const QString kWindowName = QStringLiteral("frmGuide");
const QString kSizeKey = QStringLiteral("guide/taille");
// The first opening's size, in twips (720 x 640 pixels at 96 dpi).
constexpr int kWidth = 10800;
constexpr int kHeight = 9600;
// Smaller than this, a remembered size is not taken (pixels).
const QSize kSmallest(240, 160);

QString &current()
{
    static QString section;
    return section;
}

std::vector<const char *> &scopes()
{
    static std::vector<const char *> open;
    return open;
}

// The window of the parent of `w`, the next window up; null for a window of
// its own.
const QWidget *windowAbove(const QWidget *w)
{
    return w->parentWidget() ? w->parentWidget()->window() : nullptr;
}

// The guide's window. Over a modal dialog it is modal itself (the dialog
// would keep a window of its own from being read), and goes back to a window
// of its own once that dialog has closed.
class GuideWindow : public QWidget
{
public:
    GuideWindow() : QWidget(nullptr, Qt::Window)
    {
        setObjectName(kWindowName);
        setWindowTitle(QStringLiteral("Telmira - Guide d'utilisation"));
        // Not closed with the window it was opened from, but not keeping the
        // program running either. Closed, it is only hidden: the next
        // opening is at once.
        setAttribute(Qt::WA_QuitOnClose, false);
        texte = new QTextBrowser(this);
        texte->setObjectName(QStringLiteral("texte"));
        texte->setOpenLinks(true);
        texte->setSource(QUrl(QStringLiteral("qrc") + kResource));
        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(texte);

        const QList<QPair<QKeySequence, QString>> closers = {
            {QKeySequence(Qt::Key_Escape), QStringLiteral("fermer_echap")},
            {QKeySequence(Qt::CTRL | Qt::Key_W), QStringLiteral("fermer")}};
        for (const auto &[key, name] : closers) {
            auto *shortcut = new QShortcut(key, this);
            shortcut->setObjectName(name);
            shortcut->setContext(Qt::WindowShortcut);
            connect(shortcut, &QShortcut::activated, this, &QWidget::close);
        }

        QSize size = QSettings().value(kSizeKey).toSize();
        if (!size.isValid() || size.width() < kSmallest.width()
            || size.height() < kSmallest.height())
            size = twips::size(kWidth, kHeight);
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            size = size.boundedTo(screen->availableSize());
        resize(size);
    }

    QTextBrowser *texte = nullptr;

    void saveSize()
    {
        const QSize size =
            (isMaximized() || isFullScreen()) ? normalGeometry().size() : this->size();
        if (size.isValid())
            QSettings().setValue(kSizeKey, size);
    }

    QWidget *over() const { return m_over; }

    // Modal over `modal`, or a window of its own when it is null.
    void setOver(QWidget *modal)
    {
        if (m_over != modal) {
            if (m_over)
                m_over->removeEventFilter(this);
            m_over = modal;
            m_overParent = modal ? const_cast<QWidget *>(windowAbove(modal)) : nullptr;
            if (modal) {
                modal->installEventFilter(this);
                connect(modal, &QObject::destroyed, this,
                        [this] { QTimer::singleShot(0, this, [this] { followModal(); }); });
            }
        }
        const Qt::WindowModality wanted = modal ? Qt::ApplicationModal : Qt::NonModal;
        if (windowModality() == wanted)
            return;
        // A shown window keeps its modality: it is hidden for the change.
        if (isVisible())
            hide();
        setWindowModality(wanted);
    }

protected:
    void hideEvent(QHideEvent *event) override
    {
        saveSize();
        QWidget::hideEvent(event);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_over && event->type() == QEvent::Hide)
            QTimer::singleShot(0, this, [this] { followModal(); });
        return QWidget::eventFilter(watched, event);
    }

private:
    // The dialog it was modal over has closed: modal over the modal window
    // under it, if any, else a window of its own again.
    void followModal()
    {
        if (m_over && m_over->isVisible())
            return;
        QWidget *next = nullptr;
        for (const QWidget *w = m_overParent; w; w = windowAbove(w))
            if (w->isVisible() && w->isModal()) {
                next = const_cast<QWidget *>(w);
                break;
            }
        const bool shown = isVisible();
        setOver(next);
        if (shown && !isVisible())
            QWidget::show();
    }

    QPointer<QWidget> m_over;
    QPointer<QWidget> m_overParent;
};

QPointer<GuideWindow> &window()
{
    static QPointer<GuideWindow> w;
    return w;
}

GuideWindow *guideWindow()
{
    QPointer<GuideWindow> &w = window();
    if (!w) {
        w = new GuideWindow;
        GuideWindow *created = w;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, created, [created] {
            created->saveSize();
            created->deleteLater();
        });
        current().clear();
    }
    return w;
}

void bringForward(GuideWindow *w)
{
    QWidget *modal = QApplication::activeModalWidget();
    if (modal == w)
        modal = w->over();
    w->setOver(modal);
    w->show();
    w->raise();
    w->activateWindow();
}

void scrollTo(GuideWindow *w, const QString &section)
{
    if (section.isEmpty())
        w->texte->verticalScrollBar()->setValue(0);
    else
        w->texte->scrollToAnchor(section);
}

// F1, before the windows' own shortcuts: the key is claimed as it comes
// (ShortcutOverride), then handled when it reaches the widget with the focus.
class HelpKey : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
            return false;
        auto *key = static_cast<QKeyEvent *>(event);
        // Shift+F1 stays Qt's "What's this?".
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() != Qt::Key_F1 || modifiers != Qt::NoModifier)
            return false;
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        // A window's own key press goes on to its widget with the focus.
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget)
            return false;
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        showFor(widget);
        return true;
    }
};

} // namespace

QString html()
{
    QFile file(kResource);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

void show()
{
    if (window()) {
        bringForward(window());
        return;
    }
    show(QString());
}

void show(const QString &section)
{
    GuideWindow *w = guideWindow();
    bringForward(w);
    current() = section;
    scrollTo(w, section);
    // Once the window has its final size (the desktop may resize it as it
    // shows it), the section is sought again.
    QTimer::singleShot(0, w, [w, section] {
        if (current() == section)
            scrollTo(w, section);
    });
}

QString currentSection()
{
    return window() ? current() : QString();
}

QString sectionFor(const QWidget *widget)
{
    for (const QWidget *w = widget ? widget->window() : nullptr; w; w = windowAbove(w)) {
        const QString own = sectionOf(w->objectName());
        if (!own.isEmpty())
            return own;
        // The front window, of no section of its own, belongs to a task.
        if (w == widget->window() && !scopes().empty()) {
            const QString task = sectionOf(QString::fromLatin1(scopes().back()));
            if (!task.isEmpty())
                return task;
        }
    }
    return QString();
}

void showFor(const QWidget *widget)
{
    if (widget && widget->window()->objectName() == kWindowName) {
        bringForward(window());
        return;
    }
    show(sectionFor(widget));
}

void installHelp(QApplication &app)
{
    static QPointer<HelpKey> filter;
    if (filter)
        return;
    filter = new HelpKey(&app);
    filter->setObjectName(QStringLiteral("aide_F1"));
    app.installEventFilter(filter);
}

Scope::Scope(const char *task)
{
    scopes().push_back(task);
}

Scope::~Scope()
{
    scopes().pop_back();
}

QAction *makeAction(QWidget *window)
{
    auto *action = new QAction(QStringLiteral("&Guide d'utilisation"), window);
    action->setObjectName(QStringLiteral("guide"));
    action->setShortcut(QKeySequence(Qt::Key_F1));
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, window, [window] { showFor(window); });
    window->addAction(action);
    return action;
}

QMenu *makeMenu(QWidget *window)
{
    auto *menu = new QMenu(QStringLiteral("&Aide"), window);
    menu->setObjectName(QStringLiteral("aide"));
    menu->addAction(makeAction(window));
    return menu;
}

} // namespace guide
