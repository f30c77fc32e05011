#include "BarCodeTestSupport.h"
#include "draw/UCanvas.h"
#include "support/TestSupport.h"
#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <gtest/gtest.h>

namespace velmo::test {

std::unique_ptr<TLOBarCode> MakeBarCode(int kind, const QString& code, const TLogRect& rect, int angle,
                                        bool digits, bool frame)
{
    auto object = std::make_unique<TLOBarCode>();
    object->SetBarKind(kind);
    object->SetJANCode(code);
    object->SetBaseRect(rect);
    object->SetAngleValue(angle);
    object->SetShowNumber(digits);
    object->SetShowFrame(frame);
    object->Font()->SetName(QStringLiteral("IPAPGothic"));
    object->Font()->SetSize(8);
    object->Font()->SetColor(clBlack);
    return object;
}

QImage RenderBarCode(TLOBarCode& code, int dpi, int margin, QColor background)
{
    const TLogRect b = code.GetEncloseRect();
    const TLogRect area{b.Left - margin, b.Top - margin, b.Right + margin, b.Bottom + margin};
    const double scale = dpi / 254.0;
    QImage image(int((int64_t(area.Width()) * dpi + 253) / 254),
                 int((int64_t(area.Height()) * dpi + 253) / 254), QImage::Format_RGB32);
    image.fill(background);
    SetImageDPI(image, dpi);
    QPainter painter(&image);
    painter.setTransform(QTransform(scale, 0, 0, scale, -area.Left * scale, -area.Top * scale));
    code.DrawTo(painter);
    return image;
}

QByteArray RenderBarCodePdf(TLOBarCode& code, int resolution, int margin)
{
    const TLogRect b = code.GetEncloseRect();
    const TLogRect area{b.Left - margin, b.Top - margin, b.Right + margin, b.Bottom + margin};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(resolution);
        writer.setPageSize(
            QPageSize(QSizeF(area.Width() / 10.0, area.Height() / 10.0), QPageSize::Millimeter));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        // Streams uncompressed, so that the test can read the drawing operators.
        writer.setPdfVersion(QPagedPaintDevice::PdfVersion_1_4);
        QPainter painter(&writer);
        const double scale = resolution / 254.0;
        painter.setTransform(QTransform(scale, 0, 0, scale, -area.Left * scale, -area.Top * scale));
        code.DrawTo(painter);
    }
    return bytes;
}

TDecodes DecodeFiles(const QStringList& files)
{
    TDecodes result;
    const ProcessResult run =
        RunProgram(QStringLiteral("/usr/bin/python3"),
                   QStringList{SourceDir() + QStringLiteral("/tests/barcode/decode.py")} + files, {}, 600000);
    EXPECT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
    const QJsonObject all = QJsonDocument::fromJson(run.StdOut).object();
    for (const QString& file : files) {
        const QJsonObject entry = all.value(file).toObject();
        result.ZBar[file] = entry.value(QStringLiteral("zbar")).toString();
        result.ZXing[file] = entry.value(QStringLiteral("zxing")).toString();
        result.ZBarKind[file] = entry.value(QStringLiteral("zbar_kind")).toString();
        result.ZXingKind[file] = entry.value(QStringLiteral("zxing_kind")).toString();
    }
    return result;
}

} // namespace velmo::test
