#pragma once
// Our PDF writer: a paint device whose engine writes what the canvas draws straight
// into a PDF file, page by page. The toolkit's own PDF writer spends most of a long
// merge run on state it writes again for every drawing call (clip outlines, colour
// spaces, save/restore pairs) and compresses that; this one writes a change of
// state only when it is one, keeps clips as nested groups that are left only when
// the clip really changes, stores each picture once, and keeps glyphs as text in
// fonts made of the very outlines the text engine fills elsewhere (so any face,
// also one the system's font list does not know, stays text: searchable and
// copyable). Brushes it has no PDF form for are filled through a bitmap.
//
// Every write is checked: after a failure the device stops writing and Failed()
// says so; the caller decides what becomes of the file.
#include <QPaintDevice>
#include <QSizeF>
#include <QString>
#include <memory>

class QIODevice;

namespace velmo {

class TPdfEngine;

class TPdfPaintDevice : public QPaintDevice
{
public:
    // pageSize in points (1/72 in); the device's pixels are 1/dpi in.
    TPdfPaintDevice(QIODevice& out, QSizeF pageSize, int dpi);
    ~TPdfPaintDevice() override;
    TPdfPaintDevice(const TPdfPaintDevice&) = delete;
    TPdfPaintDevice& operator=(const TPdfPaintDevice&) = delete;

    void SetTitle(const QString& title);
    void SetCreator(const QString& creator);
    // Ends the page being drawn and starts the next (while a painter is active).
    bool NewPage();
    bool Failed() const;
    int PageCount() const;

    QPaintEngine* paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    std::unique_ptr<TPdfEngine> FEngine;
    QSizeF FPageSize;
    int FDpi;
};

} // namespace velmo
