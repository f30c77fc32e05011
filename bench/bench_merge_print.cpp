// The typical batch job: 1,000 name badges from a list (two merge texts and a Code 39
// merge barcode, 8 per US Letter sheet, 125 pages) printed to PDF by velmo-tool, the
// whole process timed as a user runs it. The badge and its paper are the ones of
// scripts/bench-merge-print, which times the same job beside gLabels' batch printer.
// Counters: the PDF's size, the process's peak resident memory, time per badge.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <stdexcept>
#include <sys/resource.h>

namespace {

const QString kTool = QStringLiteral(VELMO_TOOL);
const QString kData = QStringLiteral(VELMO_BENCH_DATA);

void Run(const QStringList& arguments)
{
    QProcess process;
    process.start(kTool, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        throw std::runtime_error(
            ("velmo-tool " + arguments.join(u' ') + ": " + QString::fromUtf8(process.readAllStandardError()))
                .toStdString());
}

// The work file and the list, made once.
struct TBadges
{
    QTemporaryDir Dir;
    QString Work, List;
    explicit TBadges(int records)
    {
        const QString ppr = Dir.filePath(QStringLiteral("badge.ppr"));
        Work = Dir.filePath(QStringLiteral("badge.lbd"));
        List = Dir.filePath(QStringLiteral("list.csv"));
        Run({QStringLiteral("import-templates"), QStringLiteral("--catalogue"), ppr,
             kData + QStringLiteral("/badge-template.xml")});
        Run({QStringLiteral("new"), QStringLiteral("--paper-file"), ppr, QStringLiteral("Papers/$00000001"),
             Work});
        for (int position = 0; position < 8; ++position)
            Run({QStringLiteral("put-label"), Work, QStringLiteral("0"), QString::number(position),
                 kData + QStringLiteral("/badge-design.txt")});
        QFile list(List);
        if (!list.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write the list");
        QByteArray text("Name,Department,SN\n");
        for (int k = 0; k < records; ++k)
            text +=
                QStringLiteral("Person %1,Dept %1,SN%2\n").arg(k).arg(k, 8, 10, QLatin1Char('0')).toUtf8();
        list.write(text);
    }
};

void MergePrintBadges(benchmark::State& state)
{
    const int records = int(state.range(0));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static TBadges badges(1000);
    const QString pdf = badges.Dir.filePath(QStringLiteral("out.pdf"));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        Run({QStringLiteral("print"), badges.Work, QStringLiteral("--copies"), QStringLiteral("all"),
             QStringLiteral("--merge"), badges.List, QStringLiteral("--header"), QStringLiteral("--pdf"),
             pdf});
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    state.counters["pdf_KiB"] = double(QFileInfo(pdf).size()) / 1024.0;
    state.counters["peak_MiB"] = double(usage.ru_maxrss) / 1024.0;
    state.counters["badges"] = records;
}

} // namespace

BENCHMARK(MergePrintBadges)->Arg(1000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
