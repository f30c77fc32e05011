#include "paper/UPaperMaintenance.h"
#include "base/UDateTime.h"
#include "paper/UPaperInfoV2.h"
#include "paper/UPaperRecords.h"
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <algorithm>
#include <atomic>

namespace velmo {

namespace {

std::atomic<bool> GExtendedPaperMode{false};

// Positions sorted and without repeats or strays, so that working from the last
// to the first never hits a position a deletion already moved.
QList<int> CleanPositions(const TPapers& papers, QList<int> positions)
{
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    positions.erase(std::remove_if(positions.begin(), positions.end(),
                                   [&papers](int i) { return i < 0 || i >= papers.Count(); }),
                    positions.end());
    return positions;
}

} // namespace

bool ExtendedPaperMode()
{
    return GExtendedPaperMode.load();
}

void SetExtendedPaperMode(bool value)
{
    GExtendedPaperMode.store(value);
}

const QStringList& FaceShapeNames()
{
    static const QStringList names = {QStringLiteral("角ラベル"),     QStringLiteral("CDラベル"),
                                      QStringLiteral("丸ラベル"),     QStringLiteral("角丸ラベル"),
                                      QStringLiteral("名刺CDラベル"), QStringLiteral("樽CDラベル")};
    return names;
}

QList<int> ShapesOffered(TFaceShapes mask)
{
    QList<int> shapes;
    for (int s = 0; s < kFaceShapeCount; ++s)
        if (mask == 0 || (mask & FaceShapeBit(TFaceShape(s))))
            shapes << s;
    // A mask holding only bits beyond the six shapes offers nothing usable: all six.
    if (shapes.isEmpty())
        for (int s = 0; s < kFaceShapeCount; ++s)
            shapes << s;
    return shapes;
}

TFaceShapes MaskFromShapes(const QList<int>& shapes)
{
    TFaceShapes mask = 0;
    for (int s : shapes)
        if (s >= 0 && s < kFaceShapeCount)
            mask |= FaceShapeBit(TFaceShape(s));
    const TFaceShapes all = (TFaceShapes(1) << kFaceShapeCount) - 1;
    return mask == all ? 0 : mask;
}

TFaceShapes PurposeShapeMask(const TPurposeList& list, const QString& id)
{
    const int i = list.Find(id);
    return i >= 0 ? list.Items(i)->ShapeMask() : 0;
}

std::optional<std::pair<QString, QString>> NewPurposeName(const TPurposeList& list)
{
    for (int n = 1; n <= 999; ++n) {
        const QString id = QStringLiteral("NewID%1").arg(n);
        if (list.Find(id) < 0)
            return std::make_pair(id, QStringLiteral("新規用途%1").arg(n));
    }
    return std::nullopt;
}

TPurposeCheck CheckPurposes(const TPapers& papers, const TPurposeList& list, const TPaperProgress& progress)
{
    TPurposeCheck check;
    QSet<QString> used;
    const int count = papers.Count();
    for (int i = 0; i < count; ++i) {
        const TPaperInfo& paper = *papers.Paper(i);
        const int faces = std::min(paper.GetFaceCount(), kMaxFaceCount);
        QSet<QString> reported;
        for (int f = 0; f < faces; ++f) {
            const QString id = paper.GetFacePurpose(f);
            used.insert(id.toUpper());
            if (list.Find(id) < 0 && !reported.contains(id)) {
                reported.insert(id);
                check.Report << QStringLiteral("%1:[%2]").arg(paper.PaperName(), id);
            }
        }
        if (progress)
            progress(i + 1, count);
    }
    for (int p = 0; p < list.Count(); ++p) {
        const QString id = list.Items(p)->ID();
        if (id.isEmpty() || used.contains(id.toUpper()) || check.Unused.contains(id, Qt::CaseInsensitive))
            continue;
        check.Unused << id;
        check.Report << QStringLiteral("未使用:[%1]").arg(id);
    }
    return check;
}

void RemoveUnusedPurposes(TPurposeList& list, const TPurposeCheck& check)
{
    for (int p = list.Count() - 1; p >= 0; --p)
        if (check.Unused.contains(list.Items(p)->ID(), Qt::CaseInsensitive))
            list.Delete(p);
}

std::optional<uint32_t> ParseStartNumber(const QString& text)
{
    const QString t = text.trimmed();
    bool ok = false;
    qulonglong value = 0;
    if (t.startsWith(QLatin1Char('$'))) {
        const QString digits = t.mid(1);
        if (digits.isEmpty() || digits.size() > 8 ||
            digits.contains(QRegularExpression(QStringLiteral("[^0-9A-Fa-f]"))))
            return std::nullopt;
        value = digits.toULongLong(&ok, 16);
    } else {
        if (t.isEmpty() || t.size() > 10 || t.contains(QRegularExpression(QStringLiteral("[^0-9]"))))
            return std::nullopt;
        value = t.toULongLong(&ok, 10);
    }
    if (!ok || value > 0xFFFFFFFFull)
        return std::nullopt;
    return uint32_t(value);
}

int RenumberPaperKeys(TPapers& papers, uint32_t start, const TPaperProgress& progress)
{
    const int count = papers.Count();
    if (count > 0 && uint64_t(start) + uint64_t(count - 1) > 0xFFFFFFFFull)
        throw EPaperCatalogError(QStringLiteral("用紙の番号が上限に達しました"));
    // Unsorted while moving, so that position i keeps naming the same paper.
    papers.SetKeysSorted(false);
    int moved = 0;
    try {
        for (int i = 0; i < count; ++i) {
            const QString key = PaperKey(start + uint32_t(i));
            papers.RenameKey(i, key);
            if (papers.Key(i) == key)
                ++moved;
            if (progress)
                progress(i + 1, count);
        }
    } catch (...) {
        papers.SetKeysSorted(true);
        throw;
    }
    papers.SetKeysSorted(true);
    return moved;
}

QString PaperOrderText(const TPapers& papers)
{
    QStringList names;
    for (int i = 0; i < papers.Count(); ++i)
        names << papers.Paper(i)->PaperName();
    return names.join(QLatin1Char('\n'));
}

QString PaperOrderDefect(const TPapers& papers, const QString& text, QStringList* out)
{
    QStringList names;
    QSet<QString> seen;
    for (const QString& line : text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")))) {
        const QString name = line.trimmed();
        if (name.isEmpty())
            continue;
        if (papers.IndexOfName(name) < 0)
            return QStringLiteral("「%1」という用紙はありません").arg(name);
        if (seen.contains(name))
            return QStringLiteral("「%1」が2回書かれています").arg(name);
        seen.insert(name);
        names << name;
    }
    for (int i = 0; i < papers.Count(); ++i)
        if (!seen.contains(papers.Paper(i)->PaperName()))
            return QStringLiteral("「%1」がありません").arg(papers.Paper(i)->PaperName());
    if (out)
        *out = names;
    return {};
}

void ApplyPaperOrder(TPapers& papers, const QString& text)
{
    QStringList names;
    const QString defect = PaperOrderDefect(papers, text, &names);
    if (!defect.isEmpty())
        throw EPaperCatalogError(defect);
    papers.Renumber(names);
}

QList<int> PapersOfGroup(const TPapers& papers, const QString& group, bool all)
{
    QList<int> positions;
    for (int i = 0; i < papers.Count(); ++i)
        if (all || papers.Paper(i)->GroupName() == group)
            positions << i;
    return positions;
}

int DeletePapers(TPapers& papers, QList<int> positions)
{
    positions = CleanPositions(papers, positions);
    int deleted = 0;
    for (int k = int(positions.size()) - 1; k >= 0; --k) {
        papers.DeletePaper(positions[k]);
        ++deleted;
    }
    return deleted;
}

QString BulkPaperName(const QString& name, TRenameMode mode, const QString& first, const QString& second)
{
    if (mode == TRenameMode::HeaderFooter)
        return first + name + second;
    if (first.isEmpty())
        return name;
    const int at = name.indexOf(first);
    if (at < 0)
        return name;
    QString result = name;
    result.replace(at, first.size(), second);
    return result;
}

int RenamePapers(TPapers& papers, QList<int> positions, TRenameMode mode, const QString& first,
                 const QString& second, QStringList* skipped)
{
    // Positions name papers; deletions move positions, so the names are taken first.
    QStringList targets;
    for (int i : CleanPositions(papers, positions))
        targets << papers.Paper(i)->PaperName();
    auto* v2 = dynamic_cast<TPapersV2*>(&papers);
    int renamed = 0;
    for (int k = int(targets.size()) - 1; k >= 0; --k) {
        const QString oldName = targets[k];
        const int index = papers.IndexOfName(oldName);
        if (index < 0)
            continue;
        const QString newName = BulkPaperName(oldName, mode, first, second).trimmed();
        if (newName == oldName)
            continue;
        // Storing under a name another paper has would replace that paper: the rename
        // would silently cost the user a sheet.
        if (newName.isEmpty() || papers.IndexOfName(newName) >= 0) {
            if (skipped)
                skipped->append(oldName);
            continue;
        }
        std::unique_ptr<TPaperInfo> copy = papers.Paper(index)->Clone();
        copy->SetPaperName(newName);
        // The maker and the background designs go with the paper to its new name.
        std::vector<std::pair<QString, std::unique_ptr<TExtraPaperInfo>>> records;
        if (v2)
            for (int b = 0; b < v2->BaseCount(); ++b)
                if (auto record = v2->FindRecord(v2->Bases(b)->Name(), oldName)) {
                    record->SetPaperName(newName);
                    records.emplace_back(v2->Bases(b)->Name(), std::move(record));
                }
        papers.DeletePaper(index);
        papers.StorePaper(*copy);
        for (const auto& [base, record] : records)
            v2->StoreRecord(base, *record);
        ++renamed;
    }
    return renamed;
}

int RegroupPapers(TPapers& papers, QList<int> positions, const QString& group)
{
    int changed = 0;
    positions = CleanPositions(papers, positions);
    for (int k = int(positions.size()) - 1; k >= 0; --k) {
        std::unique_ptr<TPaperInfo> copy = papers.Paper(positions[k])->Clone();
        copy->SetGroupName(group);
        papers.StorePaper(*copy);
        ++changed;
    }
    return changed;
}

int MakeSystemPapers(TPapers& papers)
{
    int changed = 0;
    for (int i = 0; i < papers.Count(); ++i) {
        if (papers.Paper(i)->ReadOnly())
            continue;
        std::unique_ptr<TPaperInfo> copy = papers.Paper(i)->Clone();
        copy->SetReadOnly(true);
        papers.StorePaper(*copy);
        ++changed;
    }
    return changed;
}

QString UpdateTimeText(double lastUpdate)
{
    // 0 is "never updated", not a day in 1899.
    if (lastUpdate == 0)
        return {};
    const QDateTime t = DayCountToDateTime(lastUpdate);
    return t.isValid() ? t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) : QString();
}

std::optional<double> ParseUpdateTime(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^\\s*(\\d{1,4})[/.-](\\d{1,2})[/.-](\\d{1,2})(?:[ T]+(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?)?\\s*$"));
    const QRegularExpressionMatch m = pattern.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    const int h = m.captured(4).isEmpty() ? 0 : m.captured(4).toInt();
    const int min = m.captured(5).isEmpty() ? 0 : m.captured(5).toInt();
    const int s = m.captured(6).isEmpty() ? 0 : m.captured(6).toInt();
    const QTime time(h, min, s);
    if (!date.isValid() || !time.isValid() || date.year() < 1)
        return std::nullopt;
    return DateTimeToDayCount(QDateTime(date, time));
}

bool SavePaperList(const QString& fileName, const QStringList& names, QString* error)
{
    QSaveFile file(fileName);
    QByteArray bytes;
    for (const QString& name : names)
        bytes += name.toUtf8() + "\r\n";
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace velmo
