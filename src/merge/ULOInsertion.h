#pragma once
// Merge objects: a text, a picture and a barcode whose content is one field of the
// label's merge record. Each keeps the field it shows and the value it was last
// given; the merge step gives them the label's record before the label is drawn.
#include "barcode/ULOBarCode.h"
#include "barcode/ULOZintBarCode.h"
#include "draw/UDOInterfaces.h"
#include "objects/ULOImage.h"
#include "text/ULOText.h"

namespace velmo {

// What an empty merge text shows: three full-width spaces, so that the object keeps
// a size to grab on the layout.
QString EmptyInsertionText();

class TLOInsText : public TLOVelmoText, public IDOInsertion
{
    VELMO_DRAW_OBJECT(TLOInsText, TLOVelmoText)
public:
    explicit TLOInsText(TComponent* owner = nullptr) : TLOVelmoText(owner) {}
    void* QueryInterface(const TGUID& iid) override;

    const QString& InsertionText() const { return FInsertionText; }
    int InsertionField() const { return FInsertionField; }

    void SetInsertionText(const QString& text) override;
    QString GetInsertionText() const override { return FInsertionText; }
    void SetInsertionField(int field) override { FInsertionField = field; }
    int GetInsertionField() const override { return FInsertionField; }
    // A text that shows more than one field, or fields among fixed text (what other
    // label programs write as "Dear ${name}"): "${N}" stands for field N (from 1),
    // "$$" for a literal "$". Empty: the object shows its one field.
    const QString& InsertionFormat() const { return FInsertionFormat; }
    void SetInsertionFormat(const QString& format) { FInsertionFormat = format; }

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    QString FInsertionText;
    QString FInsertionFormat;
    int FInsertionField = 0;
};

// The text of an insertion format for one record's fields.
QString FormatInsertion(const QString& format, const QStringList& fields);

class TLOInsImage : public TLOImage, public IDOInsertion
{
    VELMO_DRAW_OBJECT(TLOInsImage, TLOImage)
public:
    explicit TLOInsImage(TComponent* owner = nullptr) : TLOImage(owner) {}
    void* QueryInterface(const TGUID& iid) override;

    const QString& InsertionText() const { return FInsertionText; }
    int InsertionField() const { return FInsertionField; }

    // An empty name clears the picture; a relative name is taken from folder (the
    // merge file's; none: as it stands); a file that is missing or cannot be read
    // shows the error picture on screen as a hint (never the previous label's
    // picture), while print output and the stored design leave the picture out.
    void SetInsertionTextFrom(const QString& text, const QString& folder);
    void SetInsertionText(const QString& text) override { SetInsertionTextFrom(text, QString()); }
    QString GetInsertionText() const override { return FInsertionText; }
    void SetInsertionField(int field) override { FInsertionField = field; }
    int GetInsertionField() const override { return FInsertionField; }
    // The value names no picture that could be read: what shows is only the hint.
    bool PictureMissing() const { return FPictureMissing; }
    bool ImageDataStored() const { return !FPictureMissing; }

    void DrawTo(QPainter& painter) override;

protected:
    void AssignDrawObject(const TDrawObject& source) override;
    bool FitsPictureInside() const override { return true; }

private:
    QString FInsertionText;
    int FInsertionField = 0;
    bool FPictureMissing = false;
};

// The merge pictures among the objects (groups searched) whose file was missing or
// unreadable: their values, in order. What a print run reports after the run.
QStringList MissingMergePictures(const TDOList& objects);
// The one notice after a run: how many labels went without their picture, and the
// first few file names.
QString MissingMergePicturesNotice(int labels, const QStringList& files);

class TLOInsBarCode : public TLOBarCode, public IDOInsertion
{
    VELMO_DRAW_OBJECT(TLOInsBarCode, TLOBarCode)
public:
    explicit TLOInsBarCode(TComponent* owner = nullptr) : TLOBarCode(owner) {}
    void* QueryInterface(const TGUID& iid) override;

    const QString& InsertionText() const { return FInsertionText; }
    int InsertionField() const { return FInsertionField; }

    // JAN values get their check digit computed again (7 or 8 characters give EAN-8,
    // 12 or 13 give EAN-13, other lengths no code); other kinds take the value as it is.
    void SetInsertionText(const QString& text) override;
    QString GetInsertionText() const override { return FInsertionText; }
    void SetInsertionField(int field) override { FInsertionField = field; }
    int GetInsertionField() const override { return FInsertionField; }

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    QString FInsertionText;
    int FInsertionField = 0;
};

// A merge barcode of the libzint symbologies. Its value may join two fields: the
// second one (InsertionField2, -1 for none) follows the first; for the Japan Post
// symbol that is the postcode and the address number.
class TLOInsZintBarCode : public TLOZintBarCode, public IDOInsertion
{
    VELMO_DRAW_OBJECT(TLOInsZintBarCode, TLOZintBarCode)
public:
    explicit TLOInsZintBarCode(TComponent* owner = nullptr) : TLOZintBarCode(owner) {}
    void* QueryInterface(const TGUID& iid) override;

    const QString& InsertionText() const { return FInsertionText; }
    int InsertionField() const { return FInsertionField; }
    int InsertionField2() const { return FInsertionField2; }
    void SetInsertionField2(int field) { FInsertionField2 = field < 0 ? -1 : field; }
    // The second field's value of the record being applied; the first one's follows.
    void SetSecondInsertionText(const QString& text) { FSecondText = text; }

    // The value (first field, then the second) becomes the symbol's data as it is.
    void SetInsertionText(const QString& text) override;
    QString GetInsertionText() const override { return FInsertionText; }
    void SetInsertionField(int field) override { FInsertionField = field; }
    int GetInsertionField() const override { return FInsertionField; }

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    QString FInsertionText;
    QString FSecondText;
    int FInsertionField = 0;
    int FInsertionField2 = -1;
};

// The merge field the object shows: its own, or the first of a group's members;
// -1 for an object without one.
int InsertionFieldOf(TDrawObject* object);

// Whether a merge barcode among the objects (groups included) was given a value that
// makes no symbol of its kind: that label prints without it, and the run says so.
bool HasRefusedBarCode(const TDOList& objects);

// Registers the merge, date, numbering and field classes for streams and the creator
// (once; text, image and barcode classes must be registered first or are registered
// here).
void RegisterMergeClasses();

} // namespace velmo
