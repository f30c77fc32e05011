#pragma once
// The insertion controller: a small tool window over the label editor with which the
// user steps through the merge records the label shows (first, previous, next, last,
// a record by number, a found record) and sorts them, with "n / N" between the
// buttons. It changes what is shown, never the design.
#include "imaging/UWindowPictures.h"
#include "merge/FCsvBrowser.h"
#include "merge/UInsertionCursor.h"
#include <QWidget>
#include <array>
#include <functional>

class QLabel;
class QToolButton;

namespace velmo {

class TCsvDB;
class TMergeSession;

class TfrmInsertionController : public QWidget
{
public:
    // owner: the window it stays over (it is a tool window of it, never modal).
    // Browses the session's records with the session's cursor.
    explicit TfrmInsertionController(QWidget* owner, TMergeSession& session);
    ~TfrmInsertionController() override;

    TInsertionCursor& Cursor() { return FCursor; }
    TCsvDB& Database() const { return FDB; }

    // The label position the editor shows (0 when unset).
    std::function<int()> Position;
    // The merge field the find and sort pages start with (0 when unset).
    std::function<int()> SelectedField;
    // The shown record changed (or the records were reordered): the owner shows it.
    std::function<void()> OnRecordChanged;
    // The user closed the window (close box or Escape).
    std::function<void()> OnClosed;

    // Buttons and "n / N" as the merge data stands now.
    void Refresh();
    // Shows it without taking the keyboard; the first time at the window's lower right
    // corner, later where the user left it.
    void ShowOver(QWidget* window);
    // Raised and activated, the keyboard on the first button that can be pressed.
    void TakeKeyboard();
    // The record the label at position shows.
    int ShownRecord();

    // The buttons' commands.
    void First();
    void Prior();
    void Next();
    void Last();
    void ShowJumpDialog(TfrmCsvJump::TPage page);

    // Button i by its picture (TCsvControllerImage), and the "n / N" label.
    QToolButton* Button(int image) const { return FButtons.at(size_t(image)); }
    QLabel* StatusLabel() const { return FStatus; }
    // Whether the pictures came from the window pictures (else the captions show).
    bool HasPictures() const { return FHasPictures; }

    // Tests replace the modal run of the jump, find and sort dialog.
    static void SetJumpDialogRunner(std::function<int(TfrmCsvJump& dialog)> runner);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    int CurrentPosition() const;
    bool HandleKey(QKeyEvent* event);
    void Changed(bool changed);

    TCsvDB& FDB;
    TInsertionCursor& FCursor;
    std::array<QToolButton*, 7> FButtons{};
    QLabel* FStatus = nullptr;
    bool FHasPictures = false;
    bool FPlaced = false;
};

} // namespace velmo
