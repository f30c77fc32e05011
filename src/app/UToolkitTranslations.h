#pragma once
// The toolkit's own texts (file dialogs' "Look in", standard buttons, context menus
// of edit boxes) in Japanese, so they read like the rest of the program.
#include <QString>

class QCoreApplication;

namespace velmo {

// Installs the toolkit's Japanese catalogues found in folder (the toolkit's own
// translations folder when empty) on app. Returns how many were installed; none is a
// normal outcome on a system without them, and the texts then stay in English.
int InstallToolkitTranslations(QCoreApplication& app, const QString& folder = QString());

} // namespace velmo
