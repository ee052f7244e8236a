#pragma once
// The export choices the coding application remembers between sessions
// (QSettings): the options of the coding export (layout, coded segments
// only, file name, raw values) and the folder last used for an export.
#include "exchange/csvexport.h"

#include <QString>

namespace coding::exportsettings {

// The options last chosen; the separator is left as given.
ExportOptions load(QChar separator);
void save(const ExportOptions &options);

QString lastFolder();
void setLastFolder(const QString &folder);

} // namespace coding::exportsettings
