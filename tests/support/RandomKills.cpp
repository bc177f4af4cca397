#include "RandomKills.h"

#include "ChildProcess.h"

#include <algorithm>
#include <csignal>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace lumo::test {

std::chrono::microseconds medianDuration(const std::function<void()> &prepare, const std::function<void()> &operation)
{
    std::vector<std::chrono::microseconds> times;
    for (int run = 0; run < 5; ++run) {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        operation();
        times.push_back(std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start));
    }
    std::ranges::sort(times);
    return times[times.size() / 2];
}

int killAtRandomMoments(int rounds, std::uint32_t seed, std::chrono::microseconds longestDelay,
                        const std::function<void()> &prepare, const std::function<void()> &operation,
                        const std::function<void(int round)> &inspect)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<long long> delay(0, longestDelay.count());
    int endedFirst = 0;
    for (int round = 0; round < rounds; ++round) {
        prepare();
        ChildProcess child([&](ChildProcess &self) {
            self.notifyParent();
            operation();
            return std::string();
        });
        // The delay starts once the child is about to begin, not at the fork.
        if (!child.awaitChild())
            throw std::runtime_error("the child ended before it began: " + child.finish().report);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        const ChildOutcome outcome = child.kill();
        if (outcome.exitCode == 0)
            ++endedFirst;
        else if (outcome.exitCode != 128 + SIGKILL)
            throw std::runtime_error("round " + std::to_string(round) + ": " + outcome.report);
        inspect(round);
    }
    return endedFirst;
}

} // namespace lumo::test
