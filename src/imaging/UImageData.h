#pragma once
// Image data: a picture as loaded, with its trimming rectangle, three picture effects
// and a transparent key colour, and the display picture made from them on demand.
// TPictureEx is the picture class every picture of the program uses.
#include "base/UGraphics.h"
#include "draw/UNotify.h"
#include "imaging/UImageFilter.h"
#include <QString>
#include <memory>

namespace velmo {

class TSafetyBitmap;
class TSafetyJPEGImage;
class TStream;

// Sent by an image data besides nkChanged.
inline constexpr TGUID nkClipReset{
    0x386FA8F1, 0x5C4E, 0x11D3, {0xAD, 0x57, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A}};
inline constexpr TGUID nkPictureChanged{
    0x3C2CDFD1, 0x5C80, 0x11D3, {0xAD, 0x58, 0x00, 0x50, 0x04, 0x63, 0x09, 0x8A}};

// The size of a graphic in pixels: a JPEG image's from its header (no decoding),
// other graphics from their pixels; 0 × 0 for none.
QSize GraphicSize(const TGraphic* graphic);
// A safe bitmap, a PNG picture or a JPEG image: the graphics a key colour applies to.
bool GraphicSupportsTransparency(const TGraphic* graphic);
bool IsJPEGGraphic(const TGraphic* graphic);

class TPictureEx : public TPicture
{
    VELMO_PERSISTENT(TPictureEx, TPicture)
public:
    TPictureEx();
    ~TPictureEx() override;

    // Where the picture came from; copied and stored with it, read by nobody here.
    const QString& ImageID() const { return FImageID; }
    void SetImageID(const QString& value) { FImageID = value; }
    const QString& StorageID() const { return FStorageID; }
    void SetStorageID(const QString& value) { FStorageID = value; }

    // nkChanged after every change that is not nested inside another.
    TChangeNotify& Notify() const { return *FNotify; }

    // Set by the resource loader: the picture comes back from its resource, so its
    // data is not written into streams.
    bool DataNotStored() const { return FDataNotStored; }
    void SetDataNotStored(bool value) { FDataNotStored = value; }

    // A picture's identifiers first; then into the same graphic when both hold one of
    // the same class (not for JPEG images, whose decoded picture would go stale);
    // otherwise a copy of the source's graphic.
    void Assign(const TPersistent& source) override;
    // Loads the first bitmap or metafile the system clipboard offers; false when it
    // holds none.
    bool AssignFromClipboard();

    // Replace a graphic of another family by a new empty one without reporting a
    // change; the graphic's own changes are reported afterwards.
    TSafetyJPEGImage* EnsureJPEG();
    TSafetyBitmap* EnsureBitmap();

    // The bytes of a stored Data entry (class name, then the graphic's data), also
    // while DataNotStored is set.
    void ReadPictureData(TStream& stream);

    int Width() const { return GraphicSize(Graphic()).width(); }
    int Height() const { return GraphicSize(Graphic()).height(); }

protected:
    void Changed() override;

private:
    bool StoresData() const { return !FDataNotStored && HasGraphic(); }
    void WriteStoredData(TStream& stream) const { WriteData(stream); }
    void ReadStoredData(TStream& stream) { ReadData(stream); }
    void WatchGraphic();

    QString FImageID;
    QString FStorageID;
    std::unique_ptr<TChangeNotify> FNotify;
    int FChanging = 0;
    bool FDataNotStored = false;
};

class TImageData : public TPersistent
{
    VELMO_PERSISTENT(TImageData, TPersistent)
public:
    TImageData();
    ~TImageData() override;

    TPictureEx* Picture() const { return FPicture.get(); }
    void SetPicture(const TPicture* value); // assigns (nullptr clears)
    TClipFilter* ClipFilter() const { return FClipFilter.get(); }
    void SetClipFilter(const TClipFilter* value);
    TBlurFilter* BlurFilter() const { return FBlurFilter.get(); }
    void SetBlurFilter(const TBlurFilter* value);
    TLightFilter* LightFilter() const { return FLightFilter.get(); }
    void SetLightFilter(const TLightFilter* value);
    TMonotoneFilter* MonotoneFilter() const { return FMonotoneFilter.get(); }
    void SetMonotoneFilter(const TMonotoneFilter* value);
    TColor TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor value);

    // nkChanged once per change (or bracket of changes), nkClipReset and
    // nkPictureChanged; OnChange of the notifier runs after nkChanged.
    TChangeNotify& Notify() const { return *FNotify; }

    // Another image data only: its inputs and its display picture, in one change.
    void Assign(const TPersistent& source) override;

    bool SupportsTransparency() const;
    bool HasTransparency() const;
    bool IsEmpty() const;
    void Clear();

    // The picture trimmed, with the effects and the key colour's mask; rendered when
    // the picture is not empty and no display picture is held. Owned by the image data.
    TPictureEx* DisplayPicture();
    bool HasDisplayPicture() const { return FDisplay->HasGraphic(); }
    // How often a display picture was rendered (a copy from Assign is not counted).
    int RenderCount() const { return FRenderCount; }

    // The largest rectangle of proportions w : h centred in the picture; the whole
    // picture when w is 0 or the picture is empty.
    void FitClipToSize(int width, int height);

    // Loads a picture file of any registered format. A picture whose pixels carry
    // alpha arrives as a bitmap with a key colour it does not contain, set as
    // TransparentColor; other files leave TransparentColor as it was.
    void LoadFromFile(const QString& fileName);

private:
    void Render();
    void InputChanged(TComponent* sender, const TGUID& kind, int source);
    void DiscardDisplay();

    std::unique_ptr<TChangeNotify> FNotify;
    std::unique_ptr<TPictureEx> FPicture;
    std::unique_ptr<TPictureEx> FDisplay;
    std::unique_ptr<TClipFilter> FClipFilter;
    std::unique_ptr<TBlurFilter> FBlurFilter;
    std::unique_ptr<TLightFilter> FLightFilter;
    std::unique_ptr<TMonotoneFilter> FMonotoneFilter;
    TColor FTransparentColor = clNone;
    int FLastWidth = 0;
    int FLastHeight = 0;
    int FRenderCount = 0;
    // One listener per input, so each knows which input spoke.
    std::unique_ptr<TListener> FPictureListener;
    std::unique_ptr<TListener> FClipListener;
    std::unique_ptr<TListener> FEffectListener;
};

} // namespace velmo
