#pragma once
// Window placement shared by every form of the application.
#include <QPixmap>

class QWidget;

namespace velmo {

// The main window, which other forms are centred over.
QWidget* MainForm();
void SetMainForm(QWidget* form);

// Whether windows can be drawn on the screen at all: the toolkit cannot paint on X
// screens of 8 bits or fewer (its backing store has no image format for them).
bool ScreenCanShowWindows();

// The dialog pattern of the main window, tiled behind the controls of dialogs; none
// until the window pictures are loaded.
QPixmap DialogPattern();
void SetDialogPattern(const QPixmap& pattern);
void ApplyDialogPattern(QWidget* form);

// Stores the form's normal rectangle as <objectName>Left/Top/Width/Height.
void SaveFormPlacement(QWidget* form);
// Places the form at its stored rectangle, by default centred on the screen.
void RestoreFormPlacement(QWidget* form, int defaultWidth, int defaultHeight);
// Called by every form once it is built: expands its macros, then places it (the main
// window at its stored place, 800 × 600 by default; any other form centred over the
// main window and kept on the screen). A form that places itself passes false.
void PrepareForm(QWidget* form, bool designedPosition = true);

} // namespace velmo
