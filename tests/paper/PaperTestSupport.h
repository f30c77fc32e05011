#pragma once
// Sample papers (hand-written stream bytes come from support/StreamBytes.h).
#include "paper/UPaperInfo.h"
#include "support/StreamBytes.h"
#include <QByteArray>
#include <QString>

namespace velmo::test {

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
