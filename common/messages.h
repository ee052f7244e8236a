#pragma once
// Every message box of the program goes through here, so that tests can
// answer them without a screen.
#include <QString>
#include <functional>

class QWidget;

namespace messages {

// The title of every message box: "Telmira", or the name of the program that
// shows them (the coding application has its own).
QString title();
void setTitle(const QString &title);

enum class Kind {
    Plain,   // one "OK", no icon (the program's own two messages)
    Error,   // one "OK", critical icon (a failure explained to the user)
    Question // "Oui" and "Non", "Non" by default
};

struct Shown {
    Kind kind;
    QString text;
};

// Shows a message box with one "OK" and no icon.
void plain(QWidget *parent, const QString &text);
// Shows a failure in a box with one "OK".
void error(QWidget *parent, const QString &text);
// Asks a yes/no question, "Non" being the default; true for "Oui".
bool ask(QWidget *parent, const QString &text);

// Test seam: when a handler is set, no box is shown; the handler receives
// what would have been shown and returns the answer (true for "Oui").
using Handler = std::function<bool(const Shown &)>;
void setHandler(Handler handler);

} // namespace messages
