// The destination dialog on Linux: the interaction acts on an edit text and a check box; the
// rules for the box are the shared ones.
#include "ui/destination_dialog.h"

#include <cstring>

#include "platform/posix/interaction.h"
#include "state/run_state.h"
#include "ui/archive_folder_box.h"

namespace tamrix {

int showDestinationDialog(const char* archiveName) {
    char edit[kPathSize];
    std::strcpy(edit, runState.settings.destination);
    bool ticked = false;
    for (;;) {
        platform::posix::DestinationAction action =
            platform::posix::interaction().destinationAction(edit, ticked);
        action.text[sizeof action.text - 1] = 0;
        switch (action.kind) {
            case platform::posix::DestinationAction::Ok:
                std::strcpy(runState.settings.destination, edit);
                return 1;
            case platform::posix::DestinationAction::Cancel:
                return 2;
            case platform::posix::DestinationAction::Type:
                std::strcpy(edit, action.text);
                break;
            case platform::posix::DestinationAction::Toggle:
                ticked = !ticked;
                std::strcpy(runState.settings.destination, edit);
                // A join too long for the destination is refused: the box goes back to clear.
                if (!applyArchiveFolderBox(runState.settings.destination, archiveName, ticked)) {
                    ticked = false;
                }
                std::strcpy(edit, runState.settings.destination);
                break;
            case platform::posix::DestinationAction::Browse:
                std::strcpy(runState.settings.destination, edit);
                if (action.text[0]) std::strcpy(edit, action.text);
                break;
        }
    }
}

}  // namespace tamrix
