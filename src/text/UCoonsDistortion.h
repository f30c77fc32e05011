#pragma once
// Envelope distortion of text outlines: a Coons patch whose four sides are curves
// through control points in a unit square, its stored form ("Data", also the
// content of every stream of the pattern file), the pattern file itself and the
// thumbnails of its patterns.
#include "base/UClasses.h"
#include "base/UExtended.h"
#include "draw/UStroke.h"
#include "draw/UTransformer.h"
#include <QImage>
#include <QPointF>
#include <QString>
#include <array>
#include <memory>
#include <vector>

namespace velmo {

class TRootStorage;
class TDocStreamList;
class TStream;

// A pattern identifier, kept as the 16 bytes of its stored form (32-bit, 16-bit,
// 16-bit little-endian, then 8 bytes).
struct TPatternId
{
    std::array<uint8_t, 16> Bytes{};
    static TPatternId Create();
    // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; FromString answers false for
    // anything else.
    QString ToString() const;
    static bool FromString(const QString& text, TPatternId& id);
    bool operator==(const TPatternId&) const = default;
};

// Sides: 0 top (top-left to top-right), 1 right (top-right to bottom-right),
// 2 bottom (bottom-left to bottom-right), 3 left (top-left to bottom-left).
class TCoonsDistortion : public TPersistent, public TTransformer
{
    VELMO_PERSISTENT(TCoonsDistortion, TPersistent)
public:
    // The most control points a side may have in a stored pattern; a count beyond
    // it is a damaged stream.
    static constexpr int kMaxPointsPerSide = 4096;

    TCoonsDistortion();

    const TPatternId& Id() const { return FId; }
    void SetId(const TPatternId& id) { FId = id; }

    void Clear();
    bool IsEmpty() const;
    // Not empty, every side with two points or more, and both rectangles with a
    // width and height.
    bool IsUsable() const;

    int PointCount(int side) const;
    void SetPointCount(int side, int n);
    // Inside 0..n-1 the stored point; beyond either end the continuation onto the
    // side sharing that corner.
    QPointF GetPoint(int side, int j) const;
    void SetPoint(int side, int j, QPointF point);
    uint8_t PointKind(int side, int j) const;
    void SetPointKind(int side, int j, uint8_t kind);

    // Blends every control point toward its place on the undistorted square.
    void ApplyRatio(int percent);
    // Two corner points per side: maps the source rectangle onto the target.
    void MakeIdentity();

    void SetSourceRect(const TLogRect& rect);
    void SetTargetRect(const TLogRect& rect);
    const TLogRect& SourceRect() const { return FSource; }

    // Maps a point in pattern space (u, v) onto pattern space (the patch itself).
    QPointF Evaluate(double u, double v);
    // Evaluates one side at parameter s.
    QPointF EvaluateSide(int side, double s);
    void TransformPoint(QPoint& point) override;
    // The same mapping without truncation to whole units: for drawing at resolutions
    // finer than the logical unit.
    QPointF TransformPointF(QPointF point);

    void Assign(const TPersistent& source) override;
    bool SamePattern(const TCoonsDistortion& other) const { return FId == other.FId; }
    // Equal identifiers, counts, points and kinds.
    bool SameContent(const TCoonsDistortion& other) const;

    // The stored form, 32 + 21 × (N0 + N1 + N2 + N3) bytes.
    void WriteData(TStream& stream) const;
    QByteArray DataBytes() const;
    // Raises EReadError for a truncated form or counts out of range; the pattern
    // is left as it was then.
    void ReadData(TStream& stream);
    void ReadData(const QByteArray& bytes);

    // Called after every change of points, counts or the stored form.
    std::function<void()> OnChange;

private:
    struct TSide
    {
        std::vector<QPointF> Points;
        // The stored bytes of each coordinate, kept so that a pattern read and
        // written again comes out byte for byte.
        std::vector<std::array<Extended80, 2>> Raw;
        std::vector<double> Params;
        std::vector<uint8_t> Kinds;
    };
    void Prepare();
    void MarkChanged();
    double Param(int side, int j) const;
    void StorePoint(int side, int j, QPointF point);

    TPatternId FId;
    std::array<TSide, 4> FSides;
    std::array<QPointF, 4> FCorners; // top-left, top-right, bottom-right, bottom-left
    bool FChanged = true;
    TLogRect FSource;
    TLogRect FTarget;
    double FSourceWidthInv = 0;
    double FSourceHeightInv = 0;
};

// The pattern file, opened read-only: the name list "CoonsDistortionData\NameList"
// and one stream per pattern in its storage.
class TCDDFile
{
public:
    TCDDFile();
    ~TCDDFile();
    TCDDFile(const TCDDFile&) = delete;
    TCDDFile& operator=(const TCDDFile&) = delete;

    // Raises the storage layer's error when the file cannot be opened.
    void Open(const QString& fileName);
    void Close();
    bool IsOpen() const { return FList != nullptr; }
    const QString& FileName() const { return FFileName; }
    int Count() const;
    QString Name(int index) const;
    // A damaged stream raises EStorageError (E_DOCFILECORRUPT); the pattern is left
    // as it was.
    void LoadPattern(TCoonsDistortion& pattern, int index);
    // -1 for an empty pattern or one the file does not hold.
    int IndexOf(const TCoonsDistortion& pattern);

private:
    QString FFileName;
    std::unique_ptr<TRootStorage> FRoot;
    std::unique_ptr<TDocStreamList> FList;
};

// The storage and list of the pattern file.
inline constexpr const char* kCoonsStorageName = "CoonsDistortionData";
inline constexpr const char* kCoonsNameListPath = "CoonsDistortionData\\NameList";

// Thumbnails: one bitmap of 4 × 16 cells of 94 × 37 pixels.
inline constexpr int kPatternThumbWidth = 94;
inline constexpr int kPatternThumbHeight = 37;
inline constexpr int kPatternThumbColumns = 4;
inline constexpr int kPatternThumbRows = 16;
inline constexpr const char* kPatternThumbResource = "TransformPattern";
// Cell i of the thumbnail bitmap (a null image outside it).
QImage PatternThumbnail(const QImage& sheet, int index);

} // namespace velmo

namespace velmo {

// Replaces every curve of the stroke by straight pieces and splits straight pieces
// into equal parts shorter than maxPiece in x and y, so that a distortion bends the
// outline smoothly.
void FlattenStroke(TStroke& stroke, int maxPiece = 8);

// The outline of sample text distorted by the pattern (at full strength) into
// target, in logical units: what the chooser's thumbnails and the pattern sheet show.
// envelope, when given, receives the outline of the sample's text area mapped alike.
TStroke PatternSampleOutline(const TCoonsDistortion& pattern, const TLogRect& target, const QString& sample,
                             TStroke* envelope = nullptr);

} // namespace velmo
