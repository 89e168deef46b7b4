#include "plPicture.h"

#include <QTransform>

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

// JPEG through libjpeg. The library's default error handler ends the
// process; ours jumps back to the decoding step, which closes the decoder
// and reports the library's message as an EPictureError.

namespace {

struct TJpegError {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ErrorExit(j_common_ptr Info)
{
    auto* err = reinterpret_cast<TJpegError*>(Info->err);
    (*Info->err->format_message)(Info, err->Message);
    std::longjmp(err->Jump, 1);
}

void OutputMessage(j_common_ptr) {} // warnings are not printed

// Everything the jumping part touches lives here, outside its frame, so the
// jump skips no destructor and leaves nothing indeterminate.
struct TJpegJob {
    jpeg_decompress_struct Info;
    TJpegError Err;
    const QByteArray* Data = nullptr;
    const TPicture::TNeed* Need = nullptr;
    QImage* Out = nullptr;
    QSize Natural;
    int Orientation = 1;
    bool Cmyk = false, Inverted = false;
    char Problem[128] = {};
};

bool SwapsSides(int Orientation)
{
    return Orientation >= 5 && Orientation <= 8;
}

// The scale n/8 the library decodes at: the smallest that still covers the
// needed pixels on both sides.
int ScaleNum(QSize Stored, QSize Need)
{
    if (Need.width() <= 0 || Need.height() <= 0)
        return 8;
    for (int n = 1; n < 8; ++n) {
        const long long w = (long long)Stored.width() * n / 8, h = (long long)Stored.height() * n / 8;
        if (w >= Need.width() && h >= Need.height())
            return n;
    }
    return 8;
}

// Returns false with Err.Message or Problem set. No C++ object with a
// destructor may be created in this function: the library jumps into it.
bool Decode(TJpegJob& J)
{
    jpeg_decompress_struct& cinfo = J.Info;
    if (setjmp(J.Err.Jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    // Bounds the library's own work buffers (progressive coefficients).
    cinfo.mem->max_memory_to_use = 512L * 1024 * 1024;
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(J.Data->constData()),
                 static_cast<unsigned long>(J.Data->size()));
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);

    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next) {
        if (m->marker == JPEG_APP0 + 1 && m->data_length > 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0) {
            J.Orientation = ExifOrientation(m->data + 6, m->data_length - 6);
            break;
        }
    }
    const long long w = cinfo.image_width, h = cinfo.image_height;
    if (w <= 0 || h <= 0 || w > MaxPictureSide || h > MaxPictureSide || w * h > MaxPicturePixels) {
        std::snprintf(J.Problem, sizeof J.Problem, "%lld x %lld pixels is outside the limits", w, h);
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const bool swap = SwapsSides(J.Orientation);
    J.Natural = swap ? QSize(int(h), int(w)) : QSize(int(w), int(h));
    QSize need = *J.Need ? (*J.Need)(J.Natural) : QSize();
    if (swap)
        need.transpose();
    cinfo.scale_num = static_cast<unsigned>(ScaleNum(QSize(int(w), int(h)), need));
    cinfo.scale_denom = 8;

    QImage::Format format = QImage::Format_RGB32;
    switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo.out_color_space = JCS_GRAYSCALE;
        format = QImage::Format_Grayscale8;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        // Converted by hand below; Adobe's writers store the inks inverted.
        cinfo.out_color_space = JCS_CMYK;
        J.Cmyk = true;
        J.Inverted = cinfo.saw_Adobe_marker;
        break;
    default:
        cinfo.out_color_space = JCS_EXT_BGRX; // QImage::Format_RGB32 on little-endian machines
        break;
    }
    jpeg_start_decompress(&cinfo);
    *J.Out = QImage(int(cinfo.output_width), int(cinfo.output_height), format);
    if (J.Out->isNull()) {
        std::snprintf(J.Problem, sizeof J.Problem, "out of memory");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = J.Out->scanLine(int(cinfo.output_scanline));
        jpeg_read_scanlines(&cinfo, &row, 1);
        if (J.Cmyk) {
            // Four bytes a pixel in place: C, M, Y, K to B, G, R, 0xFF.
            unsigned char* p = row;
            for (unsigned x = 0; x < cinfo.output_width; ++x, p += 4) {
                int c = p[0], m = p[1], y = p[2], k = p[3];
                if (!J.Inverted) {
                    c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
                }
                p[0] = static_cast<unsigned char>(y * k / 255);
                p[1] = static_cast<unsigned char>(m * k / 255);
                p[2] = static_cast<unsigned char>(c * k / 255);
                p[3] = 0xFF;
            }
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

QImage Upright(const QImage& Image, int Orientation)
{
    switch (Orientation) {
    case 2: return Image.mirrored(true, false);
    case 3: return Image.transformed(QTransform().rotate(180));
    case 4: return Image.mirrored(false, true);
    case 5: return Image.transformed(QTransform().rotate(90)).mirrored(true, false);
    case 6: return Image.transformed(QTransform().rotate(90));
    case 7: return Image.transformed(QTransform().rotate(270)).mirrored(true, false);
    case 8: return Image.transformed(QTransform().rotate(270));
    default: return Image;
    }
}

} // namespace

QImage ReadJpeg(const QByteArray& Data, const QString& Name, const TPicture::TNeed& Need, QSize* Natural)
{
    auto job = std::make_unique<TJpegJob>();
    QImage out;
    job->Data = &Data;
    job->Need = &Need;
    job->Out = &out;
    job->Info.err = jpeg_std_error(&job->Err.Pub);
    job->Err.Pub.error_exit = ErrorExit;
    job->Err.Pub.output_message = OutputMessage;
    job->Err.Message[0] = 0;
    if (!Decode(*job)) {
        const QString why = job->Problem[0] ? QString::fromLatin1(job->Problem) : QString::fromLatin1(job->Err.Message);
        throw EPictureError(QStringLiteral("Cannot read the JPEG picture \"%1\": %2.").arg(Name, why).toStdString());
    }
    if (Natural)
        *Natural = job->Natural;
    return Upright(out, job->Orientation);
}

int ExifOrientation(const unsigned char* Data, std::size_t Size)
{
    // TIFF header: byte order, 42, offset of the first directory; each entry
    // 12 bytes: tag, type, count, value. Every offset is checked first.
    if (!Data || Size < 8)
        return 1;
    const bool little = Data[0] == 'I' && Data[1] == 'I';
    if (!little && !(Data[0] == 'M' && Data[1] == 'M'))
        return 1;
    const auto u16 = [&](std::size_t at) {
        return little ? unsigned(Data[at] | Data[at + 1] << 8) : unsigned(Data[at] << 8 | Data[at + 1]);
    };
    const auto u32 = [&](std::size_t at) {
        return little ? (uint32_t(u16(at + 2)) << 16 | u16(at)) : (uint32_t(u16(at)) << 16 | u16(at + 2));
    };
    if (u16(2) != 42)
        return 1;
    const uint32_t ifd = u32(4);
    if (ifd > Size - 2)
        return 1;
    const unsigned count = u16(ifd);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t at = std::size_t(ifd) + 2 + std::size_t(i) * 12;
        if (at + 12 > Size)
            return 1;
        if (u16(at) == 0x0112) {
            const unsigned v = u16(at + 2) == 3 ? u16(at + 8) : 1; // SHORT
            return v >= 1 && v <= 8 ? int(v) : 1;
        }
    }
    return 1;
}
