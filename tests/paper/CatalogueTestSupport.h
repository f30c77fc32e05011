#pragma once
// Catalogue files in a temporary folder, and papers to put into them.
#include "paper/PaperTestSupport.h"
#include "paper/UVelmoPapers.h"
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace velmo::test {

// A draw object with one published value, enough to tell copies apart.
class TRecordTestShape : public TDrawObject
{
    VELMO_DRAW_OBJECT(TRecordTestShape, TDrawObject)
public:
    explicit TRecordTestShape(TComponent* owner = nullptr) : TDrawObject(owner) {}
    int Value() const { return FValue; }
    void SetValue(int value) { FValue = value; }

private:
    int FValue = 0;
};

// Registers the catalogue's classes and the test shape.
void EnsureRecordClasses();
inline void EnsureCatalogueClasses()
{
    EnsureRecordClasses();
}

// An A4 sheet of 2 x 3 faces named name.
inline std::unique_ptr<TMatrixPaperInfo> MakeNamedPaper(const QString& name, const QString& group = "A4",
                                                        bool readOnly = false)
{
    auto paper = MakeMatrix(2, 3, 900, 800, 100, 100, 100, 100);
    paper->SetPaperName(name);
    paper->SetGroupName(group);
    paper->SetReadOnly(readOnly);
    return paper;
}

inline QByteArray FileBytes(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace velmo::test
