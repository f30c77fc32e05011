#pragma once
// The registry of picture file formats: which graphic class a file extension opens,
// the file filter of the open dialogs built from it, and loading a picture file.
// Formats the classic readers do not know (PNG, GIF, TIFF, WebP, icons) are read
// through the toolkit's image readers and kept as bitmaps, so documents that hold
// them stay readable everywhere.
#include "base/UGraphics.h"
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <typeinfo>
#include <vector>

namespace velmo {

// "未知の画像ファイル拡張子です (.%s)"
QString UnknownExtensionMessage(const QString& extension);

// A picture read from a file. KeyColor is the colour that stands for transparency
// (clNone when the file had none); it never occurs among the opaque pixels.
struct TLoadedPicture
{
    std::unique_ptr<TGraphic> Graphic;
    TColor KeyColor = clNone;
};

using TPictureFileReader = std::function<TLoadedPicture(const QByteArray& bytes)>;

struct TPictureFileFormat
{
    QString Extension; // lower case, without the dot
    QString Description;
    TGraphicFactory Create;
    // Reads a file of the format; empty: a new graphic of the class reads the bytes.
    TPictureFileReader Read;
};

// Registers a format; the latest registration of an extension wins.
void RegisterPictureFileFormat(TPictureFileFormat format);
template <class T> void RegisterPictureFileFormat(const QString& extension, const QString& description)
{
    RegisterPictureFileFormat({extension, description, [] { return std::make_unique<T>(); }, {}});
}
// Withdraws every format whose class is T or derives from it.
void UnRegisterPictureFileClass(const std::function<bool(const TGraphic&)>& isKindOf);
template <class T> void UnRegisterPictureFileClass()
{
    UnRegisterPictureFileClass([](const TGraphic& g) { return dynamic_cast<const T*>(&g) != nullptr; });
}
// The format of an extension (with or without the dot, any case), searching from the
// latest registration back; nullptr when none.
const TPictureFileFormat* FindPictureFileFormat(const QString& extension);
// Every registered format, latest first, one per extension.
std::vector<TPictureFileFormat> PictureFileFormats();
// The open dialog's filter: all pictures first, then each description with its
// extensions, in the toolkit's "Text (*.a *.b);;…" form.
QString GraphicFileFilter();

// What start-up registers: bmp and cbm as the application bitmap, jpg and jpeg as
// the safe JPEG image, and png, gif, tif, tiff, webp and ico through the toolkit's
// readers (those whose reader is installed). Registers once, however often called.
void RegisterPictureFormats();

// Reads a picture file by its extension. Every format passes the bitmap size cap; a
// file that does not decode raises EInvalidGraphic, an unknown extension
// EInvalidGraphic with UnknownExtensionMessage, a missing file EFileError.
TLoadedPicture LoadPictureFile(const QString& fileName);
TLoadedPicture LoadPictureBytes(const QByteArray& bytes, const QString& extension);

// A picture of any toolkit-readable format as a bitmap: pixels with alpha are laid
// over white where they are partly covered, and the uncovered ones (alpha below
// half) take a key colour that no other pixel of the picture has.
TLoadedPicture ReadToolkitPicture(const QByteArray& bytes, const char* format);

// A colour (0x00BBGGRR) that no pixel of the picture holds (pixels with alpha below
// half do not count), preferring
// magenta-like colours that photos rarely have; clNone when every colour is used.
TColor UnusedColor(const QImage& image);

} // namespace velmo
