#pragma once
// The main window's side of the wizards: finding their data and running one, with
// the missing-data message.
#include "app/UWizardHook.h"
#include "wizard/FWizard.h"
#include <functional>

class QWidget;

namespace velmo {

class TVelmoPapers;

// The data file of a wizard: the data roots (never asking for the disc), then the
// build's own data folder beside the program.
QString FindWizardDataFile(TWizardMode kind);

// Runs the wizard over the catalogue. Missing data shows "$(SysMsgCDNotFound)" with
// the wizard's data name and returns false. On OK with a result file, load gets the
// file while it exists and its answer is returned; otherwise false.
bool RunWizardCommand(TWizardMode kind, TVelmoPapers* papers, QWidget* parent,
                      const std::function<bool(const QString& resultFile)>& load);

// The main window's wizard runner over the catalogue the function gives. The result
// file it reports stays until the next run or the end of the program.
TWizardRunner MakeWizardRunner(std::function<TVelmoPapers*()> papers);

} // namespace velmo
