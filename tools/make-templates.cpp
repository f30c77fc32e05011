// Builds label documents (template files ".lbt") from readable design sources, with
// the program's own document writer, and the index of the template collection.
//
//   make-templates --catalogue PAPERS.ppr [--index Template.dat] [--base DIR] OUTDIR SOURCE...
//
// A SOURCE is a design source (*.txt) or a folder whose design sources (also in its
// sub-folders) are read in byte order of their paths. A source found in a folder goes
// to the same relative place under OUTDIR with the extension of its "file" setting
// (".lbt" unless it says otherwise); a source given by name goes straight into OUTDIR.
// With --index the collection index is written too: one section per purpose, the
// group names and their folders relative to the index's folder. data/templates/README.md
// describes the source form. Any error is reported as FILE:LINE: error: message; the
// index is written only when every document was.
#include "barcode/ULOBarCode.h"
#include "base/UCodePage932.h"
#include "base/UStream.h"
#include "document/ULabelData.h"
#include "document/UTemplateInfo.h"
#include "imaging/UColorSpec.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "objects/FShapeDialogs.h"
#include "objects/ULDObjects.h"
#include "objects/ULOImage.h"
#include "paper/UVelmoPapers.h"
#include "persist/UComponentText.h"
#include "persist/UDesignSource.h"
#include "storage/USafeFile.h"
#include "text/UFontList.h"
#include "text/ULOText.h"
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextStream>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

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

TDesignSource ParseSource(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        Fail(fileName, 0, QStringLiteral("cannot be read (%1)").arg(file.errorString()));
    try {
        return ParseDesignSource(fileName, file.readAll());
    } catch (const EDesignSourceError& e) {
        Fail(e.File, e.Line, e.Message);
    }
}

// ---- checks of the objects a design holds

void CheckObject(const QString& file, int line, TDrawObject* object, const TLogRect& label,
                 const QString& path)
{
    const QString name = path.isEmpty() ? QStringLiteral("an object") : path;
    if (auto* text = dynamic_cast<TLOText*>(object)) {
        const QString face = text->Font()->Name();
        if (IsFaceUnusable(face))
            Fail(file, line,
                 QStringLiteral("%1 uses the face \"%2\", which no installed font provides").arg(name, face));
        if (text->Text()->Lines().join(QString()).trimmed().isEmpty())
            Fail(file, line, QStringLiteral("%1 has no text").arg(name));
    }
    if (auto* image = dynamic_cast<TLOImage*>(object)) {
        if (!image->HasPicture())
            Fail(file, line, QStringLiteral("%1 is an image without a picture").arg(name));
    }
    // A background is fitted to the face when it is read, wherever it was written.
    if (!dynamic_cast<TLOBackImage*>(object)) {
        const TLogRect r = object->GetEncloseRect();
        if (r.Left < 0 || r.Top < 0 || r.Right > label.Width() || r.Bottom > label.Height())
            Fail(file, line,
                 QStringLiteral("%1 (%2,%3)-(%4,%5) lies outside the label (0,0)-(%6,%7)")
                     .arg(name)
                     .arg(r.Left)
                     .arg(r.Top)
                     .arg(r.Right)
                     .arg(r.Bottom)
                     .arg(label.Width())
                     .arg(label.Height()));
    }
}

// ---- "@picture" lines: a picture file of the sources, as the picture's stored data

QString PictureDataText(const QString& file, int line, const QString& pictureFile, const QString& indent,
                        const QString& property)
{
    const QString path = QDir(QFileInfo(file).absolutePath()).filePath(pictureFile);
    TLoadedPicture loaded;
    try {
        loaded = LoadPictureFile(path);
    } catch (const std::exception& e) {
        Fail(file, line, QStringLiteral("picture %1: %2").arg(pictureFile, QString::fromUtf8(e.what())));
    }
    if (!loaded.Graphic || loaded.Graphic->Empty())
        Fail(file, line, QStringLiteral("picture %1 is empty").arg(pictureFile));
    TPicture picture;
    picture.SetGraphic(std::move(loaded.Graphic));
    TMemoryStream stream;
    picture.WriteData(stream);
    const QByteArray hex = stream.Data().toHex().toUpper();
    QString out = indent + property + QStringLiteral(" = {");
    for (qsizetype at = 0; at < hex.size(); at += 64)
        out += u'\n' + indent + QStringLiteral("  ") + QString::fromLatin1(hex.mid(at, 64));
    out += u'}';
    return out;
}

// Replaces "PROPERTY = @picture 'FILE'" lines by the picture's data; the replacement
// is joined into one line's place so that later line numbers stay those of the file.
QString ExpandPictures(const QString& file, int firstLine, const QString& text, std::vector<int>* lineMap)
{
    static const QRegularExpression picture(
        QStringLiteral("^(\\s*)([A-Za-z][A-Za-z0-9.]*)\\s*=\\s*@picture\\s+'([^']+)'\\s*$"));
    QString out;
    const QStringList lines = text.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch m = picture.match(lines[i]);
        const QString expanded =
            m.hasMatch() ? PictureDataText(file, firstLine + i, m.captured(3), m.captured(1), m.captured(2))
                         : lines[i];
        const int count = int(expanded.count(u'\n')) + 1;
        for (int n = 0; n < count; ++n)
            lineMap->push_back(firstLine + i);
        out += expanded;
        if (i + 1 < lines.size())
            out += u'\n';
    }
    return out;
}

// ---- the document

void BuildDocument(const TDesignSource& source, TVelmoPapers& papers, const QString& outFile)
{
    const int paperIndex = papers.IndexOfName(source.Paper);
    if (paperIndex < 0)
        Fail(source.File, source.PaperLine,
             QStringLiteral("no paper named \"%1\" in the catalogue").arg(source.Paper));
    std::unique_ptr<TPaperInfo> paper = papers.Paper(paperIndex)->Clone();
    paper->SetLandscape(source.Landscape);
    std::unique_ptr<TExPaperInfo> extra = papers.GetExInfo(source.Paper, false);
    TLabelData data;
    data.SetPaper(paper.get());
    data.SetSeparatelyDesign(source.Separate);
    data.SetExtraInfo(extra.get());
    if (!source.Name.isEmpty())
        data.SetDataName(source.Name);
    if (!source.SheetName.isEmpty())
        data.SetSheetName(source.SheetName);
    const int count = data.LabelCount();
    std::set<int> written;
    for (const TDesignLabel& block : source.Labels) {
        QList<int> positions = block.Positions;
        if (block.Every)
            for (int k = 0; k < (source.Separate ? count : 1); ++k)
                positions << k;
        if (!source.Separate && (positions.size() != 1 || positions[0] != 0))
            Fail(source.File, block.HeaderLine,
                 QStringLiteral("a shared design is [label 0] (or [label *]) only"));
        for (int k : positions) {
            if (k >= count)
                Fail(source.File, block.HeaderLine,
                     QStringLiteral("label %1: the paper has %2 labels (0 to %3)")
                         .arg(k)
                         .arg(count)
                         .arg(count - 1));
            if (!written.insert(k).second)
                Fail(source.File, block.HeaderLine, QStringLiteral("label %1 is designed twice").arg(k));
        }
        std::vector<int> lineMap;
        const QString text = ExpandPictures(source.File, block.FirstLine, block.Text, &lineMap);
        QByteArray bytes;
        try {
            bytes = TextToComponentResource(text, QStringLiteral("LabelData"));
        } catch (const EParserError& e) {
            const int at = e.Line() >= 1 && size_t(e.Line()) <= lineMap.size() ? lineMap[size_t(e.Line() - 1)]
                                                                               : block.FirstLine;
            // The parser counts lines of the block; the file's line is given instead.
            QString reason = e.Message();
            reason.remove(QRegularExpression(QStringLiteral("^line [0-9]+, column [0-9]+: ")));
            Fail(source.File, at, QStringLiteral("column %1: %2").arg(e.Column()).arg(reason));
        }
        for (int k : positions) {
            TDOList objects;
            try {
                TMemoryStream stream(bytes);
                ReadLabelData(stream, objects);
            } catch (const std::exception& e) {
                Fail(source.File, block.HeaderLine,
                     QStringLiteral("the design does not read back: %1").arg(QString::fromUtf8(e.what())));
            }
            if (objects.Count() == 0) {
                objects.FreeObjects();
                Fail(source.File, block.HeaderLine, QStringLiteral("the design holds no object"));
            }
            const TLogRect rect = data.LabelRect(k);
            try {
                for (int i = 0; i < objects.Count(); ++i)
                    CheckObject(source.File, block.HeaderLine, objects[i], rect,
                                objects[i]->Name().isEmpty()
                                    ? QStringLiteral("object %1").arg(i + 1)
                                    : QStringLiteral("object %1").arg(objects[i]->Name()));
            } catch (...) {
                objects.FreeObjects();
                throw;
            }
            // The stream holds the bottom-most object first; the document takes the
            // topmost first.
            TDOList topmostFirst;
            for (int i = objects.Count() - 1; i >= 0; --i)
                topmostFirst.Add(objects[i]);
            data.WriteLabel(k, topmostFirst);
            objects.FreeObjects();
            data.CompressLabel(k);
            data.MakePreview(k);
            if (!data.PreviewExists(k))
                Fail(source.File, block.HeaderLine,
                     QStringLiteral("label %1: no preview could be drawn").arg(k));
        }
    }
    data.SetModified(false);
    try {
        data.Save(outFile);
    } catch (const std::exception& e) {
        Fail(outFile, 0, QStringLiteral("cannot be written: %1").arg(QString::fromUtf8(e.what())));
    }
}

// ---- the index

struct TGroupEntry
{
    QString Group;
    QString Dir;
    QString Where;
};

QByteArray IndexBytes(const std::vector<std::pair<QString, std::vector<TGroupEntry>>>& sections)
{
    QString text =
        QStringLiteral("; The delivered template collection: one section per purpose,\r\n"
                       "; Name = the groups shown, Dir = their folders (relative to this file).\r\n");
    for (const auto& [purpose, groups] : sections) {
        QStringList names, dirs;
        for (const TGroupEntry& g : groups) {
            names << g.Group;
            dirs << g.Dir;
        }
        text += QStringLiteral("\r\n[%1]\r\nName=%2\r\nDir=%3\r\n")
                    .arg(purpose, names.join(u','), dirs.join(u','));
    }
    return cp932::Encode(text);
}

struct TJob
{
    QString Source;
    QString Output;
    QString Dir; // the output's folder relative to OUTDIR, "/"-separated
};

int Usage()
{
    std::fputs("usage: make-templates --catalogue PAPERS.ppr [--index Template.dat] OUTDIR SOURCE...\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    // Previews are drawn through a draw site (a widget), with fonts; no display needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // A private folder of our own, so that the toolkit does not complain about a
        // shared one.
        const QByteArray runtime =
            QDir::tempPath().toLocal8Bit() + "/make-templates-" + QByteArray::number(getuid());
        if (::mkdir(runtime.constData(), 0700) == 0 || errno == EEXIST)
            qputenv("XDG_RUNTIME_DIR", runtime);
    }
    QApplication app(argc, argv);
    QStringList arguments = app.arguments();
    arguments.removeFirst();
    QString catalogue, index;
    QStringList rest;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == u"--catalogue" && i + 1 < arguments.size())
            catalogue = arguments[++i];
        else if (arguments[i] == u"--index" && i + 1 < arguments.size())
            index = arguments[++i];
        else if (arguments[i].startsWith(u"--"))
            return Usage();
        else
            rest << arguments[i];
    }
    if (catalogue.isEmpty() || rest.size() < 2)
        return Usage();
    const QString outDir = rest.takeFirst();

    RegisterImagingGraphics();
    RegisterPictureFormats();
    RegisterCatalogueClasses();
    RegisterLabelDataClasses();
    RegisterShapeClasses();
    RegisterTextClasses();
    RegisterBarCodeClasses();
    RegisterImageClasses();

    std::vector<TJob> jobs;
    std::vector<TDesignSource> sources;
    try {
        for (const QString& given : rest) {
            const QFileInfo info(given);
            if (info.isDir()) {
                QStringList found;
                QDirIterator it(info.absoluteFilePath(), {QStringLiteral("*.txt")}, QDir::Files,
                                QDirIterator::Subdirectories);
                while (it.hasNext())
                    found << it.next();
                std::sort(found.begin(), found.end(),
                          [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
                if (found.isEmpty())
                    Fail(given, 0, QStringLiteral("holds no design source (*.txt)"));
                const QDir root(info.absoluteFilePath());
                for (const QString& file : found) {
                    if (QFileInfo(file).fileName() == u"README.txt")
                        continue;
                    const QString relative = root.relativeFilePath(file);
                    const QString dir = QFileInfo(relative).path();
                    jobs.push_back({file, QString(), dir == u"." ? QString() : dir});
                }
            } else if (info.isFile()) {
                jobs.push_back({given, QString(), QString()});
            } else {
                Fail(given, 0, QStringLiteral("no such file or folder"));
            }
        }
        for (TJob& job : jobs) {
            sources.push_back(ParseSource(job.Source));
            const QString base = QFileInfo(job.Source).completeBaseName() + u'.' + sources.back().Extension;
            job.Output = QDir(outDir).filePath(job.Dir.isEmpty() ? base : job.Dir + u'/' + base);
        }
        // The index first, so that a conflict fails before anything is written.
        std::vector<std::pair<QString, std::vector<TGroupEntry>>> sections;
        std::set<QString> outputs;
        for (size_t j = 0; j < jobs.size(); ++j) {
            if (!outputs.insert(jobs[j].Output).second)
                Fail(jobs[j].Source, 1, QStringLiteral("another source makes %1 too").arg(jobs[j].Output));
            for (const TDesignIndexEntry& entry : sources[j].Index) {
                if (index.isEmpty())
                    continue;
                if (jobs[j].Dir.isEmpty())
                    Fail(jobs[j].Source, entry.Line,
                         QStringLiteral("an index entry needs the source in a folder of a source folder"));
                const QString dirText = QString(jobs[j].Dir).replace(u'/', u'\\');
                auto section = std::find_if(sections.begin(), sections.end(), [&](const auto& s) {
                    return s.first.compare(entry.Purpose, Qt::CaseInsensitive) == 0;
                });
                if (section == sections.end()) {
                    sections.push_back({entry.Purpose, {}});
                    section = sections.end() - 1;
                }
                const QString where = QStringLiteral("%1:%2").arg(jobs[j].Source).arg(entry.Line);
                bool known = false;
                for (const TGroupEntry& g : section->second) {
                    if (g.Group == entry.Group && g.Dir != dirText)
                        Fail(jobs[j].Source, entry.Line,
                             QStringLiteral("group %1 of %2 is already the folder %3 (%4)")
                                 .arg(entry.Group, entry.Purpose, g.Dir, g.Where));
                    if (g.Dir == dirText && g.Group != entry.Group)
                        Fail(jobs[j].Source, entry.Line,
                             QStringLiteral("folder %1 is already the group %2 of %3 (%4)")
                                 .arg(dirText, g.Group, entry.Purpose, g.Where));
                    known = known || g.Group == entry.Group;
                }
                if (!known)
                    section->second.push_back({entry.Group, dirText, where});
            }
        }
        if (!QFileInfo::exists(catalogue))
            Fail(catalogue, 0, QStringLiteral("no such catalogue"));
        TVelmoPapers papers(catalogue, true);
        InitFontLists();
        for (size_t j = 0; j < jobs.size(); ++j) {
            if (!QDir().mkpath(QFileInfo(jobs[j].Output).absolutePath()))
                Fail(jobs[j].Output, 0, QStringLiteral("its folder cannot be made"));
            BuildDocument(sources[j], papers, jobs[j].Output);
        }
        if (!index.isEmpty()) {
            if (sections.empty())
                Fail(index, 0, QStringLiteral("no source has an index entry"));
            try {
                WriteFileReplacing(index, IndexBytes(sections));
            } catch (const std::exception& e) {
                Fail(index, 0, QStringLiteral("cannot be written: %1").arg(QString::fromUtf8(e.what())));
            }
        }
    } catch (const TSourceError& error) {
        QTextStream(stderr) << error.Where << ": error: " << error.Message << "\n";
        return 1;
    } catch (const std::exception& e) {
        QTextStream(stderr) << "make-templates: error: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
