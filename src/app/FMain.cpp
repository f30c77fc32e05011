#include "app/FMain.h"
#include "app/FAppForms.h"
#include <QCloseEvent>
#include <QGuiApplication>

namespace velmo {

TfrmMain::TfrmMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QGuiApplication::applicationDisplayName());
    SetMainForm(this);
    PrepareForm(this);
}

TfrmMain::~TfrmMain()
{
    if (MainForm() == this)
        SetMainForm(nullptr);
}

bool TfrmMain::OpenDocument(const QString& fileName)
{
    Q_UNUSED(fileName);
    return false;
}

void TfrmMain::closeEvent(QCloseEvent* event)
{
    SaveFormPlacement(this);
    QMainWindow::closeEvent(event);
}

} // namespace velmo
