#pragma once
// A frame with this application's macro table over temporary settings and lock
// folders, and a recorder of the message boxes it shows.
#include "app/UAppFrame.h"
#include "app/USettingsStore.h"
#include <QTemporaryDir>
#include <memory>

namespace velmo::test {

struct TShownMessage
{
    QString Text;
    TButtonKinds Buttons;
    int Default = -1;
    int Cancel = -1;
};

class TFrameFixture
{
public:
    TFrameFixture()
    {
        TSettingsKey::SetConfigRoot(Temp.path() + QStringLiteral("/config"));
        Frame = std::make_unique<TAppFrame>();
        Frame->SetMacro(TMacroString(ApplicationMacroLines()));
        Frame->Loaded();
        Frame->Probes().LockFolder = Temp.path() + QStringLiteral("/run");
        Frame->Probes().ScreenColorBits = [] { return 24; };
        Frame->Probes().HasCurrentPrinter = [] { return true; };
        Frame->DataRoots().ExeFolder = Temp.path() + QStringLiteral("/exe");
        Frame->DataRoots().InstalledFolders.clear();
        Frame->DataRoots().RemovableRoots = [this] { return Removable; };
        Frame->OnMessageBox = [this](const QString& text, const TButtonKinds& buttons, int def, int cancel) {
            Shown.push_back({text, buttons, def, cancel});
            return Answers.isEmpty() ? mrOk : Answers.takeFirst();
        };
    }
    ~TFrameFixture()
    {
        Frame.reset();
        TExecuteBlocker::ReleaseAll();
        TSettingsKey::SetConfigRoot(QString());
    }

    QString SettingsFile() const { return Temp.path() + QStringLiteral("/config/Quillon/ベルモ.ini"); }

    QTemporaryDir Temp;
    std::unique_ptr<TAppFrame> Frame;
    std::vector<TShownMessage> Shown;
    QList<int> Answers;
    QStringList Removable;
};

} // namespace velmo::test
