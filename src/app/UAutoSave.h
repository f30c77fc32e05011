#pragma once
// The autosave copy of a modified document: written beside the user's data (never
// over the work file) so that a crash or a killed session loses at most the last
// interval; offered back at the next start and removed once the document is saved
// or closed.
#include <QString>

namespace velmo {

class TLabelData;

class TAutoSave
{
public:
    // folder: where the copy lives (made when first written).
    explicit TAutoSave(const QString& folder);
    // The standard folder: the user's application data, "autosave".
    static QString DefaultFolder();

    QString CopyFile() const;
    QString SourceFile() const; // the note of the work file the copy belongs to

    // Writes the document's copy and the note (the work file's name, empty when the
    // document is untitled). Failures raise; the previous copy is left as it was.
    void Write(TLabelData& document, const QString& workFile);
    // Removes the copy and its note.
    void Discard();
    // A copy left by an earlier run: true with the work file it belongs to.
    bool Pending(QString* workFile) const;

private:
    QString FFolder;
};

} // namespace velmo
