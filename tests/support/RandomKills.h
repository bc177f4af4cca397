#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

namespace lumo::test {

// How long operation takes on this machine: the median of five runs, each after prepare().
std::chrono::microseconds medianDuration(const std::function<void()> &prepare, const std::function<void()> &operation);

// A crash at any moment of an operation: kills rounds, each of which calls prepare(), runs
// operation() in a child process, ends the child with SIGKILL after a delay drawn evenly
// from 0 to longestDelay (a generator seeded with seed, so the delays are the same at every
// run), and calls inspect(round) in this process. Returns how many children had ended on
// their own before the kill. Throws std::runtime_error when a child failed otherwise.
int killAtRandomMoments(int rounds, std::uint32_t seed, std::chrono::microseconds longestDelay,
                        const std::function<void()> &prepare, const std::function<void()> &operation,
                        const std::function<void(int round)> &inspect);

} // namespace lumo::test
