#pragma once

// Running the real executables from a test: start with redirected streams, wait bounded, read
// what they wrote.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kelbrin::test {

// The whole content of `file` (empty when it cannot be read).
std::string ReadFile(const std::filesystem::path& file);

// Starts `program` with `args`, standard input from `inFile`, standard output to /dev/null and
// standard error into `errFile`; `environment` ("NAME=VALUE") comes before the test's own, so it
// wins. HOME and the XDG folders (config, state, data, cache, runtime) are the program's own,
// under "ERRFILE.home", unless `environment` names them. -1 when the program cannot be started.
pid_t StartProgram(const std::string& program, const std::vector<std::string>& args,
                   const std::filesystem::path& inFile, const std::filesystem::path& errFile,
                   std::vector<std::string> environment = {});

// Sends `signo` (0: none) and waits at most `limit` for the end: the exit status, or -1 when the
// process did not end normally in time (it is killed then).
int EndWithin(pid_t pid, int signo, std::chrono::milliseconds limit);

// Polls `done` in real time until it holds or `limit` has passed; whether it held.
bool WaitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(8));

}  // namespace kelbrin::test
