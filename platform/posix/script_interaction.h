// The scripted user interface: answers come from a file, one per line, and every message box,
// dialog, window and answer is written to a transcript, one plain-text line each.
#pragma once

#include <cstdio>
#include <deque>
#include <string>

#include "platform/posix/interaction.h"

namespace tamrix::platform::posix {

class ScriptInteraction : public Interaction {
  public:
    // transcript: where the lines go (not owned). Texts are converted from the ANSI code page.
    ScriptInteraction(std::deque<std::string> answers, FILE* transcript);

    static bool loadAnswers(const char* hostPath, std::deque<std::string>* answers);

    int messageBox(const char* text, const char* caption, uint32_t type) override;
    void beep() override;
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
    // The next answer, or empty when the script has run out (noted in the transcript).
    std::string takeAnswer();
    void line(const std::string& text);

    std::deque<std::string> answers_;
    FILE* transcript_;
    int32_t progressMaximum_ = 0;
    int32_t progressPosition_ = 0;
    int filesShown_ = 0;
    std::string pendingOk_;  // "ok TEXT" types TEXT, then presses OK
};

// The texts of the transcript: UTF-8 from the ANSI code page, quoted, line breaks as \n.
std::string quoteForTranscript(const char* ansiText);
std::string quoteUtf8(const std::string& utf8Text);

}  // namespace tamrix::platform::posix
