#pragma once
// The face lists of the installed fonts and the way a face name becomes a font file.
// Three sorted lists, filled from fontconfig on first use: usable faces (outline
// fonts and the classic names of the alias table that resolve to one), vertical faces
// ("@" and the name of a usable face whose font has vertical forms) and unusable
// faces (bitmap fonts, and names found missing later).
#include <QString>
#include <QStringList>
#include <memory>

namespace velmo {

class TFontFace;

// The face names tried, in order, when a face cannot be used.
const QStringList& FallbackFaces();

// Fills the lists when they are not filled yet.
void InitFontLists();

const QStringList& UsableFaces();
const QStringList& VerticalFaces();
const QStringList& UnusableFaces();
// Copies the usable faces into list (what font boxes offer).
void GetUsableFaces(QStringList& list);

// True for a face in the unusable list, false for one in the usable list; a name in
// neither is looked up among the installed fonts and added to the list it belongs in.
bool IsFaceUnusable(const QString& name);
// True when "@" + the face is a vertical face.
bool IsVerticalFace(const QString& atName);
// 128 for a face with Japanese coverage, 0 for another installed face, 1 (default
// charset) when the face is not installed.
int FaceCharset(const QString& name);

// Makes a font file available under a family name of its own (fonts delivered with
// a document or the program); the face becomes usable when the file loads.
void RegisterFaceFile(const QString& family, const QString& fileName, int index = 0);

// The loaded face that draws the name in the style: the installed family of that
// name, else the first installed stand-in of the alias table. Bold and italic use
// the family's own bold and italic fonts, or synthesised ones. A face whose file
// fails to load is moved to the unusable list; the result is then nullptr.
std::shared_ptr<TFontFace> OpenFace(const QString& name, bool bold, bool italic);
// Some face to draw with at all: the fallback faces, then whatever fontconfig offers
// for sans-serif. nullptr only when no font can be loaded on the machine.
std::shared_ptr<TFontFace> LastResortFace(bool bold, bool italic);
// Faces that draw characters the chosen face lacks, best first.
const std::vector<std::shared_ptr<TFontFace>>& GlyphFallbackFaces();

} // namespace velmo
