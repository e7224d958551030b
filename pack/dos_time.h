// MS-DOS date and time words for the cabinet's file entries.
#pragma once

#include <cstdint>
#include <ctime>

namespace tamrix::pack {

struct DosDateTime {
    uint16_t date;
    uint16_t time;
};

// The moment in local time (as the extractors read it back), or in UTC when utc is set. Seconds
// are rounded down to even; moments before 1980 or after 2107 are held at those limits.
DosDateTime toDosDateTime(time_t moment, bool utc);

// The value of SOURCE_DATE_EPOCH; false when it is not set. A set but malformed value is an error.
bool sourceDateEpoch(time_t* moment, bool* malformed);

}  // namespace tamrix::pack
