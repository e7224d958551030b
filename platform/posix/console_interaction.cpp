#include "platform/posix/console_interaction.h"

#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "platform/posix/desktop.h"
#include "platform/posix/host_paths.h"
#include "platform/ui.h"
#include "resources/resource.h"

namespace tamrix::platform::posix {

namespace {

volatile sig_atomic_t interrupted = 0;
void onInterrupt(int) {
    interrupted = 1;
}

std::string firstWordLower(const std::string& text) {
    std::string word;
    for (char c : text) {
        if (c == ' ') break;
        word += char(std::tolower(static_cast<unsigned char>(c)));
    }
    return word;
}

}  // namespace

ConsoleInteraction::ConsoleInteraction() {
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigaction(SIGINT, &action, nullptr);
}

ConsoleInteraction::~ConsoleInteraction() {
    signal(SIGINT, SIG_DFL);
}

std::string ConsoleInteraction::ask(const std::string& prompt, bool* ended) {
    if (barShown_) std::fputc('\n', stderr);
    std::fprintf(stderr, "%s", prompt.c_str());
    std::fflush(stderr);
    std::string answer;
    if (!std::getline(std::cin, answer)) {
        // The end of input is no answer: the caller takes the safe one.
        if (ended) *ended = true;
        std::fputc('\n', stderr);
        return "";
    }
    while (!answer.empty() && (answer.back() == '\r' || answer.back() == ' ')) answer.pop_back();
    return answer;
}

int ConsoleInteraction::messageBox(const char* text, const char* caption, uint32_t type) {
    std::string body = "[" + ansiToUtf8(caption) + "] " + ansiToUtf8(text) + "\n";
    switch (type & 0x0F) {
        case kMbOkCancel:
            return firstWordLower(ask(body + "OK or Cancel? [o/c] ")) == "o" ? kIdOk : kIdCancel;
        case kMbYesNo:
            return firstWordLower(ask(body + "Yes or No? [y/n] ")) == "y" ? kIdYes : kIdNo;
        default:
            std::fprintf(stderr, "%s", body.c_str());
            return kIdOk;
    }
}

void ConsoleInteraction::dialogShown(int templateId) {
    maximum_ = position_ = 0;
    fileName_.clear();
    if (templateId == IDD_CRC_CHECK) std::fprintf(stderr, "CRC checking...\n");
}

void ConsoleInteraction::dialogClosed(int) {
    if (barShown_ && isatty(STDERR_FILENO)) {
        drawBar(true);
        std::fputc('\n', stderr);
    }
    barShown_ = false;
    throttle_.reset();
}

void ConsoleInteraction::controlText(int templateId, int controlId, const char* text) {
    if (templateId != IDD_PROGRESS || controlId != IDC_PROGRESS_FILE_NAME) return;
    fileName_ = ansiToUtf8(text);
    if (isatty(STDERR_FILENO)) {
        drawBar();
    } else {
        std::fprintf(stderr, "extracting %s\n", fileName_.c_str());
    }
}

void ConsoleInteraction::progressRange(int, int32_t maximum) {
    maximum_ = maximum;
}

void ConsoleInteraction::progressPosition(int, int32_t position) {
    position_ = position;
    if (isatty(STDERR_FILENO)) drawBar();
}

void ConsoleInteraction::drawBar(bool force) {
    if (!throttle_.due(RedrawThrottle::Clock::now()) && !force) return;
    constexpr int kWidth = 30;
    int filled =
        maximum_ > 0 ? int(int64_t(kWidth) * std::min(position_, maximum_) / maximum_) : kWidth;
    std::fprintf(stderr, "\r[%.*s%*s] %.40s\033[K", filled, "##############################",
                 kWidth - filled, "", fileName_.c_str());
    std::fflush(stderr);
    barShown_ = true;
}

int ConsoleInteraction::userClick(int templateId) {
    if (templateId != IDD_PROGRESS || !interrupted) return 0;
    interrupted = 0;
    std::fprintf(stderr, "\ncancelling...\n");
    return kIdCancel;
}

DestinationAction ConsoleInteraction::destinationAction(const char* editText, bool) {
    DestinationAction action = {DestinationAction::Ok, {}};
    bool ended = false;
    std::string answer = ask("Extract to [" + ansiToUtf8(editText) +
                                 "] (Enter accepts, a folder changes it, '-' cancels): ",
                             &ended);
    if (answer == "-" || ended) {
        action.kind = DestinationAction::Cancel;
    } else if (!answer.empty()) {
        std::string ansi = utf8ToAnsi(answer);
        std::strncpy(action.text, ansi.c_str(), sizeof action.text - 1);
        action.kind = DestinationAction::Type;
    }
    return action;
}

int ConsoleInteraction::replaceDialog(const char* nameText, const char* existingDetails,
                                      const char* newDetails) {
    std::string prompt = "Replace " + ansiToUtf8(nameText) +
                         "?\n  existing: " + ansiToUtf8(existingDetails) +
                         "\n  new:      " + ansiToUtf8(newDetails) +
                         "\n[y]es, [n]o, yes to [a]ll, newe[r], [c]ancel: ";
    std::string word = firstWordLower(ask(prompt));
    if (word == "y" || word == "yes") return kReplaceButtonYes;
    if (word == "n" || word == "no") return kReplaceButtonNo;
    if (word == "a" || word == "all") return kReplaceButtonYesToAll;
    if (word == "r" || word == "newer") return kReplaceButtonNewer;
    return kReplaceButtonCancel;
}

void ConsoleInteraction::openFolder(const char* folder) {
    openFolderOnDesktop(folder);
}

bool ConsoleInteraction::keepWaitingForCabinet(const char*, const char* text) {
    std::string word =
        firstWordLower(ask("[ZER-AVE] " + ansiToUtf8(text) + "\nRetry or Cancel? [r/c] "));
    return word == "r" || word == "retry";
}

}  // namespace tamrix::platform::posix
