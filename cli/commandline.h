#pragma once
// The command line of telmira-codage. Every capability that produces data
// (export, results, reliability, import, exchange) is also an action run
// without a window: `telmira-codage --ACTION ARGUMENTS...`. An action runs on
// a QCoreApplication, needs no display, writes its data or its report to
// standard output (UTF-8), and ends with 0 on success or 1 after writing its
// French message on standard error. While an action waits on another
// program that holds the analysis, it says so on standard error at once, and
// again when the wait ends or gives up.
//
// Each action lives in a file of its own in cli/, named after it
// (exporter.cpp for --exporter), defined there as `extern const Action
// name{...};` (extern: a namespace-scope const is otherwise local to its
// file), and is listed once in the table of commandline.cpp. A new action is
// one new file and one line in that table.
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <memory>

class Connection;

namespace cli {

// What an action reads and where it writes.
struct Context
{
    const QCommandLineParser &parser; // every option of every action is known
    QStringList positional;           // the arguments that are not options
    QTextStream &out;                 // standard output, UTF-8
    QTextStream &err;                 // standard error, UTF-8
};

struct Action
{
    // The option that selects the action ("exporter" for --exporter).
    QString name;
    // Its line of --help, in French, arguments included.
    QString help;
    // Options of its own (flags or valued), added to the parser.
    QList<QCommandLineOption> options;
    // Runs the action; returns the exit code (0 or 1).
    int (*run)(const Context &context);
};

// True when the arguments ask for the command line (an option such as
// --help, --version or an action) rather than the windows.
bool wanted(int argc, char **argv);

// Parses the arguments and runs the action they name. Call with a
// QCoreApplication alive; returns the program's exit code.
int run(const QStringList &arguments);

// Writes a failure on standard error and returns 1.
int fail(const Context &context, const QString &message);

} // namespace cli

namespace coding {
class CodingStore;
}

namespace cli {

// The analysis for an action that only reads it: opened read-only, never
// upgraded, a write-protected file welcome. Throws StoreError.
std::shared_ptr<Connection> openForReading(const QString &path);
// The analysis for an action that changes it: backed up as the windows do
// when they open it, then brought to the current schema. Throws StoreError.
std::unique_ptr<coding::CodingStore> openForChange(const QString &path);

} // namespace cli
