// AddLog against a full log: every call trims the oldest entry and inserts a new one, so the cost
// per call must not depend on the 1000 entries held. Reports the process's peak resident memory.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "eventlog/EventLog.h"
#include "runtime/Clock.h"

namespace {

using kelbrin::eventlog::EventLog;
using kelbrin::eventlog::kLogTip;
using kelbrin::eventlog::LogList;

// VmHWM of /proc/self/status in bytes, or -1 where it cannot be read.
double PeakResidentBytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) * 1024;
  }
  return -1;
}

void BM_AddLogToFullLog(benchmark::State& state) {
  EventLog log(kelbrin::runtime::RealClock(), [] { return true; });
  // A typical entry: longer than the short-string buffer, so each one allocates.
  const std::string text = "IP updates successfully：203.0.113.7";
  for (std::size_t i = 0; i < LogList::kCapacity; ++i) log.AddLog(kLogTip, text);

  for (auto _ : state) log.AddLog(kLogTip, text);

  if (log.List().size() != LogList::kCapacity) state.SkipWithError("log not bounded");
  state.counters["entries"] = static_cast<double>(log.List().size());
  state.counters["VmHWM"] = benchmark::Counter(PeakResidentBytes(), benchmark::Counter::kDefaults,
                                               benchmark::Counter::OneK::kIs1024);
}
BENCHMARK(BM_AddLogToFullLog)->Iterations(100000)->Repetitions(5);

}  // namespace
