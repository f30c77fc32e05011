#include "merge/ULOInsertion.h"
#include "barcode/UJANCode.h"
#include "base/UDateTime.h"
#include "draw/UCanvas.h"
#include "imaging/UImagePack.h"
#include "merge/UCsvDB.h"
#include "objects/UDOGroup.h"
#include "objects/ULDObjects.h"
#include "objects/ULOCreator.h"
#include "text/ULODate.h"
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <functional>
#include <stdexcept>
#include <vector>

namespace velmo {

QString EmptyInsertionText()
{
    return QStringLiteral("\u3000\u3000\u3000");
}

// ---------------------------------------------------------------------------------
// TLOInsText

const TPropertyTable& TLOInsText::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .String("InsertionText", &TLOInsText::InsertionText, &TLOInsText::SetInsertionText)
            .Int("InsertionField", &TLOInsText::InsertionField, &TLOInsText::SetInsertionField)
            .String("InsertionFormat", &TLOInsText::InsertionFormat, &TLOInsText::SetInsertionFormat)
            .StoredIf<TLOInsText>([](const TLOInsText& t) { return !t.InsertionFormat().isEmpty(); });
    return table;
}

QString FormatInsertion(const QString& format, const QStringList& fields)
{
    QString out;
    out.reserve(format.size());
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format[i];
        if (c == u'$' && i + 1 < format.size() && format[i + 1] == u'$') {
            out += u'$';
            ++i;
            continue;
        }
        if (c == u'$' && i + 1 < format.size() && format[i + 1] == u'{') {
            const qsizetype close = format.indexOf(u'}', i + 2);
            bool ok = false;
            const int n = close > 0 ? format.mid(i + 2, close - i - 2).toInt(&ok) : 0;
            if (ok && n >= 1) {
                out += fields.value(n - 1);
                i = close;
                continue;
            }
        }
        out += c;
    }
    return out;
}

void* TLOInsText::QueryInterface(const TGUID& iid)
{
    if (iid == IDOInsertion::IID)
        return static_cast<IDOInsertion*>(this);
    return TLOVelmoText::QueryInterface(iid);
}

void TLOInsText::SetInsertionText(const QString& text)
{
    FInsertionText = text.isEmpty() ? EmptyInsertionText() : text;
    static const QRegularExpression lineEnds(QStringLiteral("\\r\\n|\\r|\\n"));
    const QStringList lines = FInsertionText.split(lineEnds);
    if (Text()->Lines() != lines)
        SetLines(lines);
}

void TLOInsText::AssignDrawObject(const TDrawObject& source)
{
    TLOVelmoText::AssignDrawObject(source);
    if (const auto* o = dynamic_cast<const TLOInsText*>(&source)) {
        FInsertionText = o->FInsertionText;
        FInsertionFormat = o->FInsertionFormat;
        FInsertionField = o->FInsertionField;
    }
}

// ---------------------------------------------------------------------------------
// TLOInsImage

const TPropertyTable& TLOInsImage::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .String("InsertionText", &TLOInsImage::InsertionText, &TLOInsImage::SetInsertionText)
            .Int("InsertionField", &TLOInsImage::InsertionField, &TLOInsImage::SetInsertionField)
            // The error picture is a hint on screen, not the label's picture: a design
            // stored (or copied) while it shows must not carry it into print.
            .Redeclare("ImageData")
            .StoredIf(&TLOInsImage::ImageDataStored);
    return table;
}

void* TLOInsImage::QueryInterface(const TGUID& iid)
{
    if (iid == IDOInsertion::IID)
        return static_cast<IDOInsertion*>(this);
    return TLOImage::QueryInterface(iid);
}

void TLOInsImage::SetInsertionTextFrom(const QString& text, const QString& folder)
{
    FInsertionText = text;
    // A design being read stores its last picture with it: the name alone must not
    // replace it by a load from wherever the reading process happens to run.
    if (IsLoading())
        return;
    FPictureMissing = false;
    if (text.trimmed().isEmpty()) {
        ImageData()->SetPicture(nullptr);
        return;
    }
    const QString name = text.trimmed();
    const QString path =
        folder.isEmpty() || QFileInfo(name).isAbsolute() ? name : QDir(folder).filePath(name);
    TImageData loaded;
    try {
        if (!QFileInfo(path).isFile())
            throw std::runtime_error("no picture file");
        loaded.LoadFromFile(path);
        if (!loaded.Picture()->HasGraphic())
            throw std::runtime_error("empty picture");
    } catch (const std::exception&) {
        // A wrong name in one record shows on its own label as a hint and the run
        // goes on; the previous label's picture must never stand in for it, and
        // the hint is never printed (DrawTo).
        loaded.SetPicture(&ErrorPicture());
        FPictureMissing = true;
    }
    ImageData()->SetPicture(loaded.Picture());
}

void TLOInsImage::DrawTo(QPainter& painter)
{
    if (FPictureMissing && (IsPrinting(painter) || PrintOutput()))
        return;
    TLOImage::DrawTo(painter);
}

QStringList MissingMergePictures(const TDOList& objects)
{
    QStringList names;
    std::function<void(TDrawObject*)> visit = [&](TDrawObject* object) {
        if (auto* image = dynamic_cast<TLOInsImage*>(object)) {
            if (image->PictureMissing())
                names << image->InsertionText();
        } else if (auto* group = dynamic_cast<TDOGroup*>(object)) {
            for (TDrawObject* member : group->MemberList())
                visit(member);
        }
    };
    for (TDrawObject* object : objects.Objects())
        visit(object);
    return names;
}

QString MissingMergePicturesNotice(int labels, const QStringList& files)
{
    QStringList shown = files.mid(0, 5);
    if (files.size() > shown.size())
        shown << QStringLiteral("ほか %1 件").arg(files.size() - shown.size());
    return QStringLiteral(
               "差込みイメージのファイルが見つからないため、%1 枚のラベルはイメージなしで印刷しました。\n%2")
        .arg(labels)
        .arg(shown.join(u'\n'));
}

void TLOInsImage::AssignDrawObject(const TDrawObject& source)
{
    TLOImage::AssignDrawObject(source);
    if (const auto* o = dynamic_cast<const TLOInsImage*>(&source)) {
        FInsertionText = o->FInsertionText;
        FPictureMissing = o->FPictureMissing;
        FInsertionField = o->FInsertionField;
    }
}

// ---------------------------------------------------------------------------------
// TLOInsBarCode

const TPropertyTable& TLOInsBarCode::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .String("InsertionText", &TLOInsBarCode::InsertionText, &TLOInsBarCode::SetInsertionText)
            .Int("InsertionField", &TLOInsBarCode::InsertionField, &TLOInsBarCode::SetInsertionField);
    return table;
}

void* TLOInsBarCode::QueryInterface(const TGUID& iid)
{
    if (iid == IDOInsertion::IID)
        return static_cast<IDOInsertion*>(this);
    return TLOBarCode::QueryInterface(iid);
}

void TLOInsBarCode::SetInsertionText(const QString& text)
{
    FInsertionText = text;
    SetJANCode(BarKind() == bkJAN ? NormalizeJAN(text) : text);
}

void TLOInsBarCode::AssignDrawObject(const TDrawObject& source)
{
    TLOBarCode::AssignDrawObject(source);
    if (const auto* o = dynamic_cast<const TLOInsBarCode*>(&source)) {
        FInsertionText = o->FInsertionText;
        FInsertionField = o->FInsertionField;
    }
}

// ---------------------------------------------------------------------------------
// TLOInsZintBarCode

const TPropertyTable& TLOInsZintBarCode::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .String("InsertionText", &TLOInsZintBarCode::InsertionText, &TLOInsZintBarCode::SetInsertionText)
            .Int("InsertionField", &TLOInsZintBarCode::InsertionField, &TLOInsZintBarCode::SetInsertionField)
            .Int("InsertionField2", &TLOInsZintBarCode::InsertionField2,
                 &TLOInsZintBarCode::SetInsertionField2)
            .Default(-1);
    return table;
}

void* TLOInsZintBarCode::QueryInterface(const TGUID& iid)
{
    if (iid == IDOInsertion::IID)
        return static_cast<IDOInsertion*>(this);
    return TLOZintBarCode::QueryInterface(iid);
}

void TLOInsZintBarCode::SetInsertionText(const QString& text)
{
    FInsertionText = text;
    // While a design is read the stored data stays what it was.
    if (IsLoading())
        return;
    SetJANCode(FInsertionField2 >= 0 ? text + FSecondText : text);
}

void TLOInsZintBarCode::AssignDrawObject(const TDrawObject& source)
{
    TLOZintBarCode::AssignDrawObject(source);
    if (const auto* o = dynamic_cast<const TLOInsZintBarCode*>(&source)) {
        FInsertionText = o->FInsertionText;
        FSecondText = o->FSecondText;
        FInsertionField = o->FInsertionField;
        FInsertionField2 = o->FInsertionField2;
    }
}

namespace {

bool Refused(TDrawObject* object)
{
    if (auto* code = dynamic_cast<TLOInsBarCode*>(object))
        return !code->InsertionText().trimmed().isEmpty() && !code->HasValidCode();
    if (auto* code = dynamic_cast<TLOInsZintBarCode*>(object))
        return !code->JANCode().trimmed().isEmpty() && !code->HasValidCode();
    if (auto* group = dynamic_cast<TDOGroup*>(object))
        for (TDrawObject* member : group->MemberList())
            if (Refused(member))
                return true;
    return false;
}

} // namespace

int InsertionFieldOf(TDrawObject* object)
{
    if (auto* insertion = Supports<IDOInsertion>(object))
        return std::max(insertion->GetInsertionField(), 0);
    if (auto* group = dynamic_cast<TDOGroup*>(object))
        for (TDrawObject* member : group->MemberList())
            if (const int field = InsertionFieldOf(member); field >= 0)
                return field;
    return -1;
}

bool HasRefusedBarCode(const TDOList& objects)
{
    for (TDrawObject* object : objects.Objects())
        if (Refused(object))
            return true;
    return false;
}

// ---------------------------------------------------------------------------------
// Registration

void RegisterMergeClasses()
{
    if (FindLabelClassByName(u"TLOInsText"))
        return;
    RegisterTextClasses();
    RegisterImageClasses();
    RegisterBarCodeClasses();
    RegisterLabelClass<TLODate>();
    RegisterLabelClass<TLONumbering>();
    RegisterLabelClass<TLOField>();
    RegisterLabelClass<TLOInsText>();
    {
        // Its ancestor TLOImage is registered only as a name older documents use for
        // the current image class, so the merge image goes in on its own.
        std::vector<TComponentClass> chain;
        detail::CollectClassChain<TLOInsImage>(chain);
        chain.resize(1);
        RegisterLabelClassChain(chain);
    }
    RegisterLabelClass<TLOInsBarCode>();
    RegisterLabelClass<TLOInsZintBarCode>();
    RegisterBarCodeFamily(QStringLiteral("TLOInsBarCode"), QStringLiteral("TLOInsZintBarCode"));

    TLOCreator::SetPreparation(QStringLiteral("TLODate"), [](TLabelObject* object, TDrawSite*) {
        if (auto* date = dynamic_cast<TLODate*>(object))
            date->SetDateValue(DateTimeToDayCount(QDateTime::currentDateTime()));
    });
    TLOCreator::SetPreparation(QStringLiteral("TLONumbering"), [](TLabelObject* object, TDrawSite*) {
        if (auto* numbering = dynamic_cast<TLONumbering*>(object)) {
            numbering->SetStartNumber(1);
            numbering->SetStepCount(1);
            numbering->SetCurNumberValue(0);
        }
    });
    TLOCreator::SetPreparation(QStringLiteral("TLOInsText"), [](TLabelObject* object, TDrawSite*) {
        if (auto* text = dynamic_cast<TLOInsText*>(object))
            text->SetInsertionText(QString());
    });
}

} // namespace velmo
