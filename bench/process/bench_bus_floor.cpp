// The floor under the service's idle figures: a program that does nothing but hold the same
// kind of bus connection (the session bus, one well-known name) and sleep until a message comes.
#include <systemd/sd-bus.h>

#include <cstdint>
#include <cstdio>

int main() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0 || sd_bus_request_name(bus, "net.kelbrin.BenchFloor", 0) < 0) {
    std::fputs("bench_bus_floor: no session bus\n", stderr);
    return 1;
  }
  for (;;) {
    const int processed = sd_bus_process(bus, nullptr);
    if (processed < 0) return 1;
    if (processed == 0 && sd_bus_wait(bus, UINT64_MAX) < 0) return 1;
  }
}
