#include "plPngReader.h"

#include <png.h>

#include <cstdio>
#include <cstring>

QImage DecodePng(const QByteArray& data)
{
    return DecodePng(data, nullptr, qint64(32768) * 32768);
}

namespace {

// libpng reports errors by jumping back to the decoding step; everything the
// jump crosses lives in this block, outside that function's frame.
struct TPngJob {
    const QByteArray* Data = nullptr;
    std::size_t At = 0;
    qint64 MaxPixels = 0;
    QImage* Out = nullptr;
    char Message[160] = {};
};

void PngError(png_structp Png, png_const_charp Message)
{
    auto* job = static_cast<TPngJob*>(png_get_error_ptr(Png));
    std::snprintf(job->Message, sizeof job->Message, "%s", Message);
    png_longjmp(Png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngRead(png_structp Png, png_bytep Target, png_size_t Length)
{
    auto* job = static_cast<TPngJob*>(png_get_io_ptr(Png));
    if (Length > std::size_t(job->Data->size()) - job->At)
        png_error(Png, "the file is cut off");
    std::memcpy(Target, job->Data->constData() + job->At, Length);
    job->At += Length;
}

// No C++ object with a destructor may be created here: libpng jumps into it.
bool DecodeSteps(TPngJob& J)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &J, PngError, PngWarning);
    if (!png) {
        std::snprintf(J.Message, sizeof J.Message, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return false;
    }
    png_set_read_fn(png, &J, PngRead);
    png_read_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    if (w == 0 || h == 0)
        png_error(png, "the image has no pixels");
    if (w > 32768 || h > 32768 || qint64(w) * h > J.MaxPixels)
        png_error(png, "the image is larger than the limit");
    // Every kind of pixel to 8-bit B, G, R, A.
    png_set_strip_16(png);
    png_set_palette_to_rgb(png);
    png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_tRNS_to_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    *J.Out = QImage(int(w), int(h), QImage::Format_ARGB32);
    if (J.Out->isNull())
        png_error(png, "out of memory");
    for (int pass = png_set_interlace_handling(png); pass > 0; --pass)
        for (png_uint_32 y = 0; y < h; ++y)
            png_read_row(png, J.Out->scanLine(int(y)), nullptr);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

} // namespace

QImage DecodePng(const QByteArray& data, QString* Error, qint64 MaxPixels)
{
    QImage out;
    TPngJob job;
    job.Data = &data;
    job.MaxPixels = MaxPixels;
    job.Out = &out;
    if (!DecodeSteps(job)) {
        if (Error)
            *Error = QString::fromLatin1(job.Message);
        return {};
    }
    return out;
}
