#pragma once
// The alias table: the classic Japanese face names that documents carry, each with
// the installed faces that stand in for it when drawing, best first. What a document
// saves never changes; only the face a canvas draws with does.
#include <QString>
#include <QStringList>

namespace velmo {

struct TFontAlias
{
    const char16_t* Name;
    QStringList Candidates;
};

// Every alias, in table order.
const std::vector<TFontAlias>& FontAliases();
// The stand-ins of a face name (exact, then case-insensitive); empty when the name
// has no alias.
QStringList AliasCandidates(const QString& name);

} // namespace velmo
