#pragma once
// The print run: the current sheet of a label document onto a print device, face by
// face. Each chosen face's objects are gathered, moved to the face's place on the
// sheet, handed to the per-face hook with the running label counter (merge records,
// serial numbers), clipped to the face's printable outline and drawn through the band
// iterator; frames and cut lines go on top of each sheet. Nested progress is reported
// through a stack of phases, and the run stops at the next check once aborted.
#include "draw/FDrawSite.h"
#include "print/UPrinter.h"
#include <QByteArray>
#include <functional>
#include <map>
#include <memory>
#include <vector>

namespace velmo {

class TLabelData;

constexpr int kMaxPrintCopies = 99;
constexpr int kMaxMergeSheets = 10000000;
// ±99.9 mm, in tenths of a millimetre.
constexpr int kMaxPrintOffset = 999;
// Device pixels added on every side of a face's outer rectangle for the bands.
constexpr int kFaceAreaGrowth = 10;

struct TPrintSpec
{
    int Copies = 1;
    // One entry per face: 1 prints the face; a face beyond the array is not chosen.
    QByteArray Selection;
    bool PrintFrames = false;
    bool PrintCutLines = false;
    // Shift of the whole print in tenths of a millimetre, x right, y down.
    QPoint Offset;
    bool AllFaces = true;
    bool CountSelectedOnly = false;
    bool PrintPaperImages = false;
    // A merge run over every record sets its sheet count from the record count, far
    // beyond what anyone types as copies (up to kMaxMergeSheets).
    bool MergeSheets = false;

    bool Selected(int face) const;
    int SelectedCount(int faceCount) const;
    // The user's message when the settings cannot be printed, or an empty text.
    QString Problem() const;
};

// A stack of phases over one progress range 0 … kPhasedRange. The overall position
// is taken from the outermost phase inward, each inner phase sharing out the step its
// outer phase is in.
class TPhasedProgressBase
{
public:
    static constexpr int kPhasedRange = 10000;
    TPhasedProgressBase();
    virtual ~TPhasedProgressBase() = default;
    void BeginPhase(int low, int high);
    // The bottom phase stays.
    void EndPhase();
    void Step();
    int Position() const;
    int Depth() const { return int(FPhases.size()); }

protected:
    virtual void Show(int position) = 0;

private:
    struct TPhase
    {
        int Low, High, Position;
    };
    std::vector<TPhase> FPhases;
};

// Reports each new overall position to a callback.
class TPhasedProgress : public TPhasedProgressBase
{
public:
    std::function<void(int position)> OnShow;

protected:
    void Show(int position) override
    {
        if (OnShow)
            OnShow(position);
    }
};

// Called for each face just before it is drawn, with its objects (moved to the
// sheet) and the current label counter.
using TPrintFaceHook = std::function<void(TDOList& objects, int counter)>;

class TPrintSite : public TDrawSite
{
public:
    TPrintSite(TLabelData& document, TPhasedProgressBase& progress, const TPrintSpec& spec);
    ~TPrintSite() override;

    void SetFaceHook(TPrintFaceHook hook) { FFaceHook = std::move(hook); }
    // Asked for every face printed: whether to band (the "Banding" setting). Without
    // one, faces are banded.
    void SetBandingSetting(std::function<bool()> setting) { FBanding = std::move(setting); }
    // Lets pending window messages run between objects and faces (the print window's
    // repaint and its close button); none without one.
    void SetMessagePump(std::function<void()> pump) { FPump = std::move(pump); }
    // Raises EPrintError for settings, papers or sheets that cannot be printed,
    // before any job begins; the device's errors propagate after the job was ended
    // as aborted. An aborted run ends the job as aborted.
    void PrintRun(TPrintDevice& device);
    void SetAborted(bool value) { FAborted = value; }
    bool Aborted() const { return FAborted; }
    // Whether face i has anything to print (a design, or background objects when they
    // are printed).
    bool FaceHasContent(int i);

protected:
    void DrawToProgress(int index) override;
    void DrawObjectTo(TDrawObject* object) override;

private:
    bool Continue() const;
    void Pump();
    void PrintFaces();
    void PrintFace(int i);
    void PrintFramesAndCutLines();
    // Whether every visible object's enclosing rectangle lies inside the outline.
    bool ObjectsWithin(const QPainterPath& outline);
    void FreeDesigns();

    TLabelData& FDocument;
    TPhasedProgressBase& FProgress;
    TPrintSpec FSpec;
    TPrintFaceHook FFaceHook;
    std::function<bool()> FBanding;
    std::function<void()> FPump;
    TPrintDevice* FDevice = nullptr;
    bool FAborted = false;
    int FLabelCounter = 0;
    QPoint FDeviceOffset;
    // The designs read so far in this run, by design index, as stored (relative to
    // their label).
    std::map<int, std::unique_ptr<TDOList>> FDesigns;
    // Whether label i has a design, asked once per run: the answer opens a stream
    // of the document, and a merge run asks it twice for every face.
    std::map<int, bool> FHasDesign;
    bool HasDesign(int i);
};

// The job title: "%s - ベルモ" with the document's file name without folder, or
// "新規作成" for a document never saved.
QString PrintJobTitle(const QString& fileName, const QString& appName = QStringLiteral("ベルモ"));

} // namespace velmo
