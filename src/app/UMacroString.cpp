#include "app/UMacroString.h"
#include "base/UExceptions.h"

namespace velmo {

namespace {

// Names nested inside names ("$(A$(B$(C)))") recurse without touching the stack;
// this bounds that recursion for hostile texts.
constexpr int kMaxNesting = 256;

QString LineName(const QString& line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    return eq < 0 ? QString() : line.left(eq);
}

[[noreturn]] void FailMalformed(const QString& text, qsizetype position)
{
    throw EMacroString(
        QStringLiteral("%1の%2文字目から始まるマクロが間違っています").arg(text, QString::number(position)));
}

// The platform's short (8.3) path form does not exist here; a path is its own short form.
QString ShortPathOf(const QString& path)
{
    return path;
}

} // namespace

int TMacroString::IndexOfName(const QString& name) const
{
    for (int i = 0; i < FLines.size(); ++i) {
        const qsizetype eq = FLines[i].indexOf(QLatin1Char('='));
        if (eq >= 0 && QStringView(FLines[i]).left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TMacroString::Value(const QString& name) const
{
    const int index = IndexOfName(name);
    return index < 0 ? QString() : FLines[index].mid(FLines[index].indexOf(QLatin1Char('=')) + 1);
}

void TMacroString::SetValue(const QString& name, const QString& value)
{
    const int index = IndexOfName(name);
    if (index < 0)
        FLines.append(name + QLatin1Char('=') + value);
    else
        FLines[index] = LineName(FLines[index]) + QLatin1Char('=') + value;
}

QString TMacroString::StripQuoted(const QString& value) const
{
    if (FStripQuotes && value.size() > 1 && value.startsWith(QLatin1Char('"')) &&
        value.endsWith(QLatin1Char('"')))
        return value.mid(1, value.size() - 2);
    return value;
}

QString TMacroString::Expand(const QString& text)
{
    struct NestingGuard
    {
        int& Count;
        explicit NestingGuard(int& count) : Count(count) { ++Count; }
        ~NestingGuard() { --Count; }
    } guard(FNesting);

    QString result;
    int depth = 0;
    qsizetype start = 0; // 1-based position of the "(" of the open macro, 0 outside
    const qsizetype length = text.size();
    for (qsizetype i = 1; i <= length; ++i) {
        const QChar c = text[i - 1];
        if (i < length && c == QLatin1Char('$') && text[i] == QLatin1Char('(')) {
            ++depth;
            if (start == 0)
                start = i + 1;
        }
        if (start == 0) {
            result += c;
        } else if (c == QLatin1Char(')')) {
            --depth;
            if (depth == 0) {
                const QString name = text.mid(start, i - start - 1);
                if (name.isEmpty())
                    FailMalformed(text, start);
                if (FNesting > kMaxNesting)
                    FailMalformed(text, start);
                result += ExpandName(name);
                start = 0;
            }
        }
    }
    if (start != 0)
        throw EMacroString(
            QStringLiteral("%1の%2文字目から始まるマクロが閉じていません").arg(text, QString::number(start)));
    return StripQuoted(result);
}

QString TMacroString::ExpandName(const QString& nameText)
{
    QString name = Expand(nameText);
    QString format;
    const qsizetype colon = name.indexOf(QLatin1Char(':'));
    if (colon >= 0) {
        format = name.mid(colon + 1, 255);
        name.truncate(colon);
    }
    for (const QString& busy : std::as_const(FStack))
        if (busy.compare(name, Qt::CaseInsensitive) == 0)
            throw EMacroString(QStringLiteral("%1 マクロが循環参照されています").arg(name));

    const bool optional = format.compare(QLatin1String("unessential"), Qt::CaseInsensitive) == 0 ||
                          format.compare(QLatin1String("inessential"), Qt::CaseInsensitive) == 0;
    QString value;
    {
        FStack.append(name);
        struct PopGuard
        {
            QStringList& Stack;
            ~PopGuard() { Stack.removeLast(); }
        } pop{FStack};
        value = Value(name);
        if (value.isEmpty() && !optional)
            throw EMacroString(QStringLiteral("未定義の%1マクロが使用されています").arg(name));
        value = Expand(value);
    }
    value = StripQuoted(value);

    if (format.isEmpty() || optional)
        return value;
    if (format.compare(QLatin1String("Drive"), Qt::CaseInsensitive) == 0)
        return value.left(1);
    if (format.compare(QLatin1String("shortPath"), Qt::CaseInsensitive) == 0)
        return ShortPathOf(value);
    throw EMacroString(QStringLiteral("未定義のフォーマット指定(%1)が使用されています").arg(format));
}

} // namespace velmo
