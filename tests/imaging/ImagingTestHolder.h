#pragma once
// A component that owns one image data, as image objects do, so that its entries are
// written under "ImageData.".
#include "base/UClasses.h"
#include "imaging/UImageData.h"
#include <memory>

namespace velmo::test {

class TImagingTestHolder : public TComponent
{
    VELMO_PERSISTENT(TImagingTestHolder, TComponent)
public:
    explicit TImagingTestHolder(TComponent* owner = nullptr)
        : TComponent(owner), FImageData(std::make_unique<TImageData>())
    {
    }
    TImageData* ImageData() const { return FImageData.get(); }
    void SetImageData(const TImageData* value)
    {
        if (value)
            FImageData->Assign(*value);
    }

private:
    std::unique_ptr<TImageData> FImageData;
};

inline const TPropertyTable& TImagingTestHolder::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Object("ImageData", &TImagingTestHolder::ImageData, &TImagingTestHolder::SetImageData);
    return table;
}

inline void RegisterImagingTestHolder()
{
    RegisterClass<TImagingTestHolder>();
}

} // namespace velmo::test
