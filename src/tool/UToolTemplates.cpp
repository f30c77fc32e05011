#include "tool/UToolTemplates.h"
#include "document/UTemplateInfo.h"
#include "tool/UToolCommands.h"
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace velmo::tool {

namespace {

int TemplatesUsage()
{
    QTextStream(stderr) << "usage: velmo-tool templates (Template.dat | FOLDER) [--purpose P]\n";
    return kExitUsage;
}

QString Line(const QStringList& fields)
{
    return fields.join(u'\t') + u'\n';
}

} // namespace

int CommandTemplates(const QStringList& arguments)
{
    QStringList positional;
    QString purpose;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--purpose")) {
            if (i + 1 >= arguments.size())
                return TemplatesUsage();
            purpose = arguments[++i];
        } else if (arguments[i].startsWith(QLatin1String("--"))) {
            return TemplatesUsage();
        } else {
            positional << arguments[i];
        }
    }
    if (positional.size() != 1)
        return TemplatesUsage();
    QTextStream out(stdout);
    const QString source = positional[0];
    std::optional<TTemplateFace> face;
    if (!purpose.isEmpty()) {
        face = TTemplateFace();
        face->Purpose = purpose;
    }
    auto entry = [](const TTemplateInfo& info, const QString& base) {
        const QString file = base.isEmpty() ? info.File : QDir(base).relativeFilePath(info.File);
        return QStringList{file, QString::number(info.Sheet), QString::number(info.Label)} +
               (info.Blank ? QStringList{QStringLiteral("blank")} : QStringList{});
    };
    if (QFileInfo(source).isDir()) {
        TTemplateList list;
        list.FillFromFolder(source, face, false);
        for (const TTemplateInfo& info : list.Items())
            out << Line(entry(info, QString()));
        return kExitOk;
    }
    TTemplateGroup group(source);
    if (!group.Available()) {
        ReportError(QStringLiteral("%1: no template index").arg(source));
        return kExitFailure;
    }
    const QStringList purposes = purpose.isEmpty() ? group.Purposes() : QStringList{purpose};
    const QString base = QFileInfo(source).absolutePath();
    int count = 0;
    for (const QString& p : purposes) {
        group.SetPurpose(p);
        const QStringList names = group.GroupNames();
        TTemplateFace sectionFace;
        sectionFace.Purpose = p;
        for (int i = 0; i < names.size(); ++i) {
            TTemplateList list;
            list.FillFromFolder(group.GroupFolder(i), sectionFace, false);
            for (const TTemplateInfo& info : list.Items()) {
                out << Line(QStringList{p, names[i]} + entry(info, base));
                ++count;
            }
        }
    }
    if (!purpose.isEmpty() && count == 0 && group.Purposes().indexOf(purpose.toUpper()) < 0) {
        ReportError(QStringLiteral("no section \"%1\" in %2").arg(purpose, source));
        return kExitFailure;
    }
    return kExitOk;
}

} // namespace velmo::tool
