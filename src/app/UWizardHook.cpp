#include "app/UWizardHook.h"

namespace velmo {

namespace {

TWizardRunner& Runner()
{
    static TWizardRunner runner;
    return runner;
}

} // namespace

void SetWizardRunner(TWizardRunner runner)
{
    Runner() = std::move(runner);
}

const TWizardRunner& WizardRunner()
{
    return Runner();
}

bool WizardRunnerRegistered()
{
    return static_cast<bool>(Runner());
}

} // namespace velmo
