#include "persist/UDesignSource.h"
#include "base/UCodePage932.h"
#include <QRegularExpression>
#include <QStringDecoder>

namespace velmo {

namespace {

[[noreturn]] void Fail(const QString& file, int line, const QString& message)
{
    throw EDesignSourceError{file, line, message};
}

QString SourceText(const QString& fileName, const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    if (decoder.hasError())
        Fail(fileName, 1, QStringLiteral("is not UTF-8 text"));
    if (text.startsWith(QChar(0xFEFF)))
        Fail(fileName, 1, QStringLiteral("starts with a byte order mark"));
    return text;
}

QList<int> ParsePositions(const QString& file, int line, const QString& spec, bool* every)
{
    *every = false;
    if (spec == u"*") {
        *every = true;
        return {};
    }
    QList<int> result;
    static const QRegularExpression range(QStringLiteral("^([0-9]{1,4})(?:-([0-9]{1,4}))?$"));
    for (const QString& part : spec.split(u',')) {
        const QRegularExpressionMatch m = range.match(part.trimmed());
        if (!m.hasMatch())
            Fail(file, line,
                 QStringLiteral("\"%1\" is not a label position list (like 0, 2-5 or *)").arg(spec));
        const int from = m.captured(1).toInt();
        const int to = m.captured(2).isEmpty() ? from : m.captured(2).toInt();
        if (to < from)
            Fail(file, line, QStringLiteral("the range %1 runs backwards").arg(part.trimmed()));
        // No paper has more labels than this; a longer list is a mistake, not a design.
        if (to - from + 1 > 1000 || result.size() + (to - from + 1) > 1000)
            Fail(file, line, QStringLiteral("more than 1000 label positions"));
        for (int k = from; k <= to; ++k)
            result << k;
    }
    return result;
}

bool ParseYesNo(const QString& file, int line, const QString& key, const QString& value)
{
    if (value == u"yes")
        return true;
    if (value == u"no")
        return false;
    Fail(file, line, QStringLiteral("%1: \"%2\" is not yes or no").arg(key, value));
}

QString CheckedText(const QString& file, int line, const QString& key, const QString& value)
{
    if (value.isEmpty())
        Fail(file, line, QStringLiteral("%1 is empty").arg(key));
    if (!cp932::CanEncode(value))
        Fail(file, line,
             QStringLiteral("%1 \"%2\" has characters code page 932 cannot hold").arg(key, value));
    return value;
}

} // namespace

TDesignSource ParseDesignSource(const QString& fileName, const QByteArray& bytes)
{
    TDesignSource source;
    source.File = fileName;
    const QStringList lines = SourceText(fileName, bytes).split(u'\n');
    static const QRegularExpression header(QStringLiteral("^\\[label\\s+([^\\]]*)\\]\\s*$"));
    static const QRegularExpression setting(QStringLiteral("^([a-z]+)\\s*=\\s*(.*?)\\s*$"));
    TDesignLabel* block = nullptr;
    for (int i = 0; i < lines.size(); ++i) {
        const int lineNo = i + 1;
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            Fail(fileName, lineNo, QStringLiteral("lines must end with LF only"));
        const QRegularExpressionMatch h = header.match(line);
        if (h.hasMatch()) {
            TDesignLabel next;
            next.Positions = ParsePositions(fileName, lineNo, h.captured(1).trimmed(), &next.Every);
            next.FirstLine = lineNo + 1;
            next.HeaderLine = lineNo;
            source.Labels.push_back(next);
            block = &source.Labels.back();
            continue;
        }
        // A comment is a line that starts with "#" and a blank (or holds only "#"), so
        // that #13-style character codes of the text form stay what they are.
        const bool comment = line == u"#" || line.startsWith(QStringLiteral("# "));
        if (block) {
            // The text form keeps its own line numbers: comments become empty lines.
            block->Text += (comment ? QString() : line) + u'\n';
            continue;
        }
        if (comment || line.trimmed().isEmpty())
            continue;
        const QRegularExpressionMatch s = setting.match(line);
        if (!s.hasMatch())
            Fail(fileName, lineNo, QStringLiteral("expected a setting (key = value) or a [label …] line"));
        const QString key = s.captured(1);
        const QString value = s.captured(2);
        if (key == u"paper") {
            source.Paper = CheckedText(fileName, lineNo, key, value);
            source.PaperLine = lineNo;
        } else if (key == u"landscape") {
            source.Landscape = ParseYesNo(fileName, lineNo, key, value);
        } else if (key == u"design") {
            if (value == u"shared")
                source.Separate = false;
            else if (value == u"separate")
                source.Separate = true;
            else
                Fail(fileName, lineNo, QStringLiteral("design: \"%1\" is not shared or separate").arg(value));
            source.DesignGiven = true;
        } else if (key == u"name") {
            source.Name = CheckedText(fileName, lineNo, key, value);
        } else if (key == u"sheet") {
            source.SheetName = CheckedText(fileName, lineNo, key, value);
        } else if (key == u"file") {
            if (value != u"lbt" && value != u"lbd")
                Fail(fileName, lineNo, QStringLiteral("file: \"%1\" is not lbt or lbd").arg(value));
            source.Extension = value;
        } else if (key == u"index") {
            // index = PURPOSE, GROUP NAME
            const qsizetype comma = value.indexOf(u',');
            if (comma < 0)
                Fail(fileName, lineNo, QStringLiteral("index: expected a purpose, a comma and a group name"));
            TDesignIndexEntry entry;
            entry.Purpose = value.left(comma).trimmed();
            entry.Group = value.mid(comma + 1).trimmed();
            entry.Line = lineNo;
            static const QRegularExpression purpose(QStringLiteral("^(\\*|[A-Za-z][A-Za-z0-9]*)$"));
            if (!purpose.match(entry.Purpose).hasMatch())
                Fail(
                    fileName, lineNo,
                    QStringLiteral("index: \"%1\" is not a purpose (* or an identifier)").arg(entry.Purpose));
            CheckedText(fileName, lineNo, QStringLiteral("index group"), entry.Group);
            // The index lists are comma text: a group name must survive as one element.
            if (entry.Group.contains(u'"') || entry.Group.contains(u',') || entry.Group.contains(u' ') ||
                entry.Group.contains(u'\t'))
                Fail(fileName, lineNo,
                     QStringLiteral("index group \"%1\": no commas, quotes or blanks").arg(entry.Group));
            source.Index.push_back(entry);
        } else {
            Fail(fileName, lineNo,
                 QStringLiteral("unknown setting \"%1\" (paper, landscape, design, name, sheet, file, index)")
                     .arg(key));
        }
    }
    if (source.Paper.isEmpty())
        Fail(fileName, 1, QStringLiteral("no paper given (paper = NAME)"));
    if (!source.DesignGiven)
        Fail(fileName, 1, QStringLiteral("no design form given (design = shared or separate)"));
    if (source.Labels.empty())
        Fail(fileName, lines.size(), QStringLiteral("no [label …] design"));
    return source;
}

} // namespace velmo
