#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool picture IN OUT.png [--scale 1|2|4|8] [--key-colour RRGGBB]
//   [--blur N | --sharpen N] [--tint RRGGBB,N] [--brightness N] [--contrast N]
//   [--rotate DEG]: a BMP, cbm or JPEG file through the picture classes and effects,
// written as a PNG in which the key colour is transparent.
int CommandPicture(const QStringList& arguments);

} // namespace velmo::tool
