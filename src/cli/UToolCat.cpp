// velmo-tool cat: a stream's bytes, unchanged or unpacked from the compressed
// container.
#include "base/UStream.h"
#include "cli/UToolCommands.h"
#include "storage/UZLibStream.h"

namespace velmo::tool {

int CommandCat(const QStringList& arguments)
{
    QStringList rest;
    bool inflate = false;
    const int end = OptionEnd(arguments);
    for (int i = 0; i < arguments.size(); ++i) {
        if (i < end && arguments[i] == u"--inflate")
            inflate = true;
        else if (i != end)
            rest << arguments[i];
    }
    if (rest.size() != 2) {
        ReportError(QStringLiteral("usage: velmo-tool cat [--inflate] FILE PATH"));
        return kExitUsage;
    }
    try {
        QByteArray bytes = ReadStreamBytes(rest[0], rest[1]);
        if (inflate) {
            // A stream that is not compressed is written as it is.
            TMemoryStream source(bytes);
            uint32_t size = 0;
            if (IsCompressed(source, &size)) {
                TMemoryStream target;
                Decompress(source, target, size);
                bytes = target.Data();
            }
        }
        // A failed write is reported once, when the program ends.
        return WriteStandardOutput(bytes) ? kExitOk : kExitFailure;
    } catch (const Exception& e) {
        ReportError(QStringLiteral("%1: %2: %3").arg(rest[0], rest[1], e.Message()));
        return kExitFailure;
    }
}

} // namespace velmo::tool
