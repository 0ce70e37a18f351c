// The stream layer: a process-wide registry of stream kinds, the stream
// record with its own position, push-back and end flag, and the "string"
// kind over a growable memory buffer.  Kinds without bulk operations get
// byte-wise fallbacks here.
#include "io/auxio_p.h"

#include "core/memory_p.h"

#include <climits>
#include <cstring>

namespace {

struct AuxIOKind {
    char *name;
    AuxIOOps *ops;
    AuxIOKind *next;
};

// Written only by the process-wide start-up and exit (under their mutex);
// the most recent registration of a name comes first.
AuxIOKind *kinds = nullptr;

// ---- the "string" kind ---------------------------------------------------

struct AuxIOMemory {
    unsigned char *buffer;
    int capacity;
};

AuxIOMemory *memory_of(AuxIO *stream) { return static_cast<AuxIOMemory *>(stream->priv); }

unsigned char **caller_buffer(AuxIO *stream) { return static_cast<unsigned char **>(stream->handle); }

int string_open(AuxIO *stream) {
    auto *memory = static_cast<AuxIOMemory *>(TavAlloc(sizeof(AuxIOMemory)));
    if (stream->size_ref) {
        memory->buffer = stream->handle ? *caller_buffer(stream) : nullptr;
        stream->length = memory->buffer && *stream->size_ref > 0 ? *stream->size_ref : 0;
        // An empty buffer of the caller's is never grown in place: the
        // first write takes a fresh one and leaves the caller's alone.
        if (stream->length == 0) memory->buffer = nullptr;
    } else {
        memory->buffer = nullptr;
        stream->length = 0;
        if (stream->handle) *caller_buffer(stream) = nullptr;
    }
    memory->capacity = stream->length;
    stream->priv = memory;
    stream->read_only = 0;
    return 0;
}

int string_close(AuxIO *stream) {
    // Without a caller's pointer nobody else can release what was written.
    if (!stream->handle) TavFree(memory_of(stream)->buffer);
    TavFree(stream->priv);
    stream->priv = nullptr;
    return 0;
}

// Grows the buffer geometrically (1024, then doubling) until it holds
// `needed` bytes.  The caller's pointer always names the current buffer.
// Capacities stay within int; beyond that the write is refused.
bool string_reserve(AuxIO *stream, long long needed) {
    AuxIOMemory *memory = memory_of(stream);
    if (needed <= memory->capacity) return true;
    if (needed > INT_MAX) return false;
    long long capacity = memory->capacity;
    while (capacity < needed) capacity = capacity > 0 ? capacity * 2 : 1024;
    if (capacity > INT_MAX) capacity = INT_MAX;
    // Growing in place (where the allocator can) spares copying and
    // touching fresh pages for the bytes already written.
    auto *fresh = static_cast<unsigned char *>(tav::attempt_realloc(memory->buffer, static_cast<size_t>(capacity)));
    if (!fresh) return false;
    memory->buffer = fresh;
    memory->capacity = static_cast<int>(capacity);
    if (stream->handle) *caller_buffer(stream) = fresh;
    return true;
}

int string_putc(AuxIO *stream, int byte) {
    if (!string_reserve(stream, static_cast<long long>(stream->pos) + 1)) return -1;
    memory_of(stream)->buffer[stream->pos] = static_cast<unsigned char>(byte);
    return byte & 0xFF;
}

int string_getc(AuxIO *stream) {
    if (stream->pos < 0 || stream->pos >= stream->length) return -1;
    return memory_of(stream)->buffer[stream->pos];
}

// Bulk forms of getc/putc with the same results, so that whole rows move
// with one memcpy.  A read that reaches the end sets the end flag, as the
// byte-wise loop would.
int string_read(AuxIO *stream, unsigned char *buffer, int n) {
    const int available = stream->pos < stream->length ? stream->length - stream->pos : 0;
    const int count = n < available ? n : available;
    if (count > 0) std::memcpy(buffer, memory_of(stream)->buffer + stream->pos, static_cast<size_t>(count));
    if (count < n) stream->eof = 1;
    return count;
}

int string_write(AuxIO *stream, const unsigned char *bytes, int n) {
    long long end = static_cast<long long>(stream->pos) + n;
    if (!string_reserve(stream, end)) {
        // Out of room: write what still fits.
        end = memory_of(stream)->capacity;
        if (end <= stream->pos) return -1;
    }
    const int count = static_cast<int>(end - stream->pos);
    std::memcpy(memory_of(stream)->buffer + stream->pos, bytes, static_cast<size_t>(count));
    return count;
}

void free_kind(AuxIOKind *kind) {
    TavFree(kind->ops);
    TavFree(kind->name);
    TavFree(kind);
}

const AuxIOOps *find_kind(const char *name) {
    for (AuxIOKind *kind = kinds; kind; kind = kind->next)
        if (std::strcmp(kind->name, name) == 0) return kind->ops;
    return nullptr;
}

void note_written(AuxIO *stream, int n) {
    tav::advance(stream, n);
    if (stream->pos > stream->length) stream->length = stream->pos;
}

}  // namespace

namespace tav {

long long bytes_left(AuxIO *stream) {
    if (!stream) return -1;
    const long long pushed = stream->unget >= 0 ? 1 : 0;
    if (!stream->ops->seek) {
        if (stream->length < 0) return -1;
        return stream->pos < stream->length ? stream->length - stream->pos : 0;
    }
    if (!stream->ops->tell) return -1;
    const int here = stream->ops->tell(stream);
    if (here < 0 || stream->ops->seek(stream, 0, 2) != 0) return -1;
    const int end = stream->ops->tell(stream);
    if (stream->ops->seek(stream, here, 0) != 0) {
        stream->eof = 1;  // the position is lost: nothing more can be read sensibly
        return -1;
    }
    if (end < here) return -1;
    return static_cast<long long>(end) - here + pushed;
}

}  // namespace tav

extern "C" {

// ---- kind registry --------------------------------------------------------

AuxIOOps *AuxIO_Reset(AuxIOOps *ops) {
    if (ops) std::memset(ops, 0, sizeof(AuxIOOps));
    return ops;
}

int AuxIO_Register(const char *name, const AuxIOOps *ops) {
    if (!name) return 1;
    auto *kind = static_cast<AuxIOKind *>(TavAlloc(sizeof(AuxIOKind)));
    kind->name = TavStrdup(name);
    kind->ops = nullptr;
    if (ops) {
        kind->ops = static_cast<AuxIOOps *>(TavAlloc(sizeof(AuxIOOps)));
        *kind->ops = *ops;
    }
    kind->next = kinds;
    kinds = kind;
    return 0;
}

int AuxIO_Start(void) {
    AuxIOOps ops;
    AuxIO_Reset(&ops);
    ops.open = string_open;
    ops.close = string_close;
    ops.putc = string_putc;
    ops.getc = string_getc;
    ops.read = string_read;
    ops.write = string_write;
    AuxIO_Register("string", &ops);
    return 1;
}

int AuxIO_Finish(void) {
    while (kinds) {
        AuxIOKind *kind = kinds;
        kinds = kind->next;
        free_kind(kind);
    }
    return 1;
}

// ---- streams ----------------------------------------------------------------

AuxIO *AuxIO_Init(const char *kind, void *handle, int *size_ref, int extra1, int extra2, int extra3) {
    if (!kind) return nullptr;
    if (!kinds) AuxIO_Start();
    const AuxIOOps *ops = find_kind(kind);
    if (!ops) return nullptr;
    auto *stream = static_cast<AuxIO *>(tav::attempt_alloc(sizeof(AuxIO)));
    if (!stream) return nullptr;
    stream->ops = const_cast<AuxIOOps *>(ops);
    stream->handle = handle;
    stream->size_ref = size_ref;
    stream->extra1 = extra1;
    stream->extra2 = extra2;
    stream->extra3 = extra3;
    stream->priv = nullptr;
    stream->pos = 0;
    stream->length = -1;
    stream->unget = -1;
    stream->eof = 0;
    stream->read_only = 0;
    stream->error = 0;
    if (stream->ops->open) stream->ops->open(stream);
    return stream;
}

void AuxIO_Close(AuxIO *stream) {
    if (!stream) return;
    AuxIO_Flush(stream);
    if (stream->ops->close) stream->ops->close(stream);
    TavFree(stream);
}

// ---- reading ------------------------------------------------------------------

int AuxIO_Fgetc(AuxIO *stream) { return tav::next_byte(stream); }

int AuxIO_Ungetc(int byte, AuxIO *stream) {
    if (!stream || byte < 0 || stream->pos < 1) return -1;
    --stream->pos;
    stream->unget = byte & 0xFF;
    return stream->unget;
}

int AuxIO_Read(AuxIO *stream, unsigned char *buffer, int n) {
    if (n <= 0) return 0;
    if (!stream) return -1;
    int placed = 0;
    while (placed < n) {
        if (stream->unget < 0 && stream->ops->read) {
            const int got = stream->ops->read(stream, buffer + placed, n - placed);
            if (got < 0) return placed > 0 ? placed : got;
            tav::advance(stream, got);
            return placed + got;
        }
        const int byte = tav::next_byte(stream);
        if (byte < 0) break;
        buffer[placed++] = static_cast<unsigned char>(byte);
    }
    return placed;
}

int AuxIO_Fread(unsigned char *buffer, int size, int count, AuxIO *stream) {
    size_t total = 0;
    if (size < 0 || count < 0 || !tav::checked_mul(static_cast<size_t>(size), static_cast<size_t>(count), &total) ||
        total > INT_MAX)
        return -1;
    return AuxIO_Read(stream, buffer, static_cast<int>(total));
}

char *AuxIO_Fgets(char *buffer, int n, AuxIO *stream) {
    if (!buffer || n < 1) return nullptr;
    int placed = 0;
    while (placed < n - 1) {
        const int byte = tav::next_byte(stream);
        if (byte < 0) break;
        buffer[placed++] = static_cast<char>(byte);
        if (byte == '\n') break;
    }
    buffer[placed] = '\0';
    return placed > 0 ? buffer : nullptr;
}

int AuxIO_SkipTo(AuxIO *stream, const char *pattern) {
    size_t index = 0;
    const size_t length = std::strlen(pattern);
    while (index < length) {
        const int byte = tav::next_byte(stream);
        if (byte < 0) return 0;
        // A mismatch restarts the pattern with the next byte; the
        // mismatching byte itself is not compared again.
        index = byte == static_cast<unsigned char>(pattern[index]) ? index + 1 : 0;
    }
    return 1;
}

int AuxIO_SkipLine(AuxIO *stream) { return AuxIO_SkipTo(stream, "\n"); }

int AuxIO_SkipSpace(AuxIO *stream) {
    for (;;) {
        const int byte = tav::next_byte(stream);
        if (byte < 0) return 1;
        if (byte != ' ' && (byte < 9 || byte > 13)) {
            AuxIO_Ungetc(byte, stream);
            return 1;
        }
    }
}

int AuxIO_Eof(AuxIO *stream) { return stream ? stream->eof : 1; }

// ---- writing --------------------------------------------------------------------

int AuxIO_Fputc(int byte, AuxIO *stream) {
    if (!stream || stream->read_only) return -1;
    const int written = stream->ops->putc ? stream->ops->putc(stream, byte) : byte & 0xFF;
    if (written != -1) note_written(stream, 1);
    else stream->error = 1;
    return written;
}

int AuxIO_Fwrite(const unsigned char *bytes, int size, int count, AuxIO *stream) {
    if (!stream || stream->read_only || size < 0 || count < 0) return -1;
    if (count == 0) return 0;
    if (size == 0) return count;
    size_t total = 0;
    if (!tav::checked_mul(static_cast<size_t>(size), static_cast<size_t>(count), &total) || total > INT_MAX)
        return -1;
    if (stream->ops->write) {
        int written = stream->ops->write(stream, bytes, static_cast<int>(total));
        if (written < 0) written = 0;
        note_written(stream, written);
        if (static_cast<size_t>(written) < total) stream->error = 1;
        return static_cast<size_t>(written) < total ? written / size : count;
    }
    for (size_t i = 0; i < total; ++i)
        if (AuxIO_Fputc(bytes[i], stream) == -1) return -1;
    return count;
}

int AuxIO_Write(AuxIO *stream, const unsigned char *bytes, int n) { return AuxIO_Fwrite(bytes, 1, n, stream); }

int AuxIO_Fputs(const char *text, AuxIO *stream) {
    const size_t length = std::strlen(text);
    if (length > INT_MAX) return -1;
    const int n = static_cast<int>(length);
    return AuxIO_Fwrite(reinterpret_cast<const unsigned char *>(text), 1, n, stream) == n ? n : -1;
}

int AuxIO_Flush(AuxIO *stream) {
    if (!stream) return -1;
    const int result = stream->ops->flush ? stream->ops->flush(stream) : 0;
    if (result != 0) stream->error = 1;
    return result;
}

// ---- positioning ----------------------------------------------------------------

int AuxIO_Tell(AuxIO *stream) {
    if (!stream) return -1;
    if (!stream->ops->tell) return stream->pos;
    // The kind is one byte ahead while a byte is pushed back.
    const int here = stream->ops->tell(stream);
    return stream->unget >= 0 && here > 0 ? here - 1 : here;
}

int AuxIO_Seek(AuxIO *stream, int offset, int whence) {
    if (!stream) return -1;
    if (stream->ops->seek) {
        // A relative seek counts from the caller's position, which lags
        // the kind's by a pushed-back byte.
        if (whence == 1 && stream->unget >= 0) {
            if (offset == INT_MIN) return -1;  // before any position
            --offset;
        }
        if (stream->ops->seek(stream, offset, whence) != 0) return -1;
        stream->eof = 0;
        stream->unget = -1;
        stream->pos = AuxIO_Tell(stream);
        return 0;
    }
    long long target;
    switch (whence) {
        case 0: target = offset; break;
        case 1: target = static_cast<long long>(stream->pos) + offset; break;
        case 2:
            if (stream->length < 0) return -1;
            target = static_cast<long long>(stream->length) + offset;
            break;
        default: return -1;
    }
    if (target < 0) target = 0;
    if (stream->length >= 0 && target > stream->length) target = stream->length;
    if (target > INT_MAX) target = INT_MAX;
    stream->pos = static_cast<int>(target);
    stream->unget = -1;
    stream->eof = 0;
    return stream->pos;
}

int AuxIO_Rewind(AuxIO *stream) {
    const int result = AuxIO_Seek(stream, 0, 0);
    AuxIO_ClearErr(stream);
    return result;
}

int AuxIO_ClearErr(AuxIO *stream) {
    if (!stream) return -1;
    if (stream->ops->clearerr) stream->ops->clearerr(stream);
    stream->eof = 0;
    stream->error = 0;
    return 0;
}

}  // extern "C"
