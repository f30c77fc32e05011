#pragma once
// Templates: which labels of which work and template files fit a label position,
// and the index of the delivered template collection ("Template.dat").
#include "draw/UStroke.h"
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace velmo {

class TFaceInfo;

struct TTemplateInfo
{
    QString File;
    int Sheet = 0;
    int Label = 0;
    bool Blank = false;
    bool operator==(const TTemplateInfo&) const = default;
};

// What a label position asks of a template: its purpose ("*": any) and its
// rectangle (empty: any shape).
struct TTemplateFace
{
    QString Purpose = QStringLiteral("*");
    TLogRect Rect;
    static TTemplateFace From(const TFaceInfo& face);
};

enum class TAspectClass
{
    acSquare,
    acWide,
    acTall
};
// Square when 0.9 < w / h < 1.1, otherwise wide when w > h, otherwise tall.
TAspectClass AspectClassOf(int width, int height);

class TTemplateList
{
public:
    void Clear() { FItems.clear(); }
    void Append(const TTemplateInfo& info) { FItems.push_back(info); }
    int Count() const { return int(FItems.size()); }
    const TTemplateInfo& Item(int index) const { return FItems.at(size_t(index)); }
    const std::vector<TTemplateInfo>& Items() const { return FItems; }

    // The labels of one document that fit the face (none: every label); with
    // firstOnly at most one per sheet. A file without a fitting label adds one blank
    // entry when any purpose is wanted. A file that cannot be read adds nothing and
    // raises.
    void AddFile(const QString& fileName, const std::optional<TTemplateFace>& face, bool firstOnly);
    // Clears, then adds every ".lbd" and ".lbt" file of the folder (not its
    // sub-folders); unreadable files are skipped silently.
    void FillFromFolder(const QString& folder, const std::optional<TTemplateFace>& face, bool firstOnly);

private:
    std::vector<TTemplateInfo> FItems;
};

// "Template.dat": one section per purpose with "Name" (group names) and "Dir"
// (their folders, relative to the file's folder).
class TTemplateGroup
{
public:
    TTemplateGroup() = default;
    // Reads the index file; a missing or unreadable file leaves the group
    // unavailable.
    explicit TTemplateGroup(const QString& fileName);

    bool Available() const { return FAvailable; }
    const QString& FileName() const { return FFileName; }
    const QString& Purpose() const { return FPurpose; }
    void SetPurpose(const QString& purpose) { FPurpose = purpose; }
    // The names of the purpose's section (empty without a purpose).
    QStringList GroupNames() const;
    // Folder i of the purpose's section joined to the index file's folder; empty when
    // the file was not found or there is no such element.
    QString GroupFolder(int index) const;
    // Every purpose with a section, in file order, as the file writes it.
    QStringList Purposes() const;

private:
    QStringList Values(const QString& key) const;

    bool FAvailable = false;
    QString FFileName;
    QString FPurpose;
    // section (as written) -> key (upper case) -> value
    std::vector<std::pair<QString, std::vector<std::pair<QString, QString>>>> FSections;
};

class TDrawObject;
// Maps an object of a label of rectangle from onto a label of rectangle to (both
// taken at the origin): position and size scale by the ratios of the widths and
// heights; objects without bounds of their own are only moved.
void MapBetweenLabels(TDrawObject* object, const TLogRect& from, const TLogRect& to);

// The comma text of a string list: elements separated by commas or blanks outside
// double quotes; a quoted element keeps its blanks and commas, "" is a quote.
QStringList SplitCommaText(const QString& text);

} // namespace velmo
