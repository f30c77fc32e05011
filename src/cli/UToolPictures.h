#pragma once
#include <QStringList>

namespace velmo::tool {

// velmo-tool pictures (illust|backgrounds|frames) OUT.png [--data DIR] [--size S]
//   [--columns N]: the delivered collection as the browsers show it, one block per
//   genre with its name, every picture's thumbnail (error pictures for files that do
//   not load) on one contact sheet; each genre and its count on standard output.
// velmo-tool thumbnails FOLDER OUT.png [--size S] [--columns N]: the user picture
//   files of a folder as the file browser lists them.
int CommandPictures(const QStringList& arguments);
int CommandThumbnails(const QStringList& arguments);

} // namespace velmo::tool
