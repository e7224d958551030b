#include "platform/posix/script_interaction.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/posix/host_paths.h"
#include "platform/ui.h"
#include "resources/resource.h"

namespace tamrix::platform::posix {

namespace {

const char* iconName(uint32_t type) {
    switch (type & 0xF0) {
        case kMbIconError:
            return "error";
        case kMbIconQuestion:
            return "question";
        case kMbIconWarning:
            return "warning";
        case kMbIconInformation:
            return "information";
        default:
            return "none";
    }
}

std::string lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// "word rest of line" -> word in lower case, rest.
std::pair<std::string, std::string> splitAnswer(const std::string& answer) {
    size_t blank = answer.find(' ');
    if (blank == std::string::npos) return {lower(answer), ""};
    return {lower(answer.substr(0, blank)), answer.substr(blank + 1)};
}

}  // namespace

std::string quoteForTranscript(const char* ansiText) {
    return quoteUtf8(ansiToUtf8(ansiText));
}

std::string quoteUtf8(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\n') {
            quoted += "\\n";
        } else if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

ScriptInteraction::ScriptInteraction(std::deque<std::string> answers, FILE* transcript)
    : answers_(std::move(answers)), transcript_(transcript) {}

bool ScriptInteraction::loadAnswers(const char* hostPath, std::deque<std::string>* answers) {
    std::ifstream in(hostPath);
    if (!in) return false;
    std::string text;
    while (std::getline(in, text)) {
        while (!text.empty() && (text.back() == '\r' || text.back() == ' ')) text.pop_back();
        if (text.empty() || text[0] == '#') continue;
        answers->push_back(text);
    }
    return true;
}

void ScriptInteraction::line(const std::string& text) {
    std::fprintf(transcript_, "%s\n", text.c_str());
    std::fflush(transcript_);
}

std::string ScriptInteraction::takeAnswer() {
    if (answers_.empty()) return "";
    std::string answer = answers_.front();
    answers_.pop_front();
    return answer;
}

int ScriptInteraction::messageBox(const char* text, const char* caption, uint32_t type) {
    const char* buttons = (type & 0x0F) == kMbOkCancel ? "OK,Cancel"
                          : (type & 0x0F) == kMbYesNo  ? "Yes,No"
                                                       : "OK";
    line("messagebox caption=" + quoteForTranscript(caption) + " icon=" + iconName(type) +
         " buttons=" + buttons + " text=" + quoteForTranscript(text));
    std::string answer = lower(takeAnswer());
    int result;
    switch (type & 0x0F) {
        case kMbOkCancel:
            result = answer == "ok" ? kIdOk : kIdCancel;
            break;
        case kMbYesNo:
            result = answer == "yes" ? kIdYes : kIdNo;
            break;
        default:
            result = kIdOk;
            break;
    }
    const char* names[] = {"", "OK", "Cancel", "", "", "", "Yes", "No"};
    line(std::string("answer ") + names[result] + (answer.empty() ? " (script ended)" : ""));
    return result;
}

void ScriptInteraction::beep() {
    line("beep asterisk");
}

void ScriptInteraction::dialogShown(int templateId) {
    progressMaximum_ = progressPosition_ = 0;
    line("window " + std::to_string(templateId) +
         " shown caption=" + quoteUtf8(dialogCaption(templateId)));
}

void ScriptInteraction::dialogClosed(int templateId) {
    line("window " + std::to_string(templateId) + " closed progress=" +
         std::to_string(progressPosition_) + "/" + std::to_string(progressMaximum_));
}

void ScriptInteraction::controlText(int templateId, int controlId, const char* text) {
    if (templateId == IDD_PROGRESS && controlId == IDC_PROGRESS_FILE_NAME) ++filesShown_;
    line("window " + std::to_string(templateId) + " control " + std::to_string(controlId) +
         " text=" + quoteForTranscript(text));
}

void ScriptInteraction::progressRange(int, int32_t maximum) {
    progressMaximum_ = maximum;
}

void ScriptInteraction::progressPosition(int, int32_t position) {
    progressPosition_ = position;
}

int ScriptInteraction::userClick(int templateId) {
    // "stop N": press the progress window's Cancel once N file names have been shown.
    if (templateId != IDD_PROGRESS || answers_.empty()) return 0;
    auto [word, rest] = splitAnswer(answers_.front());
    if (word != "stop") return 0;
    int after = rest.empty() ? 1 : std::atoi(rest.c_str());
    if (filesShown_ < after) return 0;
    answers_.pop_front();
    line("click " + std::to_string(IDD_PROGRESS) + " Cancel");
    return kIdCancel;
}

DestinationAction ScriptInteraction::destinationAction(const char* editText, bool boxTicked) {
    DestinationAction action = {DestinationAction::Cancel, {}};
    if (!pendingOk_.empty()) {
        pendingOk_.clear();
        action.kind = DestinationAction::Ok;
        line("answer OK");
        return action;
    }
    line("dialog " + std::to_string(IDD_DESTINATION) +
         " caption=" + quoteUtf8(dialogCaption(IDD_DESTINATION)) +
         " edit=" + quoteForTranscript(editText) + " box=" + (boxTicked ? "ticked" : "clear"));
    std::string answer = takeAnswer();
    auto [word, rest] = splitAnswer(answer);
    std::string ansiRest = utf8ToAnsi(rest);
    std::strncpy(action.text, ansiRest.c_str(), sizeof action.text - 1);
    if (word == "ok" && !rest.empty()) {
        action.kind = DestinationAction::Type;
        pendingOk_ = rest;
        line("answer type " + quoteForTranscript(action.text));
    } else if (word == "ok") {
        action.kind = DestinationAction::Ok;
        line("answer OK");
    } else if (word == "type") {
        action.kind = DestinationAction::Type;
        line("answer type " + quoteForTranscript(action.text));
    } else if (word == "toggle") {
        action.kind = DestinationAction::Toggle;
        line("answer toggle");
    } else if (word == "browse") {
        action.kind = DestinationAction::Browse;
        line("answer browse " + quoteForTranscript(action.text));
    } else {
        line(std::string("answer Cancel") + (answer.empty() ? " (script ended)" : ""));
    }
    return action;
}

int ScriptInteraction::replaceDialog(const char* nameText, const char* existingDetails,
                                     const char* newDetails) {
    line("dialog " + std::to_string(IDD_REPLACE) + " caption=" +
         quoteUtf8(dialogCaption(IDD_REPLACE)) + " file=" + quoteForTranscript(nameText) +
         " existing=" + quoteForTranscript(existingDetails) +
         " new=" + quoteForTranscript(newDetails));
    std::string answer = lower(takeAnswer());
    struct Choice {
        const char* word;
        int button;
        const char* name;
    };
    static const Choice choices[] = {{"yes", kReplaceButtonYes, "Yes"},
                                     {"no", kReplaceButtonNo, "No"},
                                     {"all", kReplaceButtonYesToAll, "Yes to All"},
                                     {"newer", kReplaceButtonNewer, "Newer"}};
    for (const Choice& choice : choices) {
        if (answer == choice.word) {
            line(std::string("answer ") + choice.name);
            return choice.button;
        }
    }
    line(std::string("answer Cancel") + (answer.empty() ? " (script ended)" : ""));
    return kReplaceButtonCancel;
}

void ScriptInteraction::openFolder(const char* folder) {
    line("shell open explorer " + quoteForTranscript(folder));
}

bool ScriptInteraction::keepWaitingForCabinet(const char* cabinetName, const char* text) {
    line("cabinet missing " + quoteForTranscript(cabinetName) +
         " text=" + quoteForTranscript(text));
    if (!answers_.empty() && lower(answers_.front()) == "wait") {
        answers_.pop_front();
        line("answer wait");
        return true;
    }
    line("answer stop");
    return false;
}

}  // namespace tamrix::platform::posix
