// The picture-choice dialog on its own, for the window test of the browsers: opened
// on the "ファイル" tab with the folder given, or on the illustration collection. Every
// 100 ms it writes a status line to the report file, so the test can watch the
// thumbnails arrive while it scrolls:
//   count ready failed visible-first visible-last visible-ready max-gap-ms scroll
// max-gap-ms is the longest time the event loop took to come back to a 10 ms timer
// since the last report: what a user would feel as the window not answering.
//
//   picture_browser_host REPORT (--folder DIR | --illust DATA-ROOT)
//   picture_browser_host REPORT (--frames | --backgrounds) DATA-ROOT
// The last two show the frame dialog and the background dialog's collection page
// (for looking at them; no status is written).
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "objects/FImageDialogs.h"
#include "objects/ULOImage.h"
#include "pictures/FImageBrowser.h"
#include "pictures/FPictureBrowsers.h"
#include "pictures/FPictureDialogs.h"
#include "pictures/UPictureCollections.h"
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>

using namespace velmo;

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: picture_browser_host REPORT (--folder DIR | --illust DATA-ROOT)\n");
        return 2;
    }
    RegisterImagingGraphics();
    RegisterPictureFormats();
    const QString report = args[1];
    const bool illust = args[2] != QLatin1String("--folder");
    const QString where = args[3];
    PictureEnvironment().ReadFolderHistory = [illust, where] {
        return illust ? QStringList() : QStringList{where};
    };
    PictureEnvironment().FindDataFile = [illust, where](const QString& relative) -> QString {
        if (!illust)
            return {};
        QString rel = relative;
        rel.replace(u'\\', u'/');
        const qsizetype slash = rel.lastIndexOf(u'/');
        const QString last = rel.mid(slash + 1);
        if (!last.contains(u'*'))
            return JoinDataPath(where, rel);
        const QString folder = JoinDataPath(where, rel.left(slash));
        const QStringList m =
            folder.isEmpty() ? QStringList() : QDir(folder).entryList(QStringList{last}, QDir::Files);
        return m.isEmpty() ? QString() : folder + u'/' + m.first();
    };

    if (args[2] == QLatin1String("--frames")) {
        TfrmSelectFrame frames;
        frames.show();
        return app.exec();
    }
    if (args[2] == QLatin1String("--backgrounds")) {
        InstallPictureBrowsers();
        TLOBackImage background;
        TfrmBackImageProperty property(&background);
        property.show();
        return app.exec();
    }
    TfrmIllust2 dialog;
    TfrmImageBrowser* browser = illust ? dialog.OnePoint()->Browser() : dialog.Files()->Browser();
    dialog.Tabs()->setCurrentIndex(illust ? 0 : 1);
    dialog.resize(900, 700);
    dialog.setWindowTitle(QStringLiteral("イラストの選択"));
    dialog.show();

    QElapsedTimer sinceTick;
    sinceTick.start();
    qint64 maxGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        maxGap = std::max(maxGap, sinceTick.elapsed());
        sinceTick.restart();
    });
    ticker.start();
    QTimer reporter;
    reporter.setInterval(100);
    QObject::connect(&reporter, &QTimer::timeout, [&] {
        int first = -1, last = -1, ready = 0;
        for (int i = 0; i < browser->Count(); ++i) {
            const QRect r = browser->IconRect(i);
            if (!r.intersects(browser->viewport()->rect()))
                continue;
            if (first < 0)
                first = i;
            last = i;
            ready += browser->IsReady(i) ? 1 : 0;
        }
        QFile file(report + QStringLiteral(".tmp"));
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8\n")
                           .arg(browser->Count())
                           .arg(browser->ReadyCount())
                           .arg(browser->FailedCount())
                           .arg(first)
                           .arg(last)
                           .arg(ready)
                           .arg(maxGap)
                           .arg(browser->verticalScrollBar()->value())
                           .toUtf8());
            file.close();
            QFile::remove(report);
            file.rename(report);
        }
        maxGap = 0;
    });
    reporter.start();
    return app.exec();
}
