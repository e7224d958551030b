// A fixture that drives the engine over in-memory cabinets with a recording handler, and checks
// after every test that nothing leaked and no handle stayed open.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "cab/decoder.h"
#include "tests/support/cabinet_builder.h"
#include "tests/support/memory_callbacks.h"

namespace tamrix::test {

struct Event {
    CopyNotification kind;
    NotificationRecord record;  // as the handler saw it (name pointers copied below)
    std::string name, name2, name3;
};

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Copies `name` (joined with `path`) with the recording handler.
    bool copy(const std::string& name, const std::string& path = "", DataHook hook = nullptr);
    void addFile(const std::string& path, const Bytes& data) { world().files[path] = data; }

    std::vector<std::string> kinds() const;  // "FileBegin a.txt", ... for order checks
    const Bytes& written(const std::string& name) { return world().written[name]; }
    size_t count(CopyNotification kind) const;

    CabinetDecoder* decoder = nullptr;
    DecoderErrorRecord error{};
    std::vector<Event> events;
    std::vector<std::string> trace;  // notifications, hook calls and file operations in order
    // Overrides the default answer for a notification; return std::nullopt-like sentinel
    // kDefault to fall back on the default behaviour.
    std::function<int32_t(CopyNotification, NotificationRecord*)> answer;
    static constexpr int32_t kDefault = 0x7FFFFFF0;
};

}  // namespace tamrix::test
