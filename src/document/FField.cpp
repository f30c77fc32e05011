#include "document/FField.h"
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace velmo {
namespace {

const char16_t* const kJapaneseCaptions[kCreatorItemCount] = {
    u"会社名(&C)", u"部署名(&S)",   u"TEL(&T)",        u"FAX(&F)",        u"〒(&Z)",        u"住所１(&A)",
    u"住所２(&D)", u"ﾎｰﾑﾍﾟｰｼﾞ(&H)", u"自由項目１(&1)", u"自由項目２(&2)", u"自由項目３(&3)"};
const char16_t* const kEnglishCaptions[kCreatorItemCount] = {
    u"COMPANY(&C)",    u"SECTION(&S)",    u"TEL(&T)",       u"FAX(&F)",
    u"ZIP(&Z)",        u"ADDRESS1(&A)",   u"ADDRESS2(&D)",  u"HOME PAGE(&H)",
    u"FREE ITEM1(&1)", u"FREE ITEM2(&2)", u"FREE ITEM3(&3)"};

bool JapaneseInputOff(int page, int index)
{
    // Numbers, postal codes and addresses of the web need no Japanese input; the
    // English page is English throughout.
    return page == 1 || index == 2 || index == 3 || index == 4 || index == 7;
}

} // namespace

TfrmField::TfrmField(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(product_text::CreatorCaption());
    setModal(true);
    FPages = new QTabWidget(this);
    for (int page = 0; page < 2; ++page) {
        auto* widget = new QWidget(FPages);
        auto* form = new QFormLayout(widget);
        for (int i = 0; i < kCreatorItemCount; ++i) {
            auto* edit = new QLineEdit(widget);
            auto* label = new QLabel(
                QString::fromUtf16(page == 0 ? kJapaneseCaptions[i] : kEnglishCaptions[i]), widget);
            label->setBuddy(edit);
            if (JapaneseInputOff(page, i)) {
                edit->setAttribute(Qt::WA_InputMethodEnabled, false);
                edit->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
            }
            connect(edit, &QLineEdit::textEdited, this,
                    [this, page, i](const QString& text) { FEditor.SetEditText(page, i, text); });
            FEdits[size_t(page)][size_t(i)] = edit;
            form->addRow(label, edit);
        }
        FPages->addTab(widget, page == 0 ? QStringLiteral("日本語") : QStringLiteral("英語"));
        FPages->setTabToolTip(page, QStringLiteral("日本語項目と英語項目を切替えます"));
    }
    FPages->setCurrentIndex(0);

    FOk = new QPushButton(QStringLiteral("OK"), this);
    FCancel = new QPushButton(QStringLiteral("キャンセル"), this);
    FOk->setDefault(true);
    FCancel->setAutoDefault(false);
    connect(FOk, &QPushButton::clicked, this, &TfrmField::accept);
    connect(FCancel, &QPushButton::clicked, this, &TfrmField::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FOk);
    buttons->addWidget(FCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FPages);
    layout->addLayout(buttons);
}

void TfrmField::Prepare(const TProductInfo& japanese, const TProductInfo& english)
{
    FEditor.Prepare(japanese, english);
    for (int page = 0; page < 2; ++page)
        for (int i = 0; i < kCreatorItemCount; ++i) {
            QLineEdit* edit = FEdits[size_t(page)][size_t(i)];
            edit->setText(FEditor.Edit(page, i).Text);
            edit->setModified(false);
        }
    FPages->setCurrentIndex(0);
}

void TfrmField::Store(TProductInfo& japanese, TProductInfo& english, TProductDB& store)
{
    FEditor.Store(japanese, english, store);
}

void TfrmField::accept()
{
    FEditor.Commit();
    done(mrOk);
}

void TfrmField::reject()
{
    if (FEditor.AnyModified() &&
        Ask(this, product_text::DiscardQuestion(), TQuestionButtons::OkCancel) != mrOk)
        return;
    FEditor.Commit();
    done(mrCancel);
}

int TfrmField::Execute(TProductInfo& japanese, TProductInfo& english, TProductDB& store, QWidget* parent)
{
    TfrmField dialog(parent);
    dialog.Prepare(japanese, english);
    const int result = dialog.exec();
    if (result == mrOk)
        dialog.Store(japanese, english, store);
    return result;
}

} // namespace velmo
