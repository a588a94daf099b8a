#include "heifreader.h"

#include <QtEndian>
#include <algorithm>
#include <libheif/heif.h>
#include <memory>

namespace {

template<typename T, void (*release)(T *)> struct Releaser
{
    void operator()(T *p) const { release(p); }
};
using Context = std::unique_ptr<heif_context, Releaser<heif_context, heif_context_free>>;
void releaseHandle(heif_image_handle *handle)
{
    heif_image_handle_release(handle);
}
using Handle = std::unique_ptr<heif_image_handle, Releaser<heif_image_handle, releaseHandle>>;
void releaseImage(heif_image *image)
{
    heif_image_release(image);
}
using Image = std::unique_ptr<heif_image, Releaser<heif_image, releaseImage>>;
using Options = std::unique_ptr<heif_decoding_options,
    Releaser<heif_decoding_options, heif_decoding_options_free>>;

} // namespace

bool HeifReader::isHeif(const QByteArray &head)
{
    // size, "ftyp", major brand, minor version, compatible brands
    if (head.size() < 16 || head.mid(4, 4) != "ftyp")
        return false;
    const qsizetype end
        = std::min<qsizetype>(qFromBigEndian<quint32>(head.constData()), head.size());
    const auto heifBrand = [&](qsizetype at) {
        const QByteArray brand = head.mid(at, 4);
        return brand == "mif1" || brand == "msf1" || brand == "heic" || brand == "heix"
            || brand == "heim" || brand == "heis" || brand == "hevc" || brand == "hevx";
    };
    if (heifBrand(8))
        return true;
    for (qsizetype at = 16; at + 4 <= end; at += 4)
        if (heifBrand(at))
            return true;
    return false;
}

HeifReader::Result HeifReader::read(const QByteArray &data, qint64 maxPixels)
{
    Context context(heif_context_alloc());
    if (!context)
        return {{}, Error::Damaged, {}};
    const heif_error opened = heif_context_read_from_memory_without_copy(
        context.get(), data.constData(), std::size_t(data.size()), nullptr);
    if (opened.code == heif_error_Unsupported_filetype
        || opened.code == heif_error_Unsupported_feature)
        return {{}, Error::Unsupported, {}};
    if (opened.code != heif_error_Ok)
        return {{}, Error::Damaged, {}};
    heif_image_handle *primary = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok)
        return {{}, Error::Damaged, {}};
    const Handle handle(primary);
    const QSize size(heif_image_handle_get_width(primary), heif_image_handle_get_height(primary));
    if (size.isEmpty())
        return {{}, Error::Damaged, size};
    if (qint64(size.width()) * size.height() > maxPixels)
        return {{}, Error::TooLarge, size};

    // The file's own turn and mirror are applied; an Exif orientation, if
    // any, repeats them and is not applied again. Ten bits (HDR) become eight.
    const Options options(heif_decoding_options_alloc());
    if (options)
        options->convert_hdr_to_8bit = 1;
    heif_image *decoded = nullptr;
    const heif_error error = heif_decode_image(
        primary, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGB, options.get());
    const Image image(decoded);
    if (error.code != heif_error_Ok || !image)
        return {{},
            error.code == heif_error_Unsupported_feature ? Error::Unsupported : Error::Damaged,
            size};
    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
#if LIBHEIF_HAVE_VERSION(1, 20, 0)
    std::size_t stride = 0;
    const uint8_t *pixels
        = heif_image_get_plane_readonly2(decoded, heif_channel_interleaved, &stride);
#else
    int stride = 0;
    const uint8_t *pixels
        = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
#endif
    if (!pixels || width <= 0 || height <= 0 || qsizetype(stride) < qsizetype(width) * 3)
        return {{}, Error::Damaged, size};
    // A deep copy: the decoded planes go with the image handle.
    return {QImage(pixels, width, height, qsizetype(stride), QImage::Format_RGB888).copy(),
        Error::None, size};
}
