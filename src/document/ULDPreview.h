#pragma once
// Label previews: a label's objects rendered through a draw site, averaged down to
// at most 200 x 200 pixels and kept as a 24-bit BMP file image.
#include "draw/UDrawObject.h"
#include <QByteArray>
#include <QImage>
#include <QSize>

namespace velmo {

constexpr int kPreviewMaxSize = 200;

// The largest size within maxSide x maxSide with the proportions of width x height
// (each side at least 1); an empty size when either is not positive.
QSize PreviewSizeFor(int width, int height, int maxSide = kPreviewMaxSize);

// Each target pixel is the average of the source pixels that fall into it. The
// result is RGB888.
QImage ResampleAverage(const QImage& source, QSize target);

// A complete BMP file (BITMAPFILEHEADER, BITMAPINFOHEADER, bottom-up rows of BGR
// triples padded to four bytes) of the image at 24 bits per pixel.
QByteArray EncodeBmp24(const QImage& image);

// Renders the objects on an invisible draw site of the label's size (logical units,
// 254 per inch, white ground) at scale 100. The site takes the objects over and
// destroys them; the list is cleared. Needs a QApplication (the site is a widget).
// The rendering resolution is chosen so that the longer side has about twice the
// preview's pixels, which the averaging then turns into smooth edges.
QImage RenderLabel(TDOList& objects, int logWidth, int logHeight);

// Renders and resamples: the preview picture of a label.
QImage MakePreviewImage(TDOList& objects, int logWidth, int logHeight);

// Whether pictures can be rendered in this process (a QApplication exists).
bool CanRenderPreviews();

} // namespace velmo
