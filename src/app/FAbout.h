#pragma once
// The About window, also shown without waiting as the splash at start-up: the
// product picture and the version. A click or a key closes it; as a splash it also
// closes itself after two seconds. Opened with Shift and Ctrl held it darkens its
// picture and scrolls the staff roll.
#include <QDialog>
#include <QStringList>

class QTimer;

namespace velmo {

class TfrmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmAbout(bool splash, bool staffRoll, QWidget* parent = nullptr);

    static QStringList StaffRoll();
    bool StaffRollRunning() const { return FStaffRoll; }
    int RollOffset() const { return FRollOffset; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool FStaffRoll = false;
    int FRollOffset = 0;
    int FDarkness = 0;
    QTimer* FRollTimer = nullptr;
};

} // namespace velmo
