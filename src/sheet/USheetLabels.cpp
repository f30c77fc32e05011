#include "sheet/USheetLabels.h"
#include "base/UStream.h"
#include "document/ULabelData.h"
#include "paper/UPaperInfo.h"
#include "paper/UPapers.h"
#include <QPageSize>
#include <QUrl>
#include <memory>

namespace velmo {

QString DeleteLabelQuestion()
{
    return QStringLiteral("指定されたﾗﾍﾞﾙﾃﾞｰﾀを削除します。よろしいですか？");
}
QString OverwriteLabelQuestion()
{
    return QStringLiteral("複写先ﾗﾍﾞﾙのﾃﾞｰﾀを削除してから複写します。\r\n複写してもよろしいですか？");
}
QString LabelSizeDiffersQuestion()
{
    return QStringLiteral("複写先のﾗﾍﾞﾙｻｲｽﾞが異なっています。\r\nﾃﾞｰﾀの位置関係が変わりますが複写しますか？");
}
QString DeleteSheetQuestion(const QString& sheetName)
{
    return QStringLiteral("「%1」を削除しますか？").arg(sheetName);
}
QString CopySheetTitle()
{
    return QStringLiteral("ﾗﾍﾞﾙｼｰﾄの複写");
}
QString CopiedSheetEntry()
{
    return QStringLiteral("複写したﾗﾍﾞﾙｼｰﾄ");
}
QString CopySheetGuidance()
{
    return QStringLiteral("ﾗﾍﾞﾙｼｰﾄの複写先を選択してください");
}
QString MoveSheetTitle()
{
    return QStringLiteral("ﾗﾍﾞﾙｼｰﾄの移動");
}
QString MoveSheetGuidance()
{
    return QStringLiteral("ﾗﾍﾞﾙｼｰﾄの移動先を選択してください");
}
QString SheetNameExistsMessage()
{
    return QStringLiteral("指定されたシート名はすでに存在します");
}
QString PaperDropsLabelsQuestion()
{
    return QStringLiteral("選択された用紙に入りきらないラベルデータは削除されます\r\nよろしいですか？");
}
QString PaperMovesDataQuestion()
{
    return QStringLiteral("選択されたラベルに入りきらないデータは位置関係が変わります\r\nよろしいですか？");
}

// ---------------------------------------------------------------------------------

QString SheetLabelFormatName(const QString& appTitle)
{
    return appTitle + QStringLiteral(".SheetLabel");
}

QString SheetLabelMimeType(const QString& appTitle)
{
    return QStringLiteral("application/x-") +
           QString::fromLatin1(QUrl::toPercentEncoding(SheetLabelFormatName(appTitle), ".-_"));
}

QString LabelSizeName(QSize size)
{
    return QStringLiteral("Size%1%2")
        .arg(uint32_t(size.width()), 8, 16, QLatin1Char('0'))
        .arg(uint32_t(size.height()), 8, 16, QLatin1Char('0'));
}

bool ParseLabelSizeName(const QString& name, QSize& size)
{
    if (name.size() < 20 || !name.startsWith(QLatin1String("Size")))
        return false;
    bool okW = false, okH = false;
    const uint32_t w = name.mid(4, 8).toUInt(&okW, 16);
    const uint32_t h = name.mid(12, 8).toUInt(&okH, 16);
    if (!okW || !okH)
        return false;
    size = QSize(int(w), int(h));
    return true;
}

TOverwriteQuestion OverwriteCheck(QSize source, QSize target, bool targetHasData)
{
    const auto differs = [](int a, int b) { return std::abs(int64_t(a) - b) > kLabelSizeTolerance; };
    if (differs(source.width(), target.width()) || differs(source.height(), target.height()))
        return TOverwriteQuestion::SizeDiffers;
    return targetHasData ? TOverwriteQuestion::Overwrite : TOverwriteQuestion::None;
}

QString OverwriteQuestionText(TOverwriteQuestion question)
{
    switch (question) {
    case TOverwriteQuestion::Overwrite:
        return OverwriteLabelQuestion();
    case TOverwriteQuestion::SizeDiffers:
        return LabelSizeDiffersQuestion();
    default:
        return {};
    }
}

// ---------------------------------------------------------------------------------

namespace {
// Frees the objects of a list when it goes out of scope.
struct TOwnedList
{
    TDOList List;
    ~TOwnedList() { List.FreeObjects(); }
};
} // namespace

TSheetLabels::TSheetLabels(TLabelData& document, TAskYesNo ask) : FDocument(document), FAsk(std::move(ask)) {}

QSize TSheetLabels::LabelSize(int k) const
{
    const TLogRect r = FDocument.LabelRect(k);
    return {r.Width(), r.Height()};
}

QByteArray TSheetLabels::CopyLabel(int k)
{
    if (k < 0 || k >= FDocument.LabelCount() || !FDocument.LabelHasData(k))
        return {};
    TOwnedList objects;
    FDocument.ReadLabel(k, objects.List);
    if (objects.List.Count() == 0)
        return {};
    objects.List.Reverse();
    objects.List[0]->SetName(LabelSizeName(LabelSize(k)));
    TMemoryStream stream;
    objects.List.SaveToStream(stream);
    return stream.Data();
}

bool TSheetLabels::CutLabel(int k, QByteArray& clipboard)
{
    if (k < 0 || k >= FDocument.LabelCount() || !FDocument.LabelHasData(k))
        return false;
    if (!FAsk(DeleteLabelQuestion()))
        return false;
    QByteArray bytes = CopyLabel(k);
    if (bytes.isEmpty())
        return false;
    clipboard = std::move(bytes);
    FDocument.ClearLabel(k);
    return true;
}

bool TSheetLabels::ClearLabel(int k)
{
    if (k < 0 || k >= FDocument.LabelCount() || !FDocument.LabelHasData(k))
        return false;
    if (!FAsk(DeleteLabelQuestion()))
        return false;
    FDocument.ClearLabel(k);
    return true;
}

bool TSheetLabels::IsLabelClipboard(const QByteArray& clipboard)
{
    if (clipboard.size() < 4)
        return false;
    TMemoryStream stream(clipboard);
    TOwnedList objects;
    try {
        objects.List.LoadFromStream(stream);
    } catch (const std::exception&) {
        return false;
    }
    return objects.List.Count() > 0;
}

bool TSheetLabels::PasteLabel(int k, const QByteArray& clipboard)
{
    if (k < 0 || k >= FDocument.LabelCount() || !FDocument.Paper())
        return false;
    TOwnedList objects;
    try {
        TMemoryStream stream(clipboard);
        objects.List.LoadFromStream(stream);
    } catch (const std::exception&) {
        // Damaged clipboard data: nothing to paste, nothing changes.
        return false;
    }
    if (objects.List.Count() == 0)
        return false;
    const TPaperInfo& paper = *FDocument.Paper();
    KeepInside(objects.List, {0, 0, paper.Width(), paper.Height()});
    QSize source;
    TDrawObject* first = objects.List[0];
    // A list without its size (another program's, or damaged) is treated as coming
    // from a label of unknown size: the user is asked.
    if (!ParseLabelSizeName(first->Name(), source))
        source = QSize(-1000000, -1000000);
    first->SetName(QString());
    const TOverwriteQuestion question = OverwriteCheck(source, LabelSize(k), FDocument.LabelHasData(k));
    if (question != TOverwriteQuestion::None && !FAsk(OverwriteQuestionText(question)))
        return false;
    FDocument.WriteLabel(k, objects.List);
    return true;
}

bool TSheetLabels::DragLabel(int source, int target, bool move)
{
    const int n = FDocument.LabelCount();
    if (source < 0 || target < 0 || source >= n || target >= n || source == target)
        return false;
    // With one design shared by every position there is nothing to copy, and moving
    // would clear the only design.
    if (!FDocument.SeparatelyDesign())
        return false;
    bool changed = false;
    if (FDocument.LabelHasData(source)) {
        const TOverwriteQuestion question =
            OverwriteCheck(LabelSize(source), LabelSize(target), FDocument.LabelHasData(target));
        if (question != TOverwriteQuestion::None && !FAsk(OverwriteQuestionText(question)))
            return false;
        TOwnedList objects;
        FDocument.ReadLabel(source, objects.List);
        objects.List.Reverse();
        FDocument.WriteLabel(target, objects.List);
        changed = true;
    }
    if (move && FDocument.LabelHasData(source)) {
        FDocument.ClearLabel(source);
        changed = true;
    }
    return changed;
}

// ---------------------------------------------------------------------------------

bool TSheetLabels::CanDeleteSheet() const
{
    return FDocument.SheetCount() > 1;
}

bool TSheetLabels::DeleteSheet(const std::function<bool(const QString&)>& askOkCancel)
{
    if (!CanDeleteSheet())
        return false;
    if (!askOkCancel(DeleteSheetQuestion(FDocument.SheetName())))
        return false;
    FDocument.DeleteSheet(FDocument.CurrentSheet());
    return true;
}

bool TSheetLabels::CanMoveSheet() const
{
    return FDocument.SheetCount() > 1;
}

void TSheetLabels::CopySheetTo(int index)
{
    FDocument.CopySheet();
    const int last = FDocument.SheetCount() - 1;
    index = std::clamp(index, 0, last);
    if (index != last)
        FDocument.MoveSheet(index);
}

void TSheetLabels::MoveSheetTo(int index)
{
    if (!CanMoveSheet())
        return;
    index = std::clamp(index, 0, FDocument.SheetCount() - 1);
    if (index != FDocument.CurrentSheet())
        FDocument.MoveSheet(index);
}

QString TSheetLabels::CheckSheetName(const QString& name) const
{
    if (name.isEmpty() || name.size() > kMaxSheetNameLength)
        return QString();
    QStringList names;
    FDocument.GetSheetNames(names);
    for (const QString& other : names)
        if (other.compare(name, Qt::CaseInsensitive) == 0)
            return SheetNameExistsMessage();
    return QString();
}

bool TSheetLabels::RenameSheet(const QString& name)
{
    if (name.isEmpty() || name.size() > kMaxSheetNameLength || !CheckSheetName(name).isEmpty())
        return false;
    FDocument.SetSheetName(name);
    return true;
}

// ---------------------------------------------------------------------------------

QString PaperChangeQuestion(TLabelData& document, const TPaperInfo& paper)
{
    const int oldCount = document.LabelCount();
    const int newCount = paper.GetFaceCount();
    bool any = false;
    for (int k = 0; k < oldCount; ++k) {
        if (!document.LabelHasData(k))
            continue;
        any = true;
        if (k >= newCount)
            return PaperDropsLabelsQuestion();
    }
    return any ? PaperMovesDataQuestion() : QString();
}

// ---------------------------------------------------------------------------------

QString SummaryMillimetres(int units)
{
    const int64_t v = units;
    const int64_t a = v < 0 ? -v : v;
    QString text = (v < 0 ? QStringLiteral("-") : QString()) + QString::number(a / 10);
    if (a % 10 != 0)
        text += QLatin1Char('.') + QString::number(a % 10);
    return text;
}

QString FaceShapeName(int shape)
{
    static const char* const names[] = {"角型", "CD型", "丸型", "角丸型", "名刺型CD", "たる型CD"};
    const uint32_t s = uint32_t(shape) & 0x7FFFFFFFu;
    return s < 6 ? QString::fromUtf8(names[s]) : QString();
}

QString StandardSheetName(int width, int height)
{
    // The sizes a printer offers; a sheet matches when both sides agree to 1 mm.
    static const QPageSize::PageSizeId ids[] = {
        QPageSize::A3,        QPageSize::A4,      QPageSize::A5,       QPageSize::A6,
        QPageSize::B4,        QPageSize::B5,      QPageSize::JisB4,    QPageSize::JisB5,
        QPageSize::Letter,    QPageSize::Legal,   QPageSize::Postcard, QPageSize::DoublePostcard,
        QPageSize::Executive, QPageSize::Tabloid,
    };
    for (QPageSize::PageSizeId id : ids) {
        const QSizeF mm = QPageSize::size(id, QPageSize::Millimeter);
        const int w = int(std::lround(mm.width() * 10)), h = int(std::lround(mm.height() * 10));
        const auto near = [](int a, int b) { return std::abs(a - b) <= 10; };
        if ((near(w, width) && near(h, height)) || (near(w, height) && near(h, width)))
            return id == QPageSize::Postcard ? QStringLiteral("はがき") : QPageSize::name(id);
    }
    return {};
}

void PaperSummary(QStringList& lines, const TPaperInfo& paper, const TPapers* catalogue, int position)
{
    lines.clear();
    const auto purposeName = [catalogue, &paper](const QString& id) {
        const TPurposeList* list = catalogue ? catalogue->PurposeList() : paper.PurposeList();
        if (!list)
            return QString();
        const int i = list->Find(id);
        return i >= 0 ? list->Items(i)->DisplayName() : QString();
    };
    lines << QStringLiteral("用紙グループ：%1").arg(paper.GroupName());
    QString base = StandardSheetName(paper.Width(), paper.Height());
    if (base.isEmpty())
        base = QStringLiteral("その他(%1×%2mm)")
                   .arg(SummaryMillimetres(paper.Width()), SummaryMillimetres(paper.Height()));
    lines << QStringLiteral("台紙：%1").arg(base);
    const auto sizeLine = [&](const QString& number, int w, int h, const QString& purpose, int shape) {
        return QStringLiteral("サイズ%1：%2×%3mm %4(%5)")
            .arg(number, SummaryMillimetres(w), SummaryMillimetres(h), purposeName(purpose),
                 FaceShapeName(shape));
    };
    if (const auto* matrix = dynamic_cast<const TMatrixPaperInfo*>(&paper)) {
        lines << QStringLiteral("面数：横%1面×縦%2面(%3面)")
                     .arg(matrix->FaceCountX())
                     .arg(matrix->FaceCountY())
                     .arg(paper.GetFaceCount());
        lines << sizeLine(QString(), matrix->FaceWidth(), matrix->FaceHeight(), matrix->FacePurpose(),
                          int(matrix->FaceShape()));
        return;
    }
    const int count = paper.GetFaceCount();
    lines << QStringLiteral("面数：%1面").arg(count);
    for (int i = 0; i < count; ++i) {
        if (position >= 0 && i != position)
            continue;
        const TLogRect r = paper.GetFaceRect(i);
        lines << sizeLine(QString::number(i + 1), r.Width(), r.Height(), paper.GetFacePurpose(i),
                          int(paper.GetFaceShape(i)));
    }
}

} // namespace velmo
