#pragma once
// velmo-tool: the command line over the program's libraries. Each command lives in
// its own module (UTool<Name>.cpp) and takes the arguments that follow its name.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace velmo::tool {

// Runs velmo-tool with the process's arguments; returns the exit code.
int Main(int argc, char** argv);

// velmo-tool ls FILE: the element tree of a compound file, one element per line.
int CommandLs(const QStringList& arguments);
// velmo-tool cat [--inflate] FILE PATH: a stream's bytes on standard output;
// --inflate unpacks the compressed container when the stream holds one.
int CommandCat(const QStringList& arguments);
// Every decorative-line pattern drawn as a line (UToolDecoLines).
int CommandDecoLines(const QStringList& arguments);

// "--" ends the options: what follows it is taken as it is, even when it begins with
// "-". OptionEnd gives the index of the first "--" (or the count); WithoutOptionEnd
// gives the arguments of a command that has no options, that "--" removed.
int OptionEnd(const QStringList& arguments);
QStringList WithoutOptionEnd(const QStringList& arguments);

// Exit codes of every command.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1; // the file could not be read, the element is missing, …
constexpr int kExitUsage = 2;

// The element path of a command line: "\" separates names; "/" is accepted as well,
// since no element name can hold it and it needs no quoting in a shell.
QString ElementPathArgument(const QString& argument);

// Opens the compound file for reading and returns the bytes of the stream at path
// ("Sheets\NameList0\LabelData"). Raises EStorageError (missing file or element,
// damaged file) or EPathUtil.
QByteArray ReadStreamBytes(const QString& fileName, const QString& path);

// Reads a component resource (or any bytes) from standard input, at most limit bytes:
// a resource is read up to its stated size. Raises EFileError beyond the limit.
QByteArray ReadStandardInput(int64_t limit);

// Writes bytes to standard output unchanged; false when that failed.
bool WriteStandardOutput(const QByteArray& bytes);
// Reports an error as "velmo-tool: message" on standard error, control characters
// escaped.
void ReportError(const QString& message);
// A whole number from low to high in an option's text; false leaves value as it was.
bool ToInt(const QString& text, int* value, int low, int high);
// Control characters (other than line feed and tab) as \xNN, for text from files.
QString EscapeControls(const QString& text);
// Writes an output file whole (beside it first, then renamed into place); on failure
// reports why and returns false, leaving any previous file as it was.
bool WriteOutputFile(const QString& fileName, const QByteArray& bytes);
// The image as a PNG file, through WriteOutputFile.
bool WritePngFile(const QString& fileName, const QImage& image);

} // namespace velmo::tool
