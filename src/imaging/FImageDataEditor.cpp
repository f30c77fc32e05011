#include "imaging/FImageDataEditor.h"

#include "base/UModalResult.h"
#include "draw/UNotify.h"
#include "imaging/FEffectEditor.h"
#include "imaging/FImagePanels.h"
#include "imaging/UImageData.h"
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velmo {

TfrmImageDataEditor::TfrmImageDataEditor(QWidget* parent)
    : QDialog(parent), FData(std::make_unique<TImageData>()),
      FListener(std::make_unique<TListener>([this](TComponent*, const TGUID& kind) {
          if (kind == nkChanged)
              DataChanged();
      }))
{
    setObjectName(QStringLiteral("frmImageDataEditor"));
    setWindowTitle(QStringLiteral("透過色・切抜きの設定"));
    FTabs = new QTabWidget(this);
    FTransparent = new TfrmTransparentEditor(FTabs);
    FClip = new TfrmClipEditor(FTabs);
    FEffect = new TfrmEffectEditor(FTabs);
    FTabs->addTab(FTransparent, QStringLiteral("イメージ"));
    FTabs->addTab(FClip, QStringLiteral("切り抜き"));
    FTabs->addTab(FEffect, QStringLiteral("画質調整"));
    FPreview = new TPicturePreview(this);
    FPreview->setMinimumSize(180, 180);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { done(mrOk); });
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { done(mrCancel); });

    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("プレビュー"), this));
    right->addWidget(FPreview, 1);
    auto* body = new QHBoxLayout;
    body->addWidget(FTabs, 3);
    body->addLayout(right, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(buttons);
    resize(720, 460);

    FTransparent->SetImageData(FData.get());
    FClip->SetImageData(FData.get());
    FEffect->SetImageData(FData.get());
    FPreview->SetImageData(FData.get());
    FListener->ListenTo(&FData->Notify());
    DataChanged();
}

TfrmImageDataEditor::~TfrmImageDataEditor()
{
    // The pages stop listening before the image data goes.
    FListener.reset();
    FTransparent->SetImageData(nullptr);
    FClip->SetImageData(nullptr);
    FEffect->SetImageData(nullptr);
    FPreview->SetImageData(nullptr);
}

void TfrmImageDataEditor::SetFace(const TClipFace* face)
{
    FHasFace = face != nullptr;
    if (face)
        FFace = *face;
}

void TfrmImageDataEditor::SetTiled(bool tiled)
{
    FTiled = tiled;
}

void TfrmImageDataEditor::SetNoReselect(bool noReselect)
{
    FNoReselect = noReselect;
}

void TfrmImageDataEditor::SetPictureChooser(TPictureChooser chooser)
{
    FTransparent->SetPictureChooser(std::move(chooser));
}

void TfrmImageDataEditor::SetImageData(const TImageData& data)
{
    FData->Assign(data);
}

void TfrmImageDataEditor::Prepare()
{
    FTransparent->SetChooserKind(FNoReselect ? 3 : FHasFace ? 1 : FIllustration ? 2 : 0);
    FClip->SetFace(FHasFace && !FTiled ? &FFace : nullptr);
}

void TfrmImageDataEditor::DataChanged()
{
    // The trimming filter takes every picture; the effects need a bitmap or JPEG.
    FTabs->setTabEnabled(1, FData->ClipFilter()->CanApply(*FData->Picture()) || FData->IsEmpty());
    FTabs->setTabEnabled(2, FData->BlurFilter()->CanApply(*FData->Picture()));
}

int TfrmImageDataEditor::Execute()
{
    Prepare();
    if (FData->IsEmpty()) {
        FTransparent->ChooseAgain();
        if (FData->IsEmpty())
            return mrCancel;
    }
    return exec();
}

bool TfrmImageDataEditor::Edit(QWidget* parent, TImageData& data, const TClipFace* face, bool tiled,
                               bool noReselect)
{
    TfrmImageDataEditor dialog(parent);
    dialog.SetFace(face);
    dialog.SetTiled(tiled);
    dialog.SetNoReselect(noReselect);
    dialog.SetImageData(data);
    if (dialog.Execute() != mrOk)
        return false;
    data.Assign(dialog.ImageData());
    return true;
}

} // namespace velmo
