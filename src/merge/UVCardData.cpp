#include "merge/UVCardData.h"
#include "base/UCodePage932.h"
#include "merge/UCSVData.h"
#include <QFile>
#include <QStringDecoder>

namespace velmo {

namespace {

enum TField
{
    kFullName,
    kFamily,
    kGiven,
    kFamilyReading,
    kGivenReading,
    kOrganisation,
    kPostalCode,
    kRegion,
    kLocality,
    kStreet,
    kTelephone,
    kEmail,
    kFieldCount
};

// A card holds at most this many properties; what follows is skipped (a file of one
// endless card must not take all memory through one record).
constexpr int kMaxPropertiesPerCard = 10000;

struct TProperty
{
    QString Name;           // upper case, without its group
    QStringList Parameters; // as written, upper-cased names ("TYPE=HOME", "PREF", …)
    QString Value;          // decoded, still escaped
    bool Preferred = false;
};

QString Parameter(const TProperty& p, const char* name)
{
    const QString prefix = QLatin1String(name) + u'=';
    for (const QString& parameter : p.Parameters)
        if (parameter.startsWith(prefix, Qt::CaseInsensitive))
            return parameter.mid(prefix.size());
    return {};
}

bool HasBareParameter(const TProperty& p, const char* name)
{
    for (const QString& parameter : p.Parameters) {
        if (parameter.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
        if (parameter.startsWith(QLatin1String("TYPE="), Qt::CaseInsensitive)) {
            const auto types = QStringView(parameter).mid(5).split(u',');
            for (const auto& t : types)
                if (t.trimmed().compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                    return true;
        }
    }
    return false;
}

QByteArray QuotedPrintable(QStringView text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'=' && i + 2 < text.size()) {
            bool ok = false;
            const int v = text.mid(i + 1, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(v));
                i += 2;
                continue;
            }
        }
        out.append(QString(c).toUtf8());
    }
    return out;
}

QString DecodeCharset(const QByteArray& bytes, const QString& charset)
{
    const QString cs = charset.toUpper();
    if (cs == u"SHIFT_JIS" || cs == u"SHIFT-JIS" || cs == u"SJIS" || cs == u"CP932" || cs == u"WINDOWS-31J")
        return cp932::Decode(bytes);
    if (!cs.isEmpty() && cs != u"UTF-8") {
        QStringDecoder decoder(cs.toLatin1().constData());
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    return QString::fromUtf8(bytes);
}

// Splits on the separator where it is not escaped; the escapes stay.
QStringList SplitUnescaped(const QString& value, QChar separator)
{
    QStringList parts;
    QString current;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            current += c;
            current += value[++i];
        } else if (c == separator) {
            parts << current;
            current.clear();
        } else {
            current += c;
        }
    }
    parts << current;
    return parts;
}

QString Unescape(const QString& value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            const QChar n = value[++i];
            out += (n == u'n' || n == u'N') ? QChar(u'\n') : n;
        } else {
            out += c;
        }
    }
    return out.trimmed();
}

// One content line: [group.]NAME[;parameters]:value, the parameters' quotes honoured.
bool ParseLine(const QString& line, TProperty& p)
{
    qsizetype colon = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == u'"')
            quoted = !quoted;
        else if (line[i] == u':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon <= 0)
        return false;
    QStringList head;
    QString current;
    quoted = false;
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = line[i];
        if (c == u'"')
            quoted = !quoted;
        else if (c == u';' && !quoted) {
            head << current;
            current.clear();
        } else {
            current += c;
        }
    }
    head << current;
    QString name = head.takeFirst().trimmed().toUpper();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0)
        name = name.mid(dot + 1);
    p.Name = name;
    p.Parameters = head;
    const QString raw = line.mid(colon + 1);
    const QString encoding = Parameter(p, "ENCODING").toUpper();
    if (encoding == u"QUOTED-PRINTABLE" || HasBareParameter(p, "QUOTED-PRINTABLE"))
        p.Value = DecodeCharset(QuotedPrintable(raw), Parameter(p, "CHARSET"));
    else
        p.Value = raw;
    p.Preferred = HasBareParameter(p, "PREF") || Parameter(p, "PREF") == u"1";
    return true;
}

// The card's content lines, unfolded: a line starting with a space or tab continues
// the one before; a quoted-printable line ending in "=" continues on the next.
std::vector<std::vector<QString>> CardLines(QStringView text)
{
    std::vector<std::vector<QString>> cards;
    std::vector<QString> lines;
    bool inCard = false;
    const auto raw = text.split(u'\n');
    QString pending;
    bool continuing = false;
    auto flush = [&] {
        if (pending.isEmpty())
            return;
        const QString line = pending;
        pending.clear();
        if (line.compare(QLatin1String("BEGIN:VCARD"), Qt::CaseInsensitive) == 0) {
            if (inCard && !lines.empty())
                cards.push_back(std::move(lines));
            lines.clear();
            inCard = true;
        } else if (line.compare(QLatin1String("END:VCARD"), Qt::CaseInsensitive) == 0) {
            if (inCard)
                cards.push_back(std::move(lines));
            lines.clear();
            inCard = false;
        } else if (inCard && int(lines.size()) < kMaxPropertiesPerCard) {
            lines.push_back(line);
        }
    };
    for (QStringView r : raw) {
        if (r.endsWith(u'\r'))
            r.chop(1);
        if (continuing) {
            pending += r.toString();
        } else if (!r.isEmpty() && (r[0] == u' ' || r[0] == u'\t') && !pending.isEmpty()) {
            pending += r.mid(1).toString();
        } else {
            flush();
            pending = r.trimmed().toString();
        }
        // A quoted-printable soft line break.
        continuing = pending.contains(QLatin1String("QUOTED-PRINTABLE"), Qt::CaseInsensitive) &&
                     pending.endsWith(u'=');
        if (continuing)
            pending.chop(1);
    }
    flush();
    if (inCard && !lines.empty())
        cards.push_back(std::move(lines));
    return cards;
}

QStringList ReadCard(const std::vector<QString>& lines)
{
    QStringList fields(kFieldCount);
    bool adrPreferred = false, telPreferred = false, mailPreferred = false;
    bool haveAdr = false, haveTel = false, haveMail = false;
    for (const QString& line : lines) {
        TProperty p;
        if (!ParseLine(line, p))
            continue;
        const QString& n = p.Name;
        if (n == u"FN") {
            fields[kFullName] = Unescape(p.Value);
        } else if (n == u"N") {
            const QStringList parts = SplitUnescaped(p.Value, u';');
            fields[kFamily] = Unescape(parts.value(0));
            fields[kGiven] = Unescape(parts.value(1));
            // vCard 4.0 gives the readings as the name's SORT-AS: "family,given".
            QString sortAs = Parameter(p, "SORT-AS");
            if (sortAs.startsWith(u'"') && sortAs.endsWith(u'"') && sortAs.size() >= 2)
                sortAs = sortAs.mid(1, sortAs.size() - 2);
            if (!sortAs.isEmpty()) {
                const QStringList readings = SplitUnescaped(sortAs, u',');
                if (fields[kFamilyReading].isEmpty())
                    fields[kFamilyReading] = Unescape(readings.value(0));
                if (fields[kGivenReading].isEmpty())
                    fields[kGivenReading] = Unescape(readings.value(1));
            }
        } else if (n == u"X-PHONETIC-LAST-NAME") {
            fields[kFamilyReading] = Unescape(p.Value);
        } else if (n == u"X-PHONETIC-FIRST-NAME") {
            fields[kGivenReading] = Unescape(p.Value);
        } else if (n == u"SORT-STRING" && fields[kFamilyReading].isEmpty()) {
            fields[kFamilyReading] = Unescape(p.Value);
        } else if (n == u"SOUND" && HasBareParameter(p, "X-IRMC-N")) {
            // Japanese phones: the name's reading in the name's own structure.
            const QStringList parts = SplitUnescaped(p.Value, u';');
            fields[kFamilyReading] = Unescape(parts.value(0));
            fields[kGivenReading] = Unescape(parts.value(1));
        } else if (n == u"ORG") {
            fields[kOrganisation] = Unescape(SplitUnescaped(p.Value, u';').value(0));
        } else if (n == u"ADR") {
            if (haveAdr && (adrPreferred || !p.Preferred))
                continue;
            const QStringList parts = SplitUnescaped(p.Value, u';');
            QString street = Unescape(parts.value(2));
            const QString extended = Unescape(parts.value(1));
            if (!extended.isEmpty())
                street = street.isEmpty() ? extended : street + u' ' + extended;
            fields[kStreet] = street;
            fields[kLocality] = Unescape(parts.value(3));
            fields[kRegion] = Unescape(parts.value(4));
            fields[kPostalCode] = Unescape(parts.value(5));
            haveAdr = true;
            adrPreferred = p.Preferred;
        } else if (n == u"TEL") {
            if (haveTel && (telPreferred || !p.Preferred))
                continue;
            QString value = Unescape(p.Value);
            if (value.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
                value = value.mid(4);
            fields[kTelephone] = value;
            haveTel = true;
            telPreferred = p.Preferred;
        } else if (n == u"EMAIL") {
            if (haveMail && (mailPreferred || !p.Preferred))
                continue;
            fields[kEmail] = Unescape(p.Value);
            haveMail = true;
            mailPreferred = p.Preferred;
        }
    }
    if (fields[kFullName].isEmpty()) {
        // Japanese order: family name first.
        const QString sep =
            (fields[kFamily] + fields[kGiven]).toLatin1() == (fields[kFamily] + fields[kGiven]).toUtf8()
                ? QStringLiteral(" ")
                : QStringLiteral("　");
        fields[kFullName] = (fields[kFamily].isEmpty() || fields[kGiven].isEmpty())
                                ? fields[kFamily] + fields[kGiven]
                                : fields[kFamily] + sep + fields[kGiven];
    }
    return fields;
}

} // namespace

const QStringList& VCardFieldNames()
{
    static const QStringList names = {
        QStringLiteral("氏名"),     QStringLiteral("姓"),       QStringLiteral("名"),
        QStringLiteral("姓よみ"),   QStringLiteral("名よみ"),   QStringLiteral("会社名"),
        QStringLiteral("郵便番号"), QStringLiteral("都道府県"), QStringLiteral("市区町村"),
        QStringLiteral("番地"),     QStringLiteral("電話番号"), QStringLiteral("電子メール"),
    };
    return names;
}

bool LooksLikeVCard(QStringView text)
{
    qsizetype i = 0;
    if (text.startsWith(QChar(0xFEFF)))
        i = 1;
    while (i < text.size() && text[i].isSpace())
        ++i;
    return text.mid(i, 11).compare(QLatin1String("BEGIN:VCARD"), Qt::CaseInsensitive) == 0;
}

bool IsVCardFile(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(256);
    return LooksLikeVCard(DecodeCSVBytes(head, fileName));
}

std::vector<QStringList> ReadVCards(QStringView text)
{
    std::vector<QStringList> records;
    for (const auto& card : CardLines(text))
        records.push_back(ReadCard(card));
    return records;
}

QString VCardToDelimitedText(QStringView text)
{
    QString out;
    TCSVStringList line;
    for (const QString& name : VCardFieldNames())
        line.Add(name);
    out += line.CSVLine() + u'\n';
    for (const QStringList& record : ReadVCards(text)) {
        line.Clear();
        for (const QString& field : record)
            line.Add(field);
        out += line.CSVLine() + u'\n';
    }
    return out;
}

QString VCardFieldFor(const QString& name)
{
    const QString n = name.toLower().remove(u'_').remove(u'-').remove(u' ');
    const QStringList& names = VCardFieldNames();
    static const std::pair<const char*, int> aliases[] = {
        {"fullname", kFullName},
        {"name", kFullName},
        {"fn", kFullName},
        {"familyname", kFamily},
        {"lastname", kFamily},
        {"surname", kFamily},
        {"givenname", kGiven},
        {"firstname", kGiven},
        {"phoneticfamilyname", kFamilyReading},
        {"phoneticlastname", kFamilyReading},
        {"phoneticgivenname", kGivenReading},
        {"phoneticfirstname", kGivenReading},
        {"organization", kOrganisation},
        {"organisation", kOrganisation},
        {"org", kOrganisation},
        {"company", kOrganisation},
        {"postalcode", kPostalCode},
        {"postcode", kPostalCode},
        {"zip", kPostalCode},
        {"homepostalcode", kPostalCode},
        {"region", kRegion},
        {"state", kRegion},
        {"homeregion", kRegion},
        {"locality", kLocality},
        {"city", kLocality},
        {"homelocality", kLocality},
        {"homecity", kLocality},
        {"street", kStreet},
        {"homestreet", kStreet},
        {"address", kStreet},
        {"telephone", kTelephone},
        {"phone", kTelephone},
        {"tel", kTelephone},
        {"homephone", kTelephone},
        {"email", kEmail},
        {"mail", kEmail},
        {"homeemail", kEmail},
    };
    for (const auto& [alias, field] : aliases)
        if (n == QLatin1String(alias))
            return names[field];
    return {};
}

} // namespace velmo
