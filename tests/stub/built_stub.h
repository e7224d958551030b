// The built stub, read once for all the checks on it.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/pe_reader.h"

namespace tamrix::test {

struct BuiltStub {
    std::vector<uint8_t> bytes;
    PeReader reader;
    std::vector<PeResource> resources;
};

// Null when TAMRIX_STUB is not set; throws when it names a missing file.
const BuiltStub* builtStub();

// Tests on the stub: skipped with a message when TAMRIX_STUB is not set, failed when it names
// no file.
class BuiltStubTest : public ::testing::Test {
  protected:
    void SetUp() override {
        stub = builtStub();
        if (!stub) GTEST_SKIP() << "TAMRIX_STUB not set: scripts/test.sh builds the stub first";
        ASSERT_TRUE(stub->reader.ok()) << "the built stub is no PE32 image";
    }
    const PeResource* resource(uint32_t type, uint32_t name, uint32_t language) const {
        return findResource(stub->resources, type, name, language);
    }
    const BuiltStub* stub = nullptr;
};

}  // namespace tamrix::test
