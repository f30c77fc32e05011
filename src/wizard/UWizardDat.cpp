#include "wizard/UWizardDat.h"

#include "base/UCodePage932.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace velmo {

namespace {

const QString kGenreSection = QStringLiteral("ジャンル");
// Real data files are a few kilobytes; anything far larger is not one of ours and is
// not read into memory.
constexpr qint64 kMaxDataFileSize = 4 * 1024 * 1024;

bool SameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

TWizardIniFile::TWizardIniFile(const QString& fileName) : FFileName(fileName)
{
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly))
        return;
    if (file.size() > kMaxDataFileSize)
        return;
    const QByteArray bytes = file.read(kMaxDataFileSize + 1);
    if (bytes.size() > kMaxDataFileSize)
        return;
    ParseText(DecodeBytes(bytes));
    FLoaded = true;
}

QString TWizardIniFile::DecodeBytes(const QByteArray& bytes)
{
    // Code page 932 is the files' encoding, but a file saved by a modern editor comes
    // as UTF-8; Japanese in code page 932 is almost never valid UTF-8, so a file that
    // is valid UTF-8 is taken as such. Anything else keeps replacement characters for
    // what it cannot decode and is still read.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        text = cp932::Decode(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

void TWizardIniFile::ParseText(const QString& text)
{
    FSections.clear();
    qsizetype start = 0;
    const qsizetype length = text.size();
    while (start <= length) {
        qsizetype end = start;
        while (end < length && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QString line = text.mid(start, end - start).trimmed();
        // CR LF, LF and lone CR all end a line.
        start = end + 1;
        if (end < length && text[end] == u'\r' && end + 1 < length && text[end + 1] == u'\n')
            ++start;
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            // A header cut off before its bracket names no section; the keys after it
            // would otherwise land in the previous one.
            const qsizetype close = line.indexOf(u']');
            if (close < 0) {
                FSections.push_back({QString(), {}});
                continue;
            }
            FSections.push_back({line.mid(1, close - 1).trimmed(), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0 || FSections.empty())
            continue;
        const QString key = line.left(eq).trimmed();
        if (key.isEmpty())
            continue;
        FSections.back().Entries.push_back({key, line.mid(eq + 1).trimmed()});
    }
}

QString TWizardIniFile::Folder() const
{
    return QFileInfo(FFileName).absolutePath();
}

const TWizardIniFile::TSection* TWizardIniFile::FindSection(const QString& name) const
{
    if (name.isEmpty())
        return nullptr;
    for (const TSection& section : FSections)
        if (SameName(section.Name, name))
            return &section;
    return nullptr;
}

QStringList TWizardIniFile::Keys(const QString& section) const
{
    QStringList keys;
    if (const TSection* found = FindSection(section)) {
        for (const auto& [key, value] : found->Entries) {
            bool seen = false;
            for (const QString& k : keys)
                seen = seen || SameName(k, key);
            if (!seen)
                keys << key;
        }
    }
    return keys;
}

QString TWizardIniFile::Value(const QString& section, const QString& key) const
{
    if (const TSection* found = FindSection(section))
        for (const auto& [k, value] : found->Entries)
            if (SameName(k, key))
                return value;
    return {};
}

QStringList SplitWizardList(const QString& text)
{
    QStringList elements;
    bool quoted = false;
    qsizetype begin = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"') {
            if (!quoted)
                begin = i; // an opening quote starts the element afresh
            quoted = !quoted;
            continue;
        }
        if (quoted)
            continue;
        if (c == u',') {
            if (begin >= 0)
                elements << text.mid(begin, i - begin);
            begin = -1;
        } else if (begin < 0) {
            begin = i;
        }
    }
    if (begin >= 0)
        elements << text.mid(begin);
    return elements;
}

QString JoinDataFolder(const QString& base, const QString& relative)
{
    QString path = relative.trimmed();
    path.replace(u'\\', u'/');
    if (path.isEmpty() || base.isEmpty() || QDir::isAbsolutePath(path) || path.contains(u':'))
        return {};
    QString result = QDir::cleanPath(base);
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
        if (part == u".")
            continue;
        if (part == u"..")
            return {}; // only folders below the data file's own
        // The files were written for a file system that ignores case: find the
        // component as it is spelt on disc, or keep it as written.
        QString actual = part;
        const QDir dir(result);
        if (!QFileInfo::exists(result + u'/' + part)) {
            const QStringList names = dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
            for (const QString& name : names)
                if (SameName(name, part)) {
                    actual = name;
                    break;
                }
        }
        result += u'/' + actual;
    }
    return result;
}

// ---- Wizard.dat ----

QStringList TWizardDat::Genres() const
{
    return FFile.Keys(kGenreSection);
}

QStringList TWizardDat::SubGenres(int genre) const
{
    const QStringList genres = Genres();
    if (genre < 0 || genre >= genres.size())
        return {};
    return FFile.Keys(genres[genre]);
}

QStringList TWizardDat::SubGenreList(int genre, int subGenre) const
{
    const QStringList genres = Genres();
    if (genre < 0 || genre >= genres.size())
        return {};
    const QStringList subs = FFile.Keys(genres[genre]);
    if (subGenre < 0 || subGenre >= subs.size())
        return {};
    return SplitWizardList(FFile.Value(genres[genre], subs[subGenre]));
}

QStringList TWizardDat::Purposes(int genre, int subGenre) const
{
    const QStringList list = SubGenreList(genre, subGenre);
    QStringList result;
    for (int i = 0; i < list.size(); i += 2)
        result << list[i];
    return result;
}

QStringList TWizardDat::Folders(int genre, int subGenre) const
{
    const QStringList list = SubGenreList(genre, subGenre);
    QStringList result;
    for (int i = 1; i < list.size(); i += 2)
        result << JoinDataFolder(FFile.Folder(), list[i]);
    return result;
}

// ---- Osoroi.dat ----

QStringList TOsoroiDat::Genres() const
{
    return FFile.Keys(kGenreSection);
}

QString TOsoroiDat::GenreName(int genre) const
{
    const QStringList genres = Genres();
    if (genre < 0 || genre >= genres.size())
        return {};
    return genres[genre];
}

QStringList TOsoroiDat::Items(int genre) const
{
    const QString name = GenreName(genre);
    if (name.isEmpty())
        return {};
    return SplitWizardList(FFile.Value(kGenreSection, name));
}

QStringList TOsoroiDat::Entries(int genre, int item) const
{
    const QString genreName = GenreName(genre);
    const QStringList items = Items(genre);
    if (genreName.isEmpty() || item < 0 || item >= items.size())
        return {};
    const QString itemName = items[item];
    const QStringList keys = FFile.Keys(genreName);
    for (const QString& key : keys)
        if (SameName(key, itemName))
            return {key};
    QStringList entries;
    for (const QString& key : keys) {
        if (key.size() != itemName.size() + 2 || !key.startsWith(itemName, Qt::CaseInsensitive))
            continue;
        const QChar a = key[key.size() - 2], b = key[key.size() - 1];
        if (a >= u'0' && a <= u'9' && b >= u'0' && b <= u'9')
            entries << key;
    }
    return entries;
}

QStringList TOsoroiDat::Papers(int genre, int item) const
{
    const QString genreName = GenreName(genre);
    QStringList papers;
    for (const QString& entry : Entries(genre, item)) {
        const QStringList list = SplitWizardList(FFile.Value(genreName, entry));
        for (int i = 2; i < list.size(); ++i)
            papers << list[i];
    }
    return papers;
}

QString TOsoroiDat::Folder(int genre, int item, const QString& paperName) const
{
    const QString genreName = GenreName(genre);
    FLastFolder.clear();
    for (const QString& entry : Entries(genre, item)) {
        const QStringList list = SplitWizardList(FFile.Value(genreName, entry));
        bool names = false;
        for (int i = 2; i < list.size() && !names; ++i)
            names = SameName(list[i], paperName);
        if (!names)
            continue;
        const int index = FLandscape ? 1 : 0;
        if (index < list.size())
            FLastFolder = JoinDataFolder(FFile.Folder(), list[index]);
        return FLastFolder;
    }
    return {};
}

} // namespace velmo
