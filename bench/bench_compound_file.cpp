// Writing and reading back a large compound file: 10,000 streams of 1 to 64 KiB
// spread over 100 storages (about 330 MB).
#include "storage/UCompoundFile.h"
#include "storage/UDocFile.h"
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <random>

using namespace velmo;

namespace {

constexpr int kStorages = 100;
constexpr int kStreamsPerStorage = 100;

struct TBenchFile
{
    QTemporaryDir Dir;
    QString Name = Dir.filePath(QStringLiteral("bench.lbd"));
    std::vector<int> Sizes;
    QByteArray Buffer;
    int64_t Bytes = 0;

    TBenchFile()
    {
        std::mt19937 random(42);
        std::uniform_int_distribution<int> size(1, 64 * 1024);
        for (int i = 0; i < kStorages * kStreamsPerStorage; ++i) {
            Sizes.push_back(size(random));
            Bytes += Sizes.back();
        }
        Buffer.resize(64 * 1024);
        for (int i = 0; i < Buffer.size(); ++i)
            Buffer[i] = char(i * 7);
    }

    void Write()
    {
        auto root = TCompoundFile::CreateFile(Name);
        for (int s = 0; s < kStorages; ++s) {
            auto storage = root->CreateStorage(QStringLiteral("Storage%1").arg(s));
            for (int i = 0; i < kStreamsPerStorage; ++i) {
                auto stream = storage->CreateStream(QStringLiteral("Stream%1").arg(i));
                stream->Write(Buffer.constData(), Sizes[size_t(s * kStreamsPerStorage + i)]);
            }
        }
        root->Commit();
    }
};

TBenchFile& File()
{
    static TBenchFile file;
    return file;
}

void BM_WriteCompoundFile(benchmark::State& state)
{
    TBenchFile& file = File();
    for (auto _ : state)
        file.Write();
    state.SetBytesProcessed(state.iterations() * file.Bytes);
    state.counters["streams"] = kStorages * kStreamsPerStorage;
}

void BM_ReadCompoundFile(benchmark::State& state)
{
    TBenchFile& file = File();
    file.Write();
    QByteArray buffer(64 * 1024, '\0');
    for (auto _ : state) {
        int64_t total = 0;
        auto root = TCompoundFile::OpenFile(file.Name, TStgAccess::Read);
        for (const TStgElement& s : root->Elements()) {
            auto storage = root->OpenStorage(s.Name, TStgAccess::Read);
            for (const TStgElement& e : storage->Elements()) {
                auto stream = storage->OpenStream(e.Name, TStgAccess::Read);
                total += stream->Read(buffer.data(), buffer.size());
            }
        }
        if (total != file.Bytes)
            state.SkipWithError("read back a different amount");
    }
    state.SetBytesProcessed(state.iterations() * file.Bytes);
}

// The same read through the path layer the documents use.
void BM_ReadThroughDocStreams(benchmark::State& state)
{
    TBenchFile& file = File();
    file.Write();
    QByteArray buffer(64 * 1024, '\0');
    for (auto _ : state) {
        int64_t total = 0;
        TFileStorage root(file.Name, fmDocRead);
        for (int s = 0; s < kStorages; ++s)
            for (int i = 0; i < kStreamsPerStorage; ++i) {
                TDocStream stream(root, fmDocRead, QStringLiteral("Storage%1\\Stream%2").arg(s).arg(i));
                total += stream.Read(buffer.data(), buffer.size());
            }
        if (total != file.Bytes)
            state.SkipWithError("read back a different amount");
    }
    state.SetBytesProcessed(state.iterations() * file.Bytes);
}

} // namespace

BENCHMARK(BM_WriteCompoundFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadCompoundFile)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadThroughDocStreams)->Unit(benchmark::kMillisecond)->Iterations(3);
