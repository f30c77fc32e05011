#pragma once
// Picture fonts: the 64 glyphs of a decorative string ("A"…"Z", "a"…"z", "0"…"9",
// "!", "?") are pictures from one process-wide file pack over every picture below
// the font folder, sorted by path; font f is the block of 64 pictures starting at
// 64 × (f − 1), taken round the pack when it holds fewer.
#include "base/UClasses.h"
#include "base/UGraphics.h"
#include <QSize>
#include <QString>
#include <QStringList>
#include <functional>

class QPainter;

namespace velmo {

class TFileImagePackBase;

// The glyph set, in glyph order.
QString ImageFontGlyphs();
// The position of a character in the glyph set; -1 for a character without glyph.
int ImageFontGlyphIndex(QChar character);
// The transparent colour of glyph pictures (0xF0F0F0).
constexpr TColor kImageFontTransparent = 0xF0F0F0;

// Where the font folder is ("Data\Font" found among the data files); the application
// sets how it is found. Without a locator, or when it answers an empty text, there
// are no picture fonts.
void SetImageFontFolderLocator(std::function<QString()> locator);
QString ImageFontFolder();
// The fonts beside the program: a build tree's data/Data/Font or the installed
// share/velmo/Data/Font; empty when neither exists.
QString BuiltImageFontFolder();
// Every picture file below the folder (names beginning with "." skipped), sorted
// by full path case-insensitively in the user's locale.
QStringList ImageFontFiles(const QString& folder);
// The font numbers the chooser offers: entries directly in the folder whose names
// are whole numbers other than 0, ascending.
QList<int> ImageFontNumbers(const QString& folder);

// The process-wide glyph pack: made on first use, at most 64 pictures loaded,
// 0xF0F0F0 transparent. Reset drops it (the next use looks for the folder again).
TFileImagePackBase& ImageFontPack();
void ResetImageFontPack();

class TImageFont : public TPersistent
{
    VELMO_PERSISTENT(TImageFont, TPersistent)
public:
    TImageFont() = default;

    int FontNo() const { return FFontNo; }
    void SetFontNo(int value);
    int Height() const { return FHeight; }
    void SetHeight(int value);
    // Called after FontNo or Height changed.
    std::function<void()> OnChange;

    // The pack image of a character's glyph; -1 without glyph (or without pictures).
    int ImageIndex(QChar character) const;
    // Glyph characters: the picture's width scaled to Height, and Height; others a
    // third of Height wide.
    QSize GlyphSize(QChar character) const;
    QSize TextSize(const QString& text) const;
    // Draws the glyph stretched to its size at (x, top); answers its width.
    int DrawGlyph(QPainter& painter, int x, QChar character, int top) const;
    void DrawText(QPainter& painter, int x, const QString& text, int top) const;

    void Assign(const TPersistent& source) override;

private:
    int FFontNo = 0;
    int FHeight = 16;
};

} // namespace velmo
