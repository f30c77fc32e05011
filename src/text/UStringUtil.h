#pragma once
// Character-wise Japanese conversions: half-width to full-width, hiragana to
// katakana, full-width digits to kanji numerals, and helpers that count and cut
// strings by characters. A character is one code point; it is "double-byte" when
// code page 932 gives it two bytes (everything but ASCII and half-width katakana),
// and characters code page 932 cannot hold count as double-byte too, so that they
// pass every conversion unchanged instead of being split or damaged.
#include <QString>
#include <QStringList>

namespace velmo {

// True for ASCII and half-width katakana (U+FF61 to U+FF9F): one byte in code page 932.
bool IsSingleByteCode(char32_t code);

// s is not empty and its first character is double-byte.
bool IsDoubleByteChar(const QString& s);
// Number of characters (code points; a surrogate pair counts once).
int CharCount(const QString& s);
// The first n characters of s (all of s when it has fewer; none for n <= 0).
QString LeftChars(const QString& s, int n);
// The i-th character, counted from 1; empty when out of range.
QString CharAt(const QString& s, int i);
// The code points of s.
std::u32string ToCodes(QStringView s);
QString FromCode(char32_t code);

// Every single-byte character converted by the half-width table; the excluded
// character (empty: none) is left as it is wherever it occurs.
QString HalfToFull(const QString& s, const QString& excluded = QString());
// Hiragana become the katakana of the same sound.
QString HiraganaToKatakana(const QString& s);
// Full-width digits become kanji numerals; half-width digits stay.
QString DigitsToKanji(const QString& s);

// The list forms convert every line in place.
void StringsHalfToFull(QStringList& lines, const QString& excluded = QString());
void StringsDigitsToKanji(QStringList& lines);

// Upper case, full-width, katakana: the form in which search words and the names
// they are looked for in are compared.
QString NormalizeForSearch(const QString& s);

} // namespace velmo
