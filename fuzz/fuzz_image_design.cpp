// Reads arbitrary bytes as a label design ("LabelData" resource) that may hold image
// and background objects under every class name documents use, and paints what was
// read, turned and blended: neither may crash, hang or allocate without bound.
#include "base/UStream.h"
#include "imaging/USafetyBitmap.h"
#include "objects/ULDObjects.h"
#include "objects/ULOImage.h"
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    static const bool initialised = [] {
        RegisterImagingGraphics();
        RegisterImageClasses();
        return true;
    }();
    (void)initialised;
    TDOList list;
    try {
        TReadOnlyMemoryStream stream(data, int64_t(size));
        ReadLabelData(stream, list);
    } catch (const std::exception&) {
        return 0;
    }
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.scale(0.05, 0.05); // logical units onto a small picture
        for (TDrawObject* object : list.Objects()) {
            auto* rect = dynamic_cast<TLORectBase*>(object);
            if (!rect)
                continue;
            const TLogRect r = rect->BaseRect();
            (void)rect->GetEncloseRect();
            // Sizes beyond what a label holds are not drawn (a site clips to its own
            // extent).
            if (r.Width() > 20000 || r.Height() > 20000 || r.Left < -20000 || r.Top < -20000 ||
                r.Left > 20000 || r.Top > 20000)
                continue;
            try {
                object->PaintBlended(painter);
                (void)object->HitTest(QPoint(r.Left + 1, r.Top + 1));
            } catch (const std::exception&) {
            }
        }
    }
    list.FreeObjects();
    return 0;
}
