#pragma once
// Rendering barcode objects for the tests, and the independent decoders.
#include "barcode/ULOBarCode.h"
#include <QImage>
#include <QString>
#include <QStringList>
#include <map>

namespace velmo::test {

// A barcode object of the kind with the code, on the rectangle, at the angle.
std::unique_ptr<TLOBarCode> MakeBarCode(int kind, const QString& code, const TLogRect& rect, int angle = 0,
                                        bool digits = true, bool frame = false);
// The object drawn at dpi onto white, with margin (0.1 mm) around its enclosing rectangle.
QImage RenderBarCode(TLOBarCode& code, int dpi, int margin = 30, QColor background = Qt::white);
// The same through a PDF writer at the resolution; the PDF's bytes.
QByteArray RenderBarCodePdf(TLOBarCode& code, int resolution, int margin = 30);

// What ZBar and ZXing read from picture files: file -> decoded bytes as hex ("" when
// nothing was read), one map per decoder.
struct TDecodes
{
    std::map<QString, QString> ZBar;
    std::map<QString, QString> ZXing;
    std::map<QString, QString> ZBarKind;
    std::map<QString, QString> ZXingKind;
};
TDecodes DecodeFiles(const QStringList& files);

} // namespace velmo::test
