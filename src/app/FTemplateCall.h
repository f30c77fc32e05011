#pragma once
// "ラベルテンプレートの呼び出し(&T)...": a label position's design replaced by a template
// the user chooses, worked on the document and an object list, without a window.
class QWidget;

namespace velmo {

class TLabelData;

// Asks first when the label has objects of its own, then shows the template dialog
// for the position's face, scales the chosen template from its label's rectangle to
// the position's, fills its product and creator fields from the document, fits its
// backgrounds to the face and writes it as the position's design. True when a
// template replaced the design; the document's modified mark is the caller's.
bool CallLabelTemplate(TLabelData& document, int position, QWidget* parent);

} // namespace velmo
