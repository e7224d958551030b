// SIGINT and SIGTERM during `tamrix run`: the first one is the progress window's Cancel (the
// worker stops at its next read or write, the unfinished file is removed, the after-actions are
// skipped, and the run ends as a user's stop); a second one ends the process at once.
#pragma once

namespace tamrix::tool {

void stopOnSignals();
// Puts back the dispositions stopOnSignals found.
void restoreSignals();

}  // namespace tamrix::tool
