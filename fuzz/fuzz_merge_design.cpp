// Reads arbitrary bytes as a label design that may hold date, numbering, field and
// merge objects, runs the merge step on it (merge data closed: empty values; label
// numbers from the input's first bytes) and paints it: none of it may crash, hang or
// allocate without bound (nonsense day counts, huge places, 32-bit overflow).
#include "base/UStream.h"
#include "imaging/USafetyBitmap.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "objects/ULDObjects.h"
#include "text/ULOText.h"
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    static const bool initialised = [] {
        RegisterImagingGraphics();
        RegisterMergeClasses();
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
    int32_t label = 0;
    if (size >= sizeof label)
        std::memcpy(&label, data + size - sizeof label, sizeof label);
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::white);
    try {
        TCsvDB::Instance().ApplyMergeRecord(list, label);
        TCsvDB::Instance().ApplyMergeRecord(list, 0);
        QPainter painter(&image);
        painter.scale(0.05, 0.05);
        for (TDrawObject* object : list.Objects()) {
            if (auto* text = dynamic_cast<TLOText*>(object)) {
                const TLogRect r = text->BaseRect();
                if (r.Width() > 20000 || r.Height() > 20000 || text->Text()->Count() > 50)
                    continue;
            }
            object->Paint(painter);
        }
    } catch (const std::exception&) {
    }
    list.FreeObjects();
    return 0;
}
