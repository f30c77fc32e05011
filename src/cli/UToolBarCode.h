#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool barcode KIND DATA OUT.png [options]: draws one symbol through the
// barcode object's own drawing (as a label shows and prints it) and writes it as a
// PNG, and with --pdf also through a PDF writer.
int CommandBarCode(const QStringList& arguments);

} // namespace velmo::tool
