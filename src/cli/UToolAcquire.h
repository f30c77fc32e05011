#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool scan: lists the scanners and cameras SANE finds, or scans one picture
// as PNG (headless), or runs the device chooser and acquisition window (--dialog).
int CommandScan(const QStringList& arguments);
// velmo-tool photocd: one base resolution of a Photo CD file, in a format and
// orientation, as PNG (BMP with --bmp).
int CommandPhotoCD(const QStringList& arguments);
// velmo-tool decostring: a decorative string in a picture font, turned, as PNG.
int CommandDecoString(const QStringList& arguments);

} // namespace velmo::tool
