#include "cli/commandline.h"

#include "store/backup.h"
#include "store/codingstore.h"
#include "store/connection.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>
#include <cstring>
#include <vector>

namespace cli {

// The actions, declared here one line each; each is defined in the file of
// cli/ named after it.
extern const Action exporter;
extern const Action livreDeCodes;
extern const Action ajouter;
extern const Action resultats;
extern const Action fiabilite;
extern const Action qdpx;
extern const Action qdc;
extern const Action importerQdpx;
extern const Action importerQdc;
extern const Action spss;
extern const Action stata;
extern const Action notesAction;
extern const Action attributs;
extern const Action importerLivreDeCodes;
extern const Action iramuteq;
extern const Action chercher;
extern const Action vocabulaire;
extern const Action motsCaracteristiques;
extern const Action suggerer;
extern const Action dictionnaire;

namespace {

std::vector<const Action *> actions()
{
    return {
        &exporter,
        &livreDeCodes,
        &ajouter,
        &resultats,
        &fiabilite,
        &qdpx,
        &qdc,
        &importerQdpx,
        &importerQdc,
        &spss,
        &stata,
        &notesAction,
        &attributs,
        &importerLivreDeCodes,
        &iramuteq,
        &chercher,
        &vocabulaire,
        &motsCaracteristiques,
        &suggerer,
        &dictionnaire,
    };
}

QString helpText(const QCommandLineParser &)
{
    QString text;
    QTextStream s(&text);
    s << QStringLiteral("Utilisation : telmira-codage [BASE.mdb]\n"
                        "              telmira-codage --ACTION ARGUMENTS...\n\n"
                        "Sans action, ouvre la base d'analyse BASE.mdb (ou en demande une) "
                        "pour le codage de ses segments.\n\n"
                        "Les actions s'exécutent sans fenêtre ; elles se terminent par 0 en cas "
                        "de réussite, par 1 avec un message sur la sortie d'erreur sinon.\n\n"
                        "Actions :\n");
    for (const Action *action : actions())
        s << "  " << action->help << '\n';
    s << QStringLiteral("\nOptions générales :\n"
                        "  -h, --help      affiche cette aide\n"
                        "  -v, --version   affiche la version du programme\n");
    return text;
}

// What an action waits for, said on standard error as the windows say it
// in their band: once when the wait starts, once when it ends or gives up.
Connection::WaitNotifier waitTeller(QTextStream &err)
{
    auto told = std::make_shared<bool>(false);
    return [&err, told](const Connection::Wait &wait) {
        const QString path = QDir::toNativeSeparators(wait.path);
        const qint64 limit = (wait.limitMs + 999) / 1000;
        switch (wait.state) {
        case Connection::Wait::Waiting:
            if (*told)
                return;
            *told = true;
            err << QStringLiteral("En attente de « %1 » : la base est verrouillée par un autre "
                                  "programme (jusqu'à %2 s)…")
                       .arg(path)
                       .arg(limit)
                << Qt::endl;
            return;
        case Connection::Wait::Ended:
            if (!*told)
                return;
            *told = false;
            err << QStringLiteral("« %1 » est libre : l'action reprend.").arg(path) << Qt::endl;
            return;
        case Connection::Wait::GaveUp:
            *told = false;
            err << QStringLiteral("Attente abandonnée après %1 s : « %2 » est toujours verrouillée "
                                  "par un autre programme.")
                       .arg(limit)
                       .arg(path)
                << Qt::endl;
            return;
        }
    };
}

} // namespace

bool wanted(int argc, char **argv)
{
    // Qt's own options of the windows (-platform, -style...) take one dash.
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if ((std::strncmp(a, "--", 2) == 0 && std::strlen(a) > 2) || std::strcmp(a, "-h") == 0
            || std::strcmp(a, "-v") == 0)
            return true;
    }
    return false;
}

std::shared_ptr<Connection> openForReading(const QString &path)
{
    return Connection::open(path, Connection::Access::ReadOnly);
}

std::unique_ptr<coding::CodingStore> openForChange(const QString &path)
{
    return coding::CodingStore::open(path, [](Connection &db) {
        const backup::Budget budget = backup::budgetFromSettings();
        const backup::Outcome outcome = backup::makeWithin(db, budget);
        // As the window's status bar does: a copy dropped for room is said.
        if (!outcome.droppedForRoom.empty()) {
            QTextStream err(stderr);
            err << backup::droppedForRoomText(outcome, budget) << Qt::endl;
        }
    });
}

int fail(const Context &context, const QString &message)
{
    context.err << message << Qt::endl;
    return 1;
}

int run(const QStringList &arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    out.setEncoding(QStringConverter::Utf8);
    err.setEncoding(QStringConverter::Utf8);

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Affiche cette aide."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Affiche la version du programme."));
    parser.addOption(help);
    parser.addOption(version);
    const std::vector<const Action *> all = actions();
    // Actions share options (--texte, --si): each is added once.
    QStringList added;
    for (const Action *action : all) {
        parser.addOption(QCommandLineOption(action->name, action->help));
        for (const QCommandLineOption &option : action->options) {
            if (added.contains(option.names().constFirst()))
                continue;
            added << option.names();
            parser.addOption(option);
        }
    }

    if (!parser.parse(arguments)) {
        err << QStringLiteral("Arguments incorrects : %1\n"
                              "« telmira-codage --help » donne la liste des actions.")
                   .arg(parser.errorText())
            << Qt::endl;
        return 1;
    }
    if (parser.isSet(help)) {
        out << helpText(parser);
        out.flush();
        return 0;
    }
    if (parser.isSet(version)) {
        out << QStringLiteral("telmira-codage %1").arg(QStringLiteral(TELMIRA_VERSION)) << Qt::endl;
        return 0;
    }

    const Action *chosen = nullptr;
    for (const Action *action : all) {
        if (!parser.isSet(action->name))
            continue;
        if (chosen) {
            err << QStringLiteral("Une seule action à la fois : --%1 et --%2 ont été donnés.")
                       .arg(chosen->name, action->name)
                << Qt::endl;
            return 1;
        }
        chosen = action;
    }
    if (!chosen) {
        err << QStringLiteral("Aucune action donnée. « telmira-codage --help » donne la liste "
                              "des actions.")
            << Qt::endl;
        return 1;
    }
    const Context context{parser, parser.positionalArguments(), out, err};
    Connection::setWaitNotifier(waitTeller(err));
    const int code = chosen->run(context);
    Connection::setWaitNotifier({});
    out.flush();
    err.flush();
    return code;
}

} // namespace cli
