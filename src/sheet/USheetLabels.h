#pragma once
// The decisions of the sheet view, kept apart from its widgets: which question a
// copy onto a label position asks, what copy, cut, paste, clear and drag of labels
// change, the sheet commands and their messages, the questions before a paper change,
// the label clipboard format, and the paper summary text.
#include "draw/UDrawObject.h"
#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

namespace velmo {

class TLabelData;
class TPaperInfo;
class TPapers;

// ---- the texts the user sees
QString DeleteLabelQuestion(); // "指定されたﾗﾍﾞﾙﾃﾞｰﾀを削除します。よろしいですか？"
QString
OverwriteLabelQuestion(); // "複写先ﾗﾍﾞﾙのﾃﾞｰﾀを削除してから複写します。\r\n複写してもよろしいですか？"
QString
LabelSizeDiffersQuestion(); // "複写先のﾗﾍﾞﾙｻｲｽﾞが異なっています。\r\nﾃﾞｰﾀの位置関係が変わりますが複写しますか？"
QString DeleteSheetQuestion(const QString& sheetName); // "「%s」を削除しますか？"
QString CopySheetTitle();                              // "ﾗﾍﾞﾙｼｰﾄの複写"
QString CopiedSheetEntry();                            // "複写したﾗﾍﾞﾙｼｰﾄ"
QString CopySheetGuidance();      // "ﾗﾍﾞﾙｼｰﾄの複写先を選択してください"
QString MoveSheetTitle();         // "ﾗﾍﾞﾙｼｰﾄの移動"
QString MoveSheetGuidance();      // "ﾗﾍﾞﾙｼｰﾄの移動先を選択してください"
QString SheetNameExistsMessage(); // "指定されたシート名はすでに存在します"
QString
PaperDropsLabelsQuestion(); // "選択された用紙に入りきらないラベルデータは削除されます\r\nよろしいですか？"
QString
PaperMovesDataQuestion(); // "選択されたラベルに入りきらないデータは位置関係が変わります\r\nよろしいですか？"

// Sheet names longer than this are not taken (the rename field holds no more).
constexpr int kMaxSheetNameLength = 64;

// ---- the label clipboard format
// The format's name: the application title followed by ".SheetLabel".
QString SheetLabelFormatName(const QString& appTitle);
// The MIME type the clipboard carries it under (the name, percent-encoded, so that
// window systems that take only Latin-1 format names keep it distinct).
QString SheetLabelMimeType(const QString& appTitle);
// "Size%.8x%.8x": width then height in logical units.
QString LabelSizeName(QSize size);
// The size read back from such a name; false when the name does not carry one.
bool ParseLabelSizeName(const QString& name, QSize& size);

// ---- the overwrite check
enum class TOverwriteQuestion
{
    None,        // go on without asking
    Overwrite,   // the target has data
    SizeDiffers, // the sizes differ by more than 2 mm on either side
};
constexpr int kLabelSizeTolerance = 20;
TOverwriteQuestion OverwriteCheck(QSize source, QSize target, bool targetHasData);
QString OverwriteQuestionText(TOverwriteQuestion question);

// A question with Yes (default) and No (cancel): true for Yes.
using TAskYesNo = std::function<bool(const QString& question)>;

// The label operations of one document's current sheet.
class TSheetLabels
{
public:
    TSheetLabels(TLabelData& document, TAskYesNo ask);

    QSize LabelSize(int k) const;

    // The clipboard content of a copy of label k (empty when it has no data).
    QByteArray CopyLabel(int k);
    // Asks, copies into clipboard and clears; false when not confirmed (clipboard
    // then untouched) or when there is no data.
    bool CutLabel(int k, QByteArray& clipboard);
    bool ClearLabel(int k);
    // Reads the clipboard content and writes it as label k after the overwrite
    // check. False when declined or when the content cannot be read (nothing changes).
    bool PasteLabel(int k, const QByteArray& clipboard);
    // Whether the content is a readable label list (for enabling paste).
    static bool IsLabelClipboard(const QByteArray& clipboard);
    // Copies (or with move, moves) the label from one position to another. False
    // when nothing changed.
    bool DragLabel(int source, int target, bool move);

    // ---- sheets
    bool CanDeleteSheet() const;
    // Asks "「%s」を削除しますか？" through ask (OK / Cancel).
    bool DeleteSheet(const std::function<bool(const QString&)>& askOkCancel);
    bool CanMoveSheet() const;
    // The copy of the current sheet, moved to index.
    void CopySheetTo(int index);
    void MoveSheetTo(int index);
    // Empty when the name can be taken, else the message to show.
    QString CheckSheetName(const QString& name) const;
    // Renames the current sheet when CheckSheetName passes.
    bool RenameSheet(const QString& name);

private:
    TLabelData& FDocument;
    TAskYesNo FAsk;
};

// ---- changing the paper
// The question to ask before the document takes the paper (empty: none).
QString PaperChangeQuestion(TLabelData& document, const TPaperInfo& paper);

// ---- the paper summary
// "用紙グループ：…", "台紙：…", "面数：…" and the size lines; position -1 lists every
// face of a free paper.
void PaperSummary(QStringList& lines, const TPaperInfo& paper, const TPapers* catalogue, int position);
// A length in millimetres: 864 -> "86.4", 550 -> "55".
QString SummaryMillimetres(int units);
QString FaceShapeName(int shape);
// The name of a standard paper size of that width and height (tenths of mm), or empty.
QString StandardSheetName(int width, int height);

} // namespace velmo
