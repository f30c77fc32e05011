#include "cli/UToolPictures.h"
#include "cli/UToolCommands.h"
#include "imaging/UDIB.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "pictures/UPictureCollections.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QTextStream>
#include <cstdio>

namespace velmo::tool {

namespace {

struct TSheetBlock
{
    QString Title;
    QStringList Files;
};

struct TSheetOptions
{
    int Size = 100;
    int Columns = 10;
    TColor Key = clNone;
    TColor Background = clWhite;
};

// One block per genre: its title, then its thumbnails in rows, each with its number.
QImage DrawContactSheet(const std::vector<TSheetBlock>& blocks, const TSheetOptions& options, int* failures)
{
    QFont font(QStringLiteral("IPAexGothic"));
    font.setPixelSize(13);
    QFont titleFont = font;
    titleFont.setPixelSize(16);
    titleFont.setBold(true);
    const QFontMetrics metrics(font), titleMetrics(titleFont);
    const int cellW = options.Size + 8, cellH = options.Size + 8 + metrics.height() + 4;
    const int width = options.Columns * cellW + 16;
    int height = 8;
    for (const TSheetBlock& block : blocks)
        height +=
            titleMetrics.height() + 6 +
            std::max<qsizetype>(1, (block.Files.size() + options.Columns - 1) / options.Columns) * cellH + 8;
    QImage sheet(width, std::max(height, 16), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter p(&sheet);
    int y = 8;
    const QColor background = QColor::fromRgb(ColorToRgb(options.Background));
    for (const TSheetBlock& block : blocks) {
        p.setFont(titleFont);
        p.setPen(Qt::black);
        p.drawText(QRect(8, y, width - 16, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("%1 (%2)").arg(block.Title).arg(block.Files.size()));
        y += titleMetrics.height() + 6;
        p.setFont(font);
        for (qsizetype i = 0; i < block.Files.size(); ++i) {
            const int col = int(i % options.Columns), row = int(i / options.Columns);
            const QRect cell(8 + col * cellW, y + row * cellH, cellW, cellH);
            const QRect icon(cell.left() + 4, cell.top() + 4, options.Size, options.Size);
            p.fillRect(icon, background);
            p.setPen(QColor(0xA0, 0xA0, 0xA0));
            p.drawRect(icon.adjusted(0, 0, -1, -1));
            bool failed = false;
            const QImage thumb =
                MakeFileThumbnail(block.Files[i], options.Size, options.Key, options.Background, &failed);
            if (failed && failures)
                ++*failures;
            p.drawImage(icon.left() + (icon.width() - thumb.width()) / 2,
                        icon.top() + (icon.height() - thumb.height()) / 2, thumb);
            p.setPen(Qt::black);
            p.drawText(QRect(cell.left(), icon.bottom() + 2, cellW, metrics.height()), Qt::AlignHCenter,
                       QFileInfo(block.Files[i]).completeBaseName());
        }
        y += std::max<qsizetype>(1, (block.Files.size() + options.Columns - 1) / options.Columns) * cellH + 8;
    }
    return sheet;
}

QStringList FilesOf(const QString& folder)
{
    QStringList files;
    if (folder.isEmpty())
        return files;
    for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase))
        if (!info.fileName().startsWith(u'.'))
            files << info.absoluteFilePath();
    return files;
}

// The data-file search of the tool: one data root, paths looked up without regard to
// case, a wildcard allowed in the last part.
QString FindIn(const QString& root, const QString& relativePath)
{
    QString rel = relativePath;
    rel.replace(u'\\', u'/');
    const qsizetype slash = rel.lastIndexOf(u'/');
    const QString last = rel.mid(slash + 1);
    if (!last.contains(u'*') && !last.contains(u'?'))
        return JoinDataPath(root, rel);
    const QString folder = slash < 0 ? root : JoinDataPath(root, rel.left(slash));
    if (folder.isEmpty())
        return QString();
    const QStringList matches = QDir(folder).entryList(QStringList{last}, QDir::Files, QDir::Name);
    return matches.isEmpty() ? QString() : folder + u'/' + matches.first();
}

QString DefaultDataRoot()
{
    const QString exe = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {exe + QStringLiteral("/../data"), exe + QStringLiteral("/../share/velmo"),
          exe + QStringLiteral("/../../data")})
        if (QFileInfo(candidate + QStringLiteral("/Data")).isDir())
            return QDir::cleanPath(candidate);
    return QString();
}

bool TakeInt(QStringList& args, const QString& name, int& value, int low, int high)
{
    const qsizetype i = args.indexOf(name);
    if (i < 0)
        return true;
    bool ok = false;
    value = args.value(i + 1).toInt(&ok);
    if (!ok || value < low || value > high) {
        ReportError(QStringLiteral("%1 wants a whole number from %2 to %3").arg(name).arg(low).arg(high));
        return false;
    }
    args.remove(i, 2);
    return true;
}

QByteArray ReadBounded(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.read(kMaxIniBytes) : QByteArray();
}

} // namespace

int CommandPictures(const QStringList& arguments)
{
    RegisterImagingGraphics();
    RegisterPictureFormats();
    QStringList args = arguments;
    TSheetOptions options;
    if (!TakeInt(args, QStringLiteral("--size"), options.Size, 20, 400) ||
        !TakeInt(args, QStringLiteral("--columns"), options.Columns, 1, 100))
        return kExitUsage;
    QString root;
    if (const qsizetype i = args.indexOf(QStringLiteral("--data")); i >= 0) {
        root = args.value(i + 1);
        args.remove(i, 2);
    } else {
        root = DefaultDataRoot();
    }
    if (args.size() != 2) {
        ReportError(QStringLiteral("usage: velmo-tool pictures (illust|backgrounds|frames) OUT.png [--data "
                                   "DIR] [--size S] [--columns N]"));
        return kExitUsage;
    }
    const QString kind = args[0];
    std::vector<TSheetBlock> blocks;
    QTextStream out(stdout);
    if (kind == u"illust") {
        options.Key = 0xF0F0F0;
        options.Background = 0xE6E6E6;
        const QString index = FindIn(root, QStringLiteral("Data\\Onepoint\\Illust.dat"));
        QStringList genres = index.isEmpty() ? QStringList() : ReadOnePointGenres(ReadBounded(index));
        if (genres.isEmpty())
            genres = BuiltInOnePointGenres();
        for (const QString& genre : std::as_const(genres)) {
            const QString hit = FindIn(root, GenreFolder(genre) + QStringLiteral("\\*.*"));
            const QStringList files = hit.isEmpty() ? QStringList() : FilesOf(QFileInfo(hit).absolutePath());
            out << GenreCaption(genre) << '\t' << files.size() << '\t' << GenreFolder(genre) << '\n';
            if (!files.isEmpty())
                blocks.push_back({GenreCaption(genre), files});
        }
    } else if (kind == u"backgrounds") {
        const QString index = FindIn(root, QStringLiteral("Data\\BackGrnd\\BackGrnd.dat"));
        if (index.isEmpty()) {
            ReportError(QStringLiteral("no Data\\BackGrnd\\BackGrnd.dat under %1").arg(root));
            return kExitFailure;
        }
        for (const TBackGenre& genre : ReadBackGenres(ReadBounded(index), QFileInfo(index).absolutePath())) {
            const QStringList files = FilesOf(genre.Folder);
            out << genre.Name << '\t' << files.size() << '\t' << genre.Folder << '\n';
            blocks.push_back({genre.Name, files});
        }
    } else if (kind == u"frames") {
        options.Key = 0x607090;
        const QString hit = FindIn(root, QStringLiteral("Data\\trimming\\*.*"));
        const QStringList files = hit.isEmpty() ? QStringList() : FilesOf(QFileInfo(hit).absolutePath());
        out << "trimming\t" << files.size() << '\n';
        blocks.push_back({QStringLiteral("フレーム"), files});
    } else {
        ReportError(QStringLiteral("unknown collection \"%1\" (illust, backgrounds or frames)").arg(kind));
        return kExitUsage;
    }
    out.flush();
    int failures = 0;
    const QImage sheet = DrawContactSheet(blocks, options, &failures);
    if (!WritePngFile(args[1], sheet))
        return kExitFailure;
    if (failures) {
        ReportError(QStringLiteral("%1 picture(s) did not load").arg(failures));
        return kExitFailure;
    }
    return kExitOk;
}

int CommandThumbnails(const QStringList& arguments)
{
    RegisterImagingGraphics();
    RegisterPictureFormats();
    QStringList args = arguments;
    TSheetOptions options;
    if (!TakeInt(args, QStringLiteral("--size"), options.Size, 20, 400) ||
        !TakeInt(args, QStringLiteral("--columns"), options.Columns, 1, 100))
        return kExitUsage;
    if (args.size() != 2) {
        ReportError(QStringLiteral("usage: velmo-tool thumbnails FOLDER OUT.png [--size S] [--columns N]"));
        return kExitUsage;
    }
    if (!QFileInfo(args[0]).isDir()) {
        ReportError(QStringLiteral("%1 is not a folder").arg(args[0]));
        return kExitFailure;
    }
    const QStringList files = ListUserPictures(args[0]);
    QTextStream out(stdout);
    int failures = 0;
    const QImage sheet = DrawContactSheet({{QDir::toNativeSeparators(args[0]), files}}, options, &failures);
    out << files.size() << " pictures, " << failures << " damaged\n";
    out.flush();
    return WritePngFile(args[1], sheet) ? kExitOk : kExitFailure;
}

} // namespace velmo::tool
