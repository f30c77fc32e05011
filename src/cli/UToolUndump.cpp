// velmo-tool undump, get-label and put-label: the text form of component streams
// in and out of files and work files.
#include "barcode/ULOBarCode.h"
#include "base/UExceptions.h"
#include "cli/UToolCommands.h"
#include "cli/UToolDump.h"
#include "document/ULabelData.h"
#include "merge/ULOInsertion.h"
#include "objects/FShapeDialogs.h"
#include "objects/UDOGroup.h"
#include "objects/ULDObjects.h"
#include "objects/ULOImage.h"
#include "persist/UComponentText.h"
#include "text/ULOText.h"
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTextStream>
#include <algorithm>

namespace velmo::tool {
namespace {

bool ParseIndex(const QString& text, int* value)
{
    bool ok = false;
    *value = text.toInt(&ok);
    return ok && *value >= 0;
}

// Reads a UTF-8 text file ("-": standard input); false (reported) when it cannot.
bool ReadTextFile(const QString& fileName, QString* text)
{
    QFile file;
    bool opened = false;
    if (fileName == u"-")
        opened = file.open(stdin, QIODevice::ReadOnly);
    else {
        file.setFileName(fileName);
        opened = file.open(QIODevice::ReadOnly);
    }
    if (!opened) {
        ReportError(QStringLiteral("cannot read %1").arg(fileName));
        return false;
    }
    const QByteArray bytes = file.readAll();
    auto decoder = QStringDecoder(QStringDecoder::Utf8);
    *text = decoder(bytes);
    if (decoder.hasError()) {
        ReportError(QStringLiteral("%1: the text is not UTF-8").arg(fileName));
        return false;
    }
    return true;
}

// The document and its sheet selected, with the position checked; null (reported)
// otherwise.
std::unique_ptr<TLabelData> OpenAt(const QString& fileName, int sheet, int position)
{
    std::unique_ptr<TLabelData> data = TLabelData::Open(fileName);
    if (sheet >= data->SheetCount()) {
        ReportError(QStringLiteral("the document has %1 sheets").arg(data->SheetCount()));
        return nullptr;
    }
    data->SelectSheet(sheet);
    if (position >= data->LabelCount()) {
        ReportError(QStringLiteral("sheet %1 has %2 labels").arg(sheet).arg(data->LabelCount()));
        return nullptr;
    }
    return data;
}

} // namespace

void RegisterToolLabelClasses()
{
    RegisterShapeClasses();
    RegisterTextClasses();
    RegisterBarCodeClasses();
    RegisterImageClasses();
    RegisterMergeClasses();
}

int CommandUndump(const QStringList& givenArguments)
{
    QStringList arguments = givenArguments;
    QString name;
    const qsizetype at = arguments.indexOf(QStringLiteral("--name"));
    if (at >= 0) {
        if (at + 1 >= arguments.size()) {
            QTextStream(stderr) << "usage: velmo-tool undump IN.txt OUT.res [--name NAME]\n";
            return kExitUsage;
        }
        name = arguments[at + 1];
        arguments.remove(at, 2);
    }
    if (arguments.size() != 2) {
        QTextStream(stderr) << "usage: velmo-tool undump IN.txt OUT.res [--name NAME]\n";
        return kExitUsage;
    }
    if (name.isEmpty())
        name = QFileInfo(arguments[1]).completeBaseName();
    QString text;
    if (!ReadTextFile(arguments[0], &text))
        return kExitFailure;
    QByteArray bytes;
    try {
        bytes = TextToComponentResource(text, name);
    } catch (const EParserError& e) {
        ReportError(QStringLiteral("%1: %2").arg(arguments[0], e.Message()));
        return kExitFailure;
    }
    if (!WriteOutputFile(arguments[1], bytes))
        return kExitFailure;
    return kExitOk;
}

int CommandGetLabel(const QStringList& arguments)
{
    int sheet = 0, position = 0;
    if (arguments.size() != 3 || !ParseIndex(arguments[1], &sheet) || !ParseIndex(arguments[2], &position)) {
        QTextStream(stderr) << "usage: velmo-tool get-label FILE.lbd SHEET POS\n";
        return kExitUsage;
    }
    QByteArray bytes;
    try {
        std::unique_ptr<TLabelData> data = OpenAt(arguments[0], sheet, position);
        if (!data)
            return kExitFailure;
        bytes = data->LabelResourceBytes(position);
    } catch (const std::exception& e) {
        ReportError(QString::fromUtf8(e.what()));
        return kExitFailure;
    }
    if (bytes.isEmpty()) {
        ReportError(QStringLiteral("label %1 of sheet %2 has no design").arg(position).arg(sheet));
        return kExitFailure;
    }
    return DumpBytes(bytes, true);
}

int CommandPutLabel(const QStringList& arguments)
{
    int sheet = 0, position = 0;
    if (arguments.size() != 4 || !ParseIndex(arguments[1], &sheet) || !ParseIndex(arguments[2], &position)) {
        QTextStream(stderr) << "usage: velmo-tool put-label FILE.lbd SHEET POS DESIGN.txt\n";
        return kExitUsage;
    }
    QString text;
    if (!ReadTextFile(arguments[3], &text))
        return kExitFailure;
    QByteArray bytes;
    try {
        bytes = TextToComponentResource(text, QStringLiteral("LabelData"));
    } catch (const EParserError& e) {
        ReportError(QStringLiteral("%1: %2").arg(arguments[3], e.Message()));
        return kExitFailure;
    }
    RegisterToolLabelClasses();
    TDOList objects;
    try {
        std::unique_ptr<TLabelData> data = OpenAt(arguments[0], sheet, position);
        if (!data)
            return kExitFailure;
        // Read as the document reads designs: a design it could not read back is
        // refused here, before the file changes.
        TMemoryStream stream(bytes);
        ReadLabelData(stream, objects);
        // The stream holds the bottom-most object first; the document takes the
        // topmost first.
        TDOList topmostFirst;
        for (int i = objects.Count() - 1; i >= 0; --i)
            topmostFirst.Add(objects[i]);
        data->WriteLabel(position, topmostFirst);
        topmostFirst.Clear();
        data->CompressLabel(position);
        data->MakePreview(position);
        data->Save(arguments[0]);
    } catch (const std::exception& e) {
        objects.FreeObjects();
        ReportError(QString::fromUtf8(e.what()));
        return kExitFailure;
    }
    objects.FreeObjects();
    return kExitOk;
}

} // namespace velmo::tool
