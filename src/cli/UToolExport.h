#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool export FILE.lbd SHEET POS OUT.bmp|OUT.jpg: one label's design as the main
// window's "他形式保存" writes it (254 dots per inch, no printed paper images); the
// extension chooses BMP or JPEG.
int CommandExport(const QStringList& arguments);

} // namespace velmo::tool
