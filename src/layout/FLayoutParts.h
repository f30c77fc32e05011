#pragma once
// What the parts of the layout view (FLayout*.cpp) share: the label holder, the
// insert commands' table and small helpers. Private to src/layout.
#include "document/ULabelData.h"
#include "document/UProductInfo.h"
#include "imaging/UWindowPictures.h"
#include "layout/FLayout.h"
#include "text/ULOText.h"
#include <QPainter>
#include <QWidget>

namespace velmo::layoutparts {

inline int& LastZoom()
{
    static int zoom = 0;
    return zoom;
}

inline TLayoutSettingsStore& Store()
{
    static TLayoutSettingsStore store;
    return store;
}

// The white area the label lies on, with the label's drop shadow.
class TLabelHolder : public QWidget
{
public:
    using QWidget::QWidget;
    QWidget* Label = nullptr;
    static constexpr int kShadow = 6;
    QRect ShadowRect() const
    {
        if (!Label)
            return {};
        return Label->geometry().translated(kShadow, kShadow);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        if (Label)
            p.fillRect(ShadowRect(), QColor(128, 128, 128));
    }
};

struct TInsertInfo
{
    const char* Name;    // action object name
    const char* Caption; // menu caption
    const char* Hint;
    const char* Button; // tool button caption, nullptr: none
    const char* Kind;
    bool Merge;
    bool Shown;
    int Image; // command pack cell, -1 none
};

inline constexpr TInsertInfo kInserts[] = {
    {"actText", "文字(&T)...", "ラベルに文字を追加します", "文字", "TLOText", false, true, ciText},
    {"actInsText", "差込み文字(&N)...", "", nullptr, "TLOInsText", true, false, -1},
    {"actNumbering", "ナンバリング(&N)...", "", nullptr, "TLONumbering", false, true, -1},
    {"actDate", "日付・時間(&D)...", "日付文字を追加します", "日付", "TLODate", false, true, ciDate},
    {"actDecoString", "飾り文字(&I)...", "", nullptr, "TLODecoString", false, false, -1},
    {"actLine", "直線(&L)", "直線を追加します", "直線", "TLOLine", false, true, ciLine},
    {"actCurve", "円弧(&A)", "円弧を追加します", "円弧", "TLOCurve", false, true, ciArc},
    {"actRect", "四角(&R)", "四角図形を追加します", "四角", "TLORect", false, true, ciRectangle},
    {"actCircle", "円(&E)", "円図形を追加します", "円", "TLOCircle", false, true, ciCircle},
    {"actDecoLine", "飾り罫線(&D)...", "", nullptr, "TLODecoLine", false, false, -1},
    {"actOnePoint", "イラスト(&O)...", "イラストやワンポイントを追加します", "イラスト", "TLOOnePoint", false,
     true, ciIllustration},
    {"actInsImage", "差込みイラスト(&N)...", "", nullptr, "TLOInsImage", true, false, -1},
    {"actImageFile", "イメージファイル(&F)...", "", nullptr, "TLOImage", false, true, -1},
    {"actTwain", "TWAIN取り込み(&T)...", "", nullptr, "TLOTwain", false, true, -1},
    {"actBarCode", "バーコード(&J)...", "バーコードを追加します", "バーコード", "TLOBarCode", false, false,
     ciBarcode},
    {"actInsBarCode", "差込みバーコード(&S)...", "", nullptr, "TLOInsBarCode", true, false, -1},
};

inline const char* const kSizeEntries[] = {"6",  "7",  "8",  "9",  "10", "11", "12", "14", "16", "18",
                                           "20", "22", "24", "26", "28", "32", "36", "48", "72"};

inline TShiftState ShiftOf(Qt::KeyboardModifiers m)
{
    return m;
}

// The lines of the document's product and creator items for the text fields.
inline TFieldLines DocumentFieldLines(TLabelData& document)
{
    return [&document](TFieldType kind, int index, QStringList& lines) {
        const TProductInfo* record = kind == TFieldType::ftProduct          ? &document.ProductInfo()
                                     : kind == TFieldType::ftCreatorEnglish ? &document.CreatorInfoE()
                                                                            : &document.CreatorInfoJ();
        if (index < 0 || index >= record->ItemCount())
            return false;
        lines = record->Item(index)->Info()->Lines();
        return true;
    };
}

inline bool IsDescendant(const QObject* object, const QWidget* ancestor)
{
    for (const QObject* o = object; o; o = o->parent())
        if (o == ancestor)
            return true;
    return false;
}

} // namespace velmo::layoutparts
