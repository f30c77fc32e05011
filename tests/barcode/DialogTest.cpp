// The barcode dialog: its checks, the Code 128 entry rules, the sample, applying and
// the designer's change action.
#include "BarCodeTestSupport.h"
#include "barcode/FBarCodeProperty.h"
#include "barcode/UBarCode.h"
#include "draw/FDrawSite.h"
#include "draw/UDOAction.h"
#include "draw/UGhost.h"
#include "imaging/FColorSpec.h"
#include "imaging/UColorSpec.h"
#include "objects/ULOCreator.h"
#include "support/TestSupport.h"
#include "ui/FPosition.h"
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

struct Dialog : ::testing::Test
{
    std::vector<std::pair<TBarCodeMessage, QString>> Messages;
    Dialog()
    {
        SetBarCodeMessageHandler(
            [this](QWidget*, TBarCodeMessage m, const QString& text) { Messages.emplace_back(m, text); });
    }
    ~Dialog() override
    {
        SetBarCodeMessageHandler(nullptr);
        TDOBarCodeEditor::SetExecHook(nullptr);
        SetChangeActionFactory(nullptr);
    }
};

void Key(QWidget* widget, int key, const QString& text = QString(), Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

void Type(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        Key(widget, c.toUpper().unicode(), QString(c));
}

bool SampleHasInk(TfrmBarCodeProperty& dialog)
{
    QImage image(300, 120, QImage::Format_RGB32);
    image.fill(QColor(128, 128, 128));
    QPainter painter(&image);
    dialog.PaintSample(painter, QRect(0, 0, 300, 120));
    painter.end();
    bool dark = false;
    for (int x = 0; x < 300 && !dark; ++x)
        dark = qGray(image.pixel(x, 40)) < 64;
    return dark;
}

} // namespace

TEST_F(Dialog, ANewDialogStartsWithJANAndTheDefaultRatio)
{
    TfrmBarCodeProperty dialog;
    EXPECT_EQ(dialog.Kind(), bkJAN);
    EXPECT_EQ(dialog.RatioList()->currentText(), QStringLiteral("2.5"));
    EXPECT_EQ(dialog.RatioList()->count(), 11);
    EXPECT_FALSE(dialog.CheckDigitBox()->isEnabled());
    EXPECT_FALSE(dialog.SpecialButton()->isEnabled());
    EXPECT_TRUE(dialog.Buffer().isEmpty());
    EXPECT_EQ(dialog.Pages()->tabText(0), QStringLiteral("バーコード"));
    EXPECT_EQ(dialog.Pages()->tabText(1), QStringLiteral("文字色"));
    EXPECT_EQ(dialog.Pages()->tabText(2), QStringLiteral("位置"));
    EXPECT_EQ(TfrmBarCodeProperty::SpecialCodes().size(), 37u);
    EXPECT_EQ(TfrmBarCodeProperty::SpecialCodes()[9].first, QStringLiteral("HT"));
    EXPECT_EQ(TfrmBarCodeProperty::SpecialCodes()[9].second, 0xC9);
    EXPECT_TRUE(dialog.OkButton()->isDefault());
}

TEST_F(Dialog, KindEnablesItsOptions)
{
    TfrmBarCodeProperty dialog;
    dialog.SetKind(bkCode39);
    EXPECT_TRUE(dialog.CheckDigitBox()->isEnabled());
    EXPECT_TRUE(dialog.RatioList()->isEnabled());
    EXPECT_FALSE(dialog.SpecialButton()->isEnabled());
    EXPECT_EQ(dialog.Entry()->contextMenuPolicy(), Qt::DefaultContextMenu);
    dialog.SetKind(bkCode128);
    EXPECT_FALSE(dialog.CheckDigitBox()->isEnabled());
    EXPECT_FALSE(dialog.RatioList()->isEnabled());
    EXPECT_TRUE(dialog.SpecialButton()->isEnabled());
    EXPECT_EQ(dialog.Entry()->contextMenuPolicy(), Qt::NoContextMenu);
}

TEST_F(Dialog, JANEntriesAreCheckedAndCompleted)
{
    TLOBarCode code;
    TfrmBarCodeProperty dialog;
    dialog.LoadFrom(code);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("バーコードの追加"));
    dialog.Entry()->setText(QStringLiteral("1234567890123")); // wrong check digit
    EXPECT_FALSE(dialog.EntryValid());
    EXPECT_FALSE(SampleHasInk(dialog));
    dialog.accept();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].first, TBarCodeMessage::bmInvalidCode);
    EXPECT_EQ(Messages[0].second, QStringLiteral("バーコードが正しくありません。"));
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.Entry()->setText(QStringLiteral("123456789012"));
    EXPECT_TRUE(dialog.EntryValid());
    EXPECT_TRUE(SampleHasInk(dialog));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Messages.size(), 1u);
    dialog.ApplyTo(code);
    EXPECT_EQ(code.JANCode(), QStringLiteral("1234567890128"));
    EXPECT_EQ(code.BarKind(), bkJAN);
}

TEST_F(Dialog, DoubleByteAndKanaCharactersLeaveTheEntry)
{
    TfrmBarCodeProperty dialog;
    dialog.SetKind(bkCode39);
    dialog.Entry()->setText(QStringLiteral("ａb１ｱ2漢-"));
    EXPECT_EQ(dialog.Entry()->text(), QStringLiteral("b2-"));
    EXPECT_EQ(dialog.Buffer(), QByteArray("b2-"));
    EXPECT_TRUE(dialog.EntryValid());
    dialog.Entry()->setText(QStringLiteral("a*b"));
    EXPECT_FALSE(dialog.EntryValid());
}

TEST_F(Dialog, Code128KeysEditTheBufferAtItsEndOnly)
{
    TfrmBarCodeProperty dialog;
    dialog.SetKind(bkCode128);
    QLineEdit* entry = dialog.Entry();
    Type(entry, QStringLiteral("Ab1"));
    EXPECT_EQ(dialog.Buffer(), QByteArray("Ab1"));
    dialog.AppendSpecial(kCode128FNC1);
    EXPECT_EQ(dialog.Buffer(), QByteArray("Ab1\xA6"));
    EXPECT_EQ(entry->text(), QStringLiteral("Ab1^"));
    dialog.AppendSpecial(0xC9); // HT
    EXPECT_EQ(entry->text(), QStringLiteral("Ab1^^"));
    EXPECT_TRUE(dialog.EntryValid());
    // Deleting inside is refused with the message.
    entry->setCursorPosition(2);
    Key(entry, Qt::Key_Backspace);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].first, TBarCodeMessage::bmMidDeletion);
    EXPECT_EQ(Messages[0].second, QStringLiteral("途中の文字は削除できません"));
    Key(entry, Qt::Key_Delete);
    EXPECT_EQ(Messages.size(), 2u);
    EXPECT_EQ(dialog.Buffer(), QByteArray("Ab1\xA6\xC9"));
    // Delete before the last byte and Backspace at the end take the last byte.
    entry->setCursorPosition(4);
    Key(entry, Qt::Key_Delete);
    EXPECT_EQ(dialog.Buffer(), QByteArray("Ab1\xA6"));
    entry->setCursorPosition(4);
    Key(entry, Qt::Key_Backspace);
    EXPECT_EQ(dialog.Buffer(), QByteArray("Ab1"));
    EXPECT_EQ(Messages.size(), 2u);
    // Printable characters go in anywhere, "." like any other.
    entry->setCursorPosition(1);
    Type(entry, QStringLiteral("."));
    EXPECT_EQ(dialog.Buffer(), QByteArray("A.b1"));
    EXPECT_EQ(entry->text(), QStringLiteral("A.b1"));
    EXPECT_EQ(entry->cursorPosition(), 2);
    // Pasting inserts the printable characters, so entry and buffer stay in step.
    QApplication::clipboard()->setText(QStringLiteral("xy\tz漢"));
    entry->setCursorPosition(4);
    Key(entry, Qt::Key_V, QString(), Qt::ControlModifier);
    EXPECT_EQ(dialog.Buffer(), QByteArray("A.b1xyz"));
    EXPECT_EQ(entry->text(), QStringLiteral("A.b1xyz"));
    // Backspace on an empty entry says nothing.
    while (!dialog.Buffer().isEmpty()) {
        entry->setCursorPosition(int(dialog.Buffer().size()));
        Key(entry, Qt::Key_Backspace);
    }
    Key(entry, Qt::Key_Backspace);
    EXPECT_EQ(Messages.size(), 2u);
    EXPECT_FALSE(dialog.EntryValid());
}

TEST_F(Dialog, EnterPressesOkAndEscapeCancels)
{
    for (const int kind : {bkJAN, bkCode128}) {
        TLOBarCode code; // 30 mm wide
        TfrmBarCodeProperty dialog;
        dialog.LoadFrom(code);
        dialog.SetKind(kind);
        dialog.show();
        Type(dialog.Entry(), kind == bkJAN ? QStringLiteral("1234567") : QStringLiteral("Ok"));
        Key(dialog.Entry(), Qt::Key_Return, QStringLiteral("\r"));
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << kind;
        EXPECT_FALSE(dialog.isVisible());
        TfrmBarCodeProperty other;
        other.SetKind(kind);
        other.show();
        Type(other.Entry(), QStringLiteral("1234567"));
        Key(other.Entry(), Qt::Key_Escape, QStringLiteral("\x1b"));
        EXPECT_EQ(other.result(), QDialog::Rejected) << kind;
        EXPECT_FALSE(other.isVisible());
    }
    EXPECT_TRUE(Messages.empty());
}

TEST_F(Dialog, FillsFromTheObjectAndAppliesBack)
{
    TLOBarCode code;
    code.SetBarKind(bkCode128);
    code.SetCodeBytes(QByteArray("AB\xC9"
                                 "c\xA0"));
    code.SetElementRatio(370); // outside the list: shown as 2.5
    code.SetShowFrame(true);
    code.SetShowNumber(false);
    code.SetBaseRect({100, 50, 700, 250});
    code.SetAngleValue(90);
    code.SetMovable(false);
    code.Font()->SetName(QStringLiteral("IPAGothic"));
    code.Font()->SetSize(11);
    code.Font()->SetColor(0x00FF00);
    TfrmBarCodeProperty dialog;
    dialog.LoadFrom(code);
    EXPECT_EQ(dialog.Kind(), bkCode128);
    EXPECT_EQ(dialog.Buffer(), QByteArray("AB\xC9"
                                          "c\xA0"));
    EXPECT_EQ(dialog.Entry()->text(), QStringLiteral("AB^c^"));
    EXPECT_EQ(dialog.RatioList()->currentText(), QStringLiteral("2.5"));
    EXPECT_TRUE(dialog.ShowFrameBox()->isChecked());
    EXPECT_FALSE(dialog.ShowNumberBox()->isChecked());
    EXPECT_EQ(dialog.FaceList()->currentText(), QStringLiteral("IPAGothic"));
    EXPECT_EQ(dialog.SizeList()->currentText(), QStringLiteral("11"));
    const TPositionRecord record = dialog.Position()->Record();
    EXPECT_EQ(record.Angle, 90);
    EXPECT_TRUE(record.Lock);
    EXPECT_EQ(record.Left, 100);
    EXPECT_EQ(record.Width, 600);
    EXPECT_EQ(dialog.ColorPage()->Spec().Color(), TColor(0x00FF00));

    dialog.SetKind(bkCode39);
    dialog.Entry()->setText(QStringLiteral("abc"));
    dialog.CheckDigitBox()->setChecked(true);
    dialog.RatioList()->setCurrentIndex(8);
    dialog.SizeList()->setCurrentText(QStringLiteral("14"));
    TPositionRecord moved = record;
    moved.Angle = 0;
    moved.Lock = false;
    moved.Top = 80;
    dialog.Position()->SetRecord(moved);
    dialog.ApplyTo(code);
    EXPECT_EQ(code.BarKind(), bkCode39);
    EXPECT_EQ(code.JANCode(), QStringLiteral("abc")); // stored as typed
    EXPECT_TRUE(code.AddCheckDigit());
    EXPECT_EQ(code.ElementRatio(), 280);
    EXPECT_EQ(code.Angle(), 0);
    EXPECT_TRUE(code.Movable());
    EXPECT_EQ(code.PropTop(), 80);
    EXPECT_EQ(code.Font()->Size(), 14);
    EXPECT_EQ(code.Font()->Color(), TColor(0x00FF00));
    EXPECT_EQ(code.Font()->Charset(), 128); // the face's Japanese charset
}

TEST_F(Dialog, ANarrowRectangleIsRefusedWithTheWidthThatWouldDo)
{
    TLOBarCode code;
    code.SetJANCode(QStringLiteral("4901234567894"));
    code.SetBaseRect({0, 0, 100, 100});
    TfrmBarCodeProperty dialog;
    dialog.LoadFrom(code);
    dialog.accept();
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].first, TBarCodeMessage::bmTooNarrow);
    EXPECT_TRUE(Messages[0].second.contains(u"10.9mm")) << Messages[0].second.toStdString();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(Dialog, TheDesignerRecordsOneChangeAndHonoursCancel)
{
    RegisterBarCodeDesigner();
    RegisterBarCodeDesigner(); // once only
    int commits = 0;
    QString caption;
    struct TRecord : TChangeActionRecord
    {
        int* Commits;
        explicit TRecord(int* commits) : Commits(commits) {}
        void Commit() override { ++*Commits; }
    };
    SetChangeActionFactory([&](TDrawObject*, const QString& c) {
        caption = c;
        return std::make_unique<TRecord>(&commits);
    });
    TLOBarCode code;
    code.SetJANCode(QStringLiteral("4901234567894"));
    TDOBarCodeEditor::SetExecHook([](TfrmBarCodeProperty& dialog) {
        dialog.Entry()->setText(QStringLiteral("1234567"));
        dialog.accept();
        return dialog.result();
    });
    bool cancelled = true;
    EXPECT_TRUE(code.Edit(&cancelled));
    EXPECT_FALSE(cancelled);
    EXPECT_EQ(code.JANCode(), QStringLiteral("12345670"));
    EXPECT_EQ(commits, 1);
    EXPECT_EQ(caption, QStringLiteral("設定変更"));
    TDOBarCodeEditor::SetExecHook([](TfrmBarCodeProperty& dialog) {
        dialog.Entry()->setText(QStringLiteral("999"));
        dialog.reject();
        return dialog.result();
    });
    EXPECT_FALSE(code.Edit(&cancelled));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(code.JANCode(), QStringLiteral("12345670"));
    EXPECT_EQ(commits, 2); // handed over; the history keeps nothing that did not change
    TDesignerList::Instance().Clear();
}

TEST_F(Dialog, InsertingABarCodeShowsTheDialogFirst)
{
    RegisterBarCodeClasses();
    TDesignerList::Instance().Register(std::make_shared<TLOCreator>());
    RegisterBarCodeDesigner();
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetLogWidth(900);
    site.SetLogHeight(500);
    std::vector<QString> added;
    SetAddActionRecorder([&](TDrawObject* o, const QString& caption) {
        added.push_back(QString::fromLatin1(o->ClassName()) + caption);
    });
    QString title;
    TDOBarCodeEditor::SetExecHook([&](TfrmBarCodeProperty& dialog) {
        title = dialog.windowTitle();
        dialog.reject();
        return dialog.result();
    });
    EXPECT_TRUE(InsertBarCode(&site));
    EXPECT_EQ(title, QStringLiteral("バーコードの追加"));
    EXPECT_EQ(site.ObjectCount(), 0);
    EXPECT_TRUE(added.empty());
    TDOBarCodeEditor::SetExecHook([&](TfrmBarCodeProperty& dialog) {
        EXPECT_EQ(dialog.Pages()->currentIndex(), 0);
        dialog.SetKind(bkCode128);
        Type(dialog.Entry(), QStringLiteral("New"));
        dialog.accept();
        return dialog.result();
    });
    EXPECT_TRUE(InsertBarCode(&site));
    ASSERT_EQ(site.ObjectCount(), 1);
    auto* code = dynamic_cast<TLOBarCode*>(site.Objects(0));
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->CodeBytes(), QByteArray("New"));
    EXPECT_TRUE(code->Selected());
    EXPECT_EQ(added, (std::vector<QString>{QStringLiteral("TLOBarCode追加")}));
    SetAddActionRecorder({});
    TDesignerList::Instance().Clear();
    TGhostList::Instance().Clear();
}

// With VELMO_BARCODE_SHOTS set and a display, shows the dialog on each kind and page
// and keeps what the screen shows.
TEST_F(Dialog, Screenshots)
{
    const QString folder = qEnvironmentVariable("VELMO_BARCODE_SHOTS");
    if (folder.isEmpty() || QGuiApplication::platformName() != u"xcb")
        GTEST_SKIP() << "screenshots need VELMO_BARCODE_SHOTS and an X display";
    QDir().mkpath(folder);
    struct Shot
    {
        int Kind;
        QString Code;
        int Page;
        const char* Name;
    };
    const Shot shots[] = {
        {bkJAN, QStringLiteral("490123456789"), 0, "dialog-jan"},
        {bkCode39, QStringLiteral("abc-123"), 0, "dialog-code39"},
        {bkCode128, QStringLiteral("Ab1"), 0, "dialog-code128"},
        {bkCode128, QStringLiteral("Ab1"), 1, "dialog-colour"},
        {bkCode128, QStringLiteral("Ab1"), 2, "dialog-position"},
        {bkJAN, QStringLiteral("12345"), 0, "dialog-invalid"},
    };
    for (const Shot& shot : shots) {
        TLOBarCode code;
        code.SetBarKind(shot.Kind);
        code.SetJANCode(shot.Code);
        code.SetShowFrame(shot.Kind == bkCode39);
        code.SetAddCheckDigit(shot.Kind == bkCode39);
        code.Font()->SetName(QStringLiteral("IPAPGothic"));
        TfrmBarCodeProperty dialog;
        dialog.LoadFrom(code);
        if (shot.Kind == bkCode128) {
            dialog.AppendSpecial(0xC9);
            dialog.AppendSpecial(kCode128FNC1);
        }
        dialog.Pages()->setCurrentIndex(shot.Page);
        dialog.move(40, 40);
        dialog.show();
        for (int i = 0; i < 20; ++i) {
            QApplication::processEvents();
            QThread::msleep(25);
        }
        const ProcessResult run =
            RunProgram(QStringLiteral("import"),
                       {QStringLiteral("-window"), QStringLiteral("root"),
                        folder + u'/' + QString::fromLatin1(shot.Name) + QStringLiteral(".png")});
        EXPECT_EQ(run.ExitCode, 0) << run.StdErr.toStdString();
        if (QLatin1String(shot.Name) == QLatin1String("dialog-invalid")) {
            // OK with an invalid entry: the toolkit's message box over the dialog.
            SetBarCodeMessageHandler(nullptr);
            bool shown = false;
            QTimer::singleShot(800, [&] {
                const ProcessResult box =
                    RunProgram(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"),
                                                          folder + QStringLiteral("/dialog-message.png")});
                EXPECT_EQ(box.ExitCode, 0);
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    shown = modal != &dialog;
                    modal->close();
                }
            });
            dialog.accept();
            EXPECT_TRUE(shown);
            EXPECT_TRUE(dialog.isVisible()); // the dialog stays open
        }
        dialog.hide();
    }
}
