#pragma once
// Everything that hands work to another program goes through here, so that
// tests can record it instead.
#include <QString>
#include <QStringList>
#include <functional>

namespace desktop {

// Asks the desktop to open this file itself in the application registered for
// it. False when the desktop cannot.
bool openFile(const QString &path);
// Starts a program detached, without waiting for it. False when it cannot be
// started.
bool startDetached(const QString &program, const QStringList &arguments = {});

// Test seams: when set, nothing is started; the hook records the call and
// gives the result.
using OpenHook = std::function<bool(const QString &path)>;
using StartHook = std::function<bool(const QString &program, const QStringList &arguments)>;
void setOpenHook(OpenHook hook);
void setStartHook(StartHook hook);

} // namespace desktop
