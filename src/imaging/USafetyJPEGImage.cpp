#include "imaging/USafetyJPEGImage.h"
#include "imaging/USafetyBitmap.h"
#include <QPainter>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jpeglib.h>

namespace velmo {

QString InvalidJPEGMessage()
{
    return QStringLiteral("JPEGイメージが不正です");
}

namespace {

[[noreturn]] void InvalidJPEG()
{
    throw EInvalidGraphic(InvalidJPEGMessage());
}

// Progressive files may hold any number of scans; real ones hold a few dozen.
constexpr int kMaxScans = 1000;
constexpr long kMaxJPEGMemory = 768L * 1024 * 1024;

struct TErrorManager
{
    jpeg_error_mgr Pub;
    jmp_buf Jump;
};

void ErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<TErrorManager*>(cinfo->err);
    longjmp(err->Jump, 1);
}

void OutputMessage(j_common_ptr) {}

struct TProgress
{
    jpeg_progress_mgr Pub;
    j_decompress_ptr Info;
};

void ProgressMonitor(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor) {
        auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
        if (d->input_scan_number > kMaxScans)
            ErrorExit(cinfo);
    }
}

uint16_t Get16(const uchar* p, bool big)
{
    return big ? uint16_t((p[0] << 8) | p[1]) : uint16_t(p[0] | (p[1] << 8));
}

uint32_t Get32(const uchar* p, bool big)
{
    return big ? (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]
               : uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Everything the decoder touches lives here, on the heap, so that a jump back out of
// libjpeg finds it intact and frees it.
struct TDecodeState
{
    jpeg_decompress_struct Info;
    TErrorManager Error;
    TProgress Progress;
    bool Created = false;
    TJPEGHeader Header;
    QImage Image;
    std::vector<uint8_t> Row;
    ~TDecodeState()
    {
        if (Created)
            jpeg_destroy_decompress(&Info);
    }
};

// Sets up the decoder and reads the header; false when libjpeg gave up.
void ReadHeaderInto(TDecodeState* s, const QByteArray& bytes)
{
    s->Info.err = jpeg_std_error(&s->Error.Pub);
    s->Error.Pub.error_exit = ErrorExit;
    s->Error.Pub.output_message = OutputMessage;
    jpeg_create_decompress(&s->Info);
    s->Created = true;
    s->Info.mem->max_memory_to_use = kMaxJPEGMemory;
    s->Progress.Pub.progress_monitor = ProgressMonitor;
    s->Progress.Info = &s->Info;
    s->Info.progress = &s->Progress.Pub;
    jpeg_mem_src(&s->Info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 (unsigned long)bytes.size());
    jpeg_save_markers(&s->Info, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&s->Info, TRUE);
    TJPEGHeader& h = s->Header;
    h.Width = int(s->Info.image_width);
    h.Height = int(s->Info.image_height);
    h.Components = s->Info.num_components;
    h.Progressive = s->Info.progressive_mode;
    h.Cmyk = s->Info.jpeg_color_space == JCS_CMYK || s->Info.jpeg_color_space == JCS_YCCK;
    h.Adobe = s->Info.saw_Adobe_marker;
    for (jpeg_saved_marker_ptr m = s->Info.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1) {
            const int o = ExifOrientation(m->data, m->data_length);
            if (o != 1) {
                h.Orientation = o;
                break;
            }
        }
    }
}

} // namespace

int ScaledJPEGSize(int size, int denominator)
{
    if (denominator <= 1)
        return size;
    return int((int64_t(size) + denominator - 1) / denominator);
}

int ExifOrientation(const uchar* data, size_t size)
{
    if (!data || size < 6 + 8 || std::memcmp(data, "Exif\0\0", 6) != 0)
        return 1;
    const uchar* tiff = data + 6;
    const size_t n = size - 6;
    bool big;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        big = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        big = true;
    else
        return 1;
    if (Get16(tiff + 2, big) != 42)
        return 1;
    const uint32_t ifd = Get32(tiff + 4, big);
    if (ifd > n || n - ifd < 2)
        return 1;
    const int count = Get16(tiff + ifd, big);
    for (int i = 0; i < count; ++i) {
        const size_t at = size_t(ifd) + 2 + size_t(i) * 12;
        if (at + 12 > n)
            return 1;
        const uchar* e = tiff + at;
        if (Get16(e, big) != 0x0112)
            continue;
        if (Get16(e + 2, big) != 3 || Get32(e + 4, big) < 1)
            return 1;
        const int value = Get16(e + 8, big);
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

QImage ApplyOrientation(const QImage& image, int orientation)
{
    if (orientation <= 1 || orientation > 8 || image.isNull())
        return image;
    const int w = image.width();
    const int h = image.height();
    const bool swap = orientation >= 5;
    QImage out(swap ? h : w, swap ? w : h, image.format());
    if (out.isNull())
        return out;
    out.setColorTable(image.colorTable());
    const int bpp = image.depth() / 8;
    const int ow = out.width();
    const int oh = out.height();
    for (int y = 0; y < oh; ++y) {
        uchar* d = out.scanLine(y);
        for (int x = 0; x < ow; ++x) {
            int sx = x, sy = y;
            switch (orientation) {
            case 2:
                sx = w - 1 - x;
                break;
            case 3:
                sx = w - 1 - x;
                sy = h - 1 - y;
                break;
            case 4:
                sy = h - 1 - y;
                break;
            case 5:
                sx = y;
                sy = x;
                break;
            case 6:
                sx = y;
                sy = h - 1 - x;
                break;
            case 7:
                sx = w - 1 - y;
                sy = h - 1 - x;
                break;
            case 8:
                sx = w - 1 - y;
                sy = x;
                break;
            }
            std::memcpy(d + x * bpp, image.constScanLine(sy) + sx * bpp, size_t(bpp));
        }
    }
    return out;
}

TJPEGHeader ReadJPEGHeader(const QByteArray& bytes)
{
    if (bytes.size() < 4)
        InvalidJPEG();
    auto state = std::make_unique<TDecodeState>();
    TDecodeState* s = state.get();
    if (setjmp(s->Error.Jump))
        InvalidJPEG();
    ReadHeaderInto(s, bytes);
    return s->Header;
}

QImage DecodeJPEG(const QByteArray& bytes, const TJPEGDecodeOptions& options)
{
    if (bytes.size() < 4)
        InvalidJPEG();
    auto state = std::make_unique<TDecodeState>();
    TDecodeState* s = state.get();
    if (setjmp(s->Error.Jump))
        InvalidJPEG();
    ReadHeaderInto(s, bytes);
    jpeg_decompress_struct& info = s->Info;
    if (!BitmapSizeAllowed(info.image_width, info.image_height))
        InvalidJPEG();
    const int d = options.ScaleDenominator;
    info.scale_num = 1;
    info.scale_denom = (d == 2 || d == 4 || d == 8) ? unsigned(d) : 1u;
    info.dct_method = options.Fast ? JDCT_IFAST : JDCT_ISLOW;
    info.do_fancy_upsampling = options.Fast ? FALSE : TRUE;
    const bool cmyk = s->Header.Cmyk;
    const bool grey = options.Grayscale || info.jpeg_color_space == JCS_GRAYSCALE;
    if (cmyk && !options.Grayscale)
        info.out_color_space = JCS_CMYK;
    else if (grey)
        info.out_color_space = JCS_GRAYSCALE;
    else if (options.EightBit)
        info.out_color_space = JCS_RGB;
    else
        info.out_color_space = JCS_EXT_BGR;
    const bool quantize = options.EightBit && !grey && !cmyk;
    if (quantize) {
        info.quantize_colors = TRUE;
        info.desired_number_of_colors = 256;
        info.two_pass_quantize = TRUE;
        info.dither_mode = JDITHER_FS;
    }
    jpeg_start_decompress(&info);
    const int width = int(info.output_width);
    const int height = int(info.output_height);
    if (grey || quantize) {
        s->Image = QImage(width, height, QImage::Format_Indexed8);
        if (s->Image.isNull())
            InvalidJPEG();
        if (grey) {
            s->Image.setColorTable(GreyPalette());
        }
    } else {
        s->Image = QImage(width, height, QImage::Format_BGR888);
        if (s->Image.isNull())
            InvalidJPEG();
    }
    s->Row.resize(size_t(width) * 4);
    while (info.output_scanline < info.output_height) {
        const int y = int(info.output_scanline);
        JSAMPROW row = cmyk && !options.Grayscale ? s->Row.data() : s->Image.scanLine(y);
        if (jpeg_read_scanlines(&info, &row, 1) != 1)
            break;
        if (cmyk && !options.Grayscale) {
            uchar* out = s->Image.scanLine(y);
            const uint8_t* in = s->Row.data();
            // Adobe writes CMYK inverted: the stored values are 255 - ink.
            for (int x = 0; x < width; ++x) {
                int c = in[4 * x], m = in[4 * x + 1], yy = in[4 * x + 2], k = in[4 * x + 3];
                if (!s->Header.Adobe) {
                    c = 255 - c;
                    m = 255 - m;
                    yy = 255 - yy;
                    k = 255 - k;
                }
                out[3 * x + 2] = uchar((c * k + 127) / 255);
                out[3 * x + 1] = uchar((m * k + 127) / 255);
                out[3 * x] = uchar((yy * k + 127) / 255);
            }
        }
    }
    if (quantize) {
        QVector<QRgb> table;
        for (int i = 0; i < info.actual_number_of_colors; ++i)
            table.append(qRgb(info.colormap[0][i], info.colormap[1][i], info.colormap[2][i]));
        s->Image.setColorTable(table);
    }
    jpeg_finish_decompress(&info);
    QImage image = s->Image;
    if (options.EightBit && cmyk && !options.Grayscale)
        image = image.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    if (info.density_unit == 1 && info.X_density > 0 && info.Y_density > 0) {
        image.setDotsPerMeterX(int(info.X_density / 0.0254 + 0.5));
        image.setDotsPerMeterY(int(info.Y_density / 0.0254 + 0.5));
    }
    if (options.ApplyOrientation)
        image = ApplyOrientation(image, s->Header.Orientation);
    return image;
}

namespace {

struct TEncodeState
{
    jpeg_compress_struct Info;
    TErrorManager Error;
    bool Created = false;
    unsigned char* Buffer = nullptr;
    unsigned long Size = 0;
    QImage Source;
    ~TEncodeState()
    {
        if (Created)
            jpeg_destroy_compress(&Info);
        std::free(Buffer);
    }
};

} // namespace

QByteArray EncodeJPEG(const QImage& image, int quality, bool progressive, bool grayscale)
{
    if (image.isNull())
        return {};
    auto state = std::make_unique<TEncodeState>();
    TEncodeState* s = state.get();
    s->Source = ConvertPixels(image, PixelFormatOf(image), TPixelFormat::pf24bit);
    if (s->Source.format() != QImage::Format_BGR888)
        s->Source = s->Source.convertToFormat(QImage::Format_BGR888);
    s->Info.err = jpeg_std_error(&s->Error.Pub);
    s->Error.Pub.error_exit = ErrorExit;
    s->Error.Pub.output_message = OutputMessage;
    if (setjmp(s->Error.Jump))
        throw EInvalidGraphic(InvalidJPEGMessage());
    jpeg_create_compress(&s->Info);
    s->Created = true;
    jpeg_mem_dest(&s->Info, &s->Buffer, &s->Size);
    s->Info.image_width = JDIMENSION(s->Source.width());
    s->Info.image_height = JDIMENSION(s->Source.height());
    s->Info.input_components = 3;
    s->Info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&s->Info);
    jpeg_set_quality(&s->Info, std::clamp(quality, 1, 100), TRUE);
    if (grayscale)
        jpeg_set_colorspace(&s->Info, JCS_GRAYSCALE);
    if (progressive)
        jpeg_simple_progression(&s->Info);
    jpeg_start_compress(&s->Info, TRUE);
    while (s->Info.next_scanline < s->Info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(s->Source.constScanLine(int(s->Info.next_scanline)));
        jpeg_write_scanlines(&s->Info, &row, 1);
    }
    jpeg_finish_compress(&s->Info);
    return QByteArray(reinterpret_cast<const char*>(s->Buffer), qsizetype(s->Size));
}

// ---------------------------------------------------------------------------------

void TSafetyJPEGImage::Changed()
{
    if (OnChange)
        OnChange();
}

TJPEGDecodeOptions TSafetyJPEGImage::Options() const
{
    TJPEGDecodeOptions o;
    o.ScaleDenominator = 1 << int(FScale);
    o.EightBit = FPixelFormat == TJPEGPixelFormat::jf8Bit;
    o.Grayscale = FGrayscale;
    o.Fast = FPerformance == TJPEGPerformance::jpBestSpeed;
    return o;
}

int TSafetyJPEGImage::Width() const
{
    if (FBytes.isEmpty())
        return 0;
    const int d = 1 << int(FScale);
    return FHeader.Orientation >= 5 ? ScaledJPEGSize(FHeader.Height, d) : ScaledJPEGSize(FHeader.Width, d);
}

int TSafetyJPEGImage::Height() const
{
    if (FBytes.isEmpty())
        return 0;
    const int d = 1 << int(FScale);
    return FHeader.Orientation >= 5 ? ScaledJPEGSize(FHeader.Width, d) : ScaledJPEGSize(FHeader.Height, d);
}

void TSafetyJPEGImage::SetScale(TJPEGScale scale)
{
    SetDecodeOption(FScale, scale);
}

void TSafetyJPEGImage::SetPixelFormat(TJPEGPixelFormat format)
{
    SetDecodeOption(FPixelFormat, format);
}

void TSafetyJPEGImage::SetPerformance(TJPEGPerformance value)
{
    SetDecodeOption(FPerformance, value);
}

void TSafetyJPEGImage::SetCompressionQuality(int quality)
{
    FQuality = std::clamp(quality, 1, 100);
}

void TSafetyJPEGImage::SetFileBytes(const QByteArray& bytes)
{
    if (bytes.isEmpty()) {
        FBytes.clear();
        FHeader = {};
        FBitmap = QImage();
        Changed();
        return;
    }
    const TJPEGHeader header = ReadJPEGHeader(bytes);
    if (!BitmapSizeAllowed(header.Width, header.Height))
        InvalidJPEG();
    FBytes = bytes;
    FHeader = header;
    FBitmap = QImage();
    Changed();
}

void TSafetyJPEGImage::LoadFromStream(TStream& stream)
{
    SetFileBytes(stream.ReadBytes(stream.Remaining()));
}

void TSafetyJPEGImage::LoadFromFile(const QString& fileName)
{
    TFileStream stream(fileName, TFileStream::fmOpenRead);
    LoadFromStream(stream);
}

void TSafetyJPEGImage::AssignImage(const QImage& image)
{
    SetFileBytes(EncodeJPEG(image, FQuality, FProgressive, FGrayscale));
}

QImage TSafetyJPEGImage::Bitmap() const
{
    if (FBitmap.isNull() && !FBytes.isEmpty())
        FBitmap = DecodeJPEG(FBytes, Options());
    return FBitmap;
}

void TSafetyJPEGImage::Draw(QPainter& painter, const QRect& rectangle) const
{
    if (FBytes.isEmpty())
        return;
    // Decoding on demand must not look like a change to listeners.
    TSafetyBitmap bitmap;
    bitmap.SetImage(Bitmap());
    bitmap.Draw(painter, rectangle);
}

} // namespace velmo
