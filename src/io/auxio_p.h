// Private helpers of the stream layer for the readers and writers inside
// the library: the byte fetch of their inner loops, inlined.
#pragma once

#include "tavrel.h"

namespace tav {

// Positions are 32-bit; they wrap instead of overflowing on streams
// longer than 2 GiB (only a channel can be that long).
inline void advance(AuxIO *stream, int n) {
    stream->pos = static_cast<int>(static_cast<unsigned>(stream->pos) + static_cast<unsigned>(n));
}

// Same contract as AuxIO_Fgetc: a pushed-back byte first, then one call
// into the kind.
inline int next_byte(AuxIO *stream) {
    int byte;
    if (stream->unget >= 0) {
        byte = stream->unget;
        stream->unget = -1;
    } else if (!stream->ops->getc || (byte = stream->ops->getc(stream)) < 0) {
        stream->eof = 1;
        return -1;
    }
    advance(stream, 1);
    return byte;
}

// Bytes left from the current position to the end of the stream, or -1
// when the stream cannot tell (a pipe or socket channel).  The position is
// restored; a pushed-back byte counts as one left.
long long bytes_left(AuxIO *stream);

}  // namespace tav
