#include "objects/FShapeDialogs.h"
#include "draw/FDrawSite.h"
#include "draw/UGuide.h"
#include "imaging/FColorSpec.h"
#include "imaging/UColorSpec.h"
#include "imaging/UPictureFormats.h"
#include "objects/UDOGroup.h"
#include "objects/ULDObjects.h"
#include "objects/ULOLine.h"
#include "objects/ULORect.h"
#include "ui/FPosition.h"
#include <QButtonGroup>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velmo {

namespace {

std::function<QString()>& FolderLocator()
{
    static std::function<QString()> locator;
    return locator;
}

std::function<int(QDialog&)>& DialogRunner()
{
    static std::function<int(QDialog&)> runner;
    return runner;
}

// Tabs last used, per class, while the application runs.
QHash<QString, int>& RememberedTabs()
{
    static QHash<QString, int> tabs;
    return tabs;
}

int& RememberedPattern()
{
    static int index = 0;
    return index;
}

int& RememberedAlign()
{
    static int choice = 0;
    return choice;
}

int& RememberedAdjust()
{
    static int choice = 0;
    return choice;
}

QDialogButtonBox* OkCancel(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// The four end-point fields of lines, with their hints.
QWidget* PointFields(std::vector<TMillimetreEdit*>& edits, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* grid = new QGridLayout(box);
    const char* captions[] = {"始点Ｘ(&A)", "始点Ｙ(&B)", "終点Ｘ(&C)", "終点Ｙ(&D)"};
    for (int i = 0; i < 4; ++i) {
        auto* edit = new TMillimetreEdit(0, 10000, box);
        edit->setToolTip(i % 2 == 0 ? QStringLiteral("ﾗﾍﾞﾙの左端からの位置を指定します")
                                    : QStringLiteral("ﾗﾍﾞﾙの上端からの位置を指定します"));
        grid->addWidget(Caption(QString::fromUtf8(captions[i]), edit, box), i / 2, (i % 2) * 2);
        grid->addWidget(edit, i / 2, (i % 2) * 2 + 1);
        edits.push_back(edit);
    }
    return box;
}

void LoadPoints(const std::vector<TMillimetreEdit*>& edits, const TLOLine* line)
{
    edits[0]->SetValue(line->StartX());
    edits[1]->SetValue(line->StartY());
    edits[2]->SetValue(line->EndX());
    edits[3]->SetValue(line->EndY());
}

TPositionRecord FlagsRecord(const TLabelObject* object)
{
    TPositionRecord record;
    record.Lock = !object->Movable();
    record.DontPrint = object->DontPrint();
    return record;
}

QString TabKey(const QObject* dialog, const TLabelObject* object)
{
    return QString::fromLatin1(object->ClassName()) + QLatin1Char('/') + dialog->objectName();
}

} // namespace

void SetDecoLineFolderLocator(std::function<QString()> locator)
{
    FolderLocator() = std::move(locator);
}

QString DecoLineFolder()
{
    if (FolderLocator())
        return FolderLocator()();
    return BuiltDecoLineFolder();
}

QString BuiltDecoLineFolder()
{
    const QString exe = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {exe + QStringLiteral("/../data/ILLUST/DecoLine"), exe + QStringLiteral("/data/ILLUST/DecoLine"),
          exe + QStringLiteral("/../share/velmo/ILLUST/DecoLine"),
          exe + QStringLiteral("/../../data/ILLUST/DecoLine")})
        if (QFileInfo(candidate).isDir())
            return QDir::cleanPath(candidate);
    return {};
}

QStringList DecoLinePatternFiles(const QString& folder)
{
    if (folder.isEmpty())
        return {};
    QDir dir(folder);
    QStringList files;
    for (const QFileInfo& info : dir.entryInfoList(QDir::Files, QDir::Name))
        files << info.absoluteFilePath();
    return files;
}

// ---------------------------------------------------------------------------------
// Lines and arcs

TfrmLineProperty::TfrmLineProperty(TLOLine* line, QWidget* parent)
    : QDialog(parent), FLine(line), FTabs(new QTabWidget(this)), FColor(new TfrmColorSpec(this)),
      FWidth(new TMillimetreEdit(0, 200, this)), FPosition(new TfrmPosition(this))
{
    const bool arc = dynamic_cast<TLOCurve*>(line) != nullptr;
    setObjectName(QStringLiteral("frmLineProperty"));
    setWindowTitle(arc ? QStringLiteral("円弧の設定") : QStringLiteral("直線の設定"));
    auto* colorPage = new QWidget(FTabs);
    auto* colorLayout = new QVBoxLayout(colorPage);
    colorLayout->addWidget(FColor);
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(Caption(QStringLiteral("線の太さ(&F)"), FWidth, colorPage));
    widthRow->addWidget(FWidth);
    widthRow->addStretch(1);
    colorLayout->addLayout(widthRow);
    FTabs->addTab(colorPage, QStringLiteral("線色"));

    auto* positionPage = new QWidget(FTabs);
    auto* positionLayout = new QVBoxLayout(positionPage);
    positionLayout->addWidget(PointFields(FPoints, positionPage));
    FPosition->SetFlagsOnly(true);
    positionLayout->addWidget(FPosition);
    positionLayout->addStretch(1);
    FTabs->addTab(positionPage, QStringLiteral("位置"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FTabs);
    layout->addWidget(OkCancel(this));

    FColor->LoadSpec(*line->LineColor());
    FWidth->SetValue(line->LineWidth());
    LoadPoints(FPoints, line);
    FPosition->SetRecord(FlagsRecord(line));
    FTabs->setCurrentIndex(RememberedTabs().value(TabKey(this, line), 0));
}

void TfrmLineProperty::done(int result)
{
    RememberedTabs().insert(TabKey(this, FLine), FTabs->currentIndex());
    QDialog::done(result);
}

void TfrmLineProperty::Apply()
{
    TColorSpec color;
    FColor->GetSpec(color);
    FLine->SetLineColor(color);
    FLine->SetLineWidth(FWidth->Value());
    FLine->SetStartX(FPoints[0]->Value());
    FLine->SetStartY(FPoints[1]->Value());
    FLine->SetEndX(FPoints[2]->Value());
    FLine->SetEndY(FPoints[3]->Value());
    const TPositionRecord record = FPosition->Record();
    FLine->SetMovable(!record.Lock);
    FLine->SetDontPrint(record.DontPrint);
}

// ---------------------------------------------------------------------------------
// Rectangles and ellipses

TfrmRectProperty::TfrmRectProperty(TLORect* rect, QWidget* parent)
    : QDialog(parent), FRect(rect), FTabs(new QTabWidget(this)), FFrameColor(new TfrmColorSpec(this)),
      FFrameWidth(new TMillimetreEdit(0, 200, this)),
      FRound(new QCheckBox(QStringLiteral("角を丸くする(&R)"), this)),
      FClear(new QRadioButton(QStringLiteral("透明にする(&T)"), this)),
      FFill(new QRadioButton(QStringLiteral("色で塗りつぶす(&F)"), this)),
      FFillColor(new TfrmColorSpec(this)), FPosition(new TfrmPosition(this))
{
    const bool circle = dynamic_cast<TLOCircle*>(rect) != nullptr;
    setObjectName(QStringLiteral("frmRectProperty"));
    setWindowTitle(circle ? QStringLiteral("円図形の設定") : QStringLiteral("四角図形の設定"));

    auto* framePage = new QWidget(FTabs);
    auto* frameLayout = new QVBoxLayout(framePage);
    frameLayout->addWidget(FFrameColor);
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(Caption(QStringLiteral("枠線の太さ(&F)"), FFrameWidth, framePage));
    widthRow->addWidget(FFrameWidth);
    widthRow->addStretch(1);
    frameLayout->addLayout(widthRow);
    frameLayout->addWidget(FRound);
    FRound->setVisible(!circle);
    FTabs->addTab(framePage, QStringLiteral("枠線"));

    auto* fillPage = new QWidget(FTabs);
    auto* fillLayout = new QVBoxLayout(fillPage);
    auto* choice = new QButtonGroup(fillPage);
    choice->addButton(FClear, 0);
    choice->addButton(FFill, 1);
    fillLayout->addWidget(FClear);
    fillLayout->addWidget(FFill);
    fillLayout->addWidget(FFillColor);
    FTabs->addTab(fillPage, QStringLiteral("塗り色"));

    auto* positionPage = new QWidget(FTabs);
    auto* positionLayout = new QVBoxLayout(positionPage);
    positionLayout->addWidget(FPosition);
    positionLayout->addStretch(1);
    FTabs->addTab(positionPage, QStringLiteral("位置"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FTabs);
    layout->addWidget(OkCancel(this));

    FFrameColor->LoadSpec(*rect->FrameColor());
    FFillColor->LoadSpec(*rect->FillColor());
    FFrameWidth->SetValue(rect->FrameWidth());
    FRound->setChecked(rect->RoundRect());
    (rect->FillInside() ? FFill : FClear)->setChecked(true);
    TPositionRecord record = FlagsRecord(rect);
    record.Angle = rect->Angle();
    record.Left = rect->BaseRect().Left;
    record.Top = rect->BaseRect().Top;
    record.Width = rect->BaseRect().Width();
    record.Height = rect->BaseRect().Height();
    FPosition->SetRecord(record);
    QObject::connect(FFill, &QRadioButton::toggled, this, [this] { UpdateEnabled(); });
    UpdateEnabled();
    FTabs->setCurrentIndex(RememberedTabs().value(TabKey(this, rect), 0));
}

void TfrmRectProperty::UpdateEnabled()
{
    FFillColor->setEnabled(FFill->isChecked());
}

void TfrmRectProperty::done(int result)
{
    RememberedTabs().insert(TabKey(this, FRect), FTabs->currentIndex());
    QDialog::done(result);
}

void TfrmRectProperty::Apply()
{
    const TPositionRecord record = FPosition->Record();
    FRect->SetAngle(record.Angle);
    FRect->SetMovable(!record.Lock);
    FRect->SetDontPrint(record.DontPrint);
    FRect->SetPropLeft(record.Left);
    FRect->SetPropTop(record.Top);
    FRect->SetPropWidth(record.Width);
    FRect->SetPropHeight(record.Height);
    TColorSpec frame, fill;
    FFrameColor->GetSpec(frame);
    FFillColor->GetSpec(fill);
    FRect->SetLineColor(frame);
    FRect->SetFillColor(fill);
    FRect->SetFrameWidth(FFrameWidth->Value());
    FRect->SetFillInside(FFill->isChecked());
    if (!dynamic_cast<TLOCircle*>(FRect))
        FRect->SetRoundRect(FRound->isChecked());
}

// ---------------------------------------------------------------------------------
// Decorative lines

TfrmDecoLineSelect::TfrmDecoLineSelect(TLODecoLine* line, const QString& folder, QWidget* parent)
    : QDialog(parent), FLine(line), FFiles(DecoLinePatternFiles(folder)), FTabs(new QTabWidget(this)),
      FList(new QListWidget(this)), FWidth(new TMillimetreEdit(1, 200, this)),
      FPosition(new TfrmPosition(this))
{
    setObjectName(QStringLiteral("frmDecoLineSelect"));
    setWindowTitle(QStringLiteral("飾り罫線の選択"));
    FList->setViewMode(QListView::IconMode);
    FList->setIconSize(QSize(180, 30));
    FList->setGridSize(QSize(196, 40));
    FList->setMovement(QListView::Static);
    FList->setResizeMode(QListView::Adjust);
    FList->setMinimumSize(420, 300);
    for (const QString& file : FFiles) {
        QImageReader reader(file);
        reader.setAllocationLimit(64);
        const QImage tile = reader.read();
        // Three tiles side by side show what the line looks like.
        QImage sample(180, 30, QImage::Format_RGB32);
        sample.fill(QColor(240, 240, 240));
        if (!tile.isNull()) {
            QPainter p(&sample);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            const int w = tile.height() > 0 ? std::max(1, tile.width() * 30 / tile.height()) : 30;
            for (int x = 0; x < 180; x += w)
                p.drawImage(QRect(x, 0, w, 30), tile);
        }
        // The tile's transparent grey shows as the paper it will lie on.
        for (int y = 0; y < sample.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(sample.scanLine(y));
            for (int x = 0; x < sample.width(); ++x)
                if ((row[x] & 0xFFFFFF) == 0xF0F0F0)
                    row[x] = qRgb(255, 255, 255);
        }
        auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(sample)), QString(), FList);
        item->setToolTip(QFileInfo(file).completeBaseName());
        item->setSizeHint(QSize(190, 36));
    }
    if (FList->count() > 0)
        FList->setCurrentRow(std::clamp(RememberedPattern(), 0, FList->count() - 1));
    QObject::connect(FList, &QListWidget::itemDoubleClicked, this, [this] { accept(); });
    FTabs->addTab(FList, QStringLiteral("パターン"));

    auto* positionPage = new QWidget(FTabs);
    auto* positionLayout = new QVBoxLayout(positionPage);
    auto* widthRow = new QHBoxLayout;
    widthRow->addWidget(Caption(QStringLiteral("線の太さ(&F)"), FWidth, positionPage));
    widthRow->addWidget(FWidth);
    widthRow->addStretch(1);
    positionLayout->addLayout(widthRow);
    QWidget* points = PointFields(FPoints, positionPage);
    positionLayout->addWidget(points);
    FPosition->SetFlagsOnly(true);
    positionLayout->addWidget(FPosition);
    positionLayout->addStretch(1);
    FTabs->addTab(positionPage, QStringLiteral("位置"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FTabs);
    layout->addWidget(OkCancel(this));

    FWidth->SetValue(line->LineWidth());
    LoadPoints(FPoints, line);
    FPosition->SetRecord(FlagsRecord(line));
    // A line being created takes its size from the tile.
    const bool placed = line->OnSite();
    FWidth->setEnabled(placed);
    points->setEnabled(placed);
}

void TfrmDecoLineSelect::done(int result)
{
    if (FList->currentRow() >= 0)
        RememberedPattern() = FList->currentRow();
    QDialog::done(result);
}

void TfrmDecoLineSelect::Apply()
{
    const int row = FList->currentRow();
    if (row >= 0 && row < FFiles.size()) {
        TPicture picture;
        QImageReader reader(FFiles[row]);
        const QImage tile = reader.read();
        if (!tile.isNull()) {
            auto bitmap = std::make_unique<TBitmap>();
            bitmap->SetImage(tile.convertToFormat(QImage::Format_RGB888));
            picture.SetGraphic(std::move(bitmap));
            FLine->SetImage(&picture);
        }
    }
    const bool placed = FLine->OnSite();
    if (placed) {
        FLine->SetLineWidth(FWidth->Value());
        FLine->SetStartX(FPoints[0]->Value());
        FLine->SetStartY(FPoints[1]->Value());
        FLine->SetEndX(FPoints[2]->Value());
        FLine->SetEndY(FPoints[3]->Value());
    }
    const TPositionRecord record = FPosition->Record();
    FLine->SetMovable(!record.Lock);
    FLine->SetDontPrint(record.DontPrint);
    if (!placed)
        FLine->FitToTile();
}

// ---------------------------------------------------------------------------------
// Alignment, adjustment, grid

namespace {

// A small sample of an alignment: three bars and the guide line they meet.
QIcon AlignSample(int kind)
{
    QImage image(48, 36, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 160));
    const int lens[3] = {26, 14, 20};
    for (int i = 0; i < 3; ++i) {
        const int l = lens[i];
        switch (kind) {
        case 0:
            p.drawRect(6, 5 + i * 10, l, 6);
            break;
        case 1:
            p.drawRect(42 - l, 5 + i * 10, l, 6);
            break;
        case 2:
            p.drawRect(5 + i * 14, 5, 8, l);
            break;
        case 3:
            p.drawRect(5 + i * 14, 31 - l, 8, l);
            break;
        case 4:
            p.drawRect(4 + i * 15, 10 + i * 4, 10, 8);
            break;
        default:
            p.drawRect(8 + i * 9, 3 + i * 11, 14, 6);
            break;
        }
    }
    p.setPen(QPen(Qt::red, 1, Qt::DashLine));
    if (kind == 0)
        p.drawLine(6, 0, 6, 36);
    else if (kind == 1)
        p.drawLine(41, 0, 41, 36);
    else if (kind == 2)
        p.drawLine(0, 5, 48, 5);
    else if (kind == 3)
        p.drawLine(0, 30, 48, 30);
    p.end();
    return QIcon(QPixmap::fromImage(image));
}

} // namespace

TfrmAlign::TfrmAlign(QWidget* parent) : QDialog(parent), FGroup(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("frmAlign"));
    setWindowTitle(QStringLiteral("位置揃え"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    const char* captions[] = {"左端で揃える", "右端で揃える",         "上端で揃える",
                              "下端で揃える", "左右間隔を均等にする", "上下間隔を均等にする"};
    for (int i = 0; i < 6; ++i) {
        auto* button = new QRadioButton(QString::fromUtf8(captions[i]), this);
        button->setIcon(AlignSample(i));
        button->setIconSize(QSize(48, 36));
        FGroup->addButton(button, i);
        grid->addWidget(button, i / 2, i % 2);
    }
    FGroup->button(std::clamp(RememberedAlign(), 0, 5))->setChecked(true);
    layout->addLayout(grid);
    layout->addWidget(OkCancel(this));
}

TAlignKind TfrmAlign::Choice() const
{
    return TAlignKind(std::max(0, FGroup->checkedId()));
}

void TfrmAlign::done(int result)
{
    if (result == QDialog::Accepted)
        RememberedAlign() = FGroup->checkedId();
    QDialog::done(result);
}

TfrmFaceAdjust::TfrmFaceAdjust(QWidget* parent) : QDialog(parent), FGroup(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("frmFaceAdjust"));
    setWindowTitle(QStringLiteral("位置合わせ"));
    auto* layout = new QVBoxLayout(this);
    auto* box = new QGroupBox(QStringLiteral("位置合わせ方法(&L)"), this);
    auto* boxLayout = new QGridLayout(box);
    const char* captions[] = {"左端に移動する",         "右端に移動する",        "上端に移動する",
                              "下端に移動する",         "上下中央に移動する",    "左右中央に移動する",
                              "中心に対して垂直にする", "中心に対して水平にする"};
    for (int i = 0; i < 8; ++i) {
        auto* button = new QRadioButton(QString::fromUtf8(captions[i]), box);
        FGroup->addButton(button, i);
        boxLayout->addWidget(button, i % 4, i / 4);
    }
    FGroup->button(std::clamp(RememberedAdjust(), 0, 7))->setChecked(true);
    layout->addWidget(box);
    layout->addWidget(OkCancel(this));
}

TFaceAdjust TfrmFaceAdjust::Choice() const
{
    return TFaceAdjust(std::max(0, FGroup->checkedId()));
}

void TfrmFaceAdjust::done(int result)
{
    if (result == QDialog::Accepted)
        RememberedAdjust() = FGroup->checkedId();
    QDialog::done(result);
}

TfrmGridSettings::TfrmGridSettings(TGrid& grid, QWidget* parent)
    : QDialog(parent), FGrid(grid), FSize(new TMillimetreEdit(10, TGrid::kMaxSize, this)),
      FEnabled(new QCheckBox(QStringLiteral("吸着する(&F)"), this)),
      FVisible(new QCheckBox(QStringLiteral("表示する(&V)"), this)), FShape(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("frmGridSettings"));
    setWindowTitle(QStringLiteral("グリッド設定"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    row->addWidget(Caption(QStringLiteral("グリッド間隔(&G)"), FSize, this));
    row->addWidget(FSize);
    layout->addLayout(row);
    layout->addWidget(FEnabled);
    layout->addWidget(FVisible);
    auto* shapeBox = new QGroupBox(QStringLiteral("表示方法(&D)"), this);
    auto* shapeLayout = new QHBoxLayout(shapeBox);
    auto* dots = new QRadioButton(QStringLiteral("点"), shapeBox);
    auto* lines = new QRadioButton(QStringLiteral("線"), shapeBox);
    FShape->addButton(dots, 0);
    FShape->addButton(lines, 1);
    shapeLayout->addWidget(dots);
    shapeLayout->addWidget(lines);
    FShapeWidgets = {shapeBox};
    layout->addWidget(shapeBox);
    layout->addWidget(OkCancel(this));
    FSize->SetValue(grid.Size());
    FEnabled->setChecked(grid.Enabled());
    FVisible->setChecked(grid.Visible());
    (grid.LineShape() ? lines : dots)->setChecked(true);
    QObject::connect(FVisible, &QCheckBox::toggled, this, [this] { UpdateEnabled(); });
    UpdateEnabled();
}

void TfrmGridSettings::UpdateEnabled()
{
    for (QWidget* w : FShapeWidgets)
        w->setEnabled(FVisible->isChecked());
}

void TfrmGridSettings::Apply()
{
    const int size = FSize->Value();
    if (size >= 10 && size <= TGrid::kMaxSize)
        FGrid.SetSize(size);
    FGrid.SetEnabled(FEnabled->isChecked());
    FGrid.SetVisible(FVisible->isChecked());
    FGrid.SetLineShape(FShape->checkedId() == 1);
}

void TfrmGridSettings::done(int result)
{
    if (result == QDialog::Accepted)
        Apply();
    QDialog::done(result);
}

// ---------------------------------------------------------------------------------
// The designer

void TShapeDesigner::SetDialogRunner(std::function<int(QDialog&)> runner)
{
    DialogRunner() = std::move(runner);
}

static int RunDialog(QDialog& dialog)
{
    if (DialogRunner())
        return DialogRunner()(dialog);
    return dialog.exec();
}

bool TShapeDesigner::EditObject(TLabelObject* object, bool& cancelled)
{
    QWidget* parent = object->Site() ? object->Site()->window() : nullptr;
    auto commit = [&](auto& dialog) {
        cancelled = RunDialog(dialog) != QDialog::Accepted;
        if (cancelled)
            return;
        auto action = object->OnSite() ? std::make_unique<TDOChangeAction>(object, QStringLiteral("設定変更"))
                                       : nullptr;
        dialog.Apply();
        TDOChangeAction::Commit(std::move(action));
    };
    if (auto* deco = dynamic_cast<TLODecoLine*>(object)) {
        const QString folder = DecoLineFolder();
        if (folder.isEmpty()) {
            // Nothing to choose from: the edit counts as cancelled.
            cancelled = true;
            return true;
        }
        TfrmDecoLineSelect dialog(deco, folder, parent);
        commit(dialog);
        return true;
    }
    if (auto* line = dynamic_cast<TLOLine*>(object)) {
        TfrmLineProperty dialog(line, parent);
        commit(dialog);
        return true;
    }
    if (auto* rect = dynamic_cast<TLORect*>(object)) {
        TfrmRectProperty dialog(rect, parent);
        commit(dialog);
        return true;
    }
    return false;
}

void RegisterShapeClasses()
{
    if (!FindLabelClassByName(QStringLiteral("TLOLine")))
        RegisterLabelClass<TLOLine>();
    if (!FindLabelClassByName(QStringLiteral("TLODecoLine")))
        RegisterLabelClass<TLODecoLine>();
    if (!FindLabelClassByName(QStringLiteral("TLOCurve")))
        RegisterLabelClass<TLOCurve>();
    if (!FindLabelClassByName(QStringLiteral("TLOCircle")))
        RegisterLabelClass<TLOCircle>();
    if (!FindLabelClassByName(QStringLiteral("TDOGroup")))
        RegisterLabelClass<TDOGroup>();
    RegisterTargetClass<TLOLine>();
    RegisterTargetClass<TLOCurve>();
    RegisterTargetClass<TLODecoLine>();
    RegisterTargetClass<TLORect>();
    RegisterTargetClass<TLOCircle>();
    static bool designer = false;
    if (!designer) {
        designer = true;
        TDesignerList::Instance().Register(std::make_shared<TShapeDesigner>());
    }
}

} // namespace velmo
