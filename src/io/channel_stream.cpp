// The "channel" stream kind: readers and writers work directly on a Tcl
// channel, which belongs to the caller — the stream never opens,
// configures or closes it.  Positions are the channel's own once a seek
// has been made.
#include "io/format_registry_p.h"

#include <tcl.h>

#include "core/memory_p.h"

#include <algorithm>
#include <climits>

namespace {

// Room for the headers, tables and trailers of a picture beside its pixels.
constexpr long long kHeaderSlack = 1LL << 20;

Tcl_Channel channel_of(AuxIO *stream) { return static_cast<Tcl_Channel>(stream->handle); }

int channel_open(AuxIO *) { return 0; }

int channel_putc(AuxIO *stream, int byte) {
    const char c = static_cast<char>(byte);
    return Tcl_Write(channel_of(stream), &c, 1) == 1 ? byte & 0xFF : -1;
}

int channel_getc(AuxIO *stream) {
    char c;
    return Tcl_Read(channel_of(stream), &c, 1) == 1 ? static_cast<unsigned char>(c) : -1;
}

int channel_write(AuxIO *stream, const unsigned char *bytes, int n) {
    return Tcl_Write(channel_of(stream), reinterpret_cast<const char *>(bytes), n);
}

// End and error look alike to the readers: both deliver nothing.
int channel_read(AuxIO *stream, unsigned char *buffer, int n) {
    const int got = Tcl_Read(channel_of(stream), reinterpret_cast<char *>(buffer), n);
    if (got < n && (got <= 0 || Tcl_Eof(channel_of(stream)))) stream->eof = 1;
    return got > 0 ? got : 0;
}

int channel_seek(AuxIO *stream, int offset, int whence) {
    return Tcl_Seek(channel_of(stream), static_cast<Tcl_WideInt>(offset), whence) == -1 ? -1 : 0;
}

int channel_tell(AuxIO *stream) { return static_cast<int>(Tcl_Tell(channel_of(stream))); }

int channel_flush(AuxIO *stream) { return Tcl_Flush(channel_of(stream)) == TCL_OK ? 0 : -1; }

bool drawable(Photo *image) { return image && image->width > 0 && image->height > 0; }

}  // namespace

namespace tav {

// Probing formats rewinds the stream after every refusal, which a pipe or
// socket cannot do: such a channel is read whole first and probed in
// memory.  Readers therefore always see a stream that knows its length.
Photo *read_channel(FormatDb **handle, Photo *image, Tcl_Channel channel, const char *format, OnRefusal on_refusal) {
    if (!channel) return nullptr;
    if (Tcl_Tell(channel) < 0) {
        // No picture within the ceiling takes more than eight bytes a pixel
        // in any format (16-bit RGBA stored without compression), plus its
        // headers: a longer stream is refused instead of buffered.
        const long long ceiling = TavGetPixelCeiling();
        const long long most = ceiling > (INT_MAX - kHeaderSlack) / 8 ? INT_MAX : 8 * ceiling + kHeaderSlack;
        tav::Bytes data;
        long long size = 0, capacity = 0;
        for (;;) {
            if (size == capacity) {
                if (capacity >= most) return nullptr;
                const long long grown = std::min(most, capacity ? 2 * capacity : 65536LL);
                auto *fresh = static_cast<unsigned char *>(tav::attempt_realloc(data.get(), static_cast<size_t>(grown)));
                if (!fresh) return nullptr;  // out of memory: a refusal, never an abort
                data.release();
                data.reset(fresh);
                capacity = grown;
            }
            const int got = Tcl_Read(channel, reinterpret_cast<char *>(data.get() + size), static_cast<int>(capacity - size));
            if (got < 0) return nullptr;
            if (got == 0) break;
            size += got;
        }
        return read_string(handle, image, data.get(), static_cast<int>(size), format, on_refusal);
    }
    AuxIO *stream = AuxIO_Init("channel", channel, nullptr, 0, 0, 0);
    if (!stream) return nullptr;
    Photo *result = read_generic(handle, image, stream, format, on_refusal);
    AuxIO_Close(stream);
    return result;
}

}  // namespace tav

extern "C" {

int ChannelIO_Init(void) {
    AuxIOOps ops;
    AuxIO_Reset(&ops);
    ops.open = channel_open;
    ops.putc = channel_putc;
    ops.getc = channel_getc;
    ops.write = channel_write;
    ops.read = channel_read;
    ops.seek = channel_seek;
    ops.tell = channel_tell;
    ops.flush = channel_flush;
    AuxIO_Register("channel", &ops);
    return 0;
}

Photo *TavReadChannel(FormatDb **handle, Photo *image, Tcl_Channel channel, const char *format, const char *) {
    return tav::read_channel(handle, image, channel, format, tav::OnRefusal::Empty);
}

int TavWriteChannel(FormatDb **handle, Photo *image, Tcl_Channel channel, const char *format, const char *) {
    if (!drawable(image)) return -1;
    if (!channel) return 1;
    AuxIO *stream = AuxIO_Init("channel", channel, nullptr, 0, 0, 0);
    if (!stream) return 1;
    int result = TavWriteGeneric(handle, image, stream, format);
    // A write or flush that failed (a full disk, a closed pipe) is a failed
    // save, not a success with a cut-off file.
    if (result == 0 && (AuxIO_Flush(stream) != 0 || stream->error)) result = 1;
    AuxIO_Close(stream);
    return result;
}

}  // extern "C"
