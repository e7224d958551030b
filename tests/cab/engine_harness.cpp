#include "tests/cab/engine_harness.h"

namespace tamrix::test {

namespace {

EngineTest* active = nullptr;

const char* kindName(CopyNotification kind) {
    switch (kind) {
        case CabinetOpened:
            return "CabinetOpened";
        case FileContinued:
            return "FileContinued";
        case FileBegin:
            return "FileBegin";
        case FileEnd:
            return "FileEnd";
        case CabinetNeeded:
            return "CabinetNeeded";
        case FileListCheckpoint:
            return "FileListCheckpoint";
    }
    return "?";
}

}  // namespace

struct HandlerAccess : EngineTest {
    static int32_t handle(CopyNotification kind, NotificationRecord* record) {
        EngineTest& test = *active;
        auto& self = static_cast<HandlerAccess&>(test);
        Event event{kind, *record, record->name ? record->name : "",
                    record->name2 ? record->name2 : "", record->name3 ? record->name3 : ""};
        self.events.push_back(event);
        std::string line = kindName(kind);
        if (kind == FileBegin || kind == FileEnd || kind == FileContinued) line += " " + event.name;
        if (kind == FileListCheckpoint) line += " " + std::to_string(record->folderIndex);
        self.trace.push_back(line);
        if (self.answer) {
            int32_t result = self.answer(kind, record);
            if (result != kDefault) return result;
        }
        switch (kind) {
            case FileBegin:
                return world().createTarget(record->name);
            case FileEnd:
                return world().handles.count(record->handle) &&
                               tamrix::test::memoryCallbacks().close(record->handle) == 0
                           ? 1
                           : 0;
            case CabinetNeeded:
                return record->error == Ok ? 0 : -1;
            default:
                return 0;
        }
    }
};

void EngineTest::SetUp() {
    resetWorld();
    world().log = &trace;
    active = this;
    decoder = createDecoder(memoryCallbacks(), -1, &error);
    ASSERT_NE(decoder, nullptr);
}

void EngineTest::TearDown() {
    if (decoder) destroyDecoder(decoder);
    decoder = nullptr;
    EXPECT_EQ(world().liveAllocationCount(), 0u) << "allocations leaked";
    EXPECT_EQ(world().badFrees, 0u) << "pointers freed twice or never allocated";
    EXPECT_EQ(world().badCloses, 0u) << "handles closed twice or never opened";
    EXPECT_EQ(world().liveHandleCount(), 0u) << "handles left open";
    world().log = nullptr;
    active = nullptr;
}

bool EngineTest::copy(const std::string& name, const std::string& path, DataHook hook) {
    events.clear();
    return copyCabinet(decoder, name.c_str(), path.c_str(), 0, HandlerAccess::handle, hook, this);
}

std::vector<std::string> EngineTest::kinds() const {
    std::vector<std::string> result;
    for (const std::string& line : trace) {
        if (line.rfind("open", 0) == 0 || line.rfind("close", 0) == 0 ||
            line.rfind("write", 0) == 0) {
            continue;
        }
        result.push_back(line);
    }
    return result;
}

size_t EngineTest::count(CopyNotification kind) const {
    size_t n = 0;
    for (const Event& event : events) n += event.kind == kind;
    return n;
}

}  // namespace tamrix::test
