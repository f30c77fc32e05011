#pragma once
// The text form of component streams: what people and tests write designs in.
//
//   object Label1: TLORect
//     Left = 10
//     Font.Name = 'ＭＳ Ｐゴシック'
//     Font.Style = [fsBold]
//     Lines.Strings = (
//       'first'
//       'second'#13)
//     Items = <
//       item
//         Value = 3
//       end>
//     Picture.Data = {
//       0754426974...}
//     object Child: TLOText
//     end
//   end
//
// Both directions are purely syntactic: no class has to be registered. Turning text
// into bytes makes the encoding choices of the stream writer (the smallest integer
// tag, a short or long string, code page 932 or the wide form for text code page
// 932 cannot hold, 80-bit floats), so text written by hand becomes the bytes any
// reader of the format expects, and the text of any stream this program writes
// turns back into exactly the same bytes.
//
// Floats carry a suffix when they are not the plain 80-bit kind: 1.5s (32-bit),
// 2.5c (currency), 45000.25d (date). Strings join 'quoted' parts and #nnn character
// codes (UTF-16 code units, #$hex accepted), also across '+'.
#include "base/UExceptions.h"
#include <QByteArray>
#include <QString>

namespace velmo {

// A text form that cannot be read; the message names line and column (both from 1).
class EParserError : public Exception
{
public:
    EParserError(const QString& message, int line, int column);
    const char* ClassName() const noexcept override { return "EParserError"; }
    int Line() const { return FLine; }
    int Column() const { return FColumn; }

private:
    int FLine;
    int FColumn;
};

// The text form of a component resource (0xFF …) or a bare stream ("TPF0" …).
// Damaged bytes raise EReadError.
QString ComponentToText(const QByteArray& bytes);
// A string as the text form writes it: 'quoted', with #nnn for control characters
// and UTF-16 halves that do not pair (the annotated dump shows strings the same way).
QString QuoteText(const QString& text);

// "TPF0" and the record the text describes; EParserError for bad text.
QByteArray TextToComponent(const QString& text);
// The same behind a resource header named resourceName.
QByteArray TextToComponentResource(const QString& text, const QString& resourceName);

} // namespace velmo
