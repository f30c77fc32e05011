#pragma once
#include <QImage>
#include <QString>
#include <QStringList>
#include <functional>

namespace velmo {
class TDOList;
class TLabelData;
} // namespace velmo

namespace velmo::tool {

// Label k of the document's current sheet drawn as it prints (white ground, clipped to
// the label's shape) at dpi dots per inch; a null picture with the reason when the
// label is too large to draw. fill, when given, fills the design's objects (merge
// record, numbering) before they are drawn.
QImage RenderLabelPicture(TLabelData& document, int k, int dpi, QString* problem,
                          const std::function<void(TDOList& objects)>& fill = {});

// velmo-tool render FILE.lbd SHEET POS OUT.png [--dpi N] [--merge FILE.csv [--header]
// [--record N]]: one label's design drawn as it prints (objects marked not to print
// left out, clipped to the label's shape), white ground, at N dots per inch (default
// 254). With --merge the merge objects show the label's own record, or record N
// (from 1, as the insertion controller counts) and the numbering its label number.
// A design that cannot be read is an error, not an empty picture.
int CommandRender(const QStringList& arguments);

// velmo-tool patterns [--file FILE.cdd] [--sheet OUT.png]: the delivered text
// distortion patterns (index, identifier, name), or all of them applied to a sample
// text as one picture.
int CommandPatterns(const QStringList& arguments);

// The delivered pattern file (velmo.cdd beside the build's or installation's data),
// or an empty string.
QString DeliveredPatternFile();

} // namespace velmo::tool
