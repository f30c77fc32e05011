#include "text/UImageFont.h"
#include "base/UNumbers.h"
#include "imaging/UImagePack.h"
#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <memory>

namespace velmo {

namespace {

constexpr char kGlyphs[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!?";
constexpr int kGlyphCount = 64;

std::function<QString()>& Locator()
{
    static std::function<QString()> locator;
    return locator;
}

std::unique_ptr<TFileImagePackBase>& Pack()
{
    static std::unique_ptr<TFileImagePackBase> pack;
    return pack;
}

// A file pack over a list made elsewhere, kept in the given order.
class TGlyphPack : public TFileImagePackBase
{
public:
    TGlyphPack() = default;
};

} // namespace

QString ImageFontGlyphs()
{
    return QString::fromLatin1(kGlyphs);
}

int ImageFontGlyphIndex(QChar character)
{
    if (character.unicode() > 0x7F || character.unicode() == 0)
        return -1;
    const char* found = std::strchr(kGlyphs, char(character.unicode()));
    return found ? int(found - kGlyphs) : -1;
}

void SetImageFontFolderLocator(std::function<QString()> locator)
{
    Locator() = std::move(locator);
}

QString ImageFontFolder()
{
    return Locator() ? Locator()() : QString();
}

QString BuiltImageFontFolder()
{
    const QString exe = QCoreApplication::applicationDirPath();
    for (const QString& candidate :
         {exe + QStringLiteral("/../data/Data/Font"), exe + QStringLiteral("/data/Data/Font"),
          exe + QStringLiteral("/../share/velmo/Data/Font"), exe + QStringLiteral("/../../data/Data/Font")})
        if (QFileInfo(candidate).isDir())
            return QDir::cleanPath(candidate);
    return {};
}

QStringList ImageFontFiles(const QString& folder)
{
    QStringList files;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return files;
    // Walked by hand so that hidden folders are not entered.
    QStringList pending{folder};
    while (!pending.isEmpty()) {
        const QDir dir(pending.takeFirst());
        const QFileInfoList entries =
            dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
        for (const QFileInfo& entry : entries) {
            if (entry.fileName().startsWith(u'.'))
                continue;
            if (entry.isDir())
                pending << entry.filePath();
            else
                files << entry.filePath();
        }
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::stable_sort(files.begin(), files.end(),
                     [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });
    return files;
}

QList<int> ImageFontNumbers(const QString& folder)
{
    QList<int> numbers;
    if (folder.isEmpty())
        return numbers;
    const QDir dir(folder);
    for (const QString& name :
         dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Unsorted)) {
        bool ok = false;
        const int n = name.toInt(&ok);
        if (ok && n != 0)
            numbers << n;
    }
    // Directory order on Linux is arbitrary; the chooser lists fonts by number, as the
    // folders sort by name.
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    return numbers;
}

TFileImagePackBase& ImageFontPack()
{
    if (!Pack()) {
        auto pack = std::make_unique<TGlyphPack>();
        pack->SetCacheLimit(64);
        pack->SetTransparent(true);
        pack->SetTransparentColor(kImageFontTransparent);
        pack->SetFiles(ImageFontFiles(ImageFontFolder()));
        Pack() = std::move(pack);
    }
    return *Pack();
}

void ResetImageFontPack()
{
    Pack().reset();
}

// ---------------------------------------------------------------------------------

const TPropertyTable& TImageFont::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("FontNo", &TImageFont::FontNo, &TImageFont::SetFontNo)
                                            .NoDefault()
                                            .Int("Height", &TImageFont::Height, &TImageFont::SetHeight)
                                            .NoDefault();
    return table;
}

void TImageFont::SetFontNo(int value)
{
    if (value == FFontNo)
        return;
    FFontNo = value;
    if (OnChange)
        OnChange();
}

void TImageFont::SetHeight(int value)
{
    if (value == FHeight)
        return;
    FHeight = value;
    if (OnChange)
        OnChange();
}

int TImageFont::ImageIndex(QChar character) const
{
    const int k = ImageFontGlyphIndex(character);
    if (k < 0)
        return -1;
    const int count = ImageFontPack().GetCount();
    // An empty folder has no glyphs at all: every character is a blank.
    if (count <= 0)
        return -1;
    // Taken round the pack in both directions: a font number of 0 or below (a damaged
    // document) still names a picture instead of an index before the first.
    const int64_t v = Mod64(int64_t(k) + int64_t(kGlyphCount) * (int64_t(FFontNo) - 1), count);
    return int(v < 0 ? v + count : v);
}

QSize TImageFont::GlyphSize(QChar character) const
{
    const int index = ImageIndex(character);
    if (index < 0)
        return QSize(Div(FHeight, 3), FHeight);
    const QRect r = ImageFontPack().GetImageRect(index);
    if (r.height() <= 0)
        return QSize(Div(FHeight, 3), FHeight);
    return QSize(MulDiv(r.width(), FHeight, r.height()), FHeight);
}

QSize TImageFont::TextSize(const QString& text) const
{
    int width = 0;
    int height = 0;
    for (QChar c : text) {
        const QSize s = GlyphSize(c);
        width += s.width();
        height = std::max(height, s.height());
    }
    return QSize(width, height);
}

int TImageFont::DrawGlyph(QPainter& painter, int x, QChar character, int top) const
{
    const QSize size = GlyphSize(character);
    const int index = ImageIndex(character);
    if (index >= 0 && size.width() > 0 && size.height() > 0)
        ImageFontPack().StretchDraw(painter, QRect(x, top, size.width(), size.height()), index);
    return size.width();
}

void TImageFont::DrawText(QPainter& painter, int x, const QString& text, int top) const
{
    for (QChar c : text)
        x += DrawGlyph(painter, x, c, top);
}

void TImageFont::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TImageFont*>(&source)) {
        SetFontNo(other->FFontNo);
        SetHeight(other->FHeight);
        return;
    }
    TPersistent::Assign(source);
}

} // namespace velmo
