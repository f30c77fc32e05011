#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool dump: shows a component resource as indented text. arguments holds
// what follows "dump": "-" (standard input) or FILE PATH, optionally "--plain" for
// the text form that undump reads back.
int CommandDump(const QStringList& arguments);

// Prints the dump of a component resource or stream held in bytes; the core of both
// forms of the command. Returns the exit code.
int DumpBytes(const QByteArray& bytes, bool plain = false);

// velmo-tool undump IN.txt OUT.res [--name NAME]: the text form back into a
// component resource named NAME (OUT's base name when not given); IN may be "-".
int CommandUndump(const QStringList& arguments);
// velmo-tool get-label FILE.lbd SHEET POS: the label's design in the text form.
int CommandGetLabel(const QStringList& arguments);
// velmo-tool put-label FILE.lbd SHEET POS DESIGN.txt: replaces the label's design
// (stored compressed, preview made again) and saves the document.
int CommandPutLabel(const QStringList& arguments);
// velmo-tool colour SPEC.txt W H OUT.png [--picture FILE] [--zoom PERCENT] [--print]:
// paints a colour setting in the text form over W x H logical units (--print:
// gradations resampled as on a printer).
int CommandColour(const QStringList& arguments);
// Label-object classes the tool can read designs of.
void RegisterToolLabelClasses();

} // namespace velmo::tool
