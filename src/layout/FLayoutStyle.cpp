// The layout view's style bar: the font, size, style, alignment and colour tools,
// what they show of the selection, the default style new objects take, and the
// changes they make to the selected objects.
#include "barcode/FBarCodeProperty.h"
#include "base/UGraphics.h"
#include "document/ULabelData.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UDOAction.h"
#include "draw/UDOInterfaces.h"
#include "draw/UGhost.h"
#include "draw/UGuide.h"
#include "imaging/FColorGrid.h"
#include "imaging/FPhotoCD.h"
#include "imaging/UColorSpec.h"
#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/UWindowPictures.h"
#include "layout/FLayout.h"
#include "layout/FLayoutParts.h"
#include "merge/FCsvBrowser.h"
#include "merge/FMergeDialogs.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "objects/FLayoutAids.h"
#include "objects/ULDObjects.h"
#include "objects/ULOCreator.h"
#include "objects/ULOFace.h"
#include "objects/ULOImage.h"
#include "objects/ULabelObject.h"
#include "objects/UStandardDSA.h"
#include "paper/UPaperInfo.h"
#include "paper/UPaperRecords.h"
#include "sheet/USheetView.h"
#include "text/UFontList.h"
#include "text/ULOText.h"
#include <QAbstractSpinBox>
#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>

namespace velmo {

using namespace layoutparts;

void TfrmLayout::BuildStyleBar()
{
    // The pictures are shared by every layout view (see SharedPackIcon).
    bool haveCommand = true;
    bool haveStyle = true;
    try {
        (void)SharedPackIcon(TWindowPicture::wpCommand, 0);
    } catch (const std::exception&) {
        haveCommand = false; // the captions still tell the buttons apart
    }
    try {
        (void)SharedPackIcon(TWindowPicture::wpStyle, 0);
    } catch (const std::exception&) {
        haveStyle = false;
    }
    auto commandIcon = [&](QAction* a, int cell) {
        if (haveCommand && a && cell >= 0)
            a->setIcon(SharedPackIcon(TWindowPicture::wpCommand, cell));
    };
    auto styleIcon = [&](QAction* a, int cell) {
        if (haveStyle && a && cell >= 0)
            a->setIcon(SharedPackIcon(TWindowPicture::wpStyle, cell));
    };

    // Command tool bar: the main window's commands are added in SetMainCommands.
    commandIcon(FSelectTool, ciSelect);
    FCommandBar->addAction(FSelectTool);
    for (const TInsertInfo& info : kInserts) {
        if (!info.Button)
            continue;
        QAction* menuAction = Action(QString::fromLatin1(info.Name));
        // The tool button is a checkable twin of the menu entry in the select tool's
        // radio group, so that it stays down while its creation drag waits.
        auto* tool = new QAction(QString::fromUtf8(info.Button), this);
        tool->setObjectName(QStringLiteral("tb") + QString::fromLatin1(info.Name).mid(3));
        tool->setToolTip(QString::fromUtf8(info.Hint));
        tool->setCheckable(true);
        commandIcon(tool, info.Image);
        FToolGroup->addAction(tool);
        connect(tool, &QAction::triggered, this, [menuAction] { menuAction->trigger(); });
        connect(menuAction, &QAction::enabledChanged, tool, &QAction::setEnabled);
        FCommandBar->addAction(tool);
    }
    {
        QAction* menuAction = Action(QStringLiteral("actBackground"));
        auto* tool = new QAction(QStringLiteral("背景柄"), this);
        tool->setObjectName(QStringLiteral("tbBackground"));
        tool->setToolTip(QStringLiteral("背景柄を選択します"));
        tool->setCheckable(true);
        commandIcon(tool, ciBackground);
        FToolGroup->addAction(tool);
        connect(tool, &QAction::triggered, this, [menuAction] { menuAction->trigger(); });
        connect(menuAction, &QAction::enabledChanged, tool, &QAction::setEnabled);
        FCommandBar->addAction(tool);
    }
    FCommandBar->setProperty("velmoCommandIcons", haveCommand);
    if (haveCommand) {
        // Kept for the main window's commands.
        auto* keep = new QObject(this);
        keep->setObjectName(QStringLiteral("commandPackIcons"));
        for (int cell : {int(ciNew), int(ciOpen), int(ciSave), int(ciPrint), int(ciPaperSelect)})
            keep->setProperty(QByteArray::number(cell).constData(),
                              SharedPackIcon(TWindowPicture::wpCommand, cell));
    }

    // Style tool bar.
    FFontName = new QComboBox(this);
    FFontName->setObjectName(QStringLiteral("cbFontName"));
    FFontName->setEditable(true);
    FFontName->setToolTip(QStringLiteral("使用するフォント名を選択するか入力します"));
    FFontName->setMinimumWidth(170);
    FFontName->setInsertPolicy(QComboBox::NoInsert);
    QStringList faces;
    GetUsableFaces(faces);
    FFontName->addItems(faces);
    FStyleBar->addWidget(FFontName);
    FFontSize = new QComboBox(this);
    FFontSize->setObjectName(QStringLiteral("cbFontSize"));
    FFontSize->setEditable(true);
    FFontSize->setInsertPolicy(QComboBox::NoInsert);
    FFontSize->setToolTip(QStringLiteral("使用するフォントのサイズを選択するか入力します"));
    for (const char* s : kSizeEntries)
        FFontSize->addItem(QString::fromLatin1(s));
    FFontSize->setMinimumWidth(60);
    FStyleBar->addWidget(FFontSize);
    connect(FFontName, &QComboBox::activated, this, [this](int) {
        if (!FShowingTools)
            ApplyFontName(FFontName->currentText());
    });
    connect(FFontName->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (!FShowingTools)
            ApplyFontName(FFontName->currentText());
    });
    connect(FFontSize, &QComboBox::activated, this, [this](int) {
        if (!FShowingTools)
            ApplyFontSize(FFontSize->currentText());
    });
    connect(FFontSize->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (!FShowingTools)
            ApplyFontSize(FFontSize->currentText());
    });

    struct StyleButton
    {
        const char* Name;
        const char* Caption;
        const char* Hint;
        int Cell;
    };
    const StyleButton styles[] = {{"actBold", "B", "文字や数字を強調体にします", siBold},
                                  {"actItalic", "I", "文字や数字を斜体にします", siItalic},
                                  {"actUnderline", "U", "文字や数字に下線を付けます", siUnderline},
                                  {"actStrikeOut", "S", "文字や数字に打消し線を付けます", siStrikeOut}};
    for (const StyleButton& b : styles) {
        auto* a = new QAction(QString::fromLatin1(b.Caption), this);
        a->setObjectName(QString::fromLatin1(b.Name));
        a->setToolTip(QString::fromUtf8(b.Hint));
        a->setCheckable(true);
        styleIcon(a, b.Cell);
        connect(a, &QAction::triggered, this, [this] {
            if (!FShowingTools)
                ApplyFontStyle(ToolState().FontStyle);
        });
        FStyleBar->addAction(a);
    }
    FStyleBar->addSeparator();
    const StyleButton aligns[] = {
        {"actAlignLeft", "左", "文字や日付文字を左寄せにします", siAlignLeft},
        {"actAlignCenter", "中", "文字や日付文字をセンタリングします", siAlignCenter},
        {"actAlignRight", "右", "文字や日付文字を右寄せにします", siAlignRight},
        {"actAlignDistribute", "均", "文字や日付文字を均等配置にします", siAlignDistribute}};
    auto* alignGroup = new QActionGroup(this);
    alignGroup->setExclusive(true);
    for (int i = 0; i < 4; ++i) {
        auto* a = new QAction(QString::fromUtf8(aligns[i].Caption), this);
        a->setObjectName(QString::fromLatin1(aligns[i].Name));
        a->setToolTip(QString::fromUtf8(aligns[i].Hint));
        a->setCheckable(true);
        styleIcon(a, aligns[i].Cell);
        alignGroup->addAction(a);
        connect(a, &QAction::triggered, this, [this, i] {
            if (!FShowingTools)
                ApplyAlign(i);
        });
        FStyleBar->addAction(a);
    }
    FStyleBar->addSeparator();
    auto colourButton = [&](const char* name, const char* caption, const char* hint, int cell, bool fill) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setText(QString::fromUtf8(caption));
        button->setToolTip(QString::fromUtf8(hint));
        button->setCheckable(true);
        button->setAutoRaise(true);
        if (haveStyle)
            button->setIcon(SharedPackIcon(TWindowPicture::wpStyle, cell));
        button->setIconSize(QSize(16, 16));
        connect(button, &QToolButton::clicked, this, [this, fill] { PopupColorGrid(fill); });
        FStyleBar->addWidget(button);
        return button;
    };
    FPenButton = colourButton("btnPenColor", "線色", "文字や線の色を選択します", siLineColor, false);
    FFillButton = colourButton("btnFillColor", "塗り", "四角や円の塗り色を選択します", siFillColor, true);
    FStyleBar->addSeparator();
    if (QAction* front = FAids->Command(QStringLiteral("BringToFront"))) {
        styleIcon(front, siBringToFront);
        FStyleBar->addAction(front);
    }
    if (QAction* backA = FAids->Command(QStringLiteral("SendToBack"))) {
        styleIcon(backA, siSendToBack);
        FStyleBar->addAction(backA);
    }
    FStyleBar->addSeparator();
    styleIcon(Action(QStringLiteral("actZoomIn")), siZoomIn);
    styleIcon(Action(QStringLiteral("actZoomOut")), siZoomOut);
    FStyleBar->addAction(Action(QStringLiteral("actZoomIn")));
    FStyleBar->addAction(Action(QStringLiteral("actZoomOut")));
}

// ---------------------------------------------------------------------------------
// Style

TStyleToolSpec TfrmLayout::ToolState() const
{
    TStyleToolSpec spec;
    spec.FontName = FFontName->currentText();
    bool ok = false;
    const int size = FFontSize->currentText().trimmed().toInt(&ok);
    spec.FontSize = ok && size > 5 && size < 999 ? size : FDefaultStyle.FontSize;
    spec.Align = 0;
    const char* aligns[] = {"actAlignLeft", "actAlignCenter", "actAlignRight", "actAlignDistribute"};
    for (int i = 0; i < 4; ++i)
        if (QAction* a = Action(QString::fromLatin1(aligns[i])); a && a->isChecked())
            spec.Align = i;
    TFontStyles style = 0;
    const std::pair<const char*, TFontStyle> bits[] = {{"actBold", fsBold},
                                                       {"actItalic", fsItalic},
                                                       {"actUnderline", fsUnderline},
                                                       {"actStrikeOut", fsStrikeOut}};
    for (const auto& [name, bit] : bits)
        if (QAction* a = Action(QString::fromLatin1(name)); a && a->isChecked())
            style |= bit;
    spec.FontStyle = style;
    spec.PenColor = FPenColor;
    spec.FillColor = FFillColor;
    spec.NoFill = FNoFill;
    return spec;
}

void TfrmLayout::SetToolState(const TStyleToolSpec& spec)
{
    FPenColor = spec.PenColor;
    FFillColor = spec.FillColor;
    FNoFill = spec.NoFill;
    ShowToolState(spec);
}

void TfrmLayout::ShowToolState(const TStyleToolSpec& spec)
{
    FShowingTools = true;
    const bool comboFocus = FFontName->hasFocus() || FFontSize->hasFocus() ||
                            (FFontName->lineEdit() && FFontName->lineEdit()->hasFocus()) ||
                            (FFontSize->lineEdit() && FFontSize->lineEdit()->hasFocus());
    if (!comboFocus) {
        if (FFontName->currentText() != spec.FontName)
            FFontName->setEditText(spec.FontName);
        const QString size = QString::number(spec.FontSize);
        if (FFontSize->currentText() != size)
            FFontSize->setEditText(size);
    }
    const char* aligns[] = {"actAlignLeft", "actAlignCenter", "actAlignRight", "actAlignDistribute"};
    if (QAction* a = Action(QString::fromLatin1(aligns[std::clamp(spec.Align, 0, 3)])); a && !a->isChecked())
        a->setChecked(true);
    const std::pair<const char*, TFontStyle> bits[] = {{"actBold", fsBold},
                                                       {"actItalic", fsItalic},
                                                       {"actUnderline", fsUnderline},
                                                       {"actStrikeOut", fsStrikeOut}};
    for (const auto& [name, bit] : bits)
        if (QAction* a = Action(QString::fromLatin1(name)); a && a->isChecked() != bool(spec.FontStyle & bit))
            a->setChecked(spec.FontStyle & bit);
    // The colour buttons show their colour as a bar under the picture.
    auto paintBar = [](QToolButton* button, TColor colour, bool none) {
        const QString tip = button->toolTip().section(QLatin1Char('\n'), 0, 0);
        Q_UNUSED(tip);
        QPixmap pm(16, 16);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        if (!button->property("velmoBaseIcon").isValid())
            button->setProperty("velmoBaseIcon", button->icon());
        const QIcon base = button->property("velmoBaseIcon").value<QIcon>();
        if (!base.isNull())
            p.drawPixmap(0, 0, base.pixmap(16, 16));
        else
            p.drawText(QRect(0, 0, 16, 12), Qt::AlignCenter, button->text().left(1));
        if (none) {
            p.setPen(Qt::black);
            p.drawRect(0, 12, 15, 3);
        } else {
            p.fillRect(0, 12, 16, 4, ToQColor(colour));
        }
        p.end();
        button->setIcon(QIcon(pm));
    };
    paintBar(FPenButton, spec.PenColor, false);
    paintBar(FFillButton, spec.FillColor, spec.NoFill);
    FShowingTools = false;
}

void TfrmLayout::ReadDefaultStyle()
{
    TStyleToolSpec spec;
    const TLayoutSettingsStore& s = Store();
    if (s.ReadString)
        spec.FontName = s.ReadString(QStringLiteral("DefFontName"), spec.FontName);
    if (s.ReadInteger) {
        spec.FontSize = s.ReadInteger(QStringLiteral("DefFontSize"), spec.FontSize);
        spec.PenColor = TColor(s.ReadInteger(QStringLiteral("DefPenColor"), int(spec.PenColor)));
        spec.FillColor = TColor(s.ReadInteger(QStringLiteral("DefBrushColor"), int(spec.FillColor)));
        spec.Align = s.ReadInteger(QStringLiteral("DefAlign"), spec.Align);
        spec.FontStyle = TFontStyles(s.ReadInteger(QStringLiteral("DefStyle"), 0)) & 0x0F;
    }
    // Values no window could have stored fall back to the built-in ones.
    if (spec.FontName.trimmed().isEmpty())
        spec.FontName = TStyleToolSpec().FontName;
    if (spec.FontSize <= 5 || spec.FontSize >= 999)
        spec.FontSize = TStyleToolSpec().FontSize;
    if (spec.Align < 0 || spec.Align > 3)
        spec.Align = 0;
    spec.NoFill = false;
    FDefaultStyle = spec;
}

void TfrmLayout::WriteDefaultStyle()
{
    const TLayoutSettingsStore& s = Store();
    if (s.WriteString)
        s.WriteString(QStringLiteral("DefFontName"), FDefaultStyle.FontName);
    if (s.WriteInteger) {
        s.WriteInteger(QStringLiteral("DefFontSize"), FDefaultStyle.FontSize);
        s.WriteInteger(QStringLiteral("DefPenColor"), int(FDefaultStyle.PenColor));
        s.WriteInteger(QStringLiteral("DefBrushColor"), int(FDefaultStyle.FillColor));
        s.WriteInteger(QStringLiteral("DefAlign"), FDefaultStyle.Align);
        s.WriteInteger(QStringLiteral("DefStyle"), int(FDefaultStyle.FontStyle & 0x0F));
    }
}

void TfrmLayout::UpdateDefaults()
{
    if (!TopSelected())
        FDefaultStyle = ToolState();
}

// Runs a change over the selected objects that offer the interface, as one undo
// step "設定変更".
void TfrmLayout::ApplyStyle(const std::function<void(TDrawObject*)>& change, const QString& iface)
{
    Q_UNUSED(iface);
    TDSOperation op;
    op.ActionType = TActionType::atChange;
    op.ActionString = QStringLiteral("設定変更");
    op.OnEachObject = [&change](TDSOperation*, TDrawObject* target) { change(target); };
    op.Execute(FSite);
    UpdateDefaults();
}

void TfrmLayout::ApplyFontName(const QString& name)
{
    const QString face = name.trimmed();
    if (face.isEmpty())
        return;
    const int charset = FaceCharset(face);
    ApplyStyle(
        [&](TDrawObject* o) {
            if (IDOFont* f = Supports<IDOFont>(o)) {
                TFont font;
                font.Assign(*f->GetFont());
                if (font.Name() == face && font.Charset() == charset)
                    return;
                font.SetName(face);
                font.SetCharset(charset);
                f->SetFont(font);
            }
        },
        QStringLiteral("IDOFont"));
}

bool TfrmLayout::ApplyFontSize(const QString& text)
{
    bool ok = false;
    int n = text.trimmed().toInt(&ok);
    if (!ok)
        n = -1;
    if (!(n > 5 && n < 999)) {
        // Not a size the objects take: they keep theirs, the box shows it again.
        ScheduleIdle();
        return false;
    }
    ApplyStyle(
        [n](TDrawObject* o) {
            if (IDOFont* f = Supports<IDOFont>(o)) {
                if (f->GetFont()->Size() == n)
                    return;
                TFont font;
                font.Assign(*f->GetFont());
                font.SetSize(n);
                f->SetFont(font);
            }
        },
        QStringLiteral("IDOFont"));
    return true;
}

void TfrmLayout::ApplyFontStyle(TFontStyles style)
{
    ApplyStyle(
        [style](TDrawObject* o) {
            if (IDOFont* f = Supports<IDOFont>(o)) {
                if (f->GetFont()->Style() == style)
                    return;
                TFont font;
                font.Assign(*f->GetFont());
                font.SetStyle(style);
                f->SetFont(font);
            }
        },
        QStringLiteral("IDOFont"));
}

void TfrmLayout::ApplyAlign(int align)
{
    ApplyStyle(
        [align](TDrawObject* o) {
            if (IDOAlign* a = Supports<IDOAlign>(o); a && a->GetAlign() != align)
                a->SetAlign(align);
        },
        QStringLiteral("IDOAlign"));
}

void TfrmLayout::ApplyPenColor(TColor color)
{
    FPenColor = color;
    ShowToolState(ToolState());
    ApplyStyle(
        [color](TDrawObject* o) {
            if (IDOLineColor* l = Supports<IDOLineColor>(o)) {
                TColorSpec spec;
                spec.SetColor(color);
                l->SetLineColor(spec);
            }
        },
        QStringLiteral("IDOLineColor"));
}

void TfrmLayout::ApplyFillColor(TColor color, bool noFill)
{
    FNoFill = noFill;
    if (!noFill)
        FFillColor = color;
    ShowToolState(ToolState());
    const TColor fill = FFillColor;
    ApplyStyle(
        [fill, noFill](TDrawObject* o) {
            if (IDOFillColor* f = Supports<IDOFillColor>(o)) {
                TColorSpec spec;
                spec.SetColor(fill);
                f->SetFillColor(spec);
                f->SetNoFill(noFill);
            }
        },
        QStringLiteral("IDOFillColor"));
}

void TfrmLayout::PopupColorGrid(bool fill)
{
    QToolButton* button = fill ? FFillButton : FPenButton;
    QToolButton* other = fill ? FPenButton : FFillButton;
    other->setChecked(false);
    button->setChecked(true);
    TfrmColorGrid& grid = TfrmColorGrid::Instance();
    grid.SetAllowTransparent(fill);
    grid.SetColor(fill ? (FNoFill ? clNone : FFillColor) : FPenColor);
    grid.OnChosen = [this, fill, button](TColor colour) {
        button->setChecked(false);
        if (fill)
            ApplyFillColor(colour == clNone ? FFillColor : colour, colour == clNone);
        else if (colour != clNone)
            ApplyPenColor(colour);
    };
    grid.OnCancel = [button] { button->setChecked(false); };
    grid.PopupAt(button->mapToGlobal(QPoint(0, button->height())));
}

void TfrmLayout::PrepareNewObject(TLabelObject* object)
{
    if (!object)
        return;
    // 1. The tool state.
    const TStyleToolSpec spec = ToolState();
    if (IDOFillColor* f = Supports<IDOFillColor>(object)) {
        TColorSpec fill;
        fill.SetColor(spec.FillColor);
        f->SetFillColor(fill);
        f->SetNoFill(spec.NoFill);
    }
    if (IDOLineColor* l = Supports<IDOLineColor>(object)) {
        TColorSpec line;
        line.SetColor(spec.PenColor);
        l->SetLineColor(line);
    }
    if (IDOFont* f = Supports<IDOFont>(object)) {
        TFont font;
        font.Assign(*f->GetFont());
        font.SetName(spec.FontName);
        font.SetCharset(FaceCharset(spec.FontName));
        font.SetSize(spec.FontSize);
        font.SetStyle(spec.FontStyle);
        f->SetFont(font);
    }
    if (IDOAlign* a = Supports<IDOAlign>(object))
        a->SetAlign(spec.Align);
    // 2. The topmost selected object's look, complete (gradients and patterns too).
    if (TDrawObject* top = TopSelected(); top && top != object) {
        IDOFillColor* sf = Supports<IDOFillColor>(top);
        IDOFillColor* df = Supports<IDOFillColor>(object);
        if (sf && df && sf->GetFillColor()) {
            df->SetFillColor(*sf->GetFillColor());
            df->SetNoFill(sf->GetNoFill());
        }
        IDOLineColor* sl = Supports<IDOLineColor>(top);
        IDOLineColor* dl = Supports<IDOLineColor>(object);
        if (sl && dl && sl->GetLineColor())
            dl->SetLineColor(*sl->GetLineColor());
        IDOFont* sfo = Supports<IDOFont>(top);
        IDOFont* dfo = Supports<IDOFont>(object);
        if (sfo && dfo && sfo->GetFont())
            dfo->SetFont(*sfo->GetFont());
        IDOAlign* sa = Supports<IDOAlign>(top);
        IDOAlign* da = Supports<IDOAlign>(object);
        if (sa && da)
            da->SetAlign(sa->GetAlign());
    }
    // 3.
    AttachObject(object);
    // 4. A background covers the face in its shape.
    if (auto* back = dynamic_cast<TLOBackImage*>(object)) {
        back->SetFaceInfo(*FFaceInfo);
        back->FitToFace({0, 0, FSite->LogWidth(), FSite->LogHeight()});
    } else if (IDOBackImage* b = Supports<IDOBackImage>(object)) {
        b->FitToFace({0, 0, FSite->LogWidth(), FSite->LogHeight()});
    }
}

void TfrmLayout::SyncFromSelection()
{
    TDrawObject* top = TopSelected();
    if (!top)
        return;
    TStyleToolSpec spec = ToolState();
    if (IDOFillColor* f = Supports<IDOFillColor>(top)) {
        if (f->GetFillColor())
            spec.FillColor = f->GetFillColor()->Color();
        spec.NoFill = f->GetNoFill();
    }
    if (IDOLineColor* l = Supports<IDOLineColor>(top); l && l->GetLineColor())
        spec.PenColor = l->GetLineColor()->Color();
    if (IDOFont* f = Supports<IDOFont>(top); f && f->GetFont()) {
        spec.FontName = f->GetFont()->Name();
        spec.FontSize = f->GetFont()->Size();
        spec.FontStyle = f->GetFont()->Style() & 0x0F;
    }
    if (IDOAlign* a = Supports<IDOAlign>(top))
        spec.Align = a->GetAlign();
    if (spec != ToolState())
        SetToolState(spec);
}

} // namespace velmo
