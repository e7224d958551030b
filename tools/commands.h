// The subcommands of the tamrix tool. Each lives in a file of its own and returns the exit status:
// 0 success, 1 failure, 2 usage error.
#pragma once

namespace tamrix::tool {

int runInfo(int argc, char** argv);
int runList(int argc, char** argv);
int runTest(int argc, char** argv);
int runExtract(int argc, char** argv);
int runRun(int argc, char** argv);
int runPack(int argc, char** argv);
int runCab(int argc, char** argv);

}  // namespace tamrix::tool
