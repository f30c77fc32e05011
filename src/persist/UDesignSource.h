#pragma once
// Design sources: the readable form of a work or template file that the build turns
// into one (tools/make-templates). Settings (paper, design form, index entries), then
// "[label POSITIONS]" blocks holding each design in the component text form.
// data/templates/README.md describes the form.
#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

namespace velmo {

// A source that cannot be read: the file and line (from 1; 0 for the whole file).
struct EDesignSourceError
{
    QString File;
    int Line = 0;
    QString Message;
    QString Where() const { return QStringLiteral("%1:%2").arg(File).arg(Line); }
};

struct TDesignIndexEntry
{
    QString Purpose;
    QString Group;
    int Line = 0;
};

struct TDesignLabel
{
    QList<int> Positions; // empty: every position ("*")
    bool Every = false;
    QString Text;      // the component text, line numbers kept
    int FirstLine = 0; // file line of the block's first text line
    int HeaderLine = 0;
};

struct TDesignSource
{
    QString File;
    QString Paper;
    int PaperLine = 0;
    bool Landscape = false;
    bool Separate = false;
    bool DesignGiven = false;
    QString Name;
    QString SheetName;
    QString Extension = QStringLiteral("lbt");
    std::vector<TDesignIndexEntry> Index;
    std::vector<TDesignLabel> Labels;
};

// Reads the settings and design blocks of a source (UTF-8, LF line ends); the designs
// stay text. Raises EDesignSourceError naming the line at fault.
TDesignSource ParseDesignSource(const QString& fileName, const QByteArray& bytes);

} // namespace velmo
