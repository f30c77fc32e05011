// Runs one fuzz target over every input kept for it (tests/data/fuzz/<target>/): the
// inputs that once found faults, and the seeds, stay part of every test run without a
// fuzzing build.
#include "fuzz_replay_table.h"
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_replay TARGET FOLDER\n");
        return 2;
    }
    for (const TReplayTarget& target : kReplayTargets) {
        if (std::strcmp(target.Name, argv[1]) != 0)
            continue;
        const QDir folder(QString::fromLocal8Bit(argv[2]));
        const QStringList files = folder.entryList(QDir::Files, QDir::Name);
        if (files.isEmpty()) {
            std::fprintf(stderr, "%s: no inputs in %s\n", argv[1], argv[2]);
            return 1;
        }
        for (const QString& name : files) {
            QFile file(folder.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            std::printf("%s\n", qPrintable(name));
            std::fflush(stdout);
            target.Run(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        }
        std::printf("%lld inputs\n", static_cast<long long>(files.size()));
        return 0;
    }
    std::fprintf(stderr, "unknown target %s\n", argv[1]);
    return 2;
}
