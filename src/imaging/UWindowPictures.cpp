#include "imaging/UWindowPictures.h"

#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/USafetyBitmap.h"
#include <QCoreApplication>
#include <QPixmap>
#include <map>
#include <vector>

namespace velmo {

const TWindowPictureInfo& WindowPictureInfo(TWindowPicture picture)
{
    static const TWindowPictureInfo table[] = {
        {"CBM", "ABOUTIMAGE", 1, 1},         {"RT_BITMAP", "FILLBACKIVORY2", 1, 1},
        {"RT_BITMAP", "CSVCONTOLLER", 1, 7}, {"RT_BITMAP", "VER1MARK", 1, 1},
        {"RT_BITMAP", "CHECKBOX", 2, 1},     {"RT_BITMAP", "FILLIMAGE1", 1, 1},
        {"RT_BITMAP", "FILLIMAGE8", 1, 1},   {"RT_BITMAP", "FILLBACK", 1, 1},
        {"RT_BITMAP", "ILCOMMANDON", 18, 1}, {"RT_BITMAP", "ILSTYLEON", 15, 1},
        {"RT_BITMAP", "PAPERGROUP", 4, 10},  {"CBM", "PRINTING", 1, 1},
        {"RT_BITMAP", "OSOROI", 1, 5},       {"RT_BITMAP", "WIZARDGROUP", 1, 12},
        {"RT_BITMAP", "OPENSELECT", 1, 5},
    };
    return table[int(picture)];
}

void LoadWindowPicture(TMatrixImagePack& pack, TWindowPicture picture)
{
    const TWindowPictureInfo& info = WindowPictureInfo(picture);
    pack.LoadFrom(kWindowPicturesFile, QString::fromLatin1(info.ResType), QString::fromLatin1(info.ResName),
                  info.CountCol, info.CountRow);
}

QIcon SharedPackIcon(TWindowPicture picture, int index)
{
    // Kept until the application object goes, before the toolkit that draws pixmaps.
    static std::map<int, std::vector<QIcon>>* icons = [] {
        auto* made = new std::map<int, std::vector<QIcon>>;
        qAddPostRoutine([] { icons->clear(); });
        return made;
    }();
    auto found = icons->find(int(picture));
    if (found == icons->end()) {
        TMatrixImagePack pack;
        LoadWindowPicture(pack, picture);
        const TWindowPictureInfo& info = WindowPictureInfo(picture);
        std::vector<QIcon> cells;
        for (int i = 0; i < info.CountCol * info.CountRow; ++i)
            cells.push_back(PackIcon(pack, i));
        found = icons->emplace(int(picture), std::move(cells)).first;
    }
    const std::vector<QIcon>& cells = found->second;
    return index >= 0 && index < int(cells.size()) ? cells[size_t(index)] : QIcon();
}

QIcon PackIcon(const TMatrixImagePack& pack, int index)
{
    if (pack.IsInvalid(index))
        return {};
    TPictureEx cell;
    pack.GetImageSafe(cell, index);
    if (!cell.HasGraphic())
        return {};
    QImage image = cell.Graphic()->Image().convertToFormat(QImage::Format_ARGB32);
    // The drawings are made on white: the white ground around a drawing (white
    // reached from the edges) becomes the button's own face; white inside a drawing
    // (a sheet of paper, the pointer) stays.
    const int w = image.width(), h = image.height();
    std::vector<QPoint> todo;
    auto visit = [&](int x, int y) {
        auto* p = reinterpret_cast<QRgb*>(image.scanLine(y)) + x;
        if (*p == 0xFFFFFFFFu) {
            *p = 0;
            todo.push_back({x, y});
        }
    };
    for (int x = 0; x < w; ++x) {
        visit(x, 0);
        visit(x, h - 1);
    }
    for (int y = 0; y < h; ++y) {
        visit(0, y);
        visit(w - 1, y);
    }
    while (!todo.empty()) {
        const QPoint at = todo.back();
        todo.pop_back();
        if (at.x() > 0)
            visit(at.x() - 1, at.y());
        if (at.x() + 1 < w)
            visit(at.x() + 1, at.y());
        if (at.y() > 0)
            visit(at.x(), at.y() - 1);
        if (at.y() + 1 < h)
            visit(at.x(), at.y() + 1);
    }
    return QIcon(QPixmap::fromImage(image));
}

} // namespace velmo
