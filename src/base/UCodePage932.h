#pragma once
// Conversion between the program's Unicode text and code page 932 (windows-31j),
// the encoding of every file the program exchanges.
#include <QByteArray>
#include <QString>

namespace velmo::cp932 {

// Encodes text. When a character has no code page 932 form, *ok is set to false
// and the result holds the characters up to it; nothing is silently replaced.
// Without ok, an unencodable character raises EConvertError naming it.
QByteArray Encode(const QString& text, bool* ok = nullptr);

// True when every character of the text has a code page 932 form.
bool CanEncode(const QString& text);

// Decodes bytes. Invalid or unmapped byte sequences become U+FFFD and set *ok to
// false; decoding never fails otherwise.
QString Decode(const QByteArray& bytes, bool* ok = nullptr);
QString Decode(const char* data, int length, bool* ok = nullptr);

// True when the byte is the first byte of a double-byte character.
bool IsLeadByte(unsigned char byte);

} // namespace velmo::cp932
