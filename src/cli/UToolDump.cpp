#include "cli/UToolDump.h"
#include "base/UExceptions.h"
#include "cli/UToolCommands.h"
#include "persist/UComponentDump.h"
#include "persist/UComponentText.h"
#include "storage/UZLibStream.h"
#include <QFile>
#include <QTextStream>
#include <cstdio>

namespace velmo::tool {

// Prints the dump of bytes to standard output; a damaged stream prints what could be
// read, then the fault on standard error, and fails.
int DumpBytes(const QByteArray& bytes, bool plain)
{
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    if (plain) {
        // The text form is for reading back: all of it or nothing.
        try {
            out << ComponentToText(bytes);
        } catch (const Exception& e) {
            ReportError(e.Message());
            return 1;
        }
        return 0;
    }
    QString text;
    try {
        DumpComponent(bytes, &text);
    } catch (const Exception& e) {
        out << text;
        out.flush();
        QTextStream(stderr) << "velmo-tool: " << e.Message() << '\n';
        return 1;
    }
    out << text;
    return 0;
}

int CommandDump(const QStringList& givenArguments)
{
    QTextStream err(stderr);
    QStringList arguments;
    bool plain = false;
    const int end = OptionEnd(givenArguments);
    for (int i = 0; i < givenArguments.size(); ++i) {
        if (i < end && givenArguments[i] == u"--plain")
            plain = true;
        else if (i != end)
            arguments << givenArguments[i];
    }
    if (arguments.size() == 1 && arguments[0] == QLatin1String("-")) {
        QByteArray bytes;
        try {
            bytes = ReadStandardInput(kMaxDecompressedSize);
        } catch (const Exception& e) {
            ReportError(e.Message());
            return 1;
        }
        return DumpBytes(bytes, plain);
    }
    if (arguments.size() == 2) {
        QByteArray bytes;
        try {
            bytes = ReadStreamBytes(arguments[0], ElementPathArgument(arguments[1]));
            // Label streams are kept compressed; show what they hold.
            TReadOnlyMemoryStream stream(bytes.constData(), bytes.size());
            uint32_t size = 0;
            if (IsCompressed(stream, &size)) {
                TMemoryStream inflated;
                Decompress(stream, inflated, size);
                bytes = inflated.Data();
            }
        } catch (const Exception& e) {
            ReportError(e.Message());
            return 1;
        }
        return DumpBytes(bytes, plain);
    }
    err << "usage: velmo-tool dump [--plain] -\n"
           "       velmo-tool dump [--plain] FILE PATH\n";
    return 2;
}

} // namespace velmo::tool
