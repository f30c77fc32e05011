// Writing and reading back 100,000 small component records.
#include "base/UGraphics.h"
#include "persist/UComponentStream.h"
#include <benchmark/benchmark.h>

namespace {

using namespace velmo;

class TBenchObject : public TComponent
{
    VELMO_PERSISTENT(TBenchObject, TComponent)
public:
    using TComponent::TComponent;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int Color = clBlack;
    QString Text;
    void GetChildren(const TGetChildProc& proc, const TComponent*) const override
    {
        for (int i = 0; i < ComponentCount(); ++i)
            proc(Components(i));
    }
};

const TPropertyTable& TBenchObject::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Left", &TBenchObject::Left, &TBenchObject::Left)
                                            .Int("Top", &TBenchObject::Top, &TBenchObject::Top)
                                            .Int("Width", &TBenchObject::Width, &TBenchObject::Width)
                                            .Int("Height", &TBenchObject::Height, &TBenchObject::Height)
                                            .Int("Color", &TBenchObject::Color, &TBenchObject::Color)
                                            .Idents(ColorIdents())
                                            .String("Text", &TBenchObject::Text, &TBenchObject::Text);
    return table;
}

constexpr int kRecords = 100000;

std::unique_ptr<TBenchObject> MakeTree()
{
    RegisterClass<TBenchObject>();
    auto root = std::make_unique<TBenchObject>();
    for (int i = 0; i < kRecords; ++i) {
        auto* c = new TBenchObject(root.get());
        c->Left = i % 2000;
        c->Top = i % 300;
        c->Width = 400;
        c->Height = 40000;
        c->Color = i % 2 ? clRed : 0x123456;
        c->Text = i % 3 ? QStringLiteral("ラベル %1").arg(i) : QStringLiteral("label");
    }
    return root;
}

void BM_WriteRecords(benchmark::State& state)
{
    auto root = MakeTree();
    for (auto _ : state) {
        QByteArray bytes = ComponentResourceBytes(QStringLiteral("Bench"), *root);
        benchmark::DoNotOptimize(bytes);
        state.counters["bytes"] = double(bytes.size());
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_WriteRecords)->Unit(benchmark::kMillisecond);

void BM_ReadRecords(benchmark::State& state)
{
    const QByteArray bytes = ComponentResourceBytes(QStringLiteral("Bench"), *MakeTree());
    for (auto _ : state) {
        TReadOnlyMemoryStream in(bytes.constData(), bytes.size());
        std::unique_ptr<TComponent> back = ReadComponentResource(in);
        benchmark::DoNotOptimize(back);
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_ReadRecords)->Unit(benchmark::kMillisecond);

} // namespace
