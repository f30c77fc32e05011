// The picture-file readers on untrusted bytes: every registered extension, the web
// formats through the toolkit's readers into bitmaps with a key colour, then an image
// data's display picture with that key.
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include <QGuiApplication>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "fuzz_picture_file";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv); // the image plugins need an application
        velmo::RegisterImagingGraphics();
        velmo::RegisterPictureFormats();
        return true;
    }();
    (void)ready;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // The first byte picks the format, so every reader sees every input shape.
    static const char* extensions[] = {"bmp", "cbm", "jpg", "png", "gif", "tif", "webp", "ico"};
    const char* extension = extensions[size ? data[0] % 8 : 0];
    try {
        velmo::TLoadedPicture loaded = velmo::LoadPictureBytes(bytes.mid(1), QString::fromLatin1(extension));
        velmo::TImageData imageData;
        imageData.Picture()->SetGraphic(std::move(loaded.Graphic));
        imageData.SetTransparentColor(loaded.KeyColor);
        imageData.FitClipToSize(4, 3);
        (void)imageData.DisplayPicture();
    } catch (const velmo::Exception&) {
    }
    return 0;
}
