#pragma once
// A work file's label designs as a paper's background designs: what "用紙柄追加" in the
// paper editors and velmo-tool paper-designs make of a document.
#include <QString>
#include <memory>

namespace velmo {

class TImagePaperInfo;
class TLabelData;

// One design list per label of the document's current sheet (at most the face
// limit), each object made a background object; raises when a label cannot be read.
std::unique_ptr<TImagePaperInfo> DesignsFromDocument(TLabelData& document, const QString& paperName);
// The same from a work file; raises when it cannot be opened or read.
std::unique_ptr<TImagePaperInfo> DesignsFromFile(const QString& fileName, const QString& paperName);

} // namespace velmo
