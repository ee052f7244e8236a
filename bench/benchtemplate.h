#pragma once
// The template the benchmarks copy: $TELMIRA_TEMPLATE, else the one beside
// the benchmark (the build folder).
#include <QCoreApplication>
#include <QString>

namespace benchtemplate {

inline QString path()
{
    const QString env = qEnvironmentVariable("TELMIRA_TEMPLATE");
    return env.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/telmira") : env;
}

} // namespace benchtemplate
