#include "document/UTemplateInfo.h"
#include "base/UCodePage932.h"
#include "base/UNumbers.h"
#include "document/ULabelData.h"
#include "draw/UDOInterfaces.h"
#include "draw/UDrawObject.h"
#include "paper/UFaceInfo.h"
#include "paper/UPaperInfo.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

namespace velmo {

TTemplateFace TTemplateFace::From(const TFaceInfo& face)
{
    TTemplateFace result;
    result.Purpose = face.FacePurpose.isEmpty() ? QStringLiteral("*") : face.FacePurpose;
    result.Rect = face.Rect;
    return result;
}

TAspectClass AspectClassOf(int width, int height)
{
    // 0.9 < w / h < 1.1 without division: 9h < 10w and 10w < 11h (h > 0).
    const int64_t w = width, h = height;
    if (h > 0 && 9 * h < 10 * w && 10 * w < 11 * h)
        return TAspectClass::acSquare;
    return w > h ? TAspectClass::acWide : TAspectClass::acTall;
}

void TTemplateList::AddFile(const QString& fileName, const std::optional<TTemplateFace>& face, bool firstOnly)
{
    std::unique_ptr<TLabelData> document = TLabelData::Open(fileName);
    const int before = Count();
    for (int s = 0; s < document->SheetCount(); ++s) {
        document->SelectSheet(s);
        const TPaperInfo* paper = document->Paper();
        const int designs = document->DesignCount();
        for (int k = 0; k < designs; ++k) {
            if (!document->LabelHasData(k))
                continue;
            bool fits = !face.has_value();
            if (face && paper && k < paper->GetFaceCount()) {
                const bool purposeFits =
                    face->Purpose == QLatin1String("*") || face->Purpose == paper->GetFacePurpose(k);
                const TLogRect r = paper->GetFaceRect(k);
                const bool shapeFits =
                    face->Rect.IsEmpty() || AspectClassOf(face->Rect.Width(), face->Rect.Height()) ==
                                                AspectClassOf(r.Width(), r.Height());
                fits = purposeFits && shapeFits;
            }
            if (!fits)
                continue;
            FItems.push_back({fileName, s, k, false});
            if (firstOnly)
                break;
        }
    }
    if (Count() == before && (!face || face->Purpose == QLatin1String("*")))
        FItems.push_back({fileName, 0, 0, true});
}

void TTemplateList::FillFromFolder(const QString& folder, const std::optional<TTemplateFace>& face,
                                   bool firstOnly)
{
    Clear();
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists())
        return;
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Hidden, QDir::Unsorted);
    for (const QFileInfo& file : files) {
        const QString suffix = QLatin1Char('.') + file.suffix().toLower();
        if (file.fileName().lastIndexOf(QLatin1Char('.')) < 0 ||
            (suffix != QLatin1String(".lbd") && suffix != QLatin1String(".lbt")))
            continue;
        try {
            AddFile(file.absoluteFilePath(), face, firstOnly);
        } catch (const std::exception&) {
            // Unreadable, foreign or damaged: not offered.
        }
    }
}

void MapBetweenLabels(TDrawObject* object, const TLogRect& from, const TLogRect& to)
{
    const int fw = from.Width(), fh = from.Height(), tw = to.Width(), th = to.Height();
    if (!object || fw <= 0 || fh <= 0 || tw <= 0 || th <= 0)
        return;
    if (IDOBounds* bounds = Supports<IDOBounds>(object)) {
        const int left = bounds->GetBoundsLeft(), top = bounds->GetBoundsTop();
        const int width = bounds->GetBoundsWidth(), height = bounds->GetBoundsHeight();
        bounds->SetBoundsWidth(MulDiv(width, tw, fw));
        bounds->SetBoundsHeight(MulDiv(height, th, fh));
        bounds->SetBoundsLeft(MulDiv(left, tw, fw));
        bounds->SetBoundsTop(MulDiv(top, th, fh));
        return;
    }
    if (IDOEncloseBounds* enclose = Supports<IDOEncloseBounds>(object)) {
        const TLogRect e = enclose->GetEncloseBounds();
        enclose->MoveBy(MulDiv(e.Left, tw, fw) - e.Left, MulDiv(e.Top, th, fh) - e.Top);
    }
}

// ---------------------------------------------------------------------------------

QStringList SplitCommaText(const QString& text)
{
    QStringList result;
    int i = 0;
    const int n = int(text.size());
    auto isSeparator = [](QChar c) { return c == u',' || c.unicode() <= 0x20; };
    while (i < n) {
        while (i < n && text[i].unicode() <= 0x20)
            ++i;
        if (i >= n)
            break;
        QString element;
        if (text[i] == u'"') {
            ++i;
            while (i < n) {
                if (text[i] == u'"') {
                    if (i + 1 < n && text[i + 1] == u'"') {
                        element += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                element += text[i++];
            }
            while (i < n && !isSeparator(text[i]))
                element += text[i++];
        } else {
            while (i < n && !isSeparator(text[i]))
                element += text[i++];
        }
        result << element;
        while (i < n && text[i].unicode() <= 0x20)
            ++i;
        if (i < n && text[i] == u',') {
            ++i;
            // A trailing comma leaves an empty last element.
            int j = i;
            while (j < n && text[j].unicode() <= 0x20)
                ++j;
            if (j >= n)
                result << QString();
        }
    }
    return result;
}

TTemplateGroup::TTemplateGroup(const QString& fileName) : FFileName(fileName)
{
    QFile file(fileName);
    if (fileName.isEmpty() || !file.open(QIODevice::ReadOnly))
        return;
    // Index files are small; anything larger is not one.
    if (file.size() > 4 * 1024 * 1024)
        return;
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = cp932::Decode(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    FAvailable = true;
    for (const QString& raw : text.split(QRegularExpression(QStringLiteral("\\r\\n|\\r|\\n")))) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            FSections.push_back({line.mid(1, line.size() - 2).trimmed(), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0 || FSections.empty())
            continue;
        FSections.back().second.push_back({line.left(eq).trimmed().toUpper(), line.mid(eq + 1).trimmed()});
    }
}

QStringList TTemplateGroup::Values(const QString& key) const
{
    if (FPurpose.isEmpty())
        return {};
    // Section names are compared without regard to case; Purposes() gives them as
    // written, because a purpose is matched exactly against the papers' purposes.
    for (const auto& [name, entries] : FSections) {
        if (name.compare(FPurpose, Qt::CaseInsensitive) != 0)
            continue;
        for (const auto& [k, value] : entries)
            if (k == key)
                return SplitCommaText(value);
        return {};
    }
    return {};
}

QStringList TTemplateGroup::GroupNames() const
{
    return Values(QStringLiteral("NAME"));
}

QString TTemplateGroup::GroupFolder(int index) const
{
    if (!FAvailable)
        return {};
    const QStringList dirs = Values(QStringLiteral("DIR"));
    if (index < 0 || index >= dirs.size())
        return {};
    QString relative = dirs[index];
    relative.replace(u'\\', u'/');
    if (relative.isEmpty() || QDir::isAbsolutePath(relative) ||
        relative.split(u'/').contains(QStringLiteral("..")))
        return {}; // only folders below the index file's own
    return QDir::cleanPath(QFileInfo(FFileName).absolutePath() + u'/' + relative);
}

QStringList TTemplateGroup::Purposes() const
{
    QStringList result;
    for (const auto& section : FSections)
        result << section.first;
    return result;
}

} // namespace velmo
