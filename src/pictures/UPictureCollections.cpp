#include "pictures/UPictureCollections.h"
#include "base/UCodePage932.h"
#include "base/UExceptions.h"
#include "base/UNumbers.h"
#include "imaging/UDIB.h"
#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyJPEGImage.h"
#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>
#include <mutex>

namespace velmo {

// ---------------------------------------------------------------------------------
// Index files

QString TIniSection::Value(const QString& key) const
{
    for (const auto& [k, v] : Values)
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return v;
    return QString();
}

bool TIniSection::Has(const QString& key) const
{
    for (const auto& [k, v] : Values)
        if (k.compare(key, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

std::vector<TIniSection> ReadIniSections(const QByteArray& input)
{
    QByteArray bytes = input.left(kMaxIniBytes);
    QString text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = QString::fromUtf8(bytes.mid(3));
    } else {
        // Characters the code page cannot hold are skipped by the decoder's caller:
        // a damaged byte spoils one line, not the file.
        bool ok = true;
        text = cp932::Decode(bytes, &ok);
        if (!ok)
            text = QString::fromLatin1(bytes); // keep the readable ASCII keys
    }
    std::vector<TIniSection> sections;
    TIniSection* current = nullptr;
    const QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            if (close < 0) {
                current = nullptr; // a broken header: its keys belong to no section
                continue;
            }
            const QString name = line.mid(1, close - 1).trimmed();
            current = nullptr;
            for (TIniSection& s : sections)
                if (s.Name.compare(name, Qt::CaseInsensitive) == 0)
                    current = &s;
            if (!current) {
                if (int(sections.size()) >= kMaxIniSections)
                    continue;
                sections.push_back(TIniSection{name, {}});
                current = &sections.back();
            }
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!current || eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1).trimmed();
        if (!current->Has(key))
            current->Values.emplace_back(key, value);
    }
    return sections;
}

QStringList BuiltInOnePointGenres()
{
    return {
        QStringLiteral("干支,Data\\OnePoint\\eto"),
        QStringLiteral("年賀用,Data\\OnePoint\\nenga"),
        QStringLiteral("グリーティング,Data\\OnePoint\\greet"),
        QStringLiteral("季節,Data\\OnePoint\\season"),
        QStringLiteral("習い事,Data\\OnePoint\\learn"),
        QStringLiteral("スポーツ,Data\\OnePoint\\sports"),
        QStringLiteral("生活イベント,Data\\OnePoint\\lifevent"),
        QStringLiteral("学校イベント,Data\\OnePoint\\schevent"),
        QStringLiteral("会社イベント,Data\\OnePoint\\busevent"),
        QStringLiteral("台所用品,Data\\OnePoint\\kitchen"),
        QStringLiteral("日用品,Data\\OnePoint\\daily"),
        QStringLiteral("文房具(学校),Data\\OnePoint\\schtools"),
        QStringLiteral("会社備品,Data\\OnePoint\\bustools"),
        QStringLiteral("郵便スタンプ,Data\\OnePoint\\postal"),
        QStringLiteral("ファイリング,Data\\OnePoint\\filing"),
        QStringLiteral("洋服・小物・靴,Data\\OnePoint\\fashion"),
        QStringLiteral("ショップ,Data\\OnePoint\\shop"),
        QStringLiteral("ＡＶ,Data\\OnePoint\\av"),
        QStringLiteral("ＯＡ,Data\\OnePoint\\oa"),
        QStringLiteral("予定スタンプ,Data\\OnePoint\\schedule"),
        QStringLiteral("星座,Data\\OnePoint\\birth"),
        QStringLiteral("地図用記号・建物,Data\\OnePoint\\map"),
        QStringLiteral("いろいろマーク,Data\\OnePoint\\mark"),
        QStringLiteral("飾り罫,Data\\OnePoint\\decoline"),
        QStringLiteral("パネル,Data\\panel"),
        QStringLiteral("その他,Data\\OnePoint\\other"),
    };
}

QStringList ReadOnePointGenres(const QByteArray& bytes)
{
    QStringList genres;
    for (const TIniSection& section : ReadIniSections(bytes)) {
        const QString dir = section.Value(QStringLiteral("Dir"));
        if (dir.isEmpty())
            continue; // nowhere to look: not a genre
        QString name = section.Value(QStringLiteral("Name"));
        if (name.isEmpty())
            name = section.Name;
        // The comma separates name and folder, so a name cannot carry one.
        name.replace(u',', u'、');
        genres << name + u',' + dir;
    }
    return genres;
}

QString GenreCaption(const QString& genre)
{
    const qsizetype comma = genre.indexOf(u',');
    return comma < 0 ? genre : genre.left(comma);
}

QString GenreFolder(const QString& genre)
{
    const qsizetype comma = genre.indexOf(u',');
    return comma < 0 ? QString() : genre.mid(comma + 1);
}

QString JoinDataPath(const QString& folder, const QString& relativePath)
{
    QString relative = relativePath;
    relative.replace(u'\\', u'/');
    if (folder.isEmpty() || relative.isEmpty() || relative.startsWith(u'/') || QDir::isAbsolutePath(relative))
        return QString();
    const QStringList parts = relative.split(u'/', Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return QString();
    QString current = QDir::cleanPath(folder);
    for (const QString& part : parts) {
        if (part == QLatin1String("..") || part == QLatin1String("."))
            return QString();
        const QStringList entries =
            QDir(current).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QString found;
        for (const QString& entry : entries) {
            if (entry == part) {
                found = entry;
                break;
            }
            if (found.isEmpty() && entry.compare(part, Qt::CaseInsensitive) == 0)
                found = entry;
        }
        if (found.isEmpty())
            return QString();
        current += u'/' + found;
    }
    return current;
}

std::vector<TBackGenre> ReadBackGenres(const QByteArray& bytes, const QString& indexFolder)
{
    std::vector<TBackGenre> genres;
    for (const TIniSection& section : ReadIniSections(bytes)) {
        const QString folder = section.Value(QStringLiteral("Folder"));
        if (folder.isEmpty() || section.Name.isEmpty())
            continue;
        QString relative = folder;
        relative.replace(u'\\', u'/');
        const QStringList parts = relative.split(u'/', Qt::SkipEmptyParts);
        if (relative.startsWith(u'/') || QDir::isAbsolutePath(relative) || parts.isEmpty() ||
            parts.contains(QStringLiteral("..")) || parts.contains(QStringLiteral(".")))
            continue;
        // The folder may be missing: the browser then shows its warning for that genre.
        const QString joined = JoinDataPath(indexFolder, folder);
        genres.push_back(TBackGenre{
            section.Name, joined.isEmpty() ? QDir::cleanPath(indexFolder + u'/' + relative) : joined});
    }
    return genres;
}

// ---------------------------------------------------------------------------------
// User pictures

bool IsUserPictureFile(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffix == QLatin1String("bmp") || suffix == QLatin1String("jpg") ||
           suffix == QLatin1String("jpeg") || suffix == QLatin1String("pcd");
}

QStringList ListUserPictures(const QString& folder)
{
    QStringList files;
    if (folder.isEmpty())
        return files;
    const QDir dir(folder);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.fileName().startsWith(u'.') || !entry.isFile() || !IsUserPictureFile(entry.fileName()))
            continue;
        files << entry.absoluteFilePath();
    }
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(files.begin(), files.end(),
                     [&collator](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return files;
}

QString FolderMask(const QString& folder)
{
    QString f = folder;
    while (f.size() > 1 && (f.endsWith(u'/') || f.endsWith(u'\\')))
        f.chop(1);
    return f + QStringLiteral("/*.*");
}

// ---------------------------------------------------------------------------------
// Thumbnails

QSize ThumbnailSize(int width, int height, int s)
{
    if (width <= 0 || height <= 0 || s <= 8)
        return QSize(0, 0);
    int w = MulDiv(width, s - 8, height);
    int h = s - 8;
    if (w > s - 2) {
        h = MulDiv(height, s - 2, width);
        w = s - 2;
    }
    return QSize(std::max(w, 1), std::max(h, 1));
}

int ThumbnailCacheLimit(int s)
{
    if (s <= 0)
        return 1;
    const qint64 cells = 3LL * s * s;
    return int(std::max<qint64>(1, 10485760LL / cells));
}

QImage MakeThumbnail(const QImage& input, int s, TColor keyColor, TColor background)
{
    const QSize size = ThumbnailSize(input.width(), input.height(), s);
    QImage result(size.isEmpty() ? QSize(1, 1) : size, QImage::Format_RGB888);
    const QRgb bg = ColorToRgb(background);
    if (input.isNull() || size.isEmpty()) {
        result.fill(QColor::fromRgb(bg));
        return result;
    }
    QImage source = input.convertToFormat(QImage::Format_RGB32);
    if (keyColor != clNone) {
        // The key colour shows the background, as a transparent picture drawn over it.
        const QRgb key = ColorToRgb(keyColor) & 0xFFFFFF;
        for (int y = 0; y < source.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(source.scanLine(y));
            for (int x = 0; x < source.width(); ++x)
                if ((row[x] & 0xFFFFFF) == key)
                    row[x] = bg;
        }
    }
    const qint64 W = source.width(), H = source.height();
    const int w = size.width(), h = size.height();
    std::vector<int> x0(w), x1(w);
    for (int x = 0; x < w; ++x) {
        x0[x] = int(x * W / w);
        x1[x] = std::max(int((x + 1) * W / w), x0[x] + 1);
    }
    for (int y = 0; y < h; ++y) {
        const int y0 = int(y * H / h);
        const int y1 = std::max(int((y + 1) * H / h), y0 + 1);
        uchar* out = result.scanLine(y);
        for (int x = 0; x < w; ++x) {
            quint64 r = 0, g = 0, b = 0, n = 0;
            for (int sy = y0; sy < y1; ++sy) {
                const auto* row = reinterpret_cast<const QRgb*>(source.constScanLine(sy));
                for (int sx = x0[x]; sx < x1[x]; ++sx) {
                    r += qRed(row[sx]);
                    g += qGreen(row[sx]);
                    b += qBlue(row[sx]);
                    ++n;
                }
            }
            out[x * 3] = uchar(r / n);
            out[x * 3 + 1] = uchar(g / n);
            out[x * 3 + 2] = uchar(b / n);
        }
    }
    return result;
}

QImage LoadThumbnailSource(const QString& fileName, int s, TColor* fileKeyColor)
{
    if (fileKeyColor)
        *fileKeyColor = clNone;
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg")) {
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            throw EFileError(QStringLiteral("%1 を開けません").arg(fileName));
        const QByteArray bytes = file.readAll();
        const TJPEGHeader header = ReadJPEGHeader(bytes);
        // A quarter of the size is plenty for a thumbnail and four times less work;
        // a small picture is reduced less so its thumbnail is not enlarged.
        const QSize fitted = ThumbnailSize(header.Width, header.Height, s);
        int denominator = 4;
        while (denominator > 1 && (ScaledJPEGSize(header.Width, denominator) < fitted.width() ||
                                   ScaledJPEGSize(header.Height, denominator) < fitted.height()))
            denominator /= 2;
        TJPEGDecodeOptions options;
        options.ScaleDenominator = denominator;
        options.EightBit = true;
        options.Fast = true;
        return DecodeJPEG(bytes, options);
    }
    TLoadedPicture loaded = LoadPictureFile(fileName);
    if (!loaded.Graphic || loaded.Graphic->Empty())
        throw EInvalidGraphic(QStringLiteral("%1 は画像ではありません").arg(fileName));
    if (fileKeyColor)
        *fileKeyColor = loaded.KeyColor;
    return loaded.Graphic->Image();
}

QImage MakeFileThumbnail(const QString& fileName, int s, TColor keyColor, TColor background, bool* failed)
{
    if (failed)
        *failed = false;
    try {
        TColor fileKey = clNone;
        const QImage image = LoadThumbnailSource(fileName, s, &fileKey);
        if (image.isNull())
            throw EInvalidGraphic(QStringLiteral("%1 は画像ではありません").arg(fileName));
        // A file that carries its own transparency shows it on the background too.
        return MakeThumbnail(image, s, fileKey != clNone ? fileKey : keyColor, background);
    } catch (const std::exception&) {
        if (failed)
            *failed = true;
        return MakeThumbnail(ErrorPicture().Graphic()->Image(), s, clNone, clWhite);
    }
}

QString PlaceholderText()
{
    return QStringLiteral("プレビュー作成中...");
}

const TPictureEx& PlaceholderPicture()
{
    static std::once_flag once;
    static TPictureEx* picture = nullptr;
    std::call_once(once, [] {
        static TPictureEx made;
        MakeTextPicture(made, PlaceholderText(), 0x000000);
        picture = &made;
    });
    return *picture;
}

QString CutCaption(const QString& caption, int maxWidth, const std::function<int(const QString&)>& widthOf)
{
    if (widthOf(caption) <= maxWidth)
        return caption;
    QString text = caption;
    const QString dots = QStringLiteral("...");
    while (!text.isEmpty()) {
        // Whole characters only: a surrogate pair goes as one.
        int cut = 1;
        if (text.size() >= 2 && text.back().isLowSurrogate() && text.at(text.size() - 2).isHighSurrogate())
            cut = 2;
        text.chop(cut);
        if (widthOf(text + dots) <= maxWidth)
            break;
    }
    return text + dots;
}

// ---------------------------------------------------------------------------------
// Remembered choices and the environment

TRememberedChoices& RememberedChoices()
{
    static TRememberedChoices choices;
    return choices;
}

int ValidRemembered(int& index, int count)
{
    if (index < 0 || index >= count)
        index = 0;
    return index;
}

TPictureEnvironment& PictureEnvironment()
{
    static TPictureEnvironment environment;
    return environment;
}

QString FindPictureData(const QString& relativePath)
{
    const auto& find = PictureEnvironment().FindDataFile;
    return find ? find(relativePath) : QString();
}

QString ExpandPictureMacros(const QString& text)
{
    const auto& expand = PictureEnvironment().ExpandMacros;
    return expand ? expand(text) : text;
}

} // namespace velmo
