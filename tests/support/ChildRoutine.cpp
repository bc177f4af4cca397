#include "ChildCommandLine.h"
#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <utility>

namespace lumo::test {
namespace {

std::map<std::string, ChildRoutineBody> &routines()
{
    static std::map<std::string, ChildRoutineBody> all;
    return all;
}

// Set up before the first test, when every routine of the program has been defined.
class ChildRoutineStart : public ::testing::Environment {
public:
    void SetUp() override { ChildProcess::runRoutineIfAsked(); }
};

} // namespace

ChildRoutine::ChildRoutine(const std::string &name, ChildRoutineBody body)
{
    static const bool started = (::testing::AddGlobalTestEnvironment(new ChildRoutineStart), true);
    static_cast<void>(started);
    routines().emplace(name, std::move(body));
}

void ChildProcess::runRoutineIfAsked()
{
    const std::vector<std::string> arguments = commandLine();
    if (arguments.size() < 3 || !arguments[1].starts_with(childRoutineOption)
        || !arguments[2].starts_with(childChannelOption))
        return;
    const std::string name = arguments[1].substr(childRoutineOption.size());
    ChildProcess self(ChildSide{}, arguments[2].substr(childChannelOption.size()));

    int exitCode = 126;
    std::string report = "child failed: the program has no routine " + name;
    const auto routine = routines().find(name);
    if (routine != routines().end()) {
        exitCode = 1;
        try {
            report = routine->second(self, ChildArguments(arguments.begin() + 3, arguments.end()));
            exitCode = 0;
        } catch (const std::exception &error) {
            report = std::string("child failed: ") + error.what();
        } catch (...) {
            report = "child failed: an exception of unknown type";
        }
    }
    self.reportToParent(report);
    std::fflush(nullptr);
    // The tests of this program are the parent's to run, and so are its exit handlers.
    std::_Exit(exitCode);
}

} // namespace lumo::test
