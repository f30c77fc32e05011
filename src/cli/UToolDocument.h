#pragma once
// velmo-tool's work-file commands: make a new document on a paper, describe a
// document, extract a label preview.
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include <QStringList>
#include <memory>

namespace velmo {
class TLabelData;
}

namespace velmo::tool {

// velmo-tool new (--paper NAME | --paper-file FILE PATH) [--landscape] OUT.lbd
int CommandNew(const QStringList& arguments);
// velmo-tool info FILE.lbd
int CommandInfo(const QStringList& arguments);
// velmo-tool preview FILE.lbd SHEET POS OUT.bmp
int CommandPreview(const QStringList& arguments);

// What a new document takes from the catalogue for one paper.
struct TCataloguePaper
{
    std::unique_ptr<TPaperInfo> Paper;
    std::unique_ptr<TExPaperInfo> ExtraInfo;
    std::unique_ptr<TImagePaperInfo> ImageInfo;
};

// The paper of the delivered catalogue named name (case-sensitive), with its extra
// information and background designs; a null Paper (and the message) when there is
// no catalogue or no such paper.
TCataloguePaper FindCataloguePaper(const QString& name, QString* message);

// Selects the sheet a command names by its index or its name; false (and the
// message) when the document has no such sheet.
bool SelectNamedSheet(TLabelData& document, const QString& sheet);

// A paper component stored in a compound file (a plain component stream, as the
// catalogue keeps them, or a component resource, as documents do).
std::unique_ptr<TPaperInfo> ReadPaperComponent(const QString& fileName, const QString& path);

} // namespace velmo::tool
