#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool res FILE.res: one line per record (type, name, data size, and the
// picture's width × height and bit count for bitmap records);
// velmo-tool res FILE.res TYPE NAME OUT.png: one picture as PNG;
// velmo-tool res FILE.res --contact-sheet OUT.png [--zoom N]: every picture on one
// sheet with its name.
int CommandRes(const QStringList& arguments);

} // namespace velmo::tool
