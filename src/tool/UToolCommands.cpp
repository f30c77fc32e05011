#include "tool/UToolCommands.h"
#include "storage/UDocFile.h"
#include "tool/UToolDocument.h"
#include "tool/UToolDump.h"
#include "tool/UToolPaper.h"
#include "tool/UToolPapers.h"
#include "tool/UToolPicture.h"
#include "tool/UToolText.h"
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <memory>

namespace velmo::tool {
namespace {

void Usage()
{
    QTextStream err(stderr);
    err << "usage: velmo-tool COMMAND ...\n"
           "commands:\n"
           "  ls FILE                   list the storages and streams of a compound file\n"
           "  cat [--inflate] FILE PATH write a stream's bytes to standard output\n"
           "                            (--inflate unpacks the compressed container)\n"
           "  dump [--plain] FILE PATH | dump [--plain] -\n"
           "                            show a component resource as text (--plain: the text\n"
           "                            form undump reads back)\n"
           "  undump IN.txt OUT.res [--name NAME]\n"
           "                            the text form back into a component resource\n"
           "  get-label FILE.lbd SHEET POS  print a label's design in the text form\n"
           "  put-label FILE.lbd SHEET POS DESIGN.txt  replace a label's design and save\n"
           "  paper FILE PATH [--svg OUT] list a paper's faces, or draw the sheet as SVG\n"
           "  new (--paper NAME | --paper-file FILE PATH) [--landscape] OUT.lbd\n"
           "                            make and save a new work file on a paper\n"
           "  info FILE.lbd             the sheets, papers, settings and designs of a work file\n"
           "  preview FILE.lbd SHEET POS OUT.bmp  extract a label preview\n"
           "  papers [--names] [CATALOGUE] list the papers of a catalogue (the delivered one)\n"
           "  picture IN OUT.png [--scale 1|2|4|8] [--key-colour RRGGBB] [--blur N | --sharpen N]\n"
           "          [--trim L,T,R,B] [--tint RRGGBB,N] [--brightness N] [--contrast N] [--rotate DEG]\n"
           "                            a picture file of any registered format (BMP, cbm, JPEG,\n"
           "                            PNG, GIF, TIFF, WebP) trimmed and through the effects, as PNG\n"
           "  text OUT.png LINE... [--font FACE] [--size PT] [--bold] [--vertical] [--align 0-3]\n"
           "       [--char-spacing N] [--line-spacing N] [--bulge N] [--angle DEG] [--feed-angle DEG]\n"
           "       [--box W,H] [--dpi N] [--outline] [--boxes]\n"
           "                            lay out a text block and write it as a PNG (0.1 mm units)\n"
           "  colour SPEC.txt W H OUT.png [--picture FILE] [--zoom PERCENT] [--print]\n"
           "                            paint a colour specification (text form) as PNG\n"
           "paths inside a file use \"\\\" (or \"/\") between names\n";
}

} // namespace

QString ElementPathArgument(const QString& argument)
{
    QString path = argument;
    path.replace(u'/', u'\\');
    return path;
}

QByteArray ReadStreamBytes(const QString& fileName, const QString& path)
{
    TFileStorage root(fileName, fmDocRead | fmDocShareDenyWrite);
    TDocStream stream(root, fmDocRead, ElementPathArgument(path));
    return stream.ReadBytes(stream.Size());
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
    QTextStream(stderr) << "velmo-tool: " << message << "\n";
}

int Main(int argc, char** argv)
{
    // Drawing commands need fonts and painting, but a command line tool must not need
    // a display: they get the offscreen platform unless the caller chose one. The
    // other commands need no GUI at all.
    const bool draws = argc >= 2 && (qstrcmp(argv[1], "paper") == 0 || qstrcmp(argv[1], "picture") == 0 ||
                                      qstrcmp(argv[1], "text") == 0 || qstrcmp(argv[1], "put-label") == 0 ||
                                      qstrcmp(argv[1], "colour") == 0);
    // Label previews are rendered through a draw site, a widget.
    const bool widgets = argc >= 2 && qstrcmp(argv[1], "put-label") == 0;
    std::unique_ptr<QCoreApplication> app;
    if (draws) {
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
    QStringList arguments = app->arguments();
    arguments.removeFirst();
    if (arguments.isEmpty()) {
        Usage();
        return kExitUsage;
    }
    const QString command = arguments.takeFirst();
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
    if (command == u"picture")
        return CommandPicture(arguments);
    if (command == u"text")
        return CommandText(arguments);
    if (command == u"help" || command == u"--help" || command == u"-h") {
        Usage();
        return kExitOk;
    }
    ReportError(QStringLiteral("unknown command \"%1\"").arg(command));
    Usage();
    return kExitUsage;
}

} // namespace velmo::tool
