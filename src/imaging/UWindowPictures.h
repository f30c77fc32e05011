#pragma once
// The window pictures of "Images.res" by name: which resource each window's pack
// loads, with its grid, and what the cells of the tool-button strips are, so that
// windows take their buttons' pictures by these indexes (the buttons' tags).
#include <QIcon>
#include <QString>

namespace velmo {

class TMatrixImagePack;

// The resource file of the window pictures, installed with the program's data.
inline const QString kWindowPicturesFile = QStringLiteral("Images.res");

enum class TWindowPicture
{
    wpAbout,         // "CBM" "ABOUTIMAGE" 1 × 1
    wpFillBackIvory, // "FILLBACKIVORY2" 1 × 1 (the merge controller's background)
    wpCsvController, // "CSVCONTOLLER" 1 × 7, TCsvControllerImage
    wpVersion1Mark,  // "VER1MARK" 1 × 1
    wpCheckBox,      // "CHECKBOX" 2 × 1: clear, ticked
    wpFillRed,       // "FILLIMAGE1" 1 × 1
    wpFillBlue,      // "FILLIMAGE8" 1 × 1
    wpFillSand,      // "FILLBACK" 1 × 1 (also the dialogs' pattern)
    wpCommand,       // "ILCOMMANDON" 18 × 1, TCommandImage
    wpStyle,         // "ILSTYLEON" 15 × 1, TStyleImage
    wpPaperGroup, // "PAPERGROUP" 4 × 10: group g at 4g, selected 4g + 1, disabled 4g + 2, highlighted 4g + 3
    wpPrinting,   // "CBM" "PRINTING" 1 × 1
    wpMatchingGenre, // "OSOROI" 1 × 5
    wpWizardGenre,   // "WIZARDGROUP" 1 × 12
    wpStartupChoice, // "OPENSELECT" 1 × 5: new, open, matching labels, wizard, exit
};

struct TWindowPictureInfo
{
    const char* ResType;
    const char* ResName;
    int CountCol;
    int CountRow;
};
const TWindowPictureInfo& WindowPictureInfo(TWindowPicture picture);

// Sets the pack to the picture's resource and grid and loads it (the resource error
// reaches the caller).
void LoadWindowPicture(TMatrixImagePack& pack, TWindowPicture picture);

// The command tool bar's cells.
enum TCommandImage
{
    ciNew,
    ciOpen,
    ciSave,
    ciPrint,
    ciSelect,
    ciText,
    ciDate,
    ciLine,
    ciArc,
    ciRectangle,
    ciCircle,
    ciIllustration,
    ciBackground,
    ciPaperSelect,
    ciImageFile,
    ciNumbering,
    ciBarcode,
    ciScanner,
};

// The style tool bar's cells.
enum TStyleImage
{
    siBold,
    siItalic,
    siUnderline,
    siStrikeOut,
    siAlignLeft,
    siAlignCenter,
    siAlignRight,
    siAlignDistribute,
    siLineColor,
    siFillColor,
    siBringToFront,
    siSendToBack,
    siZoomIn,
    siZoomOut,
    siVertical,
};

// The merge controller's cells.
enum TCsvControllerImage
{
    ccFirst,
    ccPrevious,
    ccNext,
    ccLast,
    ccJump,
    ccFind,
    ccSort,
};

// Image i of the pack as an icon for a tool button or menu entry (white, the
// pictures' ground, shows the button's face); a null icon for an invalid index.
QIcon PackIcon(const TMatrixImagePack& pack, int index);

// PackIcon of the window picture's cell, made once per process. Windows that are
// built again and again (the layout view on every open) must show the same icons:
// the toolkit caches each icon's drawn sizes under that icon's own key, so new icons
// for every window fill its pixmap cache. Throws as LoadWindowPicture when the
// pictures cannot be read; a null icon for an invalid cell.
QIcon SharedPackIcon(TWindowPicture picture, int index);

} // namespace velmo
