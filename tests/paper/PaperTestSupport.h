#pragma once
// Builders for hand-written component streams and sample papers.
#include "paper/UPaperInfo.h"
#include <QByteArray>
#include <QString>

namespace velmo::test {

// Writes component-stream values byte by byte, independently of the writer under test.
class StreamBytes
{
public:
    StreamBytes& Raw(const QByteArray& bytes)
    {
        FBytes += bytes;
        return *this;
    }
    StreamBytes& Byte(int value)
    {
        FBytes += char(value);
        return *this;
    }
    StreamBytes& Str(const QByteArray& text)
    {
        FBytes += char(text.size());
        FBytes += text;
        return *this;
    }
    // vaInt8 / vaInt16 / vaInt32, the smallest that holds the value.
    StreamBytes& Int(int64_t value)
    {
        if (value >= -128 && value <= 127) {
            Byte(2).Byte(int(value & 0xFF));
        } else if (value >= -32768 && value <= 32767) {
            Byte(3).Byte(int(value & 0xFF)).Byte(int((value >> 8) & 0xFF));
        } else {
            Byte(4);
            for (int i = 0; i < 4; ++i)
                Byte(int((value >> (8 * i)) & 0xFF));
        }
        return *this;
    }
    StreamBytes& Prop(const QByteArray& name) { return Str(name); }
    StreamBytes& Ident(const QByteArray& ident) { return Byte(7).Str(ident); }
    StreamBytes& String(const QByteArray& text) { return Byte(6).Str(text); }
    StreamBytes& Bool(bool value) { return Byte(value ? 9 : 8); }
    StreamBytes& End() { return Byte(0); }
    StreamBytes& Header(const QByteArray& className)
    {
        FBytes += "TPF0";
        return Str(className).Str("");
    }
    const QByteArray& Data() const { return FBytes; }

private:
    QByteArray FBytes;
};

inline void EnsurePaperClasses()
{
    RegisterPaperClasses();
}

// A4 (2100 x 2970) with a grid of faces.
inline std::unique_ptr<TMatrixPaperInfo> MakeMatrix(int countX, int countY, int faceWidth, int faceHeight,
                                                    int left, int top, int gapX, int gapY)
{
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetPortraitWidth(2100);
    paper->SetPortraitHeight(2970);
    paper->SetFaceCountX(countX);
    paper->SetFaceCountY(countY);
    paper->SetFaceWidth(faceWidth);
    paper->SetFaceHeight(faceHeight);
    paper->SetLeftOffset(left);
    paper->SetTopOffset(top);
    paper->SetRightMargin(gapX);
    paper->SetBottomMargin(gapY);
    return paper;
}

} // namespace velmo::test
