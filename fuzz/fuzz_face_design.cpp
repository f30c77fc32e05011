// Reads arbitrary bytes as one label's background design as the catalogue stores it
// (a draw-object list with the shapes and pictures registered) and draws it as the
// paper previews do, upright and turned, on a small label and on one far larger than
// any sheet: none of it may crash, hang or allocate without bound.
#include "base/UStream.h"
#include "imaging/USafetyBitmap.h"
#include "objects/FShapeDialogs.h"
#include "objects/UFaceDesign.h"
#include "objects/ULOImage.h"
#include "paper/UPaperRecords.h"
#include <QApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    static const bool initialised = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "fuzz_face_design";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv); // designs are drawn through a draw site, a widget
        RegisterImagingGraphics();
        RegisterShapeClasses();
        RegisterImageClasses();
        return true;
    }();
    (void)initialised;
    auto designs = std::make_unique<TImagePaperInfo>();
    try {
        TReadOnlyMemoryStream stream(data, int64_t(size));
        designs->LoadFace(stream);
    } catch (const std::exception&) {
        return 0;
    }
    TFaceDesigns faces;
    faces.TakeDesigns(std::move(designs));
    (void)faces.Picture(0, QSize(900, 500), false, 24);
    (void)faces.Picture(0, QSize(500, 900), true, 24);
    (void)faces.Picture(0, QSize(100000, 3), false, 600);
    return 0;
}
