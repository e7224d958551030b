// Scoped changes to process-wide state for one test: the ANSI code page, the language of the
// string table, environment variables, and a user interface that records message boxes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/codepage.h"
#include "platform/posix/interaction.h"
#include "platform/ui.h"
#include "resources/strings.h"

namespace tamrix::test {

class ScopedCodePage {
  public:
    explicit ScopedCodePage(uint32_t page) : previous_(platform::posix::ansiCodePage()) {
        platform::posix::setAnsiCodePage(page);
    }
    ~ScopedCodePage() { platform::posix::setAnsiCodePage(previous_); }

  private:
    uint32_t previous_;
};

class ScopedLanguage {
  public:
    explicit ScopedLanguage(Language language) { setLanguage(language); }
    ~ScopedLanguage() { setLanguage(Language::English); }
};

class ScopedEnv {
  public:
    // A null value unsets the variable.
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) previous_ = old;
        if (value) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ~ScopedEnv() {
        if (previous_) {
            ::setenv(name_.c_str(), previous_->c_str(), 1);
        } else {
            ::unsetenv(name_.c_str());
        }
    }

  private:
    std::string name_;
    std::optional<std::string> previous_;
};

struct ShownMessage {
    std::string text;
    std::string caption;
    uint32_t type;
};

// Records every message box and answers OK; installed for its lifetime.
class RecordingInteraction : public platform::posix::Interaction {
  public:
    RecordingInteraction() { platform::posix::setInteraction(this); }
    ~RecordingInteraction() override { platform::posix::setInteraction(nullptr); }
    int messageBox(const char* text, const char* caption, uint32_t type) override {
        shown.push_back({text, caption, type});
        return platform::kIdOk;
    }
    std::vector<ShownMessage> shown;
};

}  // namespace tamrix::test
