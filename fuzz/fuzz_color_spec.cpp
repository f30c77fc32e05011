// Reads arbitrary bytes as a component stream holding a colour setting (an
// owner with one written in place) and paints what was read: neither may crash, hang
// or allocate without bound.
#include "imaging/UColorSpec.h"
#include "imaging/USafetyBitmap.h"
#include "persist/UComponentStream.h"
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>

namespace {

using namespace velmo;

class TFuzzOwner : public TComponent
{
    VELMO_PERSISTENT(TFuzzOwner, TComponent)
public:
    explicit TFuzzOwner(TComponent* owner = nullptr) : TComponent(owner) {}
    TColorSpec* FillColor() const { return FFill.get(); }

private:
    std::unique_ptr<TColorSpec> FFill = std::make_unique<TColorSpec>();
};

} // namespace

const velmo::TPropertyTable& TFuzzOwner::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties()).Object("FillColor", &TFuzzOwner::FillColor);
    return table;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool initialised = [] {
        RegisterImagingGraphics();
        RegisterClass<TFuzzOwner>();
        return true;
    }();
    (void)initialised;
    TFuzzOwner owner;
    try {
        TReadOnlyMemoryStream stream(data, int64_t(size));
        ReadComponentInto(stream, owner);
    } catch (const velmo::Exception&) {
        return 0;
    }
    QImage target(64, 48, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    painter.scale(0.5, 0.5);
    owner.FillColor()->Fill(painter, QRect(0, 0, 128, 96));
    return 0;
}
