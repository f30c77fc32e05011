#include "pictures/FPictureBrowsers.h"
#include "base/UCodePage932.h"
#include "imaging/FColorSpec.h"
#include "imaging/FPhotoCD.h"
#include "imaging/FTransparentEditor.h"
#include "imaging/UImageData.h"
#include "imaging/UImageLoadThread.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "objects/FImageDialogs.h"
#include "objects/ULOImage.h"
#include "pictures/FImageBrowser.h"
#include "pictures/FPictureDialogs.h"
#include "pictures/UPictureCollections.h"
#include "support/TestSupport.h"
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

using namespace velmo;
using velmo::test::WriteFileBytes;

namespace {

void SaveBmp(const QString& path, const QColor& colour, int w = 60, int h = 40)
{
    QImage image(w, h, QImage::Format_RGB888);
    image.fill(colour);
    TSafetyBitmap bitmap;
    bitmap.SetImage(image);
    bitmap.SaveToFile(path);
}

// A data root with the collections the browsers look for, and the environment
// pointed at it for the length of a test.
class TDataRoot
{
public:
    TDataRoot()
    {
        RegisterImagingGraphics();
        RegisterPictureFormats();
        PictureEnvironment().FindDataFile = [this](const QString& rel) { return Find(rel); };
        RememberedChoices() = TRememberedChoices();
    }
    ~TDataRoot() { PictureEnvironment() = TPictureEnvironment(); }
    QString Path(const QString& rel) const { return FDir.filePath(rel); }
    void Folder(const QString& rel) { QDir(FDir.path()).mkpath(rel); }
    void Write(const QString& rel, const QString& text) { WriteFileBytes(Path(rel), cp932::Encode(text)); }
    QString Find(const QString& relativePath) const
    {
        QString rel = relativePath;
        rel.replace(u'\\', u'/');
        const qsizetype slash = rel.lastIndexOf(u'/');
        const QString last = rel.mid(slash + 1);
        if (!last.contains(u'*'))
            return JoinDataPath(FDir.path(), rel);
        const QString folder = JoinDataPath(FDir.path(), rel.left(slash));
        if (folder.isEmpty())
            return {};
        const QStringList m = QDir(folder).entryList(QStringList{last}, QDir::Files);
        return m.isEmpty() ? QString() : folder + u'/' + m.first();
    }

private:
    QTemporaryDir FDir;
};

bool WaitFor(const std::function<bool()>& done, int ms = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

bool HasRed(const QImage& image, const QRect& r)
{
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) > 150 && qGreen(p) < 100 && qBlue(p) < 100)
                return true;
        }
    return false;
}

} // namespace

TEST(ImageBrowser, ThumbnailsArriveAndDamagedFilesShowTheErrorPicture)
{
    TDataRoot data;
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < 24; ++i) {
        const QString path = dir.filePath(QStringLiteral("p%1.bmp").arg(i, 2, 10, QLatin1Char('0')));
        if (i % 6 == 5)
            WriteFileBytes(path, QByteArray("BM damaged"));
        else
            SaveBmp(path, QColor(0, 40 + i * 8, 200));
        files << path;
    }
    TFileImagePack pack;
    pack.SetFiles(files);
    TfrmImageBrowser browser;
    browser.resize(1200, 900);
    browser.SetSourcePack(&pack);
    browser.SetThumbnailSize(100);
    browser.FillWithNumbers();
    ASSERT_EQ(browser.Count(), 24);
    EXPECT_EQ(browser.Captions().first(), QStringLiteral("No.1"));
    EXPECT_EQ(browser.Captions().last(), QStringLiteral("No.24"));
    EXPECT_EQ(browser.ThumbnailPack()->CacheLimit(), 349);
    // Before its thumbnail is ready an item shows the placeholder, and asking for it
    // queued the load.
    TPictureEx first;
    browser.ThumbnailPack()->GetImage(first, 0);
    const QImage placeholder = MakeThumbnail(PlaceholderPicture().Graphic()->Image(), 100, clNone, clWhite);
    ASSERT_EQ(QSize(first.Width(), first.Height()), placeholder.size());
    EXPECT_EQ(first.Graphic()->Image().convertToFormat(QImage::Format_RGB32),
              placeholder.convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(PlaceholderText(), QStringLiteral("プレビュー作成中..."));
    browser.show();
    (void)browser.viewport()->grab(); // painting asks for the visible thumbnails
    ASSERT_TRUE(WaitFor([&] { return browser.ReadyCount() == 24; })) << browser.ReadyCount();
    EXPECT_EQ(browser.FailedCount(), 4);
    const QImage shot = browser.viewport()->grab().toImage();
    for (int i = 0; i < 24; ++i) {
        const QRect icon = browser.IconRect(i).adjusted(4, 4, -4, -4);
        ASSERT_TRUE(shot.rect().contains(icon)) << i;
        EXPECT_EQ(HasRed(shot, icon), i % 6 == 5) << i;
        if (i % 6 != 5) { // the picture's own colour is at the centre
            EXPECT_EQ(shot.pixelColor(icon.center()), QColor(0, 40 + i * 8, 200)) << i;
        }
    }
    browser.Select(3);
    EXPECT_EQ(browser.SelectedFileName(), files[3]);
    browser.Select(99);
    EXPECT_EQ(browser.SelectedIndex(), -1);
    EXPECT_TRUE(browser.SelectedFileName().isEmpty());
    // A new size: new limit, thumbnails made again at the new size.
    browser.SetThumbnailSize(150);
    EXPECT_EQ(browser.ThumbnailPack()->CacheLimit(), 155);
    EXPECT_EQ(browser.ReadyCount(), 0);
    (void)browser.viewport()->grab();
    ASSERT_TRUE(WaitFor([&] { return browser.ReadyCount() >= 6; }));
    TPictureEx thumb;
    for (int i = 0; i < 24; ++i)
        if (browser.IsReady(i) && i % 6 != 5) {
            browser.ThumbnailPack()->GetImage(thumb, i);
            EXPECT_EQ(QSize(thumb.Width(), thumb.Height()),
                      QSize(148, 99)); // 60 × 40 fitted into 148 × 142: 148 wide, 98.7 rounded up
            break;
        }
}

TEST(ImageBrowser, PackChangesCancelAndRefresh)
{
    TDataRoot data;
    QTemporaryDir dir;
    for (int i = 0; i < 5; ++i)
        SaveBmp(dir.filePath(QStringLiteral("a%1.bmp").arg(i)), Qt::green);
    TFolderImagePack pack;
    pack.SetFileMask(FolderMask(dir.path()));
    TfrmImageBrowser browser;
    browser.resize(800, 600);
    browser.SetSourcePack(&pack);
    browser.FillWithNumbers();
    browser.show();
    (void)browser.viewport()->grab();
    ASSERT_TRUE(WaitFor([&] { return browser.ReadyCount() == 5; }));
    SaveBmp(dir.filePath("a9.bmp"), Qt::red);
    pack.Rescan(); // nkPackChanging, then nkPackChanged
    browser.FillWithNumbers();
    EXPECT_EQ(browser.Count(), 6);
    EXPECT_EQ(browser.ReadyCount(), 0);
    (void)browser.viewport()->grab();
    ASSERT_TRUE(WaitFor([&] { return browser.ReadyCount() == 6; }));
    EXPECT_EQ(browser.FailedCount(), 0);
}

TEST(OnePointBrowser, IndexGenresReplaceTheBuiltInOnes)
{
    TDataRoot data;
    QString ini;
    for (int i = 0; i < 30; ++i)
        ini += QStringLiteral("[g%1]\r\nName=ジャンル%1\r\nDir=Data\\OnePoint\\g%1\r\n").arg(i);
    data.Folder("Data/OnePoint/g0");
    SaveBmp(data.Path("Data/OnePoint/g0/001.bmp"), Qt::blue);
    SaveBmp(data.Path("Data/OnePoint/g0/002.bmp"), Qt::blue);
    data.Write("Data/OnePoint/Illust.dat", ini);
    TfrmOnePointBrowser browser;
    ASSERT_EQ(browser.GenreBox()->count(), 30);
    EXPECT_EQ(browser.GenreBox()->itemText(0), QStringLiteral("ジャンル0"));
    EXPECT_FALSE(browser.WarningShown());
    EXPECT_EQ(browser.Browser()->Count(), 2);
    EXPECT_EQ(browser.Browser()->KeyColor(), 0xF0F0F0u);
    EXPECT_EQ(browser.Browser()->BackgroundColor(), 0xE6E6E6u);
    EXPECT_EQ(browser.SizeBox()->currentText(), QStringLiteral("100x100"));
    EXPECT_FALSE(browser.HasSelection());
    browser.Browser()->Select(1);
    EXPECT_TRUE(browser.SelectedFileName().endsWith("/002.bmp"));
    // A genre whose folder is missing shows the warning.
    browser.GenreBox()->setCurrentIndex(5);
    EXPECT_TRUE(browser.WarningShown());
    EXPECT_TRUE(browser.Warning()->text().startsWith(QStringLiteral("イラスト集が見つかりません。\n\n")));
    EXPECT_TRUE(browser.Warning()->text().endsWith(QStringLiteral("CDを正しくセットしてください。")));
    EXPECT_FALSE(browser.HasSelection());
    browser.Remember();
    EXPECT_EQ(RememberedChoices().OnePointGenre, 5);
}

TEST(OnePointBrowser, WithoutAnIndexTheBuiltInGenres)
{
    TDataRoot data;
    TfrmOnePointBrowser browser;
    EXPECT_EQ(browser.GenreBox()->count(), 26);
    EXPECT_EQ(browser.GenreBox()->itemText(0), QStringLiteral("干支"));
    EXPECT_TRUE(browser.WarningShown());
    // An index with nothing usable in it counts as none.
    data.Write("Data/Onepoint/Illust.dat", QStringLiteral("[only]\r\nName=名前だけ\r\n"));
    RememberedChoices().OnePointGenre = 40; // beyond the list: back to the first
    TfrmOnePointBrowser again;
    EXPECT_EQ(again.GenreBox()->count(), 26);
    EXPECT_EQ(again.GenreIndex(), 0);
}

TEST(BackImageBrowser, OneGenreHidesTheGenreBox)
{
    TDataRoot data;
    data.Folder("Data/BackGrnd/a");
    data.Folder("Data/BackGrnd/b");
    SaveBmp(data.Path("Data/BackGrnd/a/1.bmp"), Qt::yellow);
    SaveBmp(data.Path("Data/BackGrnd/a/2.bmp"), Qt::yellow);
    SaveBmp(data.Path("Data/BackGrnd/b/1.bmp"), Qt::cyan);
    data.Write("Data/BackGrnd/BackGrnd.dat", QStringLiteral("[柄]\r\nFolder=a\r\n"));
    {
        TfrmBackImageBrowser browser(false);
        browser.show();
        EXPECT_FALSE(browser.GenreBox()->isVisible());
        EXPECT_EQ(browser.Browser()->Count(), 2);
        EXPECT_EQ(browser.Browser()->SelectedIndex(), 0); // the first picture is chosen
        EXPECT_TRUE(browser.HasSelection());
    }
    data.Write("Data/BackGrnd/BackGrnd.dat",
               QStringLiteral("[柄]\r\nFolder=a\r\n[色]\r\nFolder=b\r\n[無]\r\nFolder=none\r\n"));
    TfrmBackGalleryBrowser gallery;
    gallery.show();
    EXPECT_TRUE(gallery.GenreBox()->isVisible());
    EXPECT_EQ(gallery.Browser()->ThumbnailSize(), 70);
    EXPECT_EQ(gallery.SizeBox(), nullptr);
    gallery.GenreBox()->setCurrentIndex(1);
    EXPECT_EQ(gallery.Browser()->Count(), 1);
    gallery.Taken();
    EXPECT_EQ(RememberedChoices().GalleryGenre, 1);
    EXPECT_EQ(RememberedChoices().GalleryPicture, 0);
    gallery.GenreBox()->setCurrentIndex(2);
    EXPECT_TRUE(gallery.WarningShown());
    EXPECT_TRUE(gallery.Warning()->text().startsWith(QStringLiteral("背景集が見つかりません。")));
    // The gallery opens where a picture was last taken.
    TfrmBackGalleryBrowser reopened;
    EXPECT_EQ(reopened.GenreIndex(), 1);
}

TEST(BackImageBrowser, NoIndexShowsTheWarning)
{
    TDataRoot data;
    TfrmBackImageBrowser browser(false);
    EXPECT_TRUE(browser.WarningShown());
    EXPECT_EQ(browser.GenreCount(), 0);
    EXPECT_FALSE(browser.HasSelection());
}

TEST(FrameDialog, UncheckedAnswersNoFrameCheckedNeedsASelection)
{
    TDataRoot data;
    data.Folder("Data/trimming");
    SaveBmp(data.Path("Data/trimming/f1.bmp"), Qt::magenta);
    TfrmSelectFrame dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("フレームの選択"));
    EXPECT_EQ(dialog.Browser()->Browser()->KeyColor(), 0x607090u);
    ASSERT_TRUE(dialog.Browser()->UseBox()->isChecked());
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.Browser()->Browser()->Select(0);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    EXPECT_TRUE(dialog.FrameFileName().endsWith("/f1.bmp"));
    dialog.Browser()->UseBox()->setChecked(false);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    EXPECT_TRUE(dialog.FrameFileName().isEmpty());
}

TEST(FrameDialog, MissingFramesWarn)
{
    TDataRoot data;
    TfrmSelectFrame dialog;
    EXPECT_TRUE(dialog.Browser()->WarningShown());
    EXPECT_TRUE(
        dialog.Browser()->Warning()->text().startsWith(QStringLiteral("フレームデータが見つかりません。")));
}

TEST(IllustDialog, ClipboardPageFollowsTheClipboard)
{
    TDataRoot data;
    QApplication::clipboard()->clear();
    TfrmIllust2 dialog;
    ASSERT_EQ(dialog.Tabs()->count(), 4);
    EXPECT_EQ(dialog.Tabs()->tabText(0), QStringLiteral("イラスト集"));
    EXPECT_EQ(dialog.Tabs()->tabText(3), QStringLiteral("TWAIN"));
    dialog.Tabs()->setCurrentWidget(dialog.ClipboardPage());
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    QImage image(30, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    QApplication::clipboard()->setImage(image);
    ASSERT_TRUE(WaitFor([&] { return dialog.ClipboardPage()->HasPicture(); }, 3000));
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    ASSERT_TRUE(dialog.TakeChoice());
    EXPECT_EQ(dialog.SourceKind(), 0);
    EXPECT_EQ(dialog.Result().Width(), 30);
    QApplication::clipboard()->clear();
    ASSERT_TRUE(WaitFor([&] { return !dialog.ClipboardPage()->HasPicture(); }, 3000));
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    // Without a scanner function the scanner page cannot acquire.
    EXPECT_FALSE(dialog.TwainPage()->AcquireButton()->isEnabled());
    EXPECT_EQ(dialog.Execute(imTwain), QDialog::Rejected);
}

// A Photo CD file chosen on the file page is taken through the disc's size dialog:
// Cancel there takes nothing, OK takes the size chosen.
TEST(IllustDialog, APhotoCDFileGoesThroughItsDialog)
{
    TDataRoot data;
    TfrmPhotoCD::ResetRemembered();
    QTemporaryDir dir;
    QImage image(96, 64, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    ASSERT_TRUE(image.save(dir.filePath("red.ppm")));
    ASSERT_EQ(
        velmo::test::RunProgram(QStringLiteral("convert"), {dir.filePath("red.ppm"), dir.filePath("red.pcd")})
            .ExitCode,
        0);
    QFile::remove(dir.filePath("red.ppm"));
    TfrmIllust2 dialog;
    dialog.Tabs()->setCurrentWidget(dialog.Files());
    dialog.Files()->show();
    dialog.Files()->SetFolder(dir.path());
    ASSERT_EQ(dialog.Files()->Browser()->Count(), 1);
    dialog.Files()->Browser()->Select(0);
    ASSERT_TRUE(dialog.OkButton()->isEnabled());
    QString seen;
    auto answer = [&seen](bool accept) {
        QTimer::singleShot(50, [&seen, accept] {
            auto* photo = dynamic_cast<QDialog*>(QApplication::activeModalWidget());
            if (!photo)
                return;
            seen = photo->windowTitle();
            accept ? photo->accept() : photo->reject();
        });
    };
    answer(false);
    EXPECT_FALSE(dialog.TakeChoice());
    EXPECT_EQ(seen, QStringLiteral("PhotoCDｲﾒｰｼﾞの設定"));
    seen.clear();
    answer(true);
    ASSERT_TRUE(dialog.TakeChoice());
    EXPECT_EQ(seen, QStringLiteral("PhotoCDｲﾒｰｼﾞの設定"));
    EXPECT_EQ(dialog.SourceKind(), 0);
    EXPECT_EQ(dialog.Result().Width(), 384);
    EXPECT_EQ(dialog.Result().Height(), 256);
}

TEST(IllustDialog, IllustrationAndScannerSources)
{
    TDataRoot data;
    data.Folder("Data/OnePoint/eto");
    SaveBmp(data.Path("Data/OnePoint/eto/001.bmp"), Qt::blue, 33, 22);
    PictureEnvironment().Acquire = [](QWidget*, TPictureEx& picture) {
        auto bitmap = std::make_unique<TAppBitmap>();
        QImage image(44, 11, QImage::Format_RGB888);
        image.fill(Qt::gray);
        bitmap->SetImage(image);
        picture.SetGraphic(std::move(bitmap));
        return true;
    };
    TfrmIllust2 dialog;
    dialog.Tabs()->setCurrentWidget(dialog.OnePoint());
    EXPECT_FALSE(dialog.OkButton()->isEnabled());
    dialog.OnePoint()->Browser()->Select(0);
    EXPECT_TRUE(dialog.OkButton()->isEnabled());
    ASSERT_TRUE(dialog.TakeChoice());
    EXPECT_EQ(dialog.SourceKind(), 1);
    EXPECT_EQ(dialog.Result().Width(), 33);
    // The scanner mode acquires at once and confirms without showing.
    TfrmIllust2 scanner;
    EXPECT_EQ(scanner.Execute(imTwain), QDialog::Accepted);
    EXPECT_EQ(scanner.SourceKind(), 2);
    EXPECT_EQ(scanner.Result().Width(), 44);
    // The user image dialog has no collection.
    TfrmSelectUserImage user;
    EXPECT_EQ(user.Tabs()->count(), 3);
    EXPECT_EQ(user.Tabs()->tabText(0), QStringLiteral("ファイル"));
    EXPECT_EQ(user.windowTitle(), QStringLiteral("イラストの選択"));
}

TEST(ImageFileBrowser, ListsTheFolderAndRemembersIt)
{
    TDataRoot data;
    QTemporaryDir dir;
    SaveBmp(dir.filePath("x.bmp"), Qt::blue);
    WriteFileBytes(dir.filePath("y.gif"), "GIF89a");
    QStringList history;
    PictureEnvironment().ReadFolderHistory = [&history] { return history; };
    PictureEnvironment().AddFolderHistory = [&history](const QString& f) { history.prepend(f); };
    history << dir.path();
    EXPECT_EQ(TfrmImageFileBrowser::InitialFolder(), dir.path());
    TfrmImageFileBrowser browser;
    EXPECT_EQ(browser.Browser()->Count(), 0); // listed on first showing
    browser.show();
    EXPECT_EQ(browser.Browser()->Count(), 1);
    EXPECT_EQ(browser.Browser()->Captions().value(0), QStringLiteral("x.bmp"));
    QTemporaryDir other;
    SaveBmp(other.filePath("1.BMP"), Qt::blue);
    SaveBmp(other.filePath("2.jpg.bmp"), Qt::blue);
    browser.SetFolder(other.path());
    EXPECT_EQ(browser.Browser()->Count(), 2);
    EXPECT_EQ(history.first(), other.path());
}

TEST(ImageDialogChooser, AnIllustrationObjectOpensOnTheCollection)
{
    TDataRoot data;
    data.Folder("Data/OnePoint/eto");
    SaveBmp(data.Path("Data/OnePoint/eto/001.bmp"), Qt::darkGreen, 90, 45);
    InstallPictureBrowsers();
    TLOVelmoImage image;
    image.SetImageSource(isOnePoint);
    TfrmImageProperty property(&image);
    // The chooser opens before the dialog; pick the first illustration in it.
    QString shownTab;
    QTimer::singleShot(0, [&] {
        auto* chooser = dynamic_cast<TfrmIllust2*>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        shownTab = chooser->Tabs()->tabText(chooser->Tabs()->currentIndex());
        chooser->OnePoint()->Browser()->Select(0);
        chooser->OkButton()->click();
        // The property dialog itself comes next: confirm it.
        QTimer::singleShot(0, [] {
            if (auto* dialog = dynamic_cast<QDialog*>(QApplication::activeModalWidget()))
                dialog->accept();
        });
    });
    ASSERT_EQ(property.Execute(), QDialog::Accepted);
    EXPECT_EQ(shownTab, QStringLiteral("イラスト集"));
    property.Apply();
    EXPECT_EQ(image.ImageSource(), isOnePoint);
    EXPECT_EQ(image.ImageData()->Picture()->Width(), 90);
    EXPECT_EQ(image.ImageData()->TransparentColor(), 0xF0F0F0u); // illustrations key out their ground
    TfrmImageProperty::SetFrameChooser(nullptr);
    TfrmBackImageProperty::SetGalleryFactory(nullptr);
    SetDefaultPictureChooser(nullptr);
}

TEST(DeliveredFrames, EveryFrameShapesAPictureOnAnImageObject)
{
    RegisterImagingGraphics();
    RegisterPictureFormats();
    const QDir frames(velmo::test::BinaryDir() + QStringLiteral("/data/Data/trimming"));
    const QStringList files = frames.entryList({QStringLiteral("*.bmp")}, QDir::Files, QDir::Name);
    ASSERT_GE(files.size(), 20) << "the delivered frames are built with the pictures target";
    QImage sheet(files.size() * 124, 124, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter sheetPainter(&sheet);
    int n = 0;
    for (const QString& name : files) {
        TLOVelmoImage image;
        QImage photo(240, 240, QImage::Format_RGB888);
        photo.fill(QColor(30, 200, 230)); // a colour no frame uses
        auto photoBitmap = std::make_unique<TSafetyBitmap>();
        photoBitmap->SetImage(photo);
        TPictureEx photoPicture;
        photoPicture.SetGraphic(std::move(photoBitmap));
        image.ImageData()->SetPicture(&photoPicture);
        image.SetBaseRect({0, 0, 240, 240});
        TLoadedPicture frame = LoadPictureFile(frames.filePath(name));
        TPictureEx framePicture;
        framePicture.SetGraphic(std::move(frame.Graphic));
        image.FramePicture()->Assign(framePicture);
        QImage out(240, 240, QImage::Format_RGB32);
        out.fill(Qt::white);
        QPainter p(&out);
        image.Paint(p);
        p.end();
        const QRgb centre = out.pixel(120, 120), corner = out.pixel(1, 1);
        auto isPhoto = [](QRgb c) {
            return std::abs(qRed(c) - 30) < 24 && std::abs(qGreen(c) - 200) < 24 &&
                   std::abs(qBlue(c) - 230) < 24;
        };
        EXPECT_TRUE(isPhoto(centre)) << name.toStdString() << ": the window shows the picture";
        EXPECT_EQ(corner & 0xFFFFFF, 0xFFFFFFu) << name.toStdString() << ": the cut-away part shows nothing";
        int frameColoured = 0;
        for (int y = 0; y < 240; y += 2)
            for (int x = 0; x < 240; x += 2) {
                const QRgb c = out.pixel(x, y);
                if ((c & 0xFFFFFF) != 0xFFFFFF && !isPhoto(c))
                    ++frameColoured;
            }
        EXPECT_GT(frameColoured, 100) << name.toStdString() << ": the frame itself is drawn";
        sheetPainter.drawImage(QRect(n * 124 + 2, 2, 120, 120), out);
        ++n;
    }
    sheetPainter.end();
    if (!qEnvironmentVariableIsEmpty("VELMO_SHOTS"))
        sheet.save(qEnvironmentVariable("VELMO_SHOTS") + QStringLiteral("/framed-images.png"));
}

TEST(ImageDialogChooser, BackgroundPicturesComeFromTheCollectionFilesClipboardOrScanner)
{
    TDataRoot data;
    data.Folder("Data/BackGrnd/a");
    SaveBmp(data.Path("Data/BackGrnd/a/1.bmp"), Qt::yellow);
    SaveBmp(data.Path("Data/BackGrnd/a/2.bmp"), Qt::cyan);
    data.Write("Data/BackGrnd/BackGrnd.dat", QStringLiteral("[柄]\r\nFolder=a\r\n"));
    InstallPictureBrowsers();
    TImageData imageData;
    TfrmTransparentEditor page;
    page.SetImageData(&imageData);
    page.SetChooserKind(1);
    QString title;
    QStringList tabs;
    QTimer::singleShot(0, [&] {
        auto* chooser = dynamic_cast<TfrmIllust2*>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        title = chooser->windowTitle();
        for (int i = 0; i < chooser->Tabs()->count(); ++i)
            tabs << chooser->Tabs()->tabText(i);
        chooser->reject();
    });
    EXPECT_FALSE(page.ChooseAgain()); // cancelled: nothing chosen
    EXPECT_EQ(title, QStringLiteral("背景柄の選択"));
    EXPECT_EQ(tabs, QStringList({QStringLiteral("背景集"), QStringLiteral("ファイル"),
                                 QStringLiteral("クリップボード"), QStringLiteral("TWAIN")}));
    EXPECT_TRUE(imageData.IsEmpty());

    // "再選択..." again: the second background of the collection is taken.
    QTimer::singleShot(0, [&] {
        auto* chooser = dynamic_cast<TfrmIllust2*>(QApplication::activeModalWidget());
        if (!chooser)
            return;
        EXPECT_EQ(chooser->Tabs()->currentWidget(), chooser->Backgrounds()) << "opens on the collection";
        chooser->Backgrounds()->Browser()->Select(1);
        if (!qEnvironmentVariableIsEmpty("VELMO_SHOTS")) {
            for (int i = 0; i < 40; ++i) {
                QCoreApplication::processEvents();
                QThread::msleep(10);
            }
            chooser->grab().save(qEnvironmentVariable("VELMO_SHOTS") +
                                 QStringLiteral("/background-chooser.png"));
        }
        chooser->OkButton()->click();
    });
    ASSERT_TRUE(page.ChooseAgain());
    ASSERT_FALSE(imageData.IsEmpty());
    const QImage picked = imageData.Picture()->Graphic()->Image();
    EXPECT_EQ(picked.pixelColor(picked.width() / 2, picked.height() / 2), QColor(Qt::cyan));

    // The colour panel's "イメージ選択..." for a label face: the same chooser, the
    // picture fitted to the face.
    TfrmColorSpec panel;
    panel.SetFaceSize(400, 300);
    int kindAsked = -1;
    panel.PictureChooser = [&](QWidget*, int kind, TChosenPicture& chosen) {
        kindAsked = kind;
        TPictureEx picture;
        picture.Assign(*imageData.Picture());
        chosen.Graphic = picture.Graphic()->Clone();
        return true;
    };
    panel.PickImage();
    EXPECT_EQ(kindAsked, 1);
    EXPECT_EQ(panel.Spec().Kind(), TColorSpecKind::cskBitmap);
    EXPECT_FALSE(panel.Spec().ImageData()->IsEmpty());
    TfrmColorSpec plain;
    plain.PictureChooser = [&](QWidget*, int kind, TChosenPicture&) {
        kindAsked = kind;
        return false;
    };
    plain.PickImage();
    EXPECT_EQ(kindAsked, 0) << "not face-bound: the user's pictures";
    EXPECT_TRUE(plain.Spec().ImageData()->IsEmpty()) << "cancelled: nothing changes";

    TfrmImageProperty::SetFrameChooser(nullptr);
    TfrmBackImageProperty::SetGalleryFactory(nullptr);
    SetDefaultPictureChooser(nullptr);
}
