// Reads arbitrary bytes as the object clipboard block (a count and one component
// stream per object) with the shapes and groups registered, then paints, hit-tests
// and measures every object read and writes the list back: none of it may crash,
// hang or allocate without bound.
#include "imaging/USafetyBitmap.h"
#include "objects/FShapeDialogs.h"
#include "objects/UStandardDSA.h"
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    static const bool initialised = [] {
        RegisterImagingGraphics();
        RegisterShapeClasses();
        return true;
    }();
    (void)initialised;
    TDOList list;
    try {
        ReadObjectClipboardBytes(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), list);
    } catch (const velmo::Exception&) {
        return 0;
    }
    QImage target(64, 48, QImage::Format_ARGB32);
    target.fill(Qt::white);
    for (TDrawObject* object : list.Objects()) {
        try {
            QPainter painter(&target);
            painter.scale(0.05, 0.05);
            object->Paint(painter);
            painter.end();
            object->HitTest({10, 10});
            object->GetEncloseRect();
        } catch (const velmo::Exception&) {
        }
    }
    try {
        ObjectClipboardBytes(list);
    } catch (const velmo::Exception&) {
    }
    list.FreeObjects();
    return 0;
}
