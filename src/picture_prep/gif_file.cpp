// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture_prep/gif_file.h"

#include <QFile>
#include <QImage>

#include <gif_lib.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace lumaport {

namespace {

QString gifError(const QString& path, int code)
{
    const char* text = GifErrorString(code);
    return QStringLiteral("Cannot write \"%1\": %2").arg(path, QString::fromLatin1(text ? text : "GIF error"));
}

bool isLoopingBlock(const ExtensionBlock& block)
{
    return block.ByteCount >= 11 &&
           (std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 || std::memcmp(block.Bytes, "ANIMEXTS1.0", 11) == 0);
}

// Keeps what shapes the picture (frame timing, transparency, looping, plain text) and drops the rest; an
// application block's continuation goes with it.
void dropMetadataBlocks(int* count, ExtensionBlock** blocks)
{
    int kept = 0;
    bool keepingContinuation = false;
    for (int i = 0; i < *count; ++i) {
        ExtensionBlock& block = (*blocks)[i];
        bool keep = false;
        if (block.Function == CONTINUE_EXT_FUNC_CODE)
            keep = keepingContinuation;
        else if (block.Function == APPLICATION_EXT_FUNC_CODE)
            keep = keepingContinuation = isLoopingBlock(block);
        else
            keep = block.Function == GRAPHICS_EXT_FUNC_CODE || block.Function == PLAINTEXT_EXT_FUNC_CODE;
        if (block.Function != CONTINUE_EXT_FUNC_CODE && block.Function != APPLICATION_EXT_FUNC_CODE)
            keepingContinuation = false;
        if (keep)
            (*blocks)[kept++] = block;
        else
            std::free(block.Bytes);
    }
    *count = kept;
}

struct GifReaderCloser
{
    void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};

} // namespace

bool copyGifWithoutMetadata(const QString& source, const QString& target, QString* error)
{
    int code = 0;
    std::unique_ptr<GifFileType, GifReaderCloser> in(DGifOpenFileName(QFile::encodeName(source).constData(), &code));
    if (!in || DGifSlurp(in.get()) != GIF_OK) {
        *error = QStringLiteral("Cannot read the GIF picture \"%1\".").arg(source);
        return false;
    }
    for (int i = 0; i < in->ImageCount; ++i)
        dropMetadataBlocks(&in->SavedImages[i].ExtensionBlockCount, &in->SavedImages[i].ExtensionBlocks);

    GifFileType* out = EGifOpenFileName(QFile::encodeName(target).constData(), false, &code);
    if (!out) {
        *error = gifError(target, code);
        return false;
    }
    out->SWidth = in->SWidth;
    out->SHeight = in->SHeight;
    out->SColorResolution = in->SColorResolution;
    out->SBackGroundColor = in->SBackGroundColor;
    out->AspectByte = in->AspectByte;
    // Lent, not copied: the writer writes copies of the colour maps and frees only those, and never frees the
    // frames; the reader frees all of these when it closes.
    out->SColorMap = in->SColorMap;
    out->ImageCount = in->ImageCount;
    out->SavedImages = in->SavedImages;
    // EGifSpew closes the file, also when it fails at the end; a failure before that leaves the writer open,
    // and it is left so rather than freed twice.
    if (EGifSpew(out) != GIF_OK) {
        *error = QStringLiteral("Cannot write \"%1\".").arg(target);
        return false;
    }
    return true;
}

bool writeStillGif(const QImage& image, const QString& path, QString* error)
{
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int width = argb.width();
    const int height = argb.height();
    const auto pixels = std::size_t(width) * std::size_t(height);
    std::vector<GifByteType> red(pixels), green(pixels), blue(pixels), indices(pixels);
    bool transparent = false;
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            const std::size_t i = std::size_t(y) * std::size_t(width) + std::size_t(x);
            red[i] = GifByteType(qRed(line[x]));
            green[i] = GifByteType(qGreen(line[x]));
            blue[i] = GifByteType(qBlue(line[x]));
            transparent = transparent || qAlpha(line[x]) < 128;
        }
    }
    // The last index stays free for the transparent pixels.
    int colours = transparent ? 255 : 256;
    std::unique_ptr<ColorMapObject, void (*)(ColorMapObject*)> map(GifMakeMapObject(256, nullptr), GifFreeMapObject);
    if (!map || GifQuantizeBuffer(unsigned(width), unsigned(height), &colours, red.data(), green.data(), blue.data(),
                                  indices.data(), map->Colors) != GIF_OK) {
        *error = QStringLiteral("Cannot reduce the colours of \"%1\".").arg(path);
        return false;
    }
    if (transparent) {
        for (int y = 0; y < height; ++y) {
            const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            for (int x = 0; x < width; ++x)
                if (qAlpha(line[x]) < 128)
                    indices[std::size_t(y) * std::size_t(width) + std::size_t(x)] = 255;
        }
    }

    int code = 0;
    GifFileType* gif = EGifOpenFileName(QFile::encodeName(path).constData(), false, &code);
    if (!gif) {
        *error = gifError(path, code);
        return false;
    }
    EGifSetGifVersion(gif, true);
    bool written = EGifPutScreenDesc(gif, width, height, 8, 0, map.get()) == GIF_OK;
    if (written && transparent) {
        GraphicsControlBlock control{};
        control.DisposalMode = DISPOSAL_UNSPECIFIED;
        control.TransparentColor = 255;
        GifByteType extension[4];
        const auto length = int(EGifGCBToExtension(&control, extension));
        written = EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, length, extension) == GIF_OK;
    }
    written = written && EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) == GIF_OK;
    for (int y = 0; written && y < height; ++y)
        written = EGifPutLine(gif, &indices[std::size_t(y) * std::size_t(width)], width) == GIF_OK;
    if (!written)
        code = gif->Error;
    if (EGifCloseFile(gif, written ? &code : nullptr) != GIF_OK)
        written = false;
    if (!written)
        *error = gifError(path, code);
    return written;
}

} // namespace lumaport
