#include "ui/FPosition.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>
#include <algorithm>
#include <cmath>

namespace velmo {

TMillimetreEdit::TMillimetreEdit(int minimum, int maximum, QWidget* parent)
    : QWidget(parent), FSpin(new QDoubleSpinBox(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FSpin->setDecimals(1);
    FSpin->setRange(minimum / 10.0, maximum / 10.0);
    FSpin->setSingleStep(1.0);
    FSpin->setAlignment(Qt::AlignRight);
    FSpin->setKeyboardTracking(false);
    layout->addWidget(FSpin, 1);
    layout->addWidget(new QLabel(QStringLiteral("mm"), this));
    setFocusProxy(FSpin);
    QObject::connect(FSpin, &QDoubleSpinBox::valueChanged, this, [this] {
        if (OnChange)
            OnChange();
    });
}

int TMillimetreEdit::Value() const
{
    // One decimal of millimetres is exactly one logical unit; round away the
    // binary fraction the spin box keeps.
    return static_cast<int>(std::lround(FSpin->value() * 10.0));
}

void TMillimetreEdit::SetValue(int units)
{
    FSpin->setValue(units / 10.0);
}

namespace {

QLabel* Caption(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

} // namespace

TfrmPosition::TfrmPosition(QWidget* parent)
    : QGroupBox(QStringLiteral("位置"), parent), FAngle(new QSpinBox(this)),
      FLock(new QCheckBox(QStringLiteral("ロックする(&K)"), this)),
      FDontPrint(new QCheckBox(QStringLiteral("印刷しない(&P)"), this)),
      FAutoSize(new QCheckBox(QStringLiteral("自動サイズ調整(&A)"), this)),
      FLeft(new TMillimetreEdit(-10000, 10000, this)), FTop(new TMillimetreEdit(-10000, 10000, this)),
      FWidth(new TMillimetreEdit(20, 10000, this)), FHeight(new TMillimetreEdit(20, 10000, this))
{
    setObjectName(QStringLiteral("frmPosition"));
    FAngle->setRange(-360, 360);
    FAngle->setSuffix(QStringLiteral(" 度"));
    FAngle->setAlignment(Qt::AlignRight);
    FAngle->setKeyboardTracking(false);
    FLock->setToolTip(QStringLiteral("移動やｻｲｽﾞ変更できないようにします"));
    FDontPrint->setToolTip(QStringLiteral("ﾗﾍﾞﾙｼｰﾄ印刷時に印刷しないようにします"));
    FAutoSize->setToolTip(QStringLiteral("ｵﾌﾞｼﾞｪｸﾄの幅と高さを自動的に調整します"));
    FLeft->setToolTip(QStringLiteral("ﾗﾍﾞﾙの左端からの位置を指定します"));
    FTop->setToolTip(QStringLiteral("ﾗﾍﾞﾙの上端からの位置を指定します"));
    FAutoSize->hide();

    auto* grid = new QGridLayout(this);
    auto add = [&](QWidget* w, int row, int column) {
        grid->addWidget(w, row, column);
        FGeometryWidgets.push_back(w);
    };
    add(Caption(QStringLiteral("回転(&R)"), FAngle, this), 0, 0);
    add(FAngle, 0, 1);
    grid->addWidget(FLock, 1, 0, 1, 2);
    grid->addWidget(FDontPrint, 2, 0, 1, 2);
    grid->addWidget(FAutoSize, 3, 0, 1, 2);
    add(Caption(QStringLiteral("左(&L)"), FLeft, this), 0, 2);
    add(FLeft, 0, 3);
    add(Caption(QStringLiteral("上(&T)"), FTop, this), 1, 2);
    add(FTop, 1, 3);
    add(Caption(QStringLiteral("幅(&W)"), FWidth, this), 2, 2);
    add(FWidth, 2, 3);
    add(Caption(QStringLiteral("高さ(&H)"), FHeight, this), 3, 2);
    add(FHeight, 3, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);

    QObject::connect(FAngle, &QSpinBox::valueChanged, this, [this] { Changed(); });
    for (QCheckBox* box : {FLock, FDontPrint, FAutoSize})
        QObject::connect(box, &QCheckBox::toggled, this, [this] {
            UpdateEnabled();
            Changed();
        });
    for (TMillimetreEdit* edit : {FLeft, FTop})
        edit->OnChange = [this] { Changed(); };
    // Once the user touches a size, the edit's value is the size.
    FWidth->OnChange = [this] {
        if (!FUpdating)
            FKeptWidth = -1;
        Changed();
    };
    FHeight->OnChange = [this] {
        if (!FUpdating)
            FKeptHeight = -1;
        Changed();
    };
    UpdateEnabled();
}

void TfrmPosition::SetRecord(const TPositionRecord& record)
{
    FUpdating = true;
    FAngle->setValue(std::clamp(record.Angle, -360, 360));
    FLock->setChecked(record.Lock);
    FDontPrint->setChecked(record.DontPrint);
    FAutoSize->setVisible(record.AutoSizeOffered);
    FAutoSize->setChecked(record.AutoSizeOffered && record.AutoSize);
    FLeft->SetValue(record.Left);
    FTop->SetValue(record.Top);
    FWidth->SetValue(record.Width);
    FHeight->SetValue(record.Height);
    // A size outside the edits' range (an object smaller than 2 mm) comes back as it
    // was unless the user changes it.
    FKeptWidth = record.Width;
    FKeptHeight = record.Height;
    FUpdating = false;
    UpdateEnabled();
}

TPositionRecord TfrmPosition::Record() const
{
    TPositionRecord record;
    record.Angle = FAngle->value();
    record.Lock = FLock->isChecked();
    record.DontPrint = FDontPrint->isChecked();
    record.AutoSizeOffered = !FAutoSize->isHidden();
    record.AutoSize = record.AutoSizeOffered && FAutoSize->isChecked();
    record.Left = FLeft->Value();
    record.Top = FTop->Value();
    record.Width = FWidth->Value();
    record.Height = FHeight->Value();
    if (FKeptWidth >= 0)
        record.Width = FKeptWidth;
    if (FKeptHeight >= 0)
        record.Height = FKeptHeight;
    return record;
}

void TfrmPosition::SetFlagsOnly(bool value)
{
    for (QWidget* w : FGeometryWidgets)
        w->setVisible(!value);
}

void TfrmPosition::UpdateEnabled()
{
    // Width and height mean nothing while the object sizes itself.
    const bool manualSize = FAutoSize->isHidden() || !FAutoSize->isChecked();
    FWidth->setEnabled(manualSize);
    FHeight->setEnabled(manualSize);
}

void TfrmPosition::Changed()
{
    if (!FUpdating && OnChange)
        OnChange();
}

} // namespace velmo
