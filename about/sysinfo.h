#pragma once
// The system-information launcher behind the About window's "&Infos système...".
#include "about/registry.h"

#include <QString>

class QWidget;

namespace about {

// Where the system-information program is recorded.
inline constexpr const char *kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr const char *kSysInfoValue = "PATH";
inline constexpr const char *kSysInfoLocKey = "SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr const char *kSysInfoLocValue = "MSINFO";
inline constexpr const char *kSysInfoProgram = "MSINFO32.EXE";

// The one message of the launcher.
QString sysInfoUnavailableMessage();

// Joins the folder read from "MSINFO" and the program's file name: with "\" on
// Windows, with "/" elsewhere.
QString sysInfoProgramIn(const QString &folder);

// Finds the system-information program and starts it detached, without
// waiting:
//   1. "PATH" of kSysInfoKey; when read, its text is started as it is, without
//      looking whether such a file exists ("MSINFO" is then never read);
//   2. otherwise "MSINFO" of kSysInfoLocKey names a folder; the program
//      "MSINFO32.EXE" in it is started when it is a file there.
// Anything else (both values missing, no such file, an empty path, a start
// that fails) ends in one plain message over `parent`.
void StartSysInfo(RegistryApi &registry, QWidget *parent);

} // namespace about
