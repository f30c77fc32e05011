// vCard files on untrusted bytes, as the merge reader takes them: every record has
// the names line's fields, and the records read as merge data are the contacts.
#include "merge/UCSVData.h"
#include "merge/UVCardData.h"
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace velmo;
    QByteArray bytes("BEGIN:VCARD\r\n");
    bytes.append(reinterpret_cast<const char*>(data), qsizetype(size));
    // Decoded as the merge reader decodes any file (code page 932 unless UTF-8).
    const QString text = DecodeCSVBytes(bytes, QStringLiteral("fuzz.vcf"));
    const std::vector<QStringList> cards = ReadVCards(text);
    for (const QStringList& card : cards)
        if (card.size() != VCardFieldNames().size())
            __builtin_trap();
    try {
        TCSVData csv;
        csv.LoadFromBytes(bytes, QStringLiteral("fuzz.vcf"));
        if (!csv.IsVCard() || csv.Header().Items() != VCardFieldNames())
            __builtin_trap();
        if (csv.LineCount() != int(cards.size()))
            __builtin_trap();
        for (int i = 0; i < csv.LineCount(); ++i)
            if (csv.RecordCopy(i).Items() != cards[size_t(i)])
                __builtin_trap();
    } catch (const Exception&) {
    }
    return 0;
}
