// The libzint barcode object and the encoder call. The first byte picks what the
// rest is: a label's "LabelData" stream of objects (read, drawn upright and turned,
// written back), or data for every symbology with options taken from the next
// bytes. Nothing may crash, hang or allocate without bound; a symbol is made only of
// data its symbology accepts.
#include "barcode/ULOZintBarCode.h"
#include "barcode/UZintSymbol.h"
#include "base/UStream.h"
#include "objects/ULDObjects.h"
#include "persist/UComponentStream.h"
#include "text/UTextCanvas.h"
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    static const bool registered = [] {
        RegisterBarCodeClasses();
        return true;
    }();
    (void)registered;
    if (size < 1)
        return 0;
    QImage image(80, 80, QImage::Format_RGB32);
    image.fill(Qt::white);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    if (data[0] & 1) {
        TDOList list;
        try {
            TMemoryStream stream(bytes);
            ReadLabelData(stream, list);
        } catch (const std::exception&) {
        }
        for (int i = 0; i < list.Count(); ++i) {
            TDrawObject* object = list[i];
            QPainter painter(&image);
            painter.scale(0.2, 0.2);
            object->DrawTo(painter);
            if (auto* code = dynamic_cast<TLOZintBarCode*>(object)) {
                code->SetAngleValue(90);
                code->DrawTo(painter);
                code->SetAngleValue(17);
                code->DrawTo(painter);
                (void)ComponentStreamBytes(*code);
            }
        }
        list.FreeObjects();
        return 0;
    }

    // The bytes as data for every symbology.
    if (bytes.size() < 3)
        return 0;
    TZintOptions options;
    options.ErrorLevel = static_cast<unsigned char>(bytes[0]) % 12 - 1;
    options.Size = static_cast<unsigned char>(bytes[1]) % 45 - 2;
    options.QuietZone = bytes[2] & 1;
    options.ShowText = bytes[2] & 2;
    const QString text = QString::fromUtf8(bytes.mid(3, 600));
    QPainter painter(&image);
    painter.scale(0.25, 0.25);
    TTextCanvas canvas(&painter, 254);
    for (const TSymbologyInfo& info : Symbologies()) {
        const TEncodedSymbol symbol = EncodeSymbol(info.Id, text, options);
        if (symbol.Valid != symbol.Error.isEmpty())
            __builtin_trap(); // a symbol or a reason, never both or neither
        TZintDrawing drawing;
        drawing.Rect = {0, 0, 300, 300};
        drawing.Angle = static_cast<unsigned char>(bytes[0]) * 3;
        drawing.ShowText = options.ShowText;
        drawing.Shape = info.Shape;
        DrawZintSymbol(canvas, symbol, drawing);
    }
    (void)EncodeSymbol(static_cast<unsigned char>(bytes[1]) * 7, text, options); // unknown numbers
    (void)NormalizeJapanPost(text);
    return 0;
}
