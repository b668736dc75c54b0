#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "PrivateBus.h"

namespace kelbrin::test {

// The caller that is not this (root) process: the bus and polkit see another user, and the
// capability check finds none. Runs `calls` in a forked child with a bus connection of its own to
// `address`, made as `uid` when given (the bus then knows the caller by that uid), and returns
// what `calls` returned (through a pipe; a child that fails says why instead). `eachTurn`, if
// any, runs in this process at least every 100 ms meanwhile (a service served in-process).
std::string CallAs(const std::string& address, std::optional<uid_t> uid,
                   const std::function<std::string(BusProbe&)>& calls,
                   const std::function<void(std::chrono::milliseconds wait)>& eachTurn = {});

inline constexpr uid_t kNobody = 65534;

}  // namespace kelbrin::test
