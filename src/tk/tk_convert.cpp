// Pixels between the library's images and Tk photos: a read-only image over
// a Tk block, and a rectangle of an image written into a photo in tiles.
#include "tk/tk_p.h"

#include "core/memory_p.h"
#include "core/render_memory_p.h"

#include <algorithm>
#include <climits>

namespace {

// The alpha plane of a block without alpha: one byte read with stride 0.
const unsigned char kOpaque = 255;

// A tile of full-width RGBA rows fits in this many bytes; wider rows are
// cut into pieces of kPieceWidth pixels.
constexpr int kTileBytes = 262144;
constexpr int kPieceWidth = 65536;

bool block_is_sound(const Tk_PhotoImageBlock *block) {
    if (!block || block->width < 0 || block->height < 0) return false;
    if (block->width == 0 || block->height == 0) return true;
    if (!block->pixelPtr || block->pixelSize < 1 || block->pitch < 0) return false;
    for (int c = 0; c < 3; ++c)
        if (block->offset[c] < 0 || block->offset[c] >= block->pixelSize) return false;
    return static_cast<long long>(block->width) * block->pixelSize <= block->pitch || block->height == 1;
}

// The rows of an interleaved RGBA memory image, read in place by Tk (whose
// blocks step down the rows).
bool rgba_rows_of(Photo *image, tav::DirectRows *rows) {
    return image->mode == TAV_MODE_RGBA && image->channels == 4 && tav::readable_rows(image, rows) &&
           rows->row_stride > 0;
}

}  // namespace

extern "C" {

Photo *PhotoCreateFromTkPhotoBlock(Tk_PhotoImageBlock *block) {
    if (!block_is_sound(block)) return nullptr;
    TavPlaneSet planes{};
    const tav::tk::BlockChannels ch = tav::tk::channels_of(*block);
    const int at[3] = {ch.r, ch.g, ch.b};
    for (int c = 0; c < 3; ++c) {
        planes.plane[c] = block->pixelPtr ? block->pixelPtr + at[c] : nullptr;
        planes.pixel_stride[c] = block->pixelSize;
        planes.row_stride[c] = block->pitch;
    }
    if (ch.a >= 0) {
        planes.plane[3] = block->pixelPtr ? block->pixelPtr + ch.a : nullptr;
        planes.pixel_stride[3] = block->pixelSize;
        planes.row_stride[3] = block->pitch;
    } else {
        planes.plane[3] = const_cast<unsigned char *>(&kOpaque);
    }
    Photo *image = PhotoCreateExt(block->width, block->height, TAV_MODE_RGBA, TAV_RENDER_MEMORY, &planes);
    // A view of Tk's storage (and of a constant) is read, never written.
    if (image && image->render_ops) image->render_ops->put_block = nullptr;
    return image;
}

int TavrelToTkPhoto(Tcl_Interp *interp, Photo *image, void *photo, int dst_x, int dst_y, int width, int height,
                    int src_x, int src_y) {
    if (!image || !photo || src_x < 0 || src_y < 0) return 1;
    if (src_x >= image->width || src_y >= image->height) return 0;
    width = std::min(width, image->width - src_x);
    height = std::min(height, image->height - src_y);
    if (width <= 0 || height <= 0) return 0;

    Tk_PhotoImageBlock block{};
    block.pixelSize = 4;
    for (int c = 0; c < 4; ++c) block.offset[c] = c;

    // Tk reads an RGBA memory image's own rows in place: one block for the
    // whole rectangle, no tile.  (Tk's cost per block grows with the photo,
    // not the block, so many small blocks into a large photo are slow.)
    if (tav::DirectRows rows{}; rgba_rows_of(image, &rows)) {
        block.pixelPtr = rows.base + static_cast<ptrdiff_t>(src_y) * rows.row_stride + static_cast<ptrdiff_t>(src_x) * 4;
        block.pitch = static_cast<int>(rows.row_stride);
        block.width = width;
        block.height = height;
        return Tk_PhotoPutBlock(interp, static_cast<Tk_PhotoHandle>(photo), &block, dst_x, dst_y, width, height,
                                TK_PHOTO_COMPOSITE_SET) == TCL_OK ? 0 : 1;
    }

    const int rows_per_band = std::max(1, kTileBytes / (4 * std::min(width, kPieceWidth)));
    const int piece_width = std::min(width, kPieceWidth);
    tav::Bytes tile = tav::attempt_bytes(static_cast<size_t>(piece_width) * std::min(rows_per_band, height) * 4);
    if (!tile) return 1;
    for (int band = 0; band < height; band += rows_per_band) {
        const int band_height = std::min(rows_per_band, height - band);
        for (int piece = 0; piece < width; piece += piece_width) {
            const int w = std::min(piece_width, width - piece);
            const int x = src_x + piece, y = src_y + band;
            PhotoGetRGBA(image, tile.get(), x, y, w, band_height);
            block.pixelPtr = tile.get();
            block.pitch = 4 * w;
            block.width = w;
            block.height = band_height;
            if (Tk_PhotoPutBlock(interp, static_cast<Tk_PhotoHandle>(photo), &block, dst_x + piece, dst_y + band, w,
                                 band_height, TK_PHOTO_COMPOSITE_SET) != TCL_OK)
                return 1;
        }
    }
    return 0;
}

}  // extern "C"
