#pragma once
// A readable rendering of a component resource or bare component stream, made by
// walking the tags alone: no class needs to be registered.
//
//   resource PAPERINFO (flags 1030, 120 bytes)
//   object Paper1: TPaperInfo
//     Tag = 5 (vaInt8)
//     Font.Name = 'ＭＳ Ｐゴシック'
//     Font.Style = [fsBold]
//     Items = <
//       item
//         X = 1 (vaInt8)
//       end>
//     object Face1: TFaceInfo
//     end
//   end
#include <QByteArray>
#include <QString>

namespace velmo {

// Accepts bytes that start with the resource header (0xFF) or with "TPF0".
// Damaged input raises EReadError; *partial (when given) then holds the text made
// up to the fault.
QString DumpComponent(const QByteArray& bytes, QString* partial = nullptr);

} // namespace velmo
