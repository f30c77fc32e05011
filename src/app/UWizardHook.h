#pragma once
// Where the wizards join the main window. The wizard library sits below the
// application and cannot call into it, so it hands the application a runner at
// start-up; until one is registered the main window hides its wizard commands and
// the wizard entries of the start-up choice.
#include <QString>
#include <functional>

class QWidget;

namespace velmo {

enum class TWizardKind
{
    Plain,    // "新規作成ウイザード(&W)..."
    Matching, // "新規作成おそろいラベル(&E)..."
};

struct TWizardOutcome
{
    enum TStatus
    {
        Unavailable, // the wizard's data could not be found: the main window says so
        Cancelled,   // the user left the wizard (or it failed and has told the user)
        Accepted,    // WorkFile holds the finished document
    };
    TStatus Status = Cancelled;
    // The work file the wizard wrote its result into (read once, never taken over as
    // the document's file name). The runner owns it and may remove it after the call.
    QString WorkFile;
};

// Runs the wizard dialog of the given kind over parent and reports how it ended.
using TWizardRunner = std::function<TWizardOutcome(TWizardKind kind, QWidget* parent)>;

// Registers the runner (an empty function unregisters it).
void SetWizardRunner(TWizardRunner runner);
const TWizardRunner& WizardRunner();
bool WizardRunnerRegistered();

} // namespace velmo
