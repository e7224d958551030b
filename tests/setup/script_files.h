// Small shell scripts that stand in for setup programs and openers, and what they leave behind.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

namespace tamrix::test {

// Writes an executable /bin/sh script with the given body.
void writeScript(const std::string& hostPath, const std::string& body);

// A script body (PATH may be narrowed: it calls only built-ins and /bin/mv) that writes its working
// folder (physical) and then each argument on a line of its own into the file at reportPath, after
// the extra commands.
std::string reportingBody(const std::string& reportPath, const std::string& before = "");

// The lines of a text file; empty when it does not exist.
std::vector<std::string> readLines(const std::string& hostPath);

// The physical form of an existing host path.
std::string physical(const std::string& hostPath);

// Sets an environment variable (or removes it when value is null) for one scope.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    std::string name_;
    std::string saved_;
    bool had_;
};

}  // namespace tamrix::test
