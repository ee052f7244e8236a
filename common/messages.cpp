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

bool show(QWidget *parent, Kind kind, const QString &text)
{
    if (handler())
        return handler()(Shown{kind, text});

    QMessageBox box(parent);
    box.setWindowTitle(QString::fromUtf8(kTitle));
    box.setText(text);
    switch (kind) {
    case Kind::Plain:
        box.setIcon(QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
        break;
    case Kind::Error:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
        break;
    case Kind::Question:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.button(QMessageBox::Yes)->setText(QStringLiteral("Oui"));
        box.button(QMessageBox::No)->setText(QStringLiteral("Non"));
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        break;
    }
    return box.exec() == QMessageBox::Yes;
}

} // namespace

void plain(QWidget *parent, const QString &text) { show(parent, Kind::Plain, text); }
void error(QWidget *parent, const QString &text) { show(parent, Kind::Error, text); }
bool ask(QWidget *parent, const QString &text) { return show(parent, Kind::Question, text); }
void setHandler(Handler h) { handler() = std::move(h); }

} // namespace messages
