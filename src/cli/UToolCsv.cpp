#include "cli/UToolCsv.h"
#include "base/UExceptions.h"
#include "cli/UToolCommands.h"
#include "merge/UCsvDB.h"
#include <QTextStream>
#include <cstdio>

namespace velmo::tool {

namespace {

int Usage()
{
    QTextStream(stderr)
        << "usage: velmo-tool csv FILE.csv [--header] [--sort FIELD[,FIELD...]] [--find TEXT]\n"
           "  FIELD: a field number from 1, or a field name with --header; a leading \"-\"\n"
           "  sorts that field descending\n";
    return kExitUsage;
}

QString EscapeField(const QString& field)
{
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\r' && i + 1 < field.size() && field[i + 1] == u'\n') {
            out += QStringLiteral("\\n");
            ++i;
        } else if (c == u'\n' || c == u'\r')
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

} // namespace

int CommandCsv(const QStringList& arguments)
{
    QStringList positional;
    bool header = false;
    QString sortText, findText;
    bool find = false;
    const int end = OptionEnd(arguments);
    for (int i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (i >= end) {
            if (i > end)
                positional << a;
        } else if (a == u"--header") {
            header = true;
        } else if (a == u"--sort" || a == u"--find") {
            if (i + 1 >= arguments.size()) {
                ReportError(QStringLiteral("%1 wants a value").arg(a));
                return kExitUsage;
            }
            (a == u"--sort" ? sortText : findText) = arguments[++i];
            if (a == u"--find")
                find = true;
        } else if (a.startsWith(u"--")) {
            ReportError(QStringLiteral("unknown option %1").arg(a));
            return Usage();
        } else {
            positional << a;
        }
    }
    if (positional.size() != 1)
        return Usage();
    TCsvDB& db = TCsvDB::Instance();
    try {
        db.Open(positional[0]);
    } catch (const Exception& e) {
        ReportError(e.Message());
        return kExitFailure;
    }
    if (!db.Warning().isEmpty())
        QTextStream(stderr) << "velmo-tool: warning: " << EscapeControls(db.Warning()) << "\n";
    db.SetHasHeader(header);
    const QStringList names = db.FieldNames();
    if (!sortText.isEmpty()) {
        std::vector<TMergeSortKey> keys;
        for (QString part : sortText.split(u',')) {
            TMergeSortKey key;
            if (part.startsWith(u'-')) {
                key.Descending = true;
                part.remove(0, 1);
            }
            bool number = false;
            const int n = part.toInt(&number);
            if (number && n >= 1 && n <= std::max(db.FieldCount(), 1)) {
                key.Field = n - 1;
            } else if (header && names.contains(part)) {
                key.Field = int(names.indexOf(part));
            } else {
                ReportError(QStringLiteral("--sort: no field \"%1\" (fields 1 to %2%3)")
                                .arg(part)
                                .arg(db.FieldCount())
                                .arg(header ? QStringLiteral(" or their names") : QString()));
                return kExitUsage;
            }
            keys.push_back(key);
        }
        db.Sort(keys);
    }
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    if (header) {
        QStringList escaped;
        for (const QString& name : names)
            escaped << EscapeField(name);
        out << "#\t" << escaped.join(u'\t') << "\n";
    }
    auto printRecord = [&](int n) {
        QStringList fields;
        for (const QString& f : db.RecordAt(n).Items())
            fields << EscapeField(f);
        out << n;
        if (!fields.isEmpty())
            out << "\t" << fields.join(u'\t');
        out << "\n";
    };
    if (find) {
        // Every match, searching towards the last record from before the first.
        int n = -1;
        int found = 0;
        while ((n = db.Find(findText, -1, false, n)) >= 0) {
            printRecord(n);
            ++found;
        }
        out.flush();
        if (found == 0) {
            ReportError(QStringLiteral("一致するデータはありません"));
            return kExitFailure;
        }
        return kExitOk;
    }
    for (int n = 0; n < db.Count(); ++n)
        printRecord(n);
    out.flush();
    return kExitOk;
}

} // namespace velmo::tool
