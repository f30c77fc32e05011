// Reads arbitrary bytes as a distortion pattern's stored form and maps points and a
// small outline through it: neither may crash, hang or allocate without bound.
#include "base/UStream.h"
#include "text/UCoonsDistortion.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    TCoonsDistortion pattern;
    try {
        TReadOnlyMemoryStream stream(data, int64_t(size));
        pattern.ReadData(stream);
    } catch (const EReadError&) {
        return 0;
    }
    pattern.SetSourceRect({0, 0, 1000, 300});
    pattern.SetTargetRect({-50, 20, 2000, 900});
    for (int x = -200; x <= 1200; x += 100)
        for (int y = -100; y <= 400; y += 50) {
            QPoint p(x, y);
            pattern.TransformPoint(p);
        }
    pattern.ApplyRatio(int(size % 101));
    TStroke stroke;
    stroke.SetRectPath({0, 0, 1000, 300});
    stroke.SubdivideLines();
    pattern.TransformStroke(stroke);
    (void)pattern.DataBytes();
    return 0;
}
