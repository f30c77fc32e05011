// Reads arbitrary bytes as a label's "LabelData" stream of barcode objects and
// draws, hit-tests and turns what was read; the same bytes are also drawn as the code
// of every symbology. Nothing may crash, hang or allocate without bound.
#include "barcode/UBarCode.h"
#include "barcode/UJANCode.h"
#include "barcode/ULOBarCode.h"
#include "base/UStream.h"
#include "objects/ULDObjects.h"
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
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QImage image(96, 96, QImage::Format_RGB32);
    image.fill(Qt::white);

    TDOList list;
    try {
        TMemoryStream stream(bytes);
        ReadLabelData(stream, list);
    } catch (const std::exception&) {
    }
    for (int i = 0; i < list.Count(); ++i) {
        TDrawObject* object = list[i];
        {
            QPainter painter(&image);
            painter.scale(0.25, 0.25);
            object->DrawTo(painter);
        }
        (void)object->HitTest(QPoint(10, 10));
        (void)object->GetEncloseRect();
        if (auto* code = dynamic_cast<TLOBarCode*>(object)) {
            code->SetAngleValue(90);
            QPainter painter(&image);
            code->DrawTo(painter);
        }
    }
    list.FreeObjects();

    // The bytes as codes: never a symbol of anything but valid data.
    const QByteArray code = bytes.left(300);
    QPainter painter(&image);
    painter.scale(0.2, 0.2);
    TTextCanvas canvas(&painter, 254);
    const QString text = QString::fromLatin1(code);
    DrawJAN(canvas, text, {0, 0, 400, 150}, true, true, 0);
    DrawCode39(canvas, text, {0, 0, 400, 150}, 250, true, false, true, 90);
    DrawCode128(canvas, code, {0, 0, 400, 150}, false, true, 45);
    (void)NormalizeJAN(text);
    (void)IsValidCode128(code);
    QByteArray parsed;
    (void)Code128FromText(text, &parsed);
    return 0;
}
