#include "cli/UToolCommands.h"
#include "barcode/ULOBarCode.h"
#include "base/UExceptions.h"
#include "cli/UToolAcquire.h"
#include "cli/UToolBarCode.h"
#include "cli/UToolCatalogue.h"
#include "cli/UToolCsv.h"
#include "cli/UToolDate.h"
#include "cli/UToolDocument.h"
#include "cli/UToolDump.h"
#include "cli/UToolExport.h"
#include "cli/UToolImportGlabels.h"
#include "cli/UToolImportTemplates.h"
#include "cli/UToolPaper.h"
#include "cli/UToolPaperDesigns.h"
#include "cli/UToolPaperUpdate.h"
#include "cli/UToolPapers.h"
#include "cli/UToolPicture.h"
#include "cli/UToolPictures.h"
#include "cli/UToolPrint.h"
#include "cli/UToolRender.h"
#include "cli/UToolRes.h"
#include "cli/UToolSheet.h"
#include "cli/UToolTemplates.h"
#include "cli/UToolText.h"
#include "cli/UToolWizards.h"
#include "imaging/USafetyBitmap.h"
#include "storage/UDocFile.h"
#include "storage/USafeFile.h"
#include "text/ULOText.h"
#include <QApplication>
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace velmo::tool {
namespace {

void Usage(FILE* to)
{
    QTextStream err(to);
    err << "usage: velmo-tool COMMAND ...\n"
           "commands:\n"
           "  ls FILE                   list the storages and streams of a compound file\n"
           "  cat [--inflate] FILE PATH\n"
           "                            write a stream's bytes to standard output\n"
           "                            (--inflate unpacks the compressed container)\n"
           "  dump [--plain] FILE PATH | dump [--plain] -\n"
           "                            show a component resource as text (--plain: the text\n"
           "                            form undump reads back)\n"
           "  undump IN.txt OUT.res [--name NAME]\n"
           "                            the text form back into a component resource\n"
           "  get-label FILE.lbd SHEET POS  print a label's design in the text form\n"
           "  put-label FILE.lbd SHEET POS DESIGN.txt  replace a label's design and save\n"
           "  paper FILE PATH [--svg OUT]\n"
           "                            list a paper's faces, or draw the sheet as SVG\n"
           "  new (--paper NAME | --paper-file FILE PATH) [--landscape] [--design same|each] OUT.lbd\n"
           "                            make and save a new work file on a paper\n"
           "  info FILE.lbd             the sheets, papers, settings and designs of a work file\n"
           "  preview FILE.lbd SHEET POS OUT.bmp  extract a label preview\n"
           "  papers [--names] [--old] [CATALOGUE]\n"
           "                            list the papers of a catalogue (the delivered\n"
           "                            one); --old: an older catalogue file, converted\n"
           "  merge-old-papers OLD.ppr CATALOGUE  merge an older catalogue into a catalogue\n"
           "  update-papers [--proxy HOST[:PORT]] URL [CATALOGUE]\n"
           "                            fetch the update index at URL and the catalogue it names,\n"
           "                            and merge it into CATALOGUE (without: check it only)\n"
           "  import-templates [--catalogue FILE.ppr] [--dry-run] FILE.xml...\n"
           "                            gLabels sheet templates into a catalogue (the user's own)\n"
           "  import-glabels IN.glabels OUT.lbd [--merge DATA]\n"
           "                            a gLabels project as a new work file (one line per warning)\n"
           "  catalogue CATALOGUE ACTION  catalogue upkeep: keys, renumber, order, purposes, rename,\n"
           "                            regroup, delete-group, make-system, update-info, defrag\n"
           "  paper-designs CATALOGUE PAPER [--from FILE.lbd | --remove] [--png OUT.png [--dpi N] "
           "[--landscape]]\n"
           "                            a paper's background designs: listed, taken from a work file,\n"
           "                            removed, or drawn on the sheet as the paper selection shows them\n"
           "  sheet FILE.lbd SHEET OUT.png [--dpi N]  draw a sheet as the sheet view shows it\n"
           "  render FILE.lbd SHEET POS OUT.png [--dpi N] [--merge FILE.csv [--header] [--record N]]\n"
           "                            draw one label's design as it prints (default 254 dpi)\n"
           "  export FILE.lbd SHEET POS OUT.bmp|OUT.jpg  a label's design as the main window exports it\n"
           "  templates [Template.dat | FOLDER] [--purpose P] [--sheet OUT.png] [--catalogue FILE.ppr]\n"
           "                            list templates: purpose, group, file, sheet, label;\n"
           "                            a contact sheet of all; check each fits a catalogue paper\n"
           "  wizards DATA_DIR [--check] [--contact-sheet OUT.png]\n"
           "                            the wizard data (Template/Wizard.dat, Osoroi/Osoroi.dat):\n"
           "                            genres and designs; check faces, pictures and papers; draw all\n"
           "  patterns [--file FILE.cdd] [--sheet OUT.png]\n"
           "                            list the text distortion patterns, or draw them all\n"
           "  picture IN OUT.png [--scale 1|2|4|8] [--key-colour RRGGBB] [--blur N | --sharpen N]\n"
           "          [--trim L,T,R,B] [--tint RRGGBB,N] [--brightness N] [--contrast N] [--rotate DEG]\n"
           "                            a picture file of any registered format (BMP, cbm, JPEG,\n"
           "                            PNG, GIF, TIFF, WebP) trimmed and through the effects, as PNG\n"
           "  text OUT.png LINE... [--font FACE] [--size PT] [--bold] [--vertical] [--align 0-3]\n"
           "       [--char-spacing N] [--line-spacing N] [--bulge N] [--angle DEG] [--feed-angle DEG]\n"
           "       [--box W,H] [--dpi N] [--outline] [--boxes]\n"
           "                            lay out a text block and write it as a PNG (0.1 mm units)\n"
           "  colour SPEC.txt W H OUT.png [--picture FILE] [--zoom PERCENT] [--print]\n"
           "                            paint a colour setting (text form) as PNG\n"
           "  res FILE.res [TYPE NAME OUT.png | --contact-sheet OUT.png [--zoom N]]\n"
           "                            list a resource file's records, or write one picture\n"
           "                            (TYPE RT_BITMAP, CBM, RT_ICON, JPEG) or all of them as PNG\n"
           "  barcode KIND DATA OUT.png [--dpi N] [--angle DEG] [--size W,H] [--pdf OUT.pdf]\n"
           "          [--no-digits] [--check] [--frame] [--ratio N] [--font FACE] [--size-pt PT]\n"
           "          [--module MM] [--ecc L|M|Q|H] [--version N] [--no-quiet-zone]\n"
           "                            draw one symbol (JAN, Code 39, Code 128, QR, Japan Post …)\n"
           "                            as PNG (and PDF)\n"
           "  decolines [--folder DIR] [--length MM] OUT.png\n"
           "                            every decorative-line pattern drawn as a line, as PNG\n"
           "  print FILE.lbd [--sheet N] [--copies N] [--faces LIST] [--count-selected-only]\n"
           "        [--frames] [--cut-lines] [--paper-images] [--offset X,Y] [--banding | --no-banding]\n"
           "        [--dpi N] [--merge FILE.csv [--header]] (--pdf OUT.pdf | --printer NAME)\n"
           "                            print a sheet to a PDF file or a printer (positions from 0,\n"
           "                            offset in mm; --merge: merge record n on label n;\n"
           "                            --copies all with --merge: as many sheets as the records need)\n"
           "  csv FILE.csv [--header] [--sort FIELD[,FIELD...]] [--find TEXT]\n"
           "                            the merge records as the merge database holds them: record\n"
           "                            number (from 0), then the fields, tab-separated\n"
           "  scan --list | OUT.png [--device NAME] [--resolution DPI] [--mode MODE] [--area L,T,W,H]\n"
           "       [--preview] | OUT.png --dialog\n"
           "                            list the scanners and cameras SANE finds, or scan one picture\n"
           "                            (area in mm) as PNG; --dialog: the device chooser and window\n"
           "  photocd IN.pcd OUT.png [--size 1|2|3] [--format grey|palette|rgb] [--transform 0-7] [--bmp]\n"
           "                            one base resolution of a Photo CD file as PNG (or BMP)\n"
           "  decostring OUT.png TEXT [--font N] [--height UNITS] [--width UNITS] [--angle DEG]\n"
           "             [--align 0-3] [--dpi N] [--folder DIR]\n"
           "                            a decorative string in a picture font as PNG\n"
           "  pictures (illust|backgrounds|frames) OUT.png [--data DIR] [--size S] [--columns N]\n"
           "                            the delivered collection as the browsers show it: a contact\n"
           "                            sheet by genre, each genre and its count on standard output\n"
           "  thumbnails FOLDER OUT.png [--size S] [--columns N]\n"
           "                            a folder's picture files as the file browser lists them\n"
           "  date (FORMAT | --list) YYYY-MM-DD[THH:MM[:SS]]\n"
           "                            a date as a date object shows it in FORMAT (1-41: the\n"
           "                            dialog's formats, else a format string); --list: all 41\n"
           "paths inside a file use \"\\\" (or \"/\") between names\n";
}

} // namespace

int OptionEnd(const QStringList& arguments)
{
    const int end = int(arguments.indexOf(QStringLiteral("--")));
    return end < 0 ? int(arguments.size()) : end;
}

QStringList WithoutOptionEnd(const QStringList& arguments)
{
    QStringList rest = arguments;
    const int end = OptionEnd(arguments);
    if (end < rest.size())
        rest.removeAt(end);
    return rest;
}

QString ElementPathArgument(const QString& argument)
{
    QString path = argument;
    path.replace(u'/', u'\\');
    return path;
}

QByteArray ReadStreamBytes(const QString& fileName, const QString& path)
{
    TFileStorage root(fileName, fmDocRead | fmDocShareDenyWrite);
    const QString element = ElementPathArgument(path);
    if (!element.isEmpty() && !root.StreamExists(element) && root.StorageExists(element))
        throw EFileError(
            QStringLiteral("%1 is a storage, not a stream (velmo-tool ls lists what it holds)").arg(path));
    TDocStream stream(root, fmDocRead, element);
    return stream.ReadBytes(stream.Size());
}

QByteArray ReadStandardInput(int64_t limit)
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        throw EFileError(QStringLiteral("cannot read standard input"));
    // A component resource says how long it is: read that much and no more, so that
    // endless input cannot take all memory.
    QByteArray bytes = input.read(3);
    if (bytes.startsWith('\xFF')) {
        // 0xFF, the type word, the name up to its 0, the flags word, the size.
        bool named = false;
        while (bytes.size() < 4096 && !input.atEnd()) {
            const QByteArray c = input.read(1);
            bytes += c;
            if (c == QByteArray(1, '\0')) {
                named = true;
                break;
            }
        }
        if (named) {
            bytes += input.read(6);
            if (bytes.size() >= 10) {
                const auto* p = reinterpret_cast<const uint8_t*>(bytes.constData() + bytes.size() - 4);
                const int64_t stated =
                    int64_t(p[0]) | (int64_t(p[1]) << 8) | (int64_t(p[2]) << 16) | (int64_t(p[3]) << 24);
                if (stated > limit)
                    throw EFileError(
                        QStringLiteral("the resource on standard input states %1 bytes, more than %2")
                            .arg(stated)
                            .arg(limit));
                // In pieces: a short input must not make us reserve the stated size.
                for (int64_t left = stated; left > 0 && !input.atEnd();) {
                    const QByteArray chunk = input.read(std::min<int64_t>(left, 1 << 20));
                    if (chunk.isEmpty())
                        break;
                    bytes += chunk;
                    left -= chunk.size();
                }
                return bytes;
            }
        }
    }
    // Read into place, the buffer grown by hand and never beyond the limit (appending
    // would double it past the limit), and no byte more than the limit read except
    // the one that tells the input is too long.
    for (;;) {
        const qsizetype have = bytes.size();
        if (have >= limit) {
            char probe = 0;
            if (input.read(&probe, 1) > 0)
                throw EFileError(QStringLiteral("standard input holds more than %1 bytes").arg(limit));
            break;
        }
        const qsizetype want = qsizetype(std::min<int64_t>(1 << 20, limit - have));
        if (bytes.capacity() < have + want)
            bytes.reserve(
                qsizetype(std::min<int64_t>(limit, std::max<int64_t>(int64_t(have) * 2, have + want))));
        bytes.resize(have + want);
        const qint64 got = input.read(bytes.data() + have, want);
        bytes.resize(have + std::max<qint64>(got, 0));
        if (got <= 0)
            break;
    }
    return bytes;
}

bool WriteStandardOutput(const QByteArray& bytes)
{
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly))
        return false;
    const bool ok = out.write(bytes) == bytes.size();
    out.flush();
    return ok;
}

void ReportError(const QString& message)
{
    QTextStream(stderr) << "velmo-tool: " << EscapeControls(message) << "\n";
}

QString EscapeControls(const QString& text)
{
    // Bytes from files must not reach a terminal raw: an escape sequence in a paper
    // name could rewrite what the user sees.
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\n' && u != u'\t') || u == 0x7F || (u >= 0x80 && u < 0xA0))
            out += QStringLiteral("\\x%1").arg(int(u), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

bool WritePngFile(const QString& fileName, const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        ReportError(QStringLiteral("cannot encode the picture as PNG"));
        return false;
    }
    return WriteOutputFile(fileName, bytes);
}

bool WriteOutputFile(const QString& fileName, const QByteArray& bytes)
{
    if (fileName.isEmpty()) {
        ReportError(QStringLiteral("no output file given"));
        return false;
    }
    try {
        WriteFileReplacing(fileName, bytes);
        return true;
    } catch (const Exception& error) {
        ReportError(error.Message());
        return false;
    }
}

namespace {

int RunCommand(int argc, char** argv)
{
    // Drawing commands need fonts and painting, but a command line tool must not need
    // a display: they get the offscreen platform unless the caller chose one. The
    // other commands need no GUI at all.
    const bool draws =
        argc >= 2 && (qstrcmp(argv[1], "paper") == 0 || qstrcmp(argv[1], "picture") == 0 ||
                      qstrcmp(argv[1], "text") == 0 || qstrcmp(argv[1], "put-label") == 0 ||
                      qstrcmp(argv[1], "colour") == 0 || qstrcmp(argv[1], "patterns") == 0 ||
                      qstrcmp(argv[1], "res") == 0 || qstrcmp(argv[1], "barcode") == 0 ||
                      qstrcmp(argv[1], "decolines") == 0 || qstrcmp(argv[1], "decostring") == 0 ||
                      qstrcmp(argv[1], "pictures") == 0 || qstrcmp(argv[1], "thumbnails") == 0);
    // Label previews and sheets are rendered through a draw site, a widget.
    const bool widgets =
        argc >= 2 && (qstrcmp(argv[1], "put-label") == 0 || qstrcmp(argv[1], "sheet") == 0 ||
                      qstrcmp(argv[1], "render") == 0 || qstrcmp(argv[1], "templates") == 0 ||
                      qstrcmp(argv[1], "export") == 0 || qstrcmp(argv[1], "wizards") == 0 ||
                      qstrcmp(argv[1], "print") == 0 || qstrcmp(argv[1], "paper-designs") == 0 ||
                      qstrcmp(argv[1], "import-glabels") == 0);
    std::unique_ptr<QCoreApplication> app;
    // The scanner's windows are for a person at a display: no offscreen platform.
    bool scanWindows = false;
    for (int i = 2; argc >= 2 && qstrcmp(argv[1], "scan") == 0 && i < argc; ++i)
        scanWindows = scanWindows || qstrcmp(argv[i], "--dialog") == 0;
    if (scanWindows) {
        app = std::make_unique<QApplication>(argc, argv);
    } else if (widgets) {
        // Sheets are drawn through draw sites, which are widgets.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            qputenv("XDG_RUNTIME_DIR", QDir::tempPath().toLocal8Bit());
        app = std::make_unique<QApplication>(argc, argv);
    } else if (draws) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            qputenv("XDG_RUNTIME_DIR", QDir::tempPath().toLocal8Bit());
        if (widgets)
            app = std::make_unique<QApplication>(argc, argv);
        else
            app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // An argument the locale's encoding cannot represent would name another file once
    // decoded (its bytes become U+FFFD): refused rather than guessed.
    for (int i = 1; i < argc; ++i) {
        if (QFile::encodeName(QString::fromLocal8Bit(argv[i])) != QByteArray(argv[i])) {
            ReportError(QStringLiteral("argument %1 is not valid text in this locale's encoding").arg(i));
            return kExitUsage;
        }
    }
    QStringList arguments = app->arguments();
    arguments.removeFirst();
    if (arguments.isEmpty()) {
        Usage(stderr);
        return kExitUsage;
    }
    const QString command = arguments.takeFirst();
    // Pictures inside documents and catalogues read as the program's own classes.
    RegisterImagingGraphics();
    // Designs hold shapes, groups, texts and barcodes whatever the command.
    RegisterToolLabelClasses();
    if (command == u"ls")
        return CommandLs(arguments);
    if (command == u"cat")
        return CommandCat(arguments);
    if (command == u"dump")
        return CommandDump(arguments);
    if (command == u"undump")
        return CommandUndump(arguments);
    if (command == u"get-label")
        return CommandGetLabel(arguments);
    if (command == u"put-label")
        return CommandPutLabel(arguments);
    if (command == u"colour")
        return CommandColour(arguments);
    if (command == u"paper")
        return CommandPaper(arguments);
    if (command == u"new")
        return CommandNew(arguments);
    if (command == u"info")
        return CommandInfo(arguments);
    if (command == u"preview")
        return CommandPreview(arguments);
    if (command == u"papers")
        return CommandPapers(arguments);
    if (command == u"update-papers")
        return CommandUpdatePapers(arguments);
    if (command == u"merge-old-papers")
        return CommandMergeOldPapers(arguments);
    if (command == u"import-templates")
        return CommandImportTemplates(arguments);
    if (command == u"import-glabels")
        return CommandImportGlabels(arguments);
    if (command == u"catalogue")
        return CommandCatalogue(arguments);
    if (command == u"paper-designs")
        return CommandPaperDesigns(arguments);
    if (command == u"picture")
        return CommandPicture(arguments);
    if (command == u"sheet")
        return CommandSheet(arguments);
    if (command == u"res")
        return CommandRes(arguments);
    if (command == u"text")
        return CommandText(arguments);
    if (command == u"render")
        return CommandRender(arguments);
    if (command == u"export")
        return CommandExport(arguments);
    if (command == u"patterns")
        return CommandPatterns(arguments);
    if (command == u"barcode")
        return CommandBarCode(arguments);
    if (command == u"decolines")
        return CommandDecoLines(arguments);
    if (command == u"print")
        return CommandPrint(arguments);
    if (command == u"templates")
        return CommandTemplates(arguments);
    if (command == u"csv")
        return CommandCsv(arguments);
    if (command == u"scan")
        return CommandScan(arguments);
    if (command == u"photocd")
        return CommandPhotoCD(arguments);
    if (command == u"decostring")
        return CommandDecoString(arguments);
    if (command == u"pictures")
        return CommandPictures(arguments);
    if (command == u"thumbnails")
        return CommandThumbnails(arguments);
    if (command == u"date")
        return CommandDate(arguments);
    if (command == u"wizards")
        return CommandWizards(arguments);
    if (command == u"help" || command == u"--help" || command == u"-h") {
        Usage(stdout);
        return kExitOk;
    }
    ReportError(QStringLiteral("unknown command \"%1\"").arg(command));
    Usage(stderr);
    return kExitUsage;
}

// Qt's own diagnostics are for us, not for the user of a command: they are dropped,
// except fatal ones, which end the program with our prefix.
void DropQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg) {
        QTextStream(stderr) << "velmo-tool: " << message << "\n";
        std::abort();
    }
}

} // namespace

int Main(int argc, char** argv)
{
    qInstallMessageHandler(DropQtMessages);
    int code = kExitFailure;
    try {
        code = RunCommand(argc, argv);
    } catch (const std::exception& error) {
        ReportError(ExceptionText(error));
        code = kExitFailure;
    }
    // Whatever a command printed must have reached its destination (a full disk or
    // /dev/full shows only here, when the buffers are flushed).
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        ReportError(QStringLiteral("cannot write to standard output"));
        if (code == kExitOk)
            code = kExitFailure;
    }
    return code;
}

bool ToInt(const QString& text, int* value, int low, int high)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

} // namespace velmo::tool
