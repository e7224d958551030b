#include "tests/stub/built_stub.h"

#include <memory>

#include "tests/support/temp_folder.h"

namespace tamrix::test {

const BuiltStub* builtStub() {
    static const std::unique_ptr<BuiltStub> stub = []() -> std::unique_ptr<BuiltStub> {
        std::string path = builtStubPath();
        if (path.empty()) return nullptr;
        std::vector<uint8_t> bytes = readFile(path);
        auto loaded = std::make_unique<BuiltStub>(BuiltStub{bytes, PeReader(bytes), {}});
        loaded->resources = loaded->reader.resources();
        return loaded;
    }();
    return stub.get();
}

}  // namespace tamrix::test
