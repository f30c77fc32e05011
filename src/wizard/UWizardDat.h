#pragma once
// The wizards' data files: "Data\Template\Wizard.dat" (genres, sub-genres, the
// purposes they serve and the design folders for each) and "Data\Osoroi\Osoroi.dat"
// (genres, items, and the design folders of each item per paper and orientation).
// Both are initialisation files in code page 932.
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace velmo {

// An initialisation file held in memory: sections and keys in file order, looked up
// without regard to case. Reading never fails: a missing, unreadable or oversized
// file is simply not loaded.
class TWizardIniFile
{
public:
    TWizardIniFile() = default;
    // Reads the file; Loaded() tells whether it was there.
    explicit TWizardIniFile(const QString& fileName);

    // Parses text already decoded (used by the reader and by tests).
    void ParseText(const QString& text);
    // Decodes bytes as code page 932; bytes that are no code page 932 text but valid
    // UTF-8 are taken as UTF-8; anything else keeps replacement characters.
    static QString DecodeBytes(const QByteArray& bytes);

    bool Loaded() const { return FLoaded; }
    const QString& FileName() const { return FFileName; }
    // The folder that holds the file (relative folders in it start here).
    QString Folder() const;

    // The key names of a section in file order (first occurrence of each); empty when
    // the section is missing.
    QStringList Keys(const QString& section) const;
    // The value of a key, or empty; the first of repeated keys wins.
    QString Value(const QString& section, const QString& key) const;

private:
    struct TSection
    {
        QString Name;
        std::vector<std::pair<QString, QString>> Entries;
    };
    const TSection* FindSection(const QString& name) const;

    bool FLoaded = false;
    QString FFileName;
    std::vector<TSection> FSections;
};

// Splits a list value at commas outside double quotes. A quote that opens a quoted
// part starts the element there (dropping what it had collected); the quotes stay
// part of the element; empty elements never occur.
QStringList SplitWizardList(const QString& text);

// Joins a folder named in a data file ("Design\Jacket") to the folder of that file,
// finding each component without regard to case. Empty when the name is empty,
// absolute or climbs out of the data file's folder.
QString JoinDataFolder(const QString& base, const QString& relative);

// Wizard.dat.
class TWizardDat
{
public:
    TWizardDat() = default;
    explicit TWizardDat(const QString& fileName) : FFile(fileName) {}

    bool Loaded() const { return FFile.Loaded(); }
    const TWizardIniFile& File() const { return FFile; }
    TWizardIniFile& File() { return FFile; }

    QStringList Genres() const;
    QStringList SubGenres(int genre) const;
    QStringList Purposes(int genre, int subGenre) const;
    QStringList Folders(int genre, int subGenre) const;

private:
    QStringList SubGenreList(int genre, int subGenre) const;
    TWizardIniFile FFile;
};

// Osoroi.dat.
class TOsoroiDat
{
public:
    TOsoroiDat() = default;
    explicit TOsoroiDat(const QString& fileName) : FFile(fileName) {}

    bool Loaded() const { return FFile.Loaded(); }
    const TWizardIniFile& File() const { return FFile; }
    TWizardIniFile& File() { return FFile; }

    bool Landscape() const { return FLandscape; }
    void SetLandscape(bool value) { FLandscape = value; }

    QStringList Genres() const;
    QStringList Items(int genre) const;
    // The keys of the genre's section that are entries of the item: the item's own key
    // when there is one, else every key of the item's name and two digits.
    QStringList Entries(int genre, int item) const;
    QStringList Papers(int genre, int item) const;
    // The design folder of the first entry naming the paper (portrait or landscape
    // designs by the orientation flag); empty when none.
    QString Folder(int genre, int item, const QString& paperName) const;
    const QString& LastFolder() const { return FLastFolder; }

private:
    QString GenreName(int genre) const;
    TWizardIniFile FFile;
    bool FLandscape = false;
    mutable QString FLastFolder;
};

} // namespace velmo
