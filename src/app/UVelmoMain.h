#pragma once
// The whole run of the desktop application, from the application object to the end
// of the event loop, so that the program's main and a test harness share it.
#include <functional>

namespace velmo {

class TStartup;

struct TVelmoRunHooks
{
    // Before start-up: may replace probes of the data module.
    std::function<void(TStartup&)> BeforeStart;
    // After a successful start-up, before the event loop runs.
    std::function<void(TStartup&)> AfterStart;
};

// Returns the process's exit code.
int RunVelmo(int argc, char** argv, const TVelmoRunHooks& hooks = {});

} // namespace velmo
