#pragma once
// Start-up's catalogue step: which catalogue file the user works on, and loading it.
#include <QString>
#include <memory>

namespace velmo {

class TAppFrame;
class TVelmoPapers;

// Loads the paper catalogue from its file; raises on failure (EFileError for the
// file's own problems).
class ICatalogueLoader
{
public:
    virtual ~ICatalogueLoader() = default;
    // Runs before "$(PaperInfo)" is expanded: may point the macro at the file to use
    // and make that file.
    virtual void Prepare(TAppFrame&) {}
    virtual void Load(const QString& fileName) = 0;
    // The catalogue loaded (nullptr when there is none).
    virtual TVelmoPapers* Papers() const { return nullptr; }
};

// The application's catalogue loader. The installed catalogue is read-only, so each
// user works on a copy of their own ("velmo.ppr" in the user's application data
// folder), which "$(PaperInfo)" names. The first start seeds the copy from the
// installed catalogue; a later installed catalogue with a higher update number
// brings its system papers in, leaving the user's own papers as they are.
class TPaperCatalogueLoader : public ICatalogueLoader
{
public:
    TPaperCatalogueLoader();
    ~TPaperCatalogueLoader() override;
    void Prepare(TAppFrame& frame) override;
    void Load(const QString& fileName) override;
    TVelmoPapers* Papers() const override { return FPapers.get(); }
    // Writes the catalogue back (when it changed) and frees it.
    void Close();

    // The user's copy; the user's application data folder when empty.
    QString UserFile;
    // The installed catalogue; looked up in the data roots when empty.
    QString InstalledFile;

    static QString DefaultUserFile();
    // The delivered catalogue beside the program: "data/velmo.ppr" next to its folder
    // in a build tree, "velmo.ppr" in the installed data folders. Empty when none.
    static QString FindInstalledCatalogue(TAppFrame& frame);
    // The update number of a catalogue file, or -1 when it cannot be read.
    static int ReadUpdateNumber(const QString& fileName);

private:
    void MergeInstalled();
    std::unique_ptr<TVelmoPapers> FPapers;
};

} // namespace velmo
