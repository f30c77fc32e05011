#pragma once
// Fetching a newer system catalogue over HTTP: a small update index names the
// catalogue's version, date and file; the file (normally in the compressed container)
// is downloaded into the temporary folder and unpacked, ready to be merged.
//
// Transfers run on the calling thread: Get spins a local event loop until the reply
// ends, so the events (connected, packets, the caller's abort) arrive in between, as
// the update dialog needs. A QCoreApplication must exist.
#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>
#include <memory>

namespace velmo {

class TVelmoPapers;
class TPapersV2;

// The path of the index on the update server; there is no public server, so the
// address as delivered is empty and the user enters one.
QString DefaultUpdateIndexPath(); // "/updater/velmo/ppr/velmoka.vup"
QString DefaultUpdateIndexUrl();  // empty

struct TUpdateIndex
{
    int Version = 0;
    double Date = 0; // day count
    QString FileName;
};

// Three CR LF lines: the marker (any case), "version,date", the file name. False for
// anything else (another line count, marker, an unreadable date, an unsafe name).
bool ParseUpdateIndex(const QByteArray& text, TUpdateIndex* index);
// The index URL up to its last "/", then "/", then the name; invalid for a name that
// would leave the index's folder.
QUrl UpdateDownloadUrl(const QUrl& indexUrl, const QString& fileName);
// "2026年12月9日"; "未更新" for a date whose whole-day part is 0.
QString UpdateDateText(double date);
// At least four digits with leading zeros.
QString UpdateNumberText(int number);

// A GET into memory or into a file, through an optional proxy, with progress and
// abort. Redirects are followed a few times only; a body larger than the limit, a
// transfer silent for longer than the stall time, or a reply shorter than announced
// fails.
class THTTPDownload
{
public:
    THTTPDownload();
    virtual ~THTTPDownload();
    THTTPDownload(const THTTPDownload&) = delete;
    THTTPDownload& operator=(const THTTPDownload&) = delete;

    // Whether this machine can make network connections at all (a TCP socket can be
    // made); nothing is sent.
    static bool NetworkAvailable();

    // Used for URLs without a port of their own.
    void SetPort(int port) { FPort = port; }
    int Port() const { return FPort; }
    // An empty host means no proxy, whatever the port.
    void SetProxy(const QString& host, int port);
    // Sent as "From" (the program's base name), as the older client did.
    void SetAgent(const QString& agent) { FAgent = agent; }
    void SetMaxSize(int64_t bytes) { FMaxSize = bytes; }
    void SetStallTimeout(int milliseconds) { FStallTimeout = milliseconds; }

    // False on any failure; ErrorText() says what went wrong.
    bool Get(const QUrl& url, QByteArray* body);
    bool GetToFile(const QUrl& url, const QString& fileName);
    // Ends the running transfer as failed; harmless when none runs.
    void Abort();
    bool Aborted() const { return FAborted; }

    int64_t Received() const { return FReceived; }
    int64_t Expected() const { return FExpected; }
    // MulDiv(received, 1000, expected) plus 5, divided by 10; 0 while nothing is expected.
    int Percent() const;
    const QString& ErrorText() const { return FError; }

    std::function<void()> OnConnect;
    std::function<void()> OnPacket;
    std::function<void()> OnSuccess;
    std::function<void()> OnFailure;
    std::function<void()> OnConnectionFailure;

protected:
    // A failure after the transfer (unpacking): its text, and the failure event.
    void Fail(const QString& why);

private:
    struct TImpl;
    bool Run(const QUrl& url, QByteArray* body, const QString& fileName);

    std::unique_ptr<TImpl> FImpl;
    int FPort = 80;
    QString FProxyHost;
    int FProxyPort = 80;
    QString FAgent;
    int64_t FMaxSize = 64 * 1024 * 1024;
    int FStallTimeout = 30000;
    bool FAborted = false;
    int64_t FReceived = 0;
    int64_t FExpected = 0;
    QString FError;
};

// The two steps of a catalogue update over THTTPDownload.
class TPPRDownload : public THTTPDownload
{
public:
    TPPRDownload();
    ~TPPRDownload() override;

    void SetIndexUrl(const QString& url) { FIndexUrl = url; }

    // Gets and parses the index; chooses the temporary files.
    bool ReadIndex();
    const TUpdateIndex& Index() const { return FIndex; }
    const QUrl& DownloadUrl() const { return FDownloadUrl; }
    // Gets the catalogue and unpacks it into CatalogueFile(); the packed file is
    // always removed, the catalogue file too after a failure.
    bool DownloadCatalogue();
    const QString& CatalogueFile() const { return FCatalogueFile; }
    // Removes whatever temporary file is left.
    void Cleanup();

private:
    QString FIndexUrl;
    TUpdateIndex FIndex;
    QUrl FDownloadUrl;
    QString FCatalogueFile;
    QString FPackedFile;
    bool FPlain = false;
};

// Opens the downloaded catalogue and merges it into the catalogue (system papers,
// their records, the update number and lists). Raises the catalogue's errors.
void MergeDownloadedCatalogue(TVelmoPapers& target, const QString& catalogueFile,
                              const std::function<void(int, int)>& progress = {});

} // namespace velmo
