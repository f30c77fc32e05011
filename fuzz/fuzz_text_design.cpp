// Reads arbitrary bytes as a label design ("LabelData" resource) that may hold text
// objects under every class name documents use, and paints what was read: neither
// may crash, hang or allocate without bound.
#include "base/UStream.h"
#include "imaging/USafetyBitmap.h"
#include "objects/ULDObjects.h"
#include "text/ULOText.h"
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    static const bool initialised = [] {
        RegisterImagingGraphics();
        RegisterTextClasses();
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
            auto* text = dynamic_cast<TLOText*>(object);
            if (!text)
                continue;
            // Sizes beyond what a label holds are not drawn (as on a site, which
            // clips to its own extent); the layout is still exercised.
            const TLogRect r = text->BaseRect();
            (void)text->GetEncloseRect();
            if (r.Width() > 20000 || r.Height() > 20000 || text->Text()->Count() > 50)
                continue;
            try {
                text->Paint(painter);
                (void)text->HitTest(QPoint(r.Left + 1, r.Top + 1));
            } catch (const std::exception&) {
            }
        }
    }
    list.FreeObjects();
    return 0;
}
