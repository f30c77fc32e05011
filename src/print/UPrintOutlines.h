#pragma once
// A test print of a paper's label outlines: one page the size of the sheet with every
// label's outline (solid) and cut line (dotted), so that the user can lay the print on
// a real sheet and see whether the geometry entered matches it.
#include <QString>

namespace velmo {

class TPaperInfo;
class TPrintDevice;

// Prints the outlines on the device (one page, upright); raises EPrintError when the
// device cannot take the paper or the output fails, leaving nothing behind.
void PrintPaperOutlines(TPrintDevice& device, const TPaperInfo& paper);

// The same into a PDF file (written beside and renamed into place).
void PrintPaperOutlinesToPdf(const QString& fileName, const TPaperInfo& paper);

} // namespace velmo
