#pragma once
#include <QStringList>
// The application's own message window: the text centred in a shadowed panel and up
// to three buttons.
#include "app/UAppFrame.h"
#include <QDialog>
#include <array>

class QFrame;
class QLabel;
class QPushButton;

namespace velmo {

// What each of the three buttons shows and does.
struct TMessageButtonPlan
{
    bool Visible = false;
    TBitBtnKind Kind = bkCustom;
    QString Caption;
    bool Glyph = false;
    int ModalResult = mrNone;
    bool Default = false;
    bool Cancel = false;
};
using TMessageButtonPlans = std::array<TMessageButtonPlan, 3>;

TMessageButtonPlans PlanMessageButtons(const TButtonKinds& kinds, int defaultIndex, int cancelIndex);

class TfrmMessage : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmMessage(QWidget* parent = nullptr);

    void Setup(const QString& text, const TButtonKinds& kinds, int defaultIndex, int cancelIndex);
    QPushButton* Button(int index) const { return FButtons[index]; }
    QLabel* TextLabel() const { return FText; }
    // The button that answers Escape, if any.
    QPushButton* CancelButton() const;
    QPushButton* DefaultButton() const;

    // Shows the window modally and returns its modal result (the frame's OnMessageBox).
    static int Execute(const QString& text, const TButtonKinds& kinds, int defaultIndex, int cancelIndex);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    QFrame* FPanel = nullptr;
    QLabel* FText = nullptr;
    std::array<QPushButton*, 3> FButtons{};
    TMessageButtonPlans FPlans;
};

// The platform's standard message dialog, for a frame without OnMessageBox.
void InstallStandardMessageBox();

// Lets a harness that runs the whole program answer the message windows by itself:
// each window then prints its text to stderr and takes the next answer, "1" (Escape,
// or Return without a cancel button) or "button:N" (click button N); the last answer
// repeats. Without answers the windows wait for the user.
void SetScriptedMessageAnswers(const QStringList& answers);

} // namespace velmo
