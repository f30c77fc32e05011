#include "paper/UPaperUpdate.h"
#include "base/UDateTime.h"
#include "base/UNumbers.h"
#include "paper/UVelmoPapers.h"
#include "storage/UZLibStream.h"
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QTimer>
#include <cmath>

namespace velmo {
namespace {

constexpr int kMaxRedirects = 5;
// An index is three short lines.
constexpr int64_t kMaxIndexSize = 64 * 1024;

QString Marker()
{
    return QStringLiteral("QUILLON VERSION UP FILE");
}

bool ParseIndexDate(const QString& text, double* date)
{
    const QString t = text.trimmed();
    static const char* const formats[] = {"yyyy/M/d H:mm:ss",    "yyyy/M/d H:mm",       "yyyy/M/d",
                                          "yyyy-MM-dd HH:mm:ss", "yyyy-MM-ddTHH:mm:ss", "yyyy-MM-dd"};
    for (const char* f : formats) {
        const QDateTime dt = QDateTime::fromString(t, QString::fromLatin1(f));
        if (dt.isValid()) {
            *date = DateTimeToDayCount(dt);
            return true;
        }
    }
    const QDateTime local = QLocale::system().toDateTime(t, QLocale::ShortFormat);
    if (local.isValid()) {
        *date = DateTimeToDayCount(local);
        return true;
    }
    return false;
}

QString TemporaryName(const QString& prefix)
{
    QTemporaryFile file(QDir::tempPath() + QLatin1Char('/') + prefix + QStringLiteral("XXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        return {};
    return file.fileName();
}

} // namespace

QString DefaultUpdateIndexPath()
{
    return QStringLiteral("/updater/velmo/ppr/velmoka.vup");
}

QString DefaultUpdateIndexUrl()
{
    return {};
}

bool ParseUpdateIndex(const QByteArray& text, TUpdateIndex* index)
{
    QList<QByteArray> lines = text.split('\n');
    // CR LF lines; a last line ends the text, so a trailing CR LF makes an empty fourth
    // line, which is no longer an index.
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    if (lines.size() != 3)
        return false;
    if (QString::fromLatin1(lines[0]).compare(Marker(), Qt::CaseInsensitive) != 0)
        return false;
    const QString second = QString::fromLocal8Bit(lines[1]);
    const int comma = int(second.indexOf(QLatin1Char(',')));
    if (comma < 0)
        return false;
    TUpdateIndex result;
    bool ok = false;
    result.Version = second.left(comma).trimmed().toInt(&ok);
    if (!ok)
        result.Version = 0;
    if (!ParseIndexDate(second.mid(comma + 1), &result.Date))
        return false;
    result.FileName = QString::fromLocal8Bit(lines[2]).trimmed();
    // A bare file name of the index's folder: nothing that climbs out or names a host.
    static const QRegularExpression safe(QStringLiteral("^[A-Za-z0-9._-]+$"));
    if (result.FileName.isEmpty() || !safe.match(result.FileName).hasMatch() ||
        result.FileName.startsWith('.'))
        return false;
    *index = result;
    return true;
}

QUrl UpdateDownloadUrl(const QUrl& indexUrl, const QString& fileName)
{
    if (!indexUrl.isValid() || fileName.contains(QLatin1Char('/')) || fileName == QStringLiteral("..") ||
        fileName.isEmpty())
        return {};
    QUrl url = indexUrl;
    QString path = url.path();
    const int slash = int(path.lastIndexOf(QLatin1Char('/')));
    path = (slash >= 0 ? path.left(slash) : QString()) + QLatin1Char('/') + fileName;
    url.setPath(path);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

QString UpdateDateText(double date)
{
    if (std::trunc(date) == 0)
        return QStringLiteral("未更新");
    const QDate d = DayCountToDate(date);
    return QStringLiteral("%1年%2月%3日").arg(d.year()).arg(d.month()).arg(d.day());
}

QString UpdateNumberText(int number)
{
    return QStringLiteral("%1").arg(number, 4, 10, QLatin1Char('0'));
}

// ---------------------------------------------------------------------------------
// THTTPDownload

struct THTTPDownload::TImpl
{
    QNetworkAccessManager Manager;
    QPointer<QNetworkReply> Reply;
    QEventLoop* Loop = nullptr;
};

THTTPDownload::THTTPDownload() : FImpl(std::make_unique<TImpl>()) {}

THTTPDownload::~THTTPDownload()
{
    Abort();
}

bool THTTPDownload::NetworkAvailable()
{
    QTcpSocket socket;
    return socket.bind(QHostAddress::AnyIPv4, 0) && (socket.close(), true);
}

void THTTPDownload::SetProxy(const QString& host, int port)
{
    FProxyHost = host.trimmed();
    FProxyPort = port;
}

void THTTPDownload::Fail(const QString& why)
{
    FError = why;
    if (OnFailure)
        OnFailure();
}

int THTTPDownload::Percent() const
{
    if (FExpected <= 0)
        return 0;
    const int64_t permille = FReceived * 1000 / FExpected;
    return int((permille + 5) / 10);
}

void THTTPDownload::Abort()
{
    FAborted = true;
    if (FImpl->Reply)
        FImpl->Reply->abort();
}

bool THTTPDownload::Get(const QUrl& url, QByteArray* body)
{
    return Run(url, body, QString());
}

bool THTTPDownload::GetToFile(const QUrl& url, const QString& fileName)
{
    return Run(url, nullptr, fileName);
}

bool THTTPDownload::Run(const QUrl& source, QByteArray* body, const QString& fileName)
{
    FAborted = false;
    FReceived = 0;
    FExpected = 0;
    FError.clear();
    auto fail = [this](const QString& why, bool connection) {
        FError = why;
        if (connection && OnConnectionFailure)
            OnConnectionFailure();
        else if (!connection && OnFailure)
            OnFailure();
        return false;
    };

    QUrl url = source;
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return fail(QStringLiteral("URL が正しくありません: %1").arg(source.toString()), true);
    if (url.port() == -1 && scheme == QLatin1String("http") && FPort != 80)
        url.setPort(FPort);

    if (FProxyHost.isEmpty())
        FImpl->Manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    else
        FImpl->Manager.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, FProxyHost, quint16(FProxyPort)));

    std::unique_ptr<QFile> file;
    if (!fileName.isEmpty()) {
        file = std::make_unique<QFile>(fileName);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
            return fail(QStringLiteral("%1 を作成できません").arg(fileName), false);
    }
    if (body)
        body->clear();

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    if (!FAgent.isEmpty())
        request.setRawHeader("From", FAgent.toUtf8());

    QNetworkReply* reply = FImpl->Manager.get(request);
    FImpl->Reply = reply;
    QEventLoop loop;
    QTimer stall;
    stall.setSingleShot(true);
    stall.setInterval(FStallTimeout);
    QString localError;
    bool connected = false;

    auto take = [&]() {
        if (!reply->isOpen())
            return;
        const QByteArray chunk = reply->readAll();
        if (chunk.isEmpty())
            return;
        if (FReceived + chunk.size() > FMaxSize) {
            localError = QStringLiteral("受信データが大きすぎます");
            reply->abort();
            return;
        }
        FReceived += chunk.size();
        if (file) {
            if (file->write(chunk) != chunk.size()) {
                localError = QStringLiteral("%1 に書き込めません").arg(fileName);
                reply->abort();
                return;
            }
        } else if (body) {
            body->append(chunk);
        }
        if (OnPacket)
            OnPacket();
    };
    QObject::connect(reply, &QNetworkReply::requestSent, &loop, [&] {
        connected = true;
        stall.start();
        if (OnConnect)
            OnConnect();
    });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, [&] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid()) {
            FExpected = length.toLongLong();
            if (FExpected > FMaxSize) {
                localError = QStringLiteral("受信データが大きすぎます");
                reply->abort();
            }
        }
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        stall.start();
        take();
    });
    QObject::connect(&stall, &QTimer::timeout, &loop, [&] {
        localError = QStringLiteral("サーバーからの応答がありません");
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    stall.start();
    loop.exec();
    stall.stop();
    take();
    FImpl->Reply = nullptr;

    const QNetworkReply::NetworkError error = reply->error();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString errorString = reply->errorString();
    const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
    reply->deleteLater();
    if (file)
        file->close();

    if (FAborted)
        return fail(QStringLiteral("中断しました"), false);
    if (!localError.isEmpty())
        return fail(localError, false);
    if (error != QNetworkReply::NoError) {
        const bool connection = !connected || error == QNetworkReply::ConnectionRefusedError ||
                                error == QNetworkReply::HostNotFoundError ||
                                error == QNetworkReply::ProxyConnectionRefusedError ||
                                error == QNetworkReply::ProxyNotFoundError;
        return fail(errorString, connection);
    }
    if (status < 200 || status >= 300)
        return fail(QStringLiteral("HTTP %1").arg(status), false);
    if (announced.isValid() && announced.toLongLong() != FReceived)
        return fail(
            QStringLiteral("受信データが途中で切れました (%1/%2)").arg(FReceived).arg(announced.toLongLong()),
            false);
    if (OnSuccess)
        OnSuccess();
    return true;
}

// ---------------------------------------------------------------------------------
// TPPRDownload

TPPRDownload::TPPRDownload() = default;

TPPRDownload::~TPPRDownload()
{
    if (!FPackedFile.isEmpty())
        QFile::remove(FPackedFile);
}

void TPPRDownload::Cleanup()
{
    if (!FPackedFile.isEmpty())
        QFile::remove(FPackedFile);
    if (!FCatalogueFile.isEmpty())
        QFile::remove(FCatalogueFile);
    FPackedFile.clear();
    FCatalogueFile.clear();
}

bool TPPRDownload::ReadIndex()
{
    Cleanup();
    QByteArray text;
    SetMaxSize(kMaxIndexSize);
    if (!Get(QUrl(FIndexUrl), &text) || Aborted())
        return false;
    TUpdateIndex index;
    if (!ParseUpdateIndex(text, &index)) {
        Fail(QStringLiteral("更新情報の形式が正しくありません"));
        return false;
    }
    const QUrl download = UpdateDownloadUrl(QUrl(FIndexUrl), index.FileName);
    if (!download.isValid()) {
        Fail(QStringLiteral("更新情報の形式が正しくありません"));
        return false;
    }
    FIndex = index;
    FDownloadUrl = download;
    FPlain = index.FileName.endsWith(QStringLiteral(".ppr"), Qt::CaseInsensitive);
    FCatalogueFile = TemporaryName(QStringLiteral("PPR"));
    if (FCatalogueFile.isEmpty())
        return false;
    if (!FPlain) {
        FPackedFile = TemporaryName(QStringLiteral("PPZ"));
        if (FPackedFile.isEmpty()) {
            Cleanup();
            return false;
        }
    }
    return true;
}

bool TPPRDownload::DownloadCatalogue()
{
    if (!FDownloadUrl.isValid() || FCatalogueFile.isEmpty())
        return false;
    SetMaxSize(kMaxDecompressedSize);
    bool ok = false;
    if (FPlain) {
        // A catalogue served as it is: nothing to unpack, merged like an unpacked one.
        ok = GetToFile(FDownloadUrl, FCatalogueFile) && !Aborted();
    } else {
        ok = GetToFile(FDownloadUrl, FPackedFile) && !Aborted();
        if (ok) {
            try {
                ok = DecompressFile(FPackedFile, FCatalogueFile);
                if (!ok)
                    Fail(QStringLiteral("更新ファイルの形式が正しくありません"));
            } catch (const std::exception& e) {
                ok = false;
                Fail(QString::fromUtf8(e.what()));
            }
        }
        QFile::remove(FPackedFile);
        FPackedFile.clear();
    }
    if (!ok) {
        if (!FCatalogueFile.isEmpty())
            QFile::remove(FCatalogueFile);
        FCatalogueFile.clear();
    }
    return ok;
}

void MergeDownloadedCatalogue(TVelmoPapers& target, const QString& catalogueFile,
                              const std::function<void(int, int)>& progress)
{
    const QString name = QFileInfo(catalogueFile).fileName();
    if (!QFileInfo(catalogueFile).isFile())
        throw EPaperCatalogError(QStringLiteral("用紙情報更新エラー(%1)").arg(name));
    TVelmoPapers update(catalogueFile, true);
    // A damaged or empty update is refused whole, before the catalogue is touched:
    // merging part of it would leave the lists and the update number of a catalogue
    // the user never got.
    if (update.Count() == 0 || !update.SkippedPapers().isEmpty())
        throw EPaperCatalogError(QStringLiteral("用紙情報更新エラー(%1)").arg(name));
    target.MergeUpdate(update, progress);
}

} // namespace velmo
