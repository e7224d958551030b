#include "app/destination.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "state/run_state.h"

namespace tamrix {
namespace {

struct Resolved {
    DestinationStep step;
    std::string destination;
    std::string base;
};

Resolved resolve(const std::string& typed, const std::string& base = "C:\\Pkg\\Sub\\") {
    char destination[kPathSize] = {};
    char baseFolder[kPathSize] = {};
    std::strncpy(destination, typed.c_str(), kPathSize - 1);
    std::strncpy(baseFolder, base.c_str(), kPathSize - 1);
    DestinationStep step = resolveDestination(destination, baseFolder);
    return {step, destination, baseFolder};
}

TEST(ResolveDestination, RelativeFormsJoinThePackageFolder) {
    EXPECT_EQ("C:\\Pkg\\Sub\\out\\", resolve("out").destination);
    EXPECT_EQ("C:\\Pkg\\Sub\\out\\", resolve("\\out\\").destination);
    EXPECT_EQ("C:\\Pkg\\Sub\\out\\x\\", resolve(".\\out/x").destination);
    EXPECT_EQ("C:\\Pkg\\Sub\\", resolve("").destination);
    EXPECT_EQ("C:\\Pkg\\Sub\\out\\", resolve("out   ").destination);
    // The base is never changed by a pass.
    EXPECT_EQ("C:\\Pkg\\Sub\\", resolve("out").base);
    EXPECT_EQ("C:\\Pkg\\Sub\\", resolve("..\\x").base);
}

TEST(ResolveDestination, ParentSteps) {
    EXPECT_EQ("C:\\Pkg\\x\\", resolve("..\\x").destination);
    EXPECT_EQ("C:\\x\\y\\", resolve("..\\..\\x\\y").destination);
    Resolved tooMany = resolve("..\\..\\..\\x");
    EXPECT_EQ(DestinationStep::Retry, tooMany.step);
    EXPECT_EQ("C:\\Pkg\\Sub", tooMany.destination);
    // A failed climb leaves the base whole: a plain name typed next joins it as usual.
    EXPECT_EQ("C:\\Pkg\\Sub\\", tooMany.base);
}

TEST(ResolveDestination, AbsoluteFormsAreKept) {
    EXPECT_EQ("D:\\Data\\", resolve("D:\\Data").destination);
    EXPECT_EQ("D:\\", resolve("D:").destination);
    EXPECT_EQ("\\\\server\\share\\x\\", resolve("\\\\server\\share\\x").destination);
    EXPECT_EQ("a\\b\\", resolve("a\\b").destination);  // relative to the current folder
}

TEST(ResolveDestination, ForbiddenCharactersFallBackToTheBase) {
    Resolved joined = resolve("a;b");
    EXPECT_EQ(DestinationStep::Retry, joined.step);
    EXPECT_EQ("C:\\Pkg\\Sub\\a;b", joined.destination);
    Resolved drive = resolve("D:\\x<y");
    EXPECT_EQ(DestinationStep::Retry, drive.step);
    EXPECT_EQ("C:\\Pkg\\Sub\\", drive.destination);
}

TEST(ResolveDestination, JoinsTooLongForThePathBufferAreRefused) {
    Resolved result = resolve(std::string(200, 'n'), "C:\\" + std::string(100, 'p') + "\\");
    EXPECT_EQ(DestinationStep::Retry, result.step);
    EXPECT_LT(result.destination.size(), size_t(kPathSize));
}

}  // namespace
}  // namespace tamrix
