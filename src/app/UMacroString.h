#pragma once
// The macro table: every file name, folder, settings key, window title and start-up
// message of the program is one "Name=Value" line here and is expanded where used.
#include <QString>
#include <QStringList>

namespace velmo {

class TMacroString
{
public:
    TMacroString() = default;
    explicit TMacroString(const QStringList& lines) : FLines(lines) {}

    const QStringList& Lines() const { return FLines; }
    void SetLines(const QStringList& lines) { FLines = lines; }
    void Assign(const TMacroString& source) { FLines = source.FLines; }

    // A value of more than one character in double quotes loses them after expansion.
    bool StripQuotes() const { return FStripQuotes; }
    void SetStripQuotes(bool value) { FStripQuotes = value; }

    // Index of the first "Name=..." line whose name matches without regard to case.
    int IndexOfName(const QString& name) const;
    // The raw (unexpanded) value, empty when the name is not defined.
    QString Value(const QString& name) const;
    // Replaces the first line of that name, or appends one.
    void SetValue(const QString& name, const QString& value);

    // Expands every "$(Name)" or "$(Name:Format)" of the text; raises EMacroString.
    QString Expand(const QString& text);

    // Names whose expansion is under way (for cycle detection); empty between calls.
    const QStringList& ExpansionStack() const { return FStack; }

private:
    QString ExpandName(const QString& nameText);
    QString StripQuoted(const QString& value) const;

    QStringList FLines;
    bool FStripQuotes = true;
    QStringList FStack;
    int FNesting = 0;
};

} // namespace velmo
