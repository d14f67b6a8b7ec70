#pragma once

#include <QString>

namespace penwick::test {

// Cuts the test program off from whatever the machine and the person's session hold, so that
// a run on a desktop full of other programs reads what a run on a bare machine reads:
// - HOME and every XDG folder (XDG_DATA_DIRS and XDG_CONFIG_DIRS too) name folders of the
//   program's own, as do XDG_RUNTIME_DIR (private to its owner) and TMPDIR;
// - the session bus is one nobody listens on (programs that need a bus start their own);
// - no display: the program runs offscreen unless it starts an X server of its own;
// - the system's log (the journal) is a socket of the program's own where nothing listens;
// - the desktop's choices for Qt (platform theme, style, scaling, input method), its session
//   manager, the locale and the time zone are set aside.
// Called first thing in main(), before any thread or Qt object exists; later calls do nothing.
// The folders are removed when the program ends.
void isolateFromTheMachine();

// The program's private folder holding all of the above.
QString isolatedRoot();

} // namespace penwick::test
