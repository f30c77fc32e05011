#pragma once
// The main window's decisions that need no window: whether the current sheet still
// uses its merge data, the export of one label as a picture file, and whether another
// program holds a work file.
#include <QImage>
#include <QString>

namespace velmo {

class TLabelData;

// True when a label position of the current sheet holds a merge field (groups
// searched too). A design that cannot be read counts as holding one: the link is
// only dropped when it is known to be unused.
bool CurrentSheetHoldsMergeFields(TLabelData& document);

// Label k's design alone (no printed paper images), drawn at 254 dots per inch on
// white into a 24-bit picture of the label's size. An empty label gives a white picture.
QImage RenderLabelDesign(TLabelData& document, int k);
// Writes RenderLabelDesign as a BMP file or, with jpeg, as a JPEG file; through a file
// beside the target, so a failure leaves whatever was there. Raises on failure.
void WriteLabelPicture(TLabelData& document, int k, const QString& fileName, bool jpeg);

// True when another process holds an advisory lock (flock) on the file.
bool FileLockedByOther(const QString& fileName);

} // namespace velmo
