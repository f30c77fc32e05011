#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool text OUT.png LINE... [options]: lays out a text block built from the
// options and writes it as a PNG (white background, black text).
int CommandText(const QStringList& arguments);

} // namespace velmo::tool
