#pragma once
// The font of every text block: saved by point size, never by a pixel height that
// depends on the device it was last shown on.
#include "base/UGraphics.h"

namespace velmo {

class TPointBasedFont : public TFont
{
    VELMO_PERSISTENT(TPointBasedFont, TFont)
public:
    TPointBasedFont() = default;
    // The character height for a canvas whose font resolution is dpi:
    // -MulDiv(Size, dpi, 72); on the measuring canvas (254) a 10-point font is -35.
    int HeightFor(int dpi) const;
};

} // namespace velmo
