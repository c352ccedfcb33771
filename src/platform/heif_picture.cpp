// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/heif_picture.h"

#include <QIODevice>

#include <memory>

#include <libheif/heif.h>

namespace lumaport {

namespace {

struct HeifRelease
{
    void operator()(heif_context* context) const { heif_context_free(context); }
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
    void operator()(heif_image* image) const { heif_image_release(image); }
};

template <typename T> using HeifPointer = std::unique_ptr<T, HeifRelease>;

bool failed(const heif_error& result, QString* error)
{
    if (result.code == heif_error_Ok)
        return false;
    *error = QString::fromUtf8(result.message);
    return true;
}

} // namespace

bool isHeifPicture(QIODevice& file)
{
    if (!file.seek(0))
        return false;
    const QByteArray head = file.read(32);
    return heif_check_filetype(reinterpret_cast<const uint8_t*>(head.constData()), int(head.size())) ==
           heif_filetype_yes_supported;
}

std::optional<QImage> readHeifPicture(QIODevice& file, QString* error)
{
    if (!file.seek(0)) {
        *error = file.errorString();
        return std::nullopt;
    }
    // The context reads from this buffer until it is freed, which happens first.
    const QByteArray content = file.readAll();
    const HeifPointer<heif_context> context(heif_context_alloc());
    if (failed(heif_context_read_from_memory_without_copy(context.get(), content.constData(), size_t(content.size()),
                                                          nullptr),
               error))
        return std::nullopt;
    heif_image_handle* handle = nullptr;
    if (failed(heif_context_get_primary_image_handle(context.get(), &handle), error))
        return std::nullopt;
    const HeifPointer<heif_image_handle> primary(handle);
    heif_image* decoded = nullptr;
    if (failed(heif_decode_image(handle, &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, nullptr), error))
        return std::nullopt;
    const HeifPointer<heif_image> image(decoded);
    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(decoded, heif_channel_interleaved);
    const int height = heif_image_get_height(decoded, heif_channel_interleaved);
    if (pixels == nullptr || width <= 0 || height <= 0) {
        *error = QStringLiteral("no picture in it");
        return std::nullopt;
    }
    // Copied, since the library's buffer goes with its image.
    return QImage(pixels, width, height, stride, QImage::Format_RGBA8888).copy();
}

} // namespace lumaport
