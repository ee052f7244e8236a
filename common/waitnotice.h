#pragma once
// Says, in the window in use, that the program waits on a file held by
// another program. The program is busy inside the store meanwhile (its event
// loop does not turn), so the notice is painted at once, by itself: a band
// across the window, opaque, so that nothing under it is painted again. It
// goes when the wait ends, or at the latest when the event loop turns again.
#include <QString>
#include <functional>

namespace waitnotice {

// state: waiting (true) or done waiting (false); path: the database waited
// for; waitedMs and limitMs: how long so far, and at most.
void tell(bool waiting, const QString &path, qint64 waitedMs, qint64 limitMs);

// The text shown, empty when no notice is up.
QString shownText();

// Test seam: hears every text shown.
using Observer = std::function<void(const QString &text)>;
void setObserver(Observer observer);

} // namespace waitnotice
