// The merge files gLabels reads, as every merge in the program reads them: tab-,
// semicolon- and colon-separated text and vCard files of the forms phones and mail
// programs write.
#include "document/ULabelData.h"
#include "glabels/UGlabelsProject.h"
#include "merge/UCSVData.h"
#include "merge/UCsvDB.h"
#include "merge/ULOInsertion.h"
#include "merge/UVCardData.h"
#include "paper/UPaperInfo.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

QStringList Record(const TCSVData& data, int i)
{
    return data.RecordCopy(i).Items();
}

} // namespace

TEST(MergeFormats, SeparatorByExtensionOrFirstLine)
{
    TCSVData tsv;
    tsv.LoadFromBytes("a,b\tc\n\"x\ty\"\tz\n", QStringLiteral("data.tsv"));
    EXPECT_EQ(tsv.Delimiter(), u'\t');
    EXPECT_EQ(Record(tsv, 0), QStringList({QStringLiteral("a,b"), QStringLiteral("c")}));
    EXPECT_EQ(Record(tsv, 1), QStringList({QStringLiteral("x\ty"), QStringLiteral("z")}));

    TCSVData semicolon;
    semicolon.SetHasHeader(true);
    semicolon.LoadFromBytes("Name;Stadt;Preis\nMüller;Köln;3,50\n", QStringLiteral("liste.csv"));
    EXPECT_EQ(semicolon.Delimiter(), u';');
    EXPECT_EQ(semicolon.Header().Items(),
              QStringList({QStringLiteral("Name"), QStringLiteral("Stadt"), QStringLiteral("Preis")}));
    EXPECT_EQ(Record(semicolon, 0),
              QStringList({QStringLiteral("Müller"), QStringLiteral("Köln"), QStringLiteral("3,50")}));
    // The names line goes back as a record in the file's own separator.
    semicolon.SetHasHeader(false);
    EXPECT_EQ(Record(semicolon, 0),
              QStringList({QStringLiteral("Name"), QStringLiteral("Stadt"), QStringLiteral("Preis")}));

    TCSVData colon;
    colon.LoadFromBytes("root:x:0:0:root:/root:/bin/bash\n", QStringLiteral("passwd.txt"));
    EXPECT_EQ(colon.Delimiter(), u':');
    EXPECT_EQ(Record(colon, 0).size(), 7);

    // A ".csv" file with times is still comma-separated; a tie goes to the comma.
    TCSVData times;
    times.LoadFromBytes("12:30:00,start\n", QStringLiteral("log.csv"));
    EXPECT_EQ(times.Delimiter(), u',');
    TCSVData tie;
    tie.LoadFromBytes("a;b,c\n", QStringLiteral("x.txt"));
    EXPECT_EQ(tie.Delimiter(), u',');
}

TEST(MergeFormats, VCardsOfPhonesAndMailProgramsBecomeRecords)
{
    // vCard 2.1 as Japanese phones write it: Shift JIS in quoted-printable, the
    // reading in SOUND;X-IRMC-N, a photo (skipped) in folded Base64, two addresses.
    QByteArray v21 = "BEGIN:VCARD\r\nVERSION:2.1\r\n"
                     "N;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=8E=52=93=63;=91=BE=98=59\r\n"
                     "SOUND;X-IRMC-N;CHARSET=SHIFT_JIS:\x82\xE2\x82\xDC\x82\xBE;\x82\xBD\x82\xEB\x82\xA4\r\n"
                     "TEL;CELL:090-1111-2222\r\n"
                     "ADR;HOME;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:;;=89=E0=92=AC1-2=\r\n-3;=90=E7="
                     "91=E3=93=63=8B=E6;=93=8C=8B=9E=93=73;100-0001;\r\n"
                     "PHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n /9j/4AAQSkZJRgABAQ\r\n AAAQABAAD/2wBDAA\r\n\r\n"
                     "EMAIL;INTERNET:taro@example.jp\r\nEND:VCARD\r\n";
    // vCard 3.0 of a mail program: folded lines, escapes, a preferred second address.
    const QByteArray v30 = "BEGIN:VCARD\nVERSION:3.0\nFN:Hanako Suzuki\nN:Suzuki;Hanako;;;\n"
                           "X-PHONETIC-LAST-NAME:すずき\nX-PHONETIC-FIRST-NAME:はなこ\n"
                           "ORG:Example\\, Inc.;Sales\n"
                           "ADR;TYPE=WORK:;;1 Old St;Osaka;Osaka;530-0001;Japan\n"
                           "ADR;TYPE=HOME,PREF:;;2-3-4 Ne\n w Street;Kobe;Hyogo;650-0001;Japan\n"
                           "TEL;TYPE=HOME:078-000-0000\nTEL;TYPE=CELL,PREF:080-9999-0000\nEND:VCARD\n";
    // vCard 4.0: the readings as the name's SORT-AS, UTF-8, a "tel:" URI.
    const QByteArray v40 = "BEGIN:VCARD\r\nVERSION:4.0\r\nN;SORT-AS=\"さとう,じろう\":佐藤;次郎;;;\r\n"
                           "TEL;VALUE=uri;TYPE=cell:tel:+81-90-0000-1111\r\nEND:VCARD\r\n";
    // Code page 932 files are read as such by the merge reader; the UTF-8 cards are
    // joined in a file of their own.
    TCSVData phone;
    phone.LoadFromBytes(v21, QStringLiteral("phone.vcf"));
    ASSERT_TRUE(phone.IsVCard());
    EXPECT_EQ(phone.Header().Items(), VCardFieldNames());
    ASSERT_EQ(phone.LineCount(), 1);
    const QStringList taro = Record(phone, 0);
    EXPECT_EQ(taro.value(1), QStringLiteral("山田"));
    EXPECT_EQ(taro.value(2), QStringLiteral("太郎"));
    EXPECT_EQ(taro.value(0), QStringLiteral("山田　太郎"));
    EXPECT_EQ(taro.value(3), QStringLiteral("やまだ"));
    EXPECT_EQ(taro.value(4), QStringLiteral("たろう"));
    EXPECT_EQ(taro.value(9), QStringLiteral("霞町1-2-3"));
    EXPECT_EQ(taro.value(8), QStringLiteral("千代田区"));
    EXPECT_EQ(taro.value(7), QStringLiteral("東京都"));
    EXPECT_EQ(taro.value(6), QStringLiteral("100-0001"));
    EXPECT_EQ(taro.value(10), QStringLiteral("090-1111-2222"));
    EXPECT_EQ(taro.value(11), QStringLiteral("taro@example.jp"));

    TCSVData mail;
    mail.LoadFromBytes(v30 + v40, QStringLiteral("contacts.vcf"));
    ASSERT_EQ(mail.LineCount(), 2);
    const QStringList hanako = Record(mail, 0);
    EXPECT_EQ(hanako.value(0), QStringLiteral("Hanako Suzuki"));
    EXPECT_EQ(hanako.value(3), QStringLiteral("すずき"));
    EXPECT_EQ(hanako.value(5), QStringLiteral("Example, Inc."));
    EXPECT_EQ(hanako.value(9), QStringLiteral("2-3-4 New Street"));
    EXPECT_EQ(hanako.value(8), QStringLiteral("Kobe"));
    EXPECT_EQ(hanako.value(10), QStringLiteral("080-9999-0000"));
    const QStringList jiro = Record(mail, 1);
    EXPECT_EQ(jiro.value(0), QStringLiteral("佐藤　次郎"));
    EXPECT_EQ(jiro.value(3), QStringLiteral("さとう"));
    EXPECT_EQ(jiro.value(4), QStringLiteral("じろう"));
    EXPECT_EQ(jiro.value(10), QStringLiteral("+81-90-0000-1111"));

    // A card cut off at the end of the file still counts; text that is no card is
    // not taken for one.
    EXPECT_EQ(ReadVCards(u"BEGIN:VCARD\nFN:Cut Off\n").size(), 1u);
    EXPECT_FALSE(LooksLikeVCard(u"name,BEGIN:VCARD\n"));
    EXPECT_EQ(VCardFieldFor(QStringLiteral("postal_code")), QStringLiteral("郵便番号"));
}

TEST(MergeFormats, InsertionFormatsJoinFieldsAndFixedText)
{
    const QStringList fields = {QStringLiteral("A"), QStringLiteral("B")};
    EXPECT_EQ(FormatInsertion(QStringLiteral("${2}-${1}\n${3}|"), fields), QStringLiteral("B-A\n|"));
    EXPECT_EQ(FormatInsertion(QStringLiteral("$${1} ${x} $"), fields), QStringLiteral("${1} ${x} $"));
}

TEST(MergeFormats, TheMergeDatabaseOpensEveryFormatAndKeepsTheVCardNamesLine)
{
    QTemporaryDir dir;
    auto write = [&dir](const char* name, const QByteArray& bytes) {
        QFile f(dir.filePath(QString::fromLatin1(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    };
    TCsvDB db;
    db.Open(
        write("contacts.vcf", "BEGIN:VCARD\r\nFN:A\r\nEND:VCARD\r\nBEGIN:VCARD\r\nFN:B\r\nEND:VCARD\r\n"));
    db.SetHasHeader(false);
    EXPECT_TRUE(db.HasHeader());
    EXPECT_EQ(db.FieldNames(), VCardFieldNames());
    ASSERT_EQ(db.Count(), 2);
    EXPECT_EQ(db.RecordCopy(1).Get(0), QStringLiteral("B"));
    db.Open(write("list.tab", "name\tcity\nTaro\tTokyo, Japan\n"));
    db.SetHasHeader(true);
    ASSERT_EQ(db.Count(), 1);
    EXPECT_EQ(db.RecordCopy(0).Get(1), QStringLiteral("Tokyo, Japan"));
    db.Close();
}

TEST(MergeFormats, ProjectsMergingVCardsMapTheirFieldNames)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("people.vcf")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("BEGIN:VCARD\nVERSION:3.0\nFN:Taro\nTEL:1\nEND:VCARD\n");
    f.close();
    RegisterMergeClasses();
    RegisterPaperClasses();
    const QByteArray project = R"(<?xml version="1.0"?>
<Glabels-document xmlns="http://glabels.org/xmlns/3.0/">
  <Template brand="T" part="1" size="A4"><Label-rectangle id="0" width="50mm" height="30mm">
    <Layout nx="1" ny="1" x0="10mm" y0="10mm" dx="50mm" dy="30mm"/></Label-rectangle></Template>
  <Objects id="0" rotate="False">
    <Object-text x="0" y="0" w="0" h="0"><Span><Field name="full_name"/> / <Field name="phone"/></Span></Object-text>
  </Objects>
  <Merge type="ebook/vcard" src="people.vcf"/>
</Glabels-document>)";
    TGlabelsOptions options;
    options.FileName = dir.filePath(QStringLiteral("p.glabels"));
    TGlabelsProject read = ImportGlabelsProject(project, options);
    EXPECT_TRUE(read.Warnings.isEmpty()) << read.Warnings.join(u'\n').toStdString();
    EXPECT_TRUE(read.Document->CSVFieldName());
    TDOList list;
    read.Document->ReadLabel(0, list);
    ASSERT_EQ(list.Count(), 1);
    auto* text = dynamic_cast<TLOInsText*>(list[0]);
    ASSERT_TRUE(text);
    QStringList record(VCardFieldNames().size());
    record[0] = QStringLiteral("Taro");
    record[10] = QStringLiteral("03");
    EXPECT_EQ(FormatInsertion(text->InsertionFormat(), record), QStringLiteral("Taro / 03"));
    list.FreeObjects();
}

TEST(MergeFormats, AChosenSeparatorWinsAndTravelsWithTheDocument)
{
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("list.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    // The first line would say comma; the user knows it is semicolon-separated.
    f.write("name, title;city\nTaro, Dr.;Tokyo\n");
    f.close();
    RegisterPaperClasses();
    RegisterMergeClasses();
    TLabelData document;
    QString message;
    ASSERT_EQ(OpenMergeDataByName(TCsvDB::Instance(), document, f.fileName(), &message, u';'),
              TMergeOpenResult::Opened)
        << message.toStdString();
    EXPECT_EQ(document.CSVSeparator(), int(u';'));
    EXPECT_EQ(TCsvDB::Instance().RecordCopy(1).Items(),
              QStringList({QStringLiteral("Taro, Dr."), QStringLiteral("Tokyo")}));
    const QString saved = dir.filePath(QStringLiteral("doc.lbd"));
    document.Save(saved);
    TCsvDB::Instance().Close();
    auto again = TLabelData::Open(saved);
    EXPECT_EQ(again->CSVSeparator(), int(u';'));
    ASSERT_EQ(OpenDocumentMergeData(TCsvDB::Instance(), *again, &message), TMergeOpenResult::Opened);
    EXPECT_EQ(TCsvDB::Instance().Data().Delimiter(), u';');
    // Found from the file, the same line splits at its comma.
    ASSERT_EQ(OpenMergeDataByName(TCsvDB::Instance(), *again, f.fileName(), &message),
              TMergeOpenResult::Opened);
    EXPECT_EQ(again->CSVSeparator(), 0);
    EXPECT_EQ(TCsvDB::Instance().Data().Delimiter(), u',');
    EXPECT_EQ(MergeFilterSeparator(MergeFileFilters().value(2)), u'\t');
    EXPECT_TRUE(MergeFilterSeparator(MergeFileFilters().value(0)).isNull());
    TCsvDB::Instance().Close();
}
