// The front-end's CopyHandler: where each file goes, whether an existing one is replaced, its
// date, time and attributes, and the record of what was written.
#pragma once

#include <cstdint>

#include "cab/decoder.h"
#include "platform/file_limits.h"

namespace tamrix {

int32_t notificationHandler(CopyNotification kind, NotificationRecord* record);

// After a copy that failed with a file in flight: the partial target is deleted, never left
// truncated in place of a complete file.
void discardFileInFlight();

}  // namespace tamrix
