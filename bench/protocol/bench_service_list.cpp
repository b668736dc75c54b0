// Parsing a service-list reply must grow linearly with the number of domains: the time per
// domain (items_per_second) and the peak memory per domain should stay flat from 10 to 100000.
// peak_x_reply is the heap peak of one parse, the reply text included, in multiples of the
// reply's size (every allocation of the program, pugixml's too, is counted).
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>
#include <pugixml.hpp>
#include <string>

#include "protocol/TGetServiceListResp.h"

namespace {

using kelbrin::protocol::TGetServiceListResp;

std::atomic<long long> heapNow{0};
std::atomic<long long> heapPeak{0};

void* Counted(void* block) {
  if (block) {
    const long long now = heapNow += static_cast<long long>(malloc_usable_size(block));
    long long peak = heapPeak.load();
    while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
    }
  }
  return block;
}

// Blocks of operator new come from malloc here, so free is their match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void Release(void* block) {
  if (!block) return;
  heapNow -= static_cast<long long>(malloc_usable_size(block));
  std::free(block);
}

// One parse of `text` on a fresh reply; the peak above what was held before, plus the text.
double PeakTimesReply(const std::string& text) {
  heapPeak = heapNow.load();
  const long long before = heapNow.load();
  {
    TGetServiceListResp reply;
    reply.ParseXml(text);
  }
  return static_cast<double>(heapPeak.load() - before + static_cast<long long>(text.size())) /
         static_cast<double>(text.size());
}

std::string ServiceListReply(int domains) {
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><PelmarPacket>"
      "<MsgType>GetServiceListResp</MsgType><Version>1.0</Version>"
      "<Result>0</Result><UserID>u-17</UserID>";
  for (int i = 0; i < domains; ++i) {
    const std::string name = "host" + std::to_string(i);
    text += "<DomainInfo><DomainName>" + name +
            "</DomainName><SuffixName>.example.net</SuffixName><OnlineOpt>0</OnlineOpt>"
            "<OnlineStaticIP></OnlineStaticIP><OnlineTransURL></OnlineTransURL>"
            "<OfflineOpt>3</OfflineOpt><OfflineStaticIP></OfflineStaticIP>"
            "<OfflineTransURL></OfflineTransURL><TTL>600</TTL><Status>0</Status>"
            "<StartDate>20080101</StartDate><EndDate>20081231</EndDate>"
            "<DomainStatus>0</DomainStatus>"
            "<ResourceInfo><ResourceType>A</ResourceType><KeyName>www." +
            name +
            "</KeyName><KeyValue>203.0.113.7</KeyValue><TransURL></TransURL></ResourceInfo>"
            "<ResourceInfo><ResourceType>MX</ResourceType><KeyName>mail." +
            name +
            "</KeyName><KeyValue>mx.example.net</KeyValue><TransURL></TransURL></ResourceInfo>"
            "</DomainInfo>";
  }
  return text + "</PelmarPacket>";
}

// Peak resident set of the whole process in KiB (VmHWM), 0 when unavailable. Process-wide:
// it also holds the reply texts and every earlier run of this program.
double PeakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmHWM:") {
      double kib = 0;
      status >> kib;
      return kib;
    }
    status.ignore(4096, '\n');
  }
  return 0;
}

void BM_ParseServiceList(benchmark::State& state) {
  const int domains = static_cast<int>(state.range(0));
  const std::string text = ServiceListReply(domains);
  for (auto _ : state) {
    TGetServiceListResp reply;
    const bool loaded = reply.ParseXml(text);
    benchmark::DoNotOptimize(loaded);
    benchmark::DoNotOptimize(reply.DomainInfos.data());
    if (reply.DomainInfos.size() != static_cast<size_t>(domains)) {
      state.SkipWithError("wrong number of domains");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * domains);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(text.size()));
  state.counters["reply_bytes"] = static_cast<double>(text.size());
  state.counters["peak_rss_kib"] = PeakResidentKiB();
  state.counters["peak_x_reply"] = PeakTimesReply(text);
}

BENCHMARK(BM_ParseServiceList)
    ->Arg(10)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

// Every allocation of the program goes through the counter.
void* operator new(std::size_t size) {
  if (void* block = Counted(std::malloc(size == 0 ? 1 : size))) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { Release(block); }
void operator delete(void* block, std::size_t) noexcept { Release(block); }

namespace {
const bool kPugiCounted = [] {
  pugi::set_memory_management_functions([](size_t size) { return Counted(std::malloc(size)); },
                                        Release);
  return true;
}();
}  // namespace
