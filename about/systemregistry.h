#pragma once
// The registry the launcher reads on the running system.
//
// On Windows it is the real registry (Win32Registry).
//
// Elsewhere there is no registry, so a MemoryRegistry answers the launcher's
// two look-ups from the system:
//   - "PATH" of "SOFTWARE\Microsoft\Shared Tools\MSINFO" is a string holding
//     the full path of the first system-information program found on the
//     executable search path, trying in order the names of
//     systemInformationPrograms(); the value is absent when none is found;
//   - "SOFTWARE\Microsoft\Shared Tools Location" does not exist, so "MSINFO"
//     is never found (there is no "MSINFO32.EXE" to look for).
#include "about/registry.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace about {

// Names of the system-information programs looked for, in order of preference:
// hardinfo2 and its predecessor hardinfo (dedicated hardware and system
// reports), kinfocenter (KDE's information centre), cpu-x and lshw-gtk
// (hardware summaries).
QStringList systemInformationPrograms();

// Full path of the first of these programs on the executable search path, or
// an empty text when none is installed.
QString findSystemInformationProgram();

// A registry for the running system, looked up afresh at each call.
std::unique_ptr<RegistryApi> makeSystemRegistry();

} // namespace about
