#pragma once
// vCard files (2.1, 3.0 and 4.0, as phones and mail programs export address books)
// read as merge records: one record per contact, its fields the properties a label
// needs, under a names line of their own. Folded lines, quoted-printable values in
// any charset the phone wrote, escaped separators and several addresses are read;
// photos and everything else a label cannot use are skipped.
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace velmo {

// The names line: 氏名, 姓, 名, 姓よみ, 名よみ, 会社名, 郵便番号, 都道府県, 市区町村,
// 番地, 電話番号, 電子メール.
const QStringList& VCardFieldNames();

// Whether the text is a vCard file (its first line that is not empty opens a card).
bool LooksLikeVCard(QStringView text);
// Whether the file's first bytes open a vCard (any encoding the merge reader takes).
bool IsVCardFile(const QString& fileName);

// The contacts, each a record of VCardFieldNames().size() fields. A card left open
// at the end of the file still counts.
std::vector<QStringList> ReadVCards(QStringView text);

// The names line and the contacts as comma-separated text, which the merge reader
// parses like any other file.
QString VCardToDelimitedText(QStringView text);

// Our field for a field name another program gave a vCard property (its English
// name: "full_name", "email", "postal_code" …); empty when there is none.
QString VCardFieldFor(const QString& name);

} // namespace velmo
