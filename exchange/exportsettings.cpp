#include "exchange/exportsettings.h"

#include <QSettings>

namespace coding::exportsettings {
namespace {
const QString kLayout = QStringLiteral("exportation/disposition");
const QString kCodedOnly = QStringLiteral("exportation/codesSeulement");
const QString kFileName = QStringLiteral("exportation/nomFichier");
const QString kRaw = QStringLiteral("exportation/brut");
const QString kWithoutSuggestions = QStringLiteral("exportation/sansSuggestions");
const QString kMarkSuggestions = QStringLiteral("exportation/marquerSuggestions");
const QString kFolder = QStringLiteral("exportation/dossier");
} // namespace

ExportOptions load(QChar separator)
{
    const QSettings settings;
    ExportOptions options;
    options.separator = separator;
    options.layout = settings.value(kLayout).toString() == QLatin1String("large")
                         ? ExportOptions::Layout::Wide
                         : ExportOptions::Layout::Long;
    options.codedOnly = settings.value(kCodedOnly, false).toBool();
    options.fileName = settings.value(kFileName, false).toBool();
    options.raw = settings.value(kRaw, false).toBool();
    options.withoutSuggestions = settings.value(kWithoutSuggestions, false).toBool();
    options.markSuggestions = settings.value(kMarkSuggestions, false).toBool();
    return options;
}

void save(const ExportOptions &options)
{
    QSettings settings;
    settings.setValue(kLayout, options.layout == ExportOptions::Layout::Wide
                                   ? QStringLiteral("large")
                                   : QStringLiteral("longue"));
    settings.setValue(kCodedOnly, options.codedOnly);
    settings.setValue(kFileName, options.fileName);
    settings.setValue(kRaw, options.raw);
    settings.setValue(kWithoutSuggestions, options.withoutSuggestions);
    settings.setValue(kMarkSuggestions, options.markSuggestions);
}

QString lastFolder()
{
    return QSettings().value(kFolder).toString();
}

void setLastFolder(const QString &folder)
{
    QSettings().setValue(kFolder, folder);
}

} // namespace coding::exportsettings
