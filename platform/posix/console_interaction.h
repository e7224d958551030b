// The console user interface: questions on the terminal, progress bars on stderr, Ctrl+C as the
// progress window's Cancel.
#pragma once

#include <string>

#include "platform/posix/interaction.h"
#include "platform/posix/redraw_throttle.h"

namespace tamrix::platform::posix {

class ConsoleInteraction : public Interaction {
  public:
    ConsoleInteraction();
    ~ConsoleInteraction() override;

    int messageBox(const char* text, const char* caption, uint32_t type) override;
    void dialogShown(int templateId) override;
    void dialogClosed(int templateId) override;
    void controlText(int templateId, int controlId, const char* text) override;
    void progressRange(int templateId, int32_t maximum) override;
    void progressPosition(int templateId, int32_t position) override;
    int userClick(int templateId) override;
    DestinationAction destinationAction(const char* editText, bool boxTicked) override;
    int replaceDialog(const char* nameText, const char* existingDetails,
                      const char* newDetails) override;
    void openFolder(const char* folder) override;
    bool keepWaitingForCabinet(const char* cabinetName, const char* text) override;

  private:
    // The answer, or an empty text at the end of input (*ended set then, when given).
    std::string ask(const std::string& prompt, bool* ended = nullptr);
    // Redraws at most every 100 ms unless forced (the last state before the bar goes).
    void drawBar(bool force = false);

    bool barShown_ = false;
    int32_t maximum_ = 0;
    int32_t position_ = 0;
    std::string fileName_;
    RedrawThrottle throttle_;
};

}  // namespace tamrix::platform::posix
