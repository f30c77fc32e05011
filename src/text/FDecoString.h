#pragma once
// The decorative string's dialog "飾り文字の編集・設定" (the text, its alignment,
// the picture font chosen from samples, the position) and its designer.
#include <QDialog>
#include <QList>

class QComboBox;
class QLineEdit;
class QListWidget;
class QTabWidget;

namespace velmo {

class TLODecoString;
class TfrmPosition;

class TfrmDecoString : public QDialog
{
public:
    // fontNumbers: the fonts the chooser offers, in order.
    TfrmDecoString(const QList<int>& fontNumbers, QWidget* parent = nullptr);
    ~TfrmDecoString() override;

    void LoadFrom(const TLODecoString& object, bool isNew);
    void ApplyTo(TLODecoString& object) const;
    // The checks of OK; the message of the last refusal (empty when accepted).
    bool Validate();
    QString LastMessage() const { return FLastMessage; }
    void SetQuietMessages(bool quiet) { FQuiet = quiet; }

    QLineEdit* TextEdit() const { return FText; }
    QComboBox* AlignBox() const { return FAlign; }
    QListWidget* FontList() const { return FFonts; }
    TfrmPosition* Position() const { return FPosition; }
    QTabWidget* Tabs() const { return FTabs; }

    // The fonts of the data folder, or none when it cannot be found.
    static QList<int> AvailableFonts();
    // Edits the object; false when cancelled or when there are no fonts.
    static bool Edit(TLODecoString& object, QWidget* parent = nullptr);

    void accept() override;
    void done(int result) override;

private:
    void ShowMessage(const QString& text);
    QTabWidget* FTabs = nullptr;
    QLineEdit* FText = nullptr;
    QComboBox* FAlign = nullptr;
    QListWidget* FFonts = nullptr;
    TfrmPosition* FPosition = nullptr;
    bool FNew = false;
    bool FQuiet = false;
    QString FLastMessage;
};

// The decorative string's editor joins the designers; "飾り文字(&I)..." then opens
// the dialog before a new string is placed.
void RegisterDecoStringDesigner();

} // namespace velmo
