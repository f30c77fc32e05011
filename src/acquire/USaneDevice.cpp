#include "acquire/USaneDevice.h"
#include <QCoreApplication>
#include <QMutex>
#include <QMutexLocker>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sane/sane.h>
#include <sane/saneopts.h>
#include <vector>

namespace velmo {

namespace {

QMutex& LibraryMutex()
{
    static QMutex mutex;
    return mutex;
}

bool gLoaded = false;
std::atomic<int64_t> gPixelLimit{int64_t(1) << 26};

// Shuts the library down at exit, as the application's modules are finalised.
struct TSaneExit
{
    ~TSaneExit() { UnloadSane(); }
};

SANE_Handle HandleOf(void* handle)
{
    return static_cast<SANE_Handle>(handle);
}

bool Settable(const SANE_Option_Descriptor* d)
{
    return d && SANE_OPTION_IS_ACTIVE(d->cap) && SANE_OPTION_IS_SETTABLE(d->cap);
}

double WordValue(const SANE_Option_Descriptor* d, SANE_Word w)
{
    return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : double(w);
}

// The nearest fixed-point value, not the truncated one SANE_FIX gives: 50.8 mm
// truncated is a hair short of two inches and loses the last pixel column.
SANE_Word ToWord(const SANE_Option_Descriptor* d, double v)
{
    return d->type == SANE_TYPE_FIXED ? SANE_Word(std::lround(v * (1 << SANE_FIXED_SCALE_SHIFT)))
                                      : SANE_Word(std::lround(v));
}

// One sample of a row (depth 1, 8 or 16) scaled to 0 … 255. One-bit grey is
// black for a set bit, as scanners send line art.
inline uint8_t Sample(const uint8_t* row, int index, int depth)
{
    switch (depth) {
    case 1:
        return (row[index >> 3] & (0x80 >> (index & 7))) ? 0 : 255;
    case 16: {
        uint16_t v;
        std::memcpy(&v, row + 2 * index, 2);
        return uint8_t(v >> 8);
    }
    default:
        return row[index];
    }
}

} // namespace

QString TwainDriverMissingMessage()
{
    return QStringLiteral("TWAINドライバが見つかりません");
}

QString TwainErrorMessage(int status)
{
    return QStringLiteral("TWAIN ERROR : %1").arg(status);
}

QString TSaneDeviceInfo::Caption() const
{
    QString text = (Vendor + u' ' + Model).trimmed();
    if (text.isEmpty())
        return Name;
    return text + QStringLiteral(" (") + Name + u')';
}

void LoadSane()
{
    QMutexLocker lock(&LibraryMutex());
    if (gLoaded)
        return;
    static TSaneExit exitGuard;
    SANE_Int version = 0;
    if (sane_init(&version, nullptr) != SANE_STATUS_GOOD)
        throw ETwain(TwainDriverMissingMessage());
    gLoaded = true;
    // The backends are libraries with C++ statics of their own, loaded by sane_init and
    // by later calls; at exit they are destroyed before the guard above, and a backend
    // that cleans up in sane_exit (genesys) then crashes. While an application object
    // exists, the library is shut down when it goes, before any static is destroyed.
    if (QCoreApplication::instance())
        qAddPostRoutine(UnloadSane);
}

void UnloadSane()
{
    QMutexLocker lock(&LibraryMutex());
    if (!gLoaded)
        return;
    sane_exit();
    gLoaded = false;
}

QList<TSaneDeviceInfo> ListSaneDevices(bool localOnly)
{
    LoadSane();
    const SANE_Device** devices = nullptr;
    const SANE_Status status = sane_get_devices(&devices, localOnly ? SANE_TRUE : SANE_FALSE);
    if (status != SANE_STATUS_GOOD)
        throw ETwain(TwainErrorMessage(status));
    QList<TSaneDeviceInfo> result;
    for (int i = 0; devices && devices[i]; ++i) {
        const SANE_Device* d = devices[i];
        auto text = [](const char* s) { return s ? QString::fromLocal8Bit(s) : QString(); };
        result.append({text(d->name), text(d->vendor), text(d->model), text(d->type)});
    }
    return result;
}

// ---------------------------------------------------------------------------------

TSaneDevice::~TSaneDevice()
{
    Close();
}

void TSaneDevice::SetPixelLimit(int64_t pixels)
{
    gPixelLimit.store(pixels);
}

void TSaneDevice::Open(const QString& name)
{
    Close();
    LoadSane();
    SANE_Handle handle = nullptr;
    const SANE_Status status = sane_open(name.toLocal8Bit().constData(), &handle);
    if (status != SANE_STATUS_GOOD || !handle)
        throw ETwain(TwainErrorMessage(status == SANE_STATUS_GOOD ? SANE_STATUS_INVAL : status));
    FHandle = handle;
    FName = name;
}

void TSaneDevice::Close()
{
    if (!FHandle)
        return;
    sane_close(HandleOf(FHandle));
    FHandle = nullptr;
}

int TSaneDevice::FindOption(const char* name) const
{
    if (!FHandle)
        return -1;
    SANE_Int count = 0;
    const SANE_Option_Descriptor* first = sane_get_option_descriptor(HandleOf(FHandle), 0);
    if (!first ||
        sane_control_option(HandleOf(FHandle), 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return -1;
    for (int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(HandleOf(FHandle), i);
        if (d && d->name && std::strcmp(d->name, name) == 0)
            return i;
    }
    return -1;
}

TSaneCapabilities TSaneDevice::Capabilities() const
{
    TSaneCapabilities caps;
    if (!FHandle)
        return caps;
    SANE_Handle h = HandleOf(FHandle);
    if (const int i = FindOption(SANE_NAME_SCAN_RESOLUTION); i > 0) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
        if (Settable(d) && (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED) &&
            d->size == sizeof(SANE_Word)) {
            SANE_Word value = 0;
            if (sane_control_option(h, i, SANE_ACTION_GET_VALUE, &value, nullptr) == SANE_STATUS_GOOD)
                caps.Resolution = int(std::lround(WordValue(d, value)));
            if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST && d->constraint.word_list) {
                const SANE_Word count = std::clamp<SANE_Word>(d->constraint.word_list[0], 0, 1000);
                for (int k = 1; k <= count; ++k)
                    caps.Resolutions.append(int(std::lround(WordValue(d, d->constraint.word_list[k]))));
            } else if (d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range) {
                const double lo = WordValue(d, d->constraint.range->min);
                const double hi = WordValue(d, d->constraint.range->max);
                // The usual steps within the device's range, so the list stays short.
                for (int r : {50, 75, 100, 150, 200, 300, 400, 600, 1200, 2400})
                    if (r >= lo && r <= hi)
                        caps.Resolutions.append(r);
                if (caps.Resolutions.isEmpty())
                    caps.Resolutions.append(int(std::lround(hi)));
            }
            if (caps.Resolution > 0 && !caps.Resolutions.contains(caps.Resolution))
                caps.Resolutions.append(caps.Resolution);
            std::sort(caps.Resolutions.begin(), caps.Resolutions.end());
            caps.Resolutions.erase(std::unique(caps.Resolutions.begin(), caps.Resolutions.end()),
                                   caps.Resolutions.end());
        }
    }
    if (const int i = FindOption(SANE_NAME_SCAN_MODE); i > 0) {
        const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
        if (Settable(d) && d->type == SANE_TYPE_STRING && d->size > 0 && d->size < 4096) {
            std::vector<char> value(size_t(d->size) + 1, 0);
            if (sane_control_option(h, i, SANE_ACTION_GET_VALUE, value.data(), nullptr) == SANE_STATUS_GOOD)
                caps.Mode = QString::fromLocal8Bit(value.data());
            if (d->constraint_type == SANE_CONSTRAINT_STRING_LIST && d->constraint.string_list)
                for (int k = 0; d->constraint.string_list[k] && k < 100; ++k)
                    caps.Modes.append(QString::fromLocal8Bit(d->constraint.string_list[k]));
        }
    }
    const char* corners[] = {SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_X,
                             SANE_NAME_SCAN_BR_Y};
    double current[4] = {};
    double lowest[4] = {};
    double highest[4] = {};
    bool all = true;
    for (int c = 0; c < 4 && all; ++c) {
        const int i = FindOption(corners[c]);
        const SANE_Option_Descriptor* d = i > 0 ? sane_get_option_descriptor(h, i) : nullptr;
        SANE_Word value = 0;
        all = Settable(d) && d->unit == SANE_UNIT_MM && d->size == sizeof(SANE_Word) &&
              (d->type == SANE_TYPE_INT || d->type == SANE_TYPE_FIXED) &&
              d->constraint_type == SANE_CONSTRAINT_RANGE && d->constraint.range &&
              sane_control_option(h, i, SANE_ACTION_GET_VALUE, &value, nullptr) == SANE_STATUS_GOOD;
        if (all) {
            current[c] = WordValue(d, value);
            lowest[c] = WordValue(d, d->constraint.range->min);
            highest[c] = WordValue(d, d->constraint.range->max);
        }
    }
    if (all) {
        caps.HasArea = true;
        caps.MaxArea = QRectF(QPointF(lowest[0], lowest[1]), QPointF(highest[2], highest[3]));
        caps.Area = QRectF(QPointF(current[0], current[1]), QPointF(current[2], current[3]));
    }
    if (const int i = FindOption(SANE_NAME_PREVIEW); i > 0)
        caps.HasPreview = Settable(sane_get_option_descriptor(h, i));
    return caps;
}

void TSaneDevice::Apply(const TScanSettings& settings)
{
    SANE_Handle h = HandleOf(FHandle);
    auto setWord = [&](const char* name, double v) {
        const int i = FindOption(name);
        const SANE_Option_Descriptor* d = i > 0 ? sane_get_option_descriptor(h, i) : nullptr;
        if (!Settable(d) || d->size != sizeof(SANE_Word) ||
            (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED && d->type != SANE_TYPE_BOOL))
            return;
        SANE_Word w = d->type == SANE_TYPE_BOOL ? (v != 0 ? SANE_TRUE : SANE_FALSE) : ToWord(d, v);
        const SANE_Status status = sane_control_option(h, i, SANE_ACTION_SET_VALUE, &w, nullptr);
        if (status != SANE_STATUS_GOOD)
            throw ETwain(TwainErrorMessage(status));
    };
    // The mode first: it may change which other options apply.
    if (!settings.Mode.isEmpty()) {
        const int i = FindOption(SANE_NAME_SCAN_MODE);
        const SANE_Option_Descriptor* d = i > 0 ? sane_get_option_descriptor(h, i) : nullptr;
        if (Settable(d) && d->type == SANE_TYPE_STRING && d->size > 0) {
            std::vector<char> value(size_t(d->size) + 1, 0);
            const QByteArray mode = settings.Mode.toLocal8Bit();
            std::memcpy(value.data(), mode.constData(),
                        std::min<size_t>(size_t(mode.size()), size_t(d->size) - 1));
            const SANE_Status status =
                sane_control_option(h, i, SANE_ACTION_SET_VALUE, value.data(), nullptr);
            if (status != SANE_STATUS_GOOD)
                throw ETwain(TwainErrorMessage(status));
        }
    }
    if (settings.Resolution > 0)
        setWord(SANE_NAME_SCAN_RESOLUTION, settings.Resolution);
    if (!settings.Area.isEmpty()) {
        // The far corner first when growing, so the near one never passes it.
        setWord(SANE_NAME_SCAN_BR_X, settings.Area.right());
        setWord(SANE_NAME_SCAN_BR_Y, settings.Area.bottom());
        setWord(SANE_NAME_SCAN_TL_X, settings.Area.left());
        setWord(SANE_NAME_SCAN_TL_Y, settings.Area.top());
        setWord(SANE_NAME_SCAN_BR_X, settings.Area.right());
        setWord(SANE_NAME_SCAN_BR_Y, settings.Area.bottom());
    }
    setWord(SANE_NAME_PREVIEW, settings.Preview ? 1 : 0);
}

void TSaneDevice::Cancel()
{
    FCancelled.store(true);
    if (FHandle)
        sane_cancel(HandleOf(FHandle));
}

QImage TSaneDevice::Scan(const TScanSettings& settings, const TScanProgress& progress)
{
    if (!FHandle)
        throw ETwain(TwainErrorMessage(SANE_STATUS_INVAL));
    FCancelled.store(false);
    Apply(settings);
    SANE_Handle h = HandleOf(FHandle);
    // Whatever happens, the device goes back to idle.
    struct TEndScan
    {
        SANE_Handle H;
        ~TEndScan() { sane_cancel(H); }
    } endScan{h};

    QImage picture;
    bool colour = false;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels; // width × height × 3 (colour) or × 1 (grey)
    for (int frame = 0; frame < 3; ++frame) {
        SANE_Status status = sane_start(h);
        if (status == SANE_STATUS_CANCELLED || FCancelled.load())
            return {};
        if (status != SANE_STATUS_GOOD)
            throw ETwain(TwainErrorMessage(status));
        SANE_Parameters p{};
        status = sane_get_parameters(h, &p);
        if (status != SANE_STATUS_GOOD)
            throw ETwain(TwainErrorMessage(status));
        const bool single = p.format == SANE_FRAME_GRAY || p.format == SANE_FRAME_RGB;
        const int samplesPerPixel = p.format == SANE_FRAME_RGB ? 3 : 1;
        if ((p.depth != 1 && p.depth != 8 && p.depth != 16) || p.pixels_per_line <= 0 ||
            p.bytes_per_line <= 0 ||
            int64_t(p.bytes_per_line) * 8 < int64_t(p.pixels_per_line) * samplesPerPixel * p.depth ||
            p.format > SANE_FRAME_BLUE)
            throw ETwain(TwainErrorMessage(SANE_STATUS_INVAL));
        if (frame == 0) {
            colour = p.format != SANE_FRAME_GRAY;
            width = p.pixels_per_line;
        } else if (single || p.pixels_per_line != width) {
            throw ETwain(TwainErrorMessage(SANE_STATUS_INVAL));
        }
        const int64_t limit = gPixelLimit.load();
        const int64_t announcedRows = p.lines > 0 ? p.lines : 0;
        if (announcedRows > 0 && int64_t(width) * announcedRows > limit)
            throw ETwain(TwainErrorMessage(SANE_STATUS_NO_MEM));
        const int64_t total = announcedRows * p.bytes_per_line;
        // Rows as they arrive; a device that does not say how many lines it sends
        // grows the buffer until the limit.
        std::vector<uint8_t> raw;
        raw.reserve(size_t(total));
        std::vector<uint8_t> buffer(size_t(std::max(65536, p.bytes_per_line)));
        int64_t done = 0;
        bool ended = false;
        while (!ended) {
            SANE_Int length = 0;
            status = sane_read(h, buffer.data(), SANE_Int(buffer.size()), &length);
            if (status == SANE_STATUS_EOF) {
                ended = true;
                break;
            }
            if (status == SANE_STATUS_CANCELLED || FCancelled.load())
                return {};
            if (status != SANE_STATUS_GOOD)
                throw ETwain(TwainErrorMessage(status));
            if (length < 0 || size_t(length) > buffer.size())
                throw ETwain(TwainErrorMessage(SANE_STATUS_IO_ERROR));
            int64_t take = length;
            // Bytes beyond the announced picture are not ours to keep.
            if (total > 0)
                take = std::min<int64_t>(take, total - int64_t(raw.size()));
            if (total == 0 && (int64_t(raw.size()) + take) / p.bytes_per_line * int64_t(width) > limit)
                throw ETwain(TwainErrorMessage(SANE_STATUS_NO_MEM));
            raw.insert(raw.end(), buffer.data(), buffer.data() + std::max<int64_t>(take, 0));
            done += length;
            if (progress)
                progress(std::min(done, total > 0 ? total : done), total);
        }
        const int rows = int(int64_t(raw.size()) / p.bytes_per_line);
        if (rows == 0)
            throw ETwain(TwainErrorMessage(SANE_STATUS_IO_ERROR));
        if (frame == 0) {
            height = rows;
            pixels.assign(size_t(width) * height * (colour ? 3 : 1), 0);
        }
        const int useRows = std::min(rows, height);
        for (int y = 0; y < useRows; ++y) {
            const uint8_t* row = raw.data() + size_t(y) * p.bytes_per_line;
            if (p.format == SANE_FRAME_GRAY) {
                uint8_t* out = pixels.data() + size_t(y) * width;
                for (int x = 0; x < width; ++x)
                    out[x] = Sample(row, x, p.depth);
            } else if (p.format == SANE_FRAME_RGB) {
                uint8_t* out = pixels.data() + size_t(y) * width * 3;
                for (int x = 0; x < width * 3; ++x)
                    out[x] = p.depth == 1 ? uint8_t(255 - Sample(row, x, 1)) : Sample(row, x, p.depth);
            } else {
                const int channel = p.format - SANE_FRAME_RED;
                uint8_t* out = pixels.data() + size_t(y) * width * 3 + channel;
                for (int x = 0; x < width; ++x)
                    out[3 * x] = p.depth == 1 ? uint8_t(255 - Sample(row, x, 1)) : Sample(row, x, p.depth);
            }
        }
        if (p.last_frame || single)
            break;
    }
    if (colour) {
        picture = QImage(width, height, QImage::Format_BGR888);
        if (picture.isNull())
            throw std::bad_alloc();
        for (int y = 0; y < height; ++y) {
            const uint8_t* in = pixels.data() + size_t(y) * width * 3;
            uint8_t* out = picture.scanLine(y);
            for (int x = 0; x < width; ++x) {
                out[3 * x + 0] = in[3 * x + 2];
                out[3 * x + 1] = in[3 * x + 1];
                out[3 * x + 2] = in[3 * x + 0];
            }
        }
    } else {
        picture = QImage(width, height, QImage::Format_Indexed8);
        if (picture.isNull())
            throw std::bad_alloc();
        QList<QRgb> grey(256);
        for (int i = 0; i < 256; ++i)
            grey[i] = qRgb(i, i, i);
        picture.setColorTable(grey);
        for (int y = 0; y < height; ++y)
            std::memcpy(picture.scanLine(y), pixels.data() + size_t(y) * width, size_t(width));
    }
    if (FCancelled.load())
        return {};
    return picture;
}

} // namespace velmo
