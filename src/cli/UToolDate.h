#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool date (FORMAT | --list) YYYY-MM-DD[THH:MM[:SS]]: the date as a date object
// shows it, for checking the formats by eye or against other calendars.
int CommandDate(const QStringList& arguments);

} // namespace velmo::tool
