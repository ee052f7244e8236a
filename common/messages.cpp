#include "common/messages.h"

#include <QMessageBox>
#include <QPushButton>

namespace messages {
namespace {

Handler &handler()
{
    static Handler h;
    return h;
}

QString &titleText()
{
    static QString t = QStringLiteral("Telmira");
    return t;
}

bool show(QWidget *parent, Kind kind, const QString &text)
{
    if (handler())
        return handler()(Shown{kind, text});

    // Buttons of our own: the style's stock buttons would carry icons.
    QMessageBox box(parent);
    box.setWindowTitle(titleText());
    box.setText(text);
    if (kind == Kind::Question) {
        box.setIcon(QMessageBox::Question);
        QPushButton *yes = box.addButton(QStringLiteral("Oui"), QMessageBox::YesRole);
        QPushButton *no = box.addButton(QStringLiteral("Non"), QMessageBox::NoRole);
        box.setDefaultButton(no);
        box.setEscapeButton(no);
        box.exec();
        return box.clickedButton() == yes;
    }
    box.setIcon(kind == Kind::Error ? QMessageBox::Critical : QMessageBox::NoIcon);
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return false;
}

} // namespace

void plain(QWidget *parent, const QString &text) { show(parent, Kind::Plain, text); }
void error(QWidget *parent, const QString &text) { show(parent, Kind::Error, text); }
bool ask(QWidget *parent, const QString &text) { return show(parent, Kind::Question, text); }
void setHandler(Handler h) { handler() = std::move(h); }
QString title() { return titleText(); }
void setTitle(const QString &t) { titleText() = t; }

} // namespace messages
