// Builds the delivered wizard data from its readable sources under data/wizard with
// the program's own document writer:
//
//   make-wizards CATALOGUE.ppr SOURCE_DIR OUT_DIR
//
// Every "*.dat" file is the UTF-8 source of a wizard data file and is written in
// code page 932. Every "*.txt" file is a design source: header lines
//   # paper: NAME          the catalogue paper the design is made on (required)
//   # landscape: yes       the paper turned (default no)
//   # separate: yes        one design per position (default: one for all)
//   # label N              the design text that follows is position N's
// and designs in the component text form ("object TLDObjects … end"; without a
// "# label" line the one design is position 0's). It becomes a work file of the same
// name with ".lbd", each design compressed and with its preview. Any error is
// reported as FILE:LINE: message and fails the build.
#include "base/UCodePage932.h"
#include "base/UExceptions.h"
#include "base/UStream.h"
#include "cli/UToolDump.h"
#include "document/ULabelData.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "objects/ULDObjects.h"
#include "paper/UPaperRecords.h"
#include "paper/UVelmoPapers.h"
#include "persist/UComponentText.h"
#include "storage/USafeFile.h"
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTextStream>
#include <cstdio>
#include <map>

using namespace velmo;

namespace {

struct TSourceError
{
    QString Where;
    QString Message;
};

[[noreturn]] void Fail(const QString& file, int line, const QString& message)
{
    throw TSourceError{QStringLiteral("%1:%2").arg(file).arg(line), message};
}

QString ReadUtf8(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        Fail(fileName, 0, QStringLiteral("cannot be read"));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(file.readAll());
    if (utf8.hasError())
        Fail(fileName, 0, QStringLiteral("is not UTF-8"));
    return text;
}

void WriteDataFile(const QString& source, const QString& target)
{
    const QString text = ReadUtf8(source);
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i)
        if (!cp932::CanEncode(lines[i]))
            Fail(source, i + 1, QStringLiteral("holds a character code page 932 cannot store"));
    // The data files are Windows initialisation files: CR LF line ends.
    QString crlf = text;
    crlf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlf.replace(u'\n', QStringLiteral("\r\n"));
    WriteFileReplacing(target, cp932::Encode(crlf));
}

struct TDesignSource
{
    QString Paper;
    bool Landscape = false;
    bool Separate = false;
    std::map<int, std::pair<int, QString>> Designs; // position -> (first line, text)
};

TDesignSource ParseDesignSource(const QString& fileName)
{
    TDesignSource source;
    const QStringList lines = ReadUtf8(fileName).split(u'\n');
    int current = -1;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i];
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'#')) {
            const QString body = trimmed.mid(1).trimmed();
            if (body.startsWith(QStringLiteral("paper:")))
                source.Paper = body.mid(6).trimmed();
            else if (body.startsWith(QStringLiteral("landscape:")))
                source.Landscape = body.mid(10).trimmed() == QStringLiteral("yes");
            else if (body.startsWith(QStringLiteral("separate:")))
                source.Separate = body.mid(9).trimmed() == QStringLiteral("yes");
            else if (body.startsWith(QStringLiteral("label "))) {
                bool ok = false;
                current = body.mid(6).trimmed().toInt(&ok);
                if (!ok || current < 0)
                    Fail(fileName, i + 1, QStringLiteral("\"%1\" names no position").arg(body));
                if (source.Designs.count(current))
                    Fail(fileName, i + 1, QStringLiteral("position %1 has a design already").arg(current));
                source.Designs[current] = {i + 2, QString()};
            }
            continue;
        }
        if (trimmed.isEmpty() && current < 0)
            continue;
        if (current < 0) {
            current = 0;
            source.Designs[0] = {i + 1, QString()};
        }
        source.Designs[current].second += line + u'\n';
    }
    if (source.Paper.isEmpty())
        Fail(fileName, 1, QStringLiteral("no \"# paper:\" line"));
    if (source.Designs.empty())
        Fail(fileName, 1, QStringLiteral("no design"));
    return source;
}

void BuildDesign(const TVelmoPapers& papers, const QString& sourceFile, const QString& target)
{
    const TDesignSource source = ParseDesignSource(sourceFile);
    const int index = papers.IndexOfName(source.Paper);
    if (index < 0)
        Fail(sourceFile, 1, QStringLiteral("no paper named \"%1\" in the catalogue").arg(source.Paper));
    std::unique_ptr<TPaperInfo> paper = papers.Paper(index)->Clone();
    paper->SetLandscape(source.Landscape);
    std::unique_ptr<TExPaperInfo> extra = papers.GetExInfo(source.Paper, false);
    std::unique_ptr<TImagePaperInfo> images;
    std::unique_ptr<TExtraPaperInfo> record =
        papers.FindRecord(TVelmoPapers::PaperImagesBaseName(), source.Paper);
    if (auto* found = dynamic_cast<TImagePaperInfo*>(record.get())) {
        record.release();
        images.reset(found);
    }
    TLabelData data;
    data.SetPaper(paper.get());
    data.SetSeparatelyDesign(source.Separate);
    data.SetExtraInfo(extra.get());
    data.SetImageInfo(images.get());
    for (const auto& [position, entry] : source.Designs) {
        const auto& [line, text] = entry;
        if (position >= data.LabelCount() || (!source.Separate && position != 0))
            Fail(sourceFile, line, QStringLiteral("the paper has no position %1 for a design").arg(position));
        QByteArray bytes;
        try {
            bytes = TextToComponentResource(text, QStringLiteral("LabelData"));
        } catch (const EParserError& e) {
            Fail(sourceFile, line, e.Message());
        }
        TDOList objects;
        try {
            TMemoryStream stream(bytes);
            ReadLabelData(stream, objects);
        } catch (const std::exception& e) {
            objects.FreeObjects();
            Fail(sourceFile, line, QString::fromUtf8(e.what()));
        }
        TDOList topmostFirst;
        for (int i = objects.Count() - 1; i >= 0; --i)
            topmostFirst.Add(objects[i]);
        data.WriteLabel(position, topmostFirst);
        topmostFirst.Clear();
        objects.FreeObjects();
        data.CompressLabel(position);
        data.MakePreview(position);
    }
    data.SetModified(false);
    QDir().mkpath(QFileInfo(target).absolutePath());
    data.Save(target);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    if (arguments.size() != 3) {
        std::fputs("usage: make-wizards CATALOGUE.ppr SOURCE_DIR OUT_DIR\n", stderr);
        return 2;
    }
    RegisterImagingGraphics();
    RegisterPictureFormats();
    tool::RegisterToolLabelClasses();
    RegisterCatalogueClasses();
    const QString sourceDir = QDir(arguments[1]).absolutePath();
    const QString outDir = QDir(arguments[2]).absolutePath();
    int count = 0;
    try {
        const TVelmoPapers papers(arguments[0], true);
        QStringList files;
        QDirIterator it(sourceDir, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
        files.sort();
        for (const QString& file : files) {
            const QString relative = QDir(sourceDir).relativeFilePath(file);
            const QString suffix = QFileInfo(file).suffix().toLower();
            if (suffix == u"dat") {
                QDir().mkpath(QFileInfo(outDir + u'/' + relative).absolutePath());
                WriteDataFile(file, outDir + u'/' + relative);
            } else if (suffix == u"txt") {
                const QString target =
                    outDir + u'/' + relative.left(relative.size() - 4) + QStringLiteral(".lbd");
                BuildDesign(papers, file, target);
                ++count;
            }
        }
    } catch (const TSourceError& e) {
        QTextStream(stderr) << e.Where << ": error: " << e.Message << "\n";
        return 1;
    } catch (const std::exception& e) {
        QTextStream(stderr) << "make-wizards: error: " << QString::fromUtf8(e.what()) << "\n";
        return 1;
    }
    QTextStream(stdout) << "make-wizards: " << count << " designs\n";
    return 0;
}
