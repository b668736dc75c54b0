#pragma once

namespace kelbrin::platform {

// Keeps this process's memory (it holds the password) out of core dumps and away from
// same-user debuggers: prctl(PR_SET_DUMPABLE, 0), and a core size limit of 0 where the process
// may set one. Also makes /proc/PID of the process root's. Throws std::system_error when the
// kernel refuses the prctl.
void MakeNotDumpable();

}  // namespace kelbrin::platform
