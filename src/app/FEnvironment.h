#pragma once
// "環境設定": hints, the printing method and where the program's data is looked for.
#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velmo {

class THistoryManager;

class TfrmEnvironment : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmEnvironment(QWidget* parent = nullptr);

    QRadioButton* ShowHint() const { return FShowHint; }
    QRadioButton* HideHint() const { return FHideHint; }
    QRadioButton* Banded() const { return FBanded; }
    QRadioButton* Fast() const { return FFast; }
    QRadioButton* AutoPath() const { return FAutoPath; }
    QRadioButton* GivenPath() const { return FGivenPath; }
    QLineEdit* PathEdit() const { return FPath; }
    QPushButton* HistoryButton() const { return FHistory; }

    // Writes the settings (the OK step).
    void Store();
    void accept() override;

private:
    void PathModeChanged();
    QRadioButton* FShowHint = nullptr;
    QRadioButton* FHideHint = nullptr;
    QRadioButton* FBanded = nullptr;
    QRadioButton* FFast = nullptr;
    QRadioButton* FAutoPath = nullptr;
    QRadioButton* FGivenPath = nullptr;
    QLineEdit* FPath = nullptr;
    QPushButton* FBrowse = nullptr;
    QPushButton* FHistory = nullptr;
    THistoryManager* FPathHistory = nullptr;
};

// Applies "DefaultShowHint" to the application (tool tips shown or not).
void ApplyShowHint(bool show);
bool HintsShown();

} // namespace velmo
