#pragma once
// The template call's last steps before the design is written: a called template's
// texts bound to product or creator information take the document's records.
#include <QString>

namespace velmo {

class TDOList;
class TLabelData;

// Every text object of the list with a field number other than 0 takes the lines of
// item (field number - 1) of the document's product record, Japanese creator record
// or English creator record, as its field type says. A text whose item does not exist
// or holds no text keeps the template's own text, so that a template called into a
// document without that information still shows what goes there.
void FillTemplateFields(const TDOList& objects, const TLabelData& document);

// The delivered collection's index "Data\Template\Template.dat" by the data-file
// search (never asking for the disc), else the one a build tree holds beside the
// program (build/data); empty when neither exists.
QString TemplateIndexFile();

} // namespace velmo
