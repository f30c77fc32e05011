#pragma once
// The picture collections the browsers show and the rules they share: the index
// files of the illustration and background collections, the user's picture files,
// thumbnail sizes and the box-filtered thumbnails themselves, captions cut to fit,
// and the choices remembered for the run.
//
// Nothing here touches a widget, so the image-load thread may make thumbnails.
#include "base/UGraphics.h"
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QWidget;

namespace velmo {

class TPictureEx;

// ---------------------------------------------------------------------------------
// Index files

// One section of an INI data file, keys as written (looked up without regard to case).
struct TIniSection
{
    QString Name;
    std::vector<std::pair<QString, QString>> Values;
    QString Value(const QString& key) const;
    bool Has(const QString& key) const;
};

// Reads an INI data file: code page 932, or UTF-8 when it starts with a byte-order
// mark. Lines outside any section, comments (";" or "#") and lines without "=" are
// skipped; a repeated section adds to the first one. At most kMaxIniSections
// sections are kept, and a file larger than kMaxIniBytes is read no further, so a
// damaged index cannot make the program allocate without bound.
inline constexpr int kMaxIniSections = 4096;
inline constexpr qsizetype kMaxIniBytes = 4 * 1024 * 1024;
std::vector<TIniSection> ReadIniSections(const QByteArray& bytes);

// The one-point genres as texts "name,folder", in order.
QStringList BuiltInOnePointGenres();
// Genres of "Data\Onepoint\Illust.dat": one per section that has a "Dir" value; the
// "Name" key is shown (the section's name when the key is missing). An index without
// a usable section gives an empty list, and the caller falls back to the built-in
// genres as for a missing index.
QStringList ReadOnePointGenres(const QByteArray& bytes);
// The text shown for a genre: up to its first comma.
QString GenreCaption(const QString& genre);
// The folder of a genre: after its first comma.
QString GenreFolder(const QString& genre);

struct TBackGenre
{
    QString Name;   // the section's name, shown unchanged
    QString Folder; // absolute: the "Folder" value under the index file's folder
};
// Genres of "Data\BackGrnd\BackGrnd.dat"; sections without "Folder", and folders that
// would leave the index file's folder (absolute paths, "..", "."), are skipped.
std::vector<TBackGenre> ReadBackGenres(const QByteArray& bytes, const QString& indexFolder);

// A relative data path ("\" or "/") joined to a folder, looked up without regard to
// case; empty when a part is missing or the path would leave the folder.
QString JoinDataPath(const QString& folder, const QString& relativePath);

// ---------------------------------------------------------------------------------
// User pictures

// ".bmp", ".jpg", ".jpeg", ".pcd" without regard to case.
bool IsUserPictureFile(const QString& fileName);
// The folder's plain files with those extensions (not folders, not subfolders),
// sorted as the folder pack sorts them.
QStringList ListUserPictures(const QString& folder);
// The mask a folder pack takes for a user picture folder ("folder/*.*").
QString FolderMask(const QString& folder);

// ---------------------------------------------------------------------------------
// Thumbnails

// A picture of w × h fitted into (s − 2) × (s − 8), proportions kept.
QSize ThumbnailSize(int width, int height, int s);
// 10485760 div (3 × s × s), at least 1.
int ThumbnailCacheLimit(int s);
// The 24-bit thumbnail of a picture for cell size s: pixels of the key colour (unless
// clNone) become the background colour, then the picture is box-filtered (each
// channel the integer mean of the covered source pixels) into its fitted size. Rows
// or columns that cover no source pixel (pictures smaller than their thumbnail) take
// the source pixel they fall on.
QImage MakeThumbnail(const QImage& source, int s, TColor keyColor, TColor background);
// How a picture file is read for a thumbnail: JPEG at a quarter of its size (less
// reduction when a quarter would be smaller than the thumbnail), 256 colours, no
// smoothing; other formats through the registered picture formats with the key
// colour a file carries (clNone otherwise). Raises on a picture that does not load.
QImage LoadThumbnailSource(const QString& fileName, int s, TColor* fileKeyColor = nullptr);
// The thumbnail of a picture file; the error picture's thumbnail when it does not load
// (then *failed is set).
QImage MakeFileThumbnail(const QString& fileName, int s, TColor keyColor, TColor background,
                         bool* failed = nullptr);

// "プレビュー作成中..."
QString PlaceholderText();
// The picture shown until a thumbnail is ready: black text on white, made like the
// error picture, on first use.
const TPictureEx& PlaceholderPicture();

// The caption cut character by character from the end until the text with "..."
// appended is at most maxWidth wide (surrogate pairs stay whole); unchanged when it
// fits. widthOf measures a text.
QString CutCaption(const QString& caption, int maxWidth, const std::function<int(const QString&)>& widthOf);

// ---------------------------------------------------------------------------------
// Choices remembered for the run (not saved)

struct TRememberedChoices
{
    int OnePointGenre = 0;
    int BackGenre = 0;
    int GalleryGenre = 0;
    int GalleryPicture = 0;
};
TRememberedChoices& RememberedChoices();
// A remembered index that is no longer below the count is reset to 0.
int ValidRemembered(int& index, int count);

// ---------------------------------------------------------------------------------
// What the browsers need from the application (set at start-up)

struct TPictureEnvironment
{
    // The data-file search: the full path of a relative data path (wildcards in its
    // last part), or empty.
    std::function<QString(const QString& relativePath)> FindDataFile;
    // Macro expansion of "$(AppName)" and the like.
    std::function<QString(const QString& text)> ExpandMacros;
    // The user picture folders' history list, most recent first, and adding to it.
    std::function<QStringList()> ReadFolderHistory;
    std::function<void(const QString& folder)> AddFolderHistory;
    // "履歴の消去" of the history pop-up.
    std::function<void()> ClearFolderHistory;
    // Acquires a picture from a scanner or camera; false when cancelled or failed.
    std::function<bool(QWidget* parent, TPictureEx& picture)> Acquire;
};
TPictureEnvironment& PictureEnvironment();
// Through the environment; without one, empty.
QString FindPictureData(const QString& relativePath);
QString ExpandPictureMacros(const QString& text);

} // namespace velmo
