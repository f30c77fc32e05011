#include "merge/UCsvDB.h"
#include "document/ULabelData.h"
#include "draw/UDOInterfaces.h"
#include "draw/UDrawObject.h"
#include "merge/ULOInsertion.h"
#include "objects/UDOGroup.h"
#include "text/UStringUtil.h"
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <string>
#include <unicode/ucol.h>

namespace velmo {

namespace {

// The "ja" collator, comparing case-insensitively (secondary strength: case and
// width differences are ignored, accents and kana voicing are not).
UCollator* Collator()
{
    static UCollator* collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        UCollator* c = ucol_open("ja", &status);
        if (U_FAILURE(status) || !c) {
            status = U_ZERO_ERROR;
            c = ucol_open("", &status);
        }
        if (c)
            ucol_setStrength(c, UCOL_SECONDARY);
        return c;
    }();
    return collator;
}

int Collate(const QString& a, const QString& b)
{
    UCollator* c = Collator();
    if (!c)
        return a.compare(b, Qt::CaseInsensitive);
    const UCollationResult r = ucol_strcoll(c, reinterpret_cast<const UChar*>(a.utf16()), int32_t(a.size()),
                                            reinterpret_cast<const UChar*>(b.utf16()), int32_t(b.size()));
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

std::string SortKey(const QString& s)
{
    UCollator* c = Collator();
    if (!c) {
        const QByteArray u = s.toCaseFolded().toUtf8();
        return std::string(u.constData(), size_t(u.size()));
    }
    std::string key(size_t(s.size()) * 4 + 16, '\0');
    int32_t n = ucol_getSortKey(c, reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()),
                                reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    if (n > int32_t(key.size())) {
        key.resize(size_t(n));
        n = ucol_getSortKey(c, reinterpret_cast<const UChar*>(s.utf16()), int32_t(s.size()),
                            reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    }
    key.resize(size_t(std::max(n, 1)) - 1); // without the terminating 0
    return key;
}

void ApplyTo(TDrawObject* object, const TCSVStringList& record, int n, const QString& folder)
{
    if (auto* code = dynamic_cast<TLOInsZintBarCode*>(object); code && code->InsertionField2() >= 0)
        code->SetSecondInsertionText(record.Get(code->InsertionField2()));
    if (auto* text = dynamic_cast<TLOInsText*>(object); text && !text->InsertionFormat().isEmpty())
        text->SetInsertionText(FormatInsertion(text->InsertionFormat(), record.Items()));
    else if (auto* image = dynamic_cast<TLOInsImage*>(object))
        image->SetInsertionTextFrom(record.Get(image->InsertionField()), folder);
    else if (auto* insertion = Supports<IDOInsertion>(object))
        insertion->SetInsertionText(record.Get(insertion->GetInsertionField()));
    if (auto* numbering = Supports<IDONumbering>(object))
        numbering->SetCurNumber(n);
    if (auto* group = dynamic_cast<TDOGroup*>(object))
        for (TDrawObject* member : group->MemberList())
            ApplyTo(member, record, n, folder);
}

} // namespace

QString MergeNormalize(const QString& s)
{
    QString upper = s;
    for (QChar& c : upper)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 0x20);
    return HiraganaToKatakana(HalfToFull(upper));
}

TCsvDB::TCsvDB() : FData(std::make_unique<TCSVData>()), FAccess(std::make_unique<TCSVAccess>(FData.get())) {}

TCsvDB::~TCsvDB() = default;

TCsvDB& TCsvDB::Instance()
{
    static TCsvDB db;
    return db;
}

void TCsvDB::Open(const QString& fileName, QChar separator)
{
    ++FGeneration;
    FActive = false;
    FData->SetChosenDelimiter(separator);
    FData->LoadFromFile(fileName);
    FAccess->Rebuild();
    FGeneratedNames.clear();
    const int count = FData->FieldCount();
    for (int i = 1; i <= count; ++i)
        FGeneratedNames.append(QStringLiteral("項目%1").arg(i));
    FFileName = QFileInfo(fileName).absoluteFilePath();
    FMergeFolder = QFileInfo(FFileName).absolutePath();
    FActive = true;
}

void TCsvDB::Close()
{
    ++FGeneration;
    FActive = false;
    FGeneratedNames.clear();
    FFileName.clear();
    FMergeFolder.clear();
    FData = std::make_unique<TCSVData>();
    FAccess = std::make_unique<TCSVAccess>(FData.get());
}

QStringList TCsvDB::FieldNames() const
{
    return FData->HasHeader() ? FData->Header().Items() : FGeneratedNames;
}

void TCsvDB::SetHasHeader(bool value)
{
    // A vCard file's names line is made here from the card properties: never a
    // contact, so it stays the names line.
    if (!value && FData->IsVCard())
        return;
    if (value == FData->HasHeader())
        return;
    const std::vector<int> remembered = FAccess->Index();
    FAccess->Clear();
    FData->SetHasHeader(value);
    if (value) {
        for (int i : remembered)
            if (i > 0)
                FAccess->Append(i - 1);
    } else {
        FAccess->Append(0);
        for (int i : remembered)
            FAccess->Append(i + 1);
    }
}

int TCsvDB::CompareRecords(const TCSVStringList& a, const TCSVStringList& b, int field, bool descending)
{
    const QString& x = descending ? b.Items().value(field) : a.Items().value(field);
    const QString& y = descending ? a.Items().value(field) : b.Items().value(field);
    const int r = Collate(MergeNormalize(x), MergeNormalize(y));
    return r != 0 ? r : Collate(x, y);
}

void TCsvDB::Sort(int field, bool descending)
{
    Sort(std::vector<TMergeSortKey>{{field, descending}});
}

void TCsvDB::Sort(const std::vector<TMergeSortKey>& keys)
{
    const int count = Count();
    if (count < 2 || keys.empty())
        return;
    // The collation keys are made once per record and field; comparing them is
    // the same as comparing the texts with the collator.
    const size_t k = keys.size();
    std::vector<std::string> normal(size_t(count) * k), raw(size_t(count) * k);
    for (int p = 0; p < count; ++p) {
        const TCSVStringList& record = FAccess->RecordAt(p);
        for (size_t j = 0; j < k; ++j) {
            const QString field = record.Get(keys[j].Field);
            normal[size_t(p) * k + j] = SortKey(MergeNormalize(field));
            raw[size_t(p) * k + j] = SortKey(field);
        }
    }
    std::vector<int> order(static_cast<size_t>(count));
    for (int p = 0; p < count; ++p)
        order[size_t(p)] = p;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        for (size_t j = 0; j < k; ++j) {
            const size_t ia = size_t(a) * k + j, ib = size_t(b) * k + j;
            int r = normal[ia].compare(normal[ib]);
            if (r == 0)
                r = raw[ia].compare(raw[ib]);
            if (r != 0)
                return keys[j].Descending ? r > 0 : r < 0;
        }
        return false;
    });
    FAccess->Reorder(order);
}

int TCsvDB::Find(const QString& text, int field, bool towardsFirst, int current,
                 const std::function<bool(int, int)>& progress)
{
    if (text.isEmpty() || !FActive)
        return -1;
    const QString needle = MergeNormalize(text);
    const int count = Count();
    const int step = towardsFirst ? -1 : 1;
    const int total = towardsFirst ? std::max(current, 0) : std::max(count - current - 1, 0);
    int tested = 0;
    for (int n = current + step; n >= 0 && n < count; n += step, ++tested) {
        if (progress && tested % 256 == 0 && !progress(tested, total))
            return -1;
        const TCSVStringList& record = FAccess->RecordAt(n);
        const QString hay = field < 0 ? record.Items().join(u'\n') : record.Get(field);
        if (MergeNormalize(hay).contains(needle))
            return n;
    }
    return -1;
}

QString TCsvDB::ResolveMergePath(const QString& name) const
{
    if (name.isEmpty() || QFileInfo(name).isAbsolute() || FMergeFolder.isEmpty())
        return name;
    return QDir(FMergeFolder).filePath(name);
}

void TCsvDB::ApplyMergeRecord(TDOList& objects, int n)
{
    TCSVStringList record;
    if (FActive && n >= 0 && n < Count())
        record = RecordCopy(n);
    for (TDrawObject* object : objects.Objects())
        ApplyTo(object, record, n, FMergeFolder);
}

TMergeOpenResult OpenMergeDataByName(TCsvDB& db, TLabelData& document, const QString& fileName,
                                     QString* message, QChar separator)
{
    db.Close();
    TMergeOpenResult result = TMergeOpenResult::Opened;
    if (!QFileInfo(fileName).isFile()) {
        if (message)
            *message = QStringLiteral("CSVファイル「%1」が見つかりません").arg(fileName);
        result = TMergeOpenResult::Missing;
    } else {
        try {
            db.Open(fileName, separator);
        } catch (const Exception& e) {
            if (message)
                *message =
                    QStringLiteral("CSVファイル「%1」が正しく開けません\n%2").arg(fileName, e.Message());
            result = TMergeOpenResult::Failed;
        }
    }
    if (db.Active()) {
        if (message)
            *message = db.Warning();
        document.SetCSVFile(db.FileName());
        document.SetCSVSeparator(separator.unicode());
        // A vCard file's names line is ours, never a contact.
        db.SetHasHeader(db.Data().IsVCard());
        document.SetCSVFieldName(db.HasHeader());
    } else {
        document.SetCSVFile(QString());
    }
    return result;
}

TMergeOpenResult OpenDocumentMergeData(TCsvDB& db, TLabelData& document, QString* message)
{
    const QString name = document.CSVFile();
    if (name.isEmpty()) {
        db.Close();
        return TMergeOpenResult::Opened;
    }
    const bool header = document.CSVFieldName();
    const TMergeOpenResult r =
        OpenMergeDataByName(db, document, name, message, QChar(char16_t(document.CSVSeparator())));
    if (r == TMergeOpenResult::Opened) {
        db.SetHasHeader(header);
        document.SetCSVFieldName(db.HasHeader());
    }
    return r;
}

} // namespace velmo
