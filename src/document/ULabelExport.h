#pragma once
// One label's design as a picture file: what the main window's "他形式保存" writes and
// velmo-tool export prints.
#include <QImage>
#include <QString>

namespace velmo {

class TLabelData;

// Label k's design alone (no printed paper images), drawn at 254 dots per inch on
// white into a 24-bit picture of the label's size. An empty label gives a white
// picture; a label without size or a design that cannot be read raises.
QImage RenderLabelDesign(TLabelData& document, int k);
// Writes RenderLabelDesign as a BMP file or, with jpeg, as a JPEG file; through a file
// beside the target, so a failure leaves whatever was there. Raises on failure.
void WriteLabelPicture(TLabelData& document, int k, const QString& fileName, bool jpeg);

} // namespace velmo
