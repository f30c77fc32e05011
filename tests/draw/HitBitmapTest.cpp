#include "draw/UDrawObject.h"
#include <QPainter>
#include <gtest/gtest.h>

using namespace velmo;

TEST(HitBitmap, FollowsWhatTheShapePaints)
{
    const auto outlineHit = [](QPoint point, int extra) {
        THitBitmap hit(nullptr, point, extra);
        hit.Painter().drawRect(QRect(100, 100, 200, 100));
        return hit.Hit();
    };
    // Without a site the pen is 3 units wide, centred on the outline.
    EXPECT_TRUE(outlineHit({100, 150}, 0));
    EXPECT_TRUE(outlineHit({101, 150}, 0));
    EXPECT_FALSE(outlineHit({104, 150}, 0));
    EXPECT_FALSE(outlineHit({200, 150}, 0)); // inside, but only the outline is drawn
    EXPECT_TRUE(outlineHit({104, 150}, 6));  // a wider pen reaches it
    EXPECT_FALSE(outlineHit({50, 50}, 0));

    THitBitmap filled(nullptr, {200, 150}, 0);
    filled.Painter().setBrush(Qt::black);
    filled.Painter().drawEllipse(QRect(100, 100, 200, 100));
    EXPECT_TRUE(filled.Hit());
    THitBitmap corner(nullptr, {105, 105}, 0);
    corner.Painter().setBrush(Qt::black);
    corner.Painter().drawEllipse(QRect(100, 100, 200, 100));
    EXPECT_FALSE(corner.Hit()); // outside the ellipse though inside its box
}
