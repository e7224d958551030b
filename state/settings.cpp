#include "state/settings.h"

#include <cstring>


namespace tamrix {

Settings settings;
int32_t cabinetOffset = -1;
std::atomic<int32_t> cancelRequested{0};

void resetSettings() {
    std::memset(&settings, 0, sizeof settings);
    settings.openFolderAfter = 1;
}

}  // namespace tamrix
