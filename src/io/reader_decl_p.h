// How a reader is declared: a header function that reads what a format says
// before its pixels into a record, and a decode function that fills rows it
// is handed.  The steps between the two are the same for every format and
// are taken once, by admit() (format_registry.cpp), in this order:
//
// 1. A null image is only told the size and mode; nothing is decoded.
// 2. A picture above the pixel ceiling is refused, and so is one whose
//    decoder's working memory (`working_bytes`) would take the picture and
//    it together past the ceiling's budget of four bytes a pixel.
// 3. A picture the bytes left in the stream cannot carry (under the
//    format's strongest compression: `needs_bytes`) is refused.
// 4. The image is made in the header's mode without blanking: its memory
//    comes zeroed from the allocator, so what a sparse picture leaves
//    unpainted is transparent black and costs no resident memory.
// 5. The decoder gets the image's rows in memory when it may write them in
//    place, and the pixel functions otherwise.
//
// A decoder that runs out of memory (an allocation failure anywhere,
// including std::bad_alloc from a library) refuses the file like any damage.
#pragma once

#include "io/image_rows_p.h"
#include "tavrel.h"

#include <new>

namespace tav {

// What a format's header tells before any pixel is decoded.  A format's
// own record derives from it and adds what its decoder needs.
struct PictureHeader {
    int width = 0;
    int height = 0;
    int mode = TAV_MODE_RGBA;
    // Bytes the rest of the stream must still hold for this picture to be
    // real; 0 where no ratio bounds it (the ceiling alone does).
    unsigned long long needs_bytes = 0;
    // Bytes the decoder holds beside the picture while it decodes (a JPEG
    // of several scans keeps every block's coefficients); 0 for none.
    unsigned long long working_bytes = 0;
};

// The image a decoder fills, and its rows when it may write them in place
// (`direct`); otherwise the decoder stores through the pixel functions.
struct DecodeTarget {
    Photo *image = nullptr;
    ImageRows rows;
    bool direct = false;
};

enum class Admission { SizeOnly, Refused, Decode };

// The generic steps above for a header just read; on Decode, `target` is
// the made image.
Admission admit(AuxIO *stream, Photo *image, const PictureHeader &header, DecodeTarget *target);

template <class Header>
using HeaderFn = bool (*)(AuxIO *stream, Header *header);
template <class Header>
using DecodeFn = bool (*)(AuxIO *stream, const Header &header, const DecodeTarget &target);

// A reader entry (FormatReader) made of a header and a decode function.
// `header` may come filled with what the reader's options ask for.
template <class Header>
Photo *read_declared(AuxIO *stream, Photo *image, HeaderFn<Header> read_header, DecodeFn<Header> decode,
                     Header *header) {
    if (!stream || !image) return nullptr;
    try {
        if (!read_header(stream, header)) return nullptr;
        DecodeTarget target;
        switch (admit(stream, image, *header, &target)) {
        case Admission::SizeOnly: return image;
        case Admission::Refused: return nullptr;
        case Admission::Decode: break;
        }
        return decode(stream, *header, target) ? image : nullptr;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

template <class Header>
Photo *read_declared(AuxIO *stream, Photo *image, HeaderFn<Header> read_header, DecodeFn<Header> decode) {
    Header header;
    return read_declared(stream, image, read_header, decode, &header);
}

}  // namespace tav
