// Merge data files: encoding detection, record splitting, field parsing, the header
// switch and sorting, all over the fuzzer's bytes as a file's content.
#include "merge/UCSVData.h"
#include "merge/UCsvDB.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        velmo::TCSVData csv;
        csv.LoadFromBytes(bytes, QStringLiteral("fuzz.csv"));
        const int fields = csv.FieldCount();
        for (int i = 0; i < csv.LineCount(); ++i) {
            const velmo::TCSVStringList& record = csv.GetRecord(i);
            if (record.Count() > fields)
                __builtin_trap();
            // Written back and read again, a record keeps its fields.
            velmo::TCSVStringList again;
            again.SetCSVLine(record.CSVLine());
            if (again.Items() != record.Items())
                __builtin_trap();
        }
        velmo::TCSVAccess view(&csv);
        view.Rebuild();
        view.Sort([](const velmo::TCSVStringList& a, const velmo::TCSVStringList& b) {
            return velmo::TCsvDB::CompareRecords(a, b, 0, false);
        });
        csv.SetHasHeader(true);
        csv.SetHasHeader(false);
    } catch (const velmo::Exception&) {
    }
    return 0;
}
