#pragma once
// velmo-tool wizards: the wizard data of a data folder listed, checked and drawn.
#include <QStringList>

namespace velmo::tool {

// velmo-tool wizards DATA_DIR [--check] [--contact-sheet OUT.png]
// DATA_DIR holds "Template\Wizard.dat" and "Osoroi\Osoroi.dat" (the "Data" folder).
int CommandWizards(const QStringList& arguments);

} // namespace velmo::tool
