// Test support: owning an image, and reading and writing one through the
// library's "string" streams, as every format test does.
#pragma once

#include <vector>

#include "tavrel.h"

namespace tavtest {

using Bytes = std::vector<unsigned char>;

// Owns an image (from PhotoCreate or a reader's making); movable, so that
// helpers can return one.
class PhotoPtr {
public:
    Photo *p;
    explicit PhotoPtr(Photo *image = nullptr) : p(image) {}
    PhotoPtr(PhotoPtr &&other) noexcept : p(other.p) { other.p = nullptr; }
    PhotoPtr &operator=(PhotoPtr &&other) noexcept {
        if (this != &other) {
            PhotoDelete(p);
            p = other.p;
            other.p = nullptr;
        }
        return *this;
    }
    ~PhotoPtr() { PhotoDelete(p); }
    Photo *get() const { return p; }
    Photo *operator->() const { return p; }
    operator Photo *() const { return p; }
};

// A read-only "string" stream over caller bytes.
class ReadStream {
public:
    explicit ReadStream(const Bytes &bytes)
        : data_(const_cast<unsigned char *>(bytes.data())), length_(static_cast<int>(bytes.size())),
          stream_(AuxIO_Init("string", &data_, &length_, 0, 0, 0)) {}
    ReadStream(const ReadStream &) = delete;
    ReadStream &operator=(const ReadStream &) = delete;
    ~ReadStream() { AuxIO_Close(stream_); }
    AuxIO *get() const { return stream_; }

private:
    unsigned char *data_;
    int length_;
    AuxIO *stream_;
};

// What `reader` returns for `bytes` read into `image`.
inline Photo *read_with(FormatReader reader, Photo *image, const Bytes &bytes, const char *options = nullptr) {
    ReadStream stream(bytes);
    return reader(stream.get(), image, options);
}

// Whether `reader` accepted `bytes` into `image`.
inline bool read_into(FormatReader reader, const Bytes &bytes, Photo *image, const char *options = nullptr) {
    return read_with(reader, image, bytes, options) == image;
}

// Writes `image` with `writer` and its option text into memory; `result`
// receives its return.
inline Bytes write_with(FormatWriter writer, Photo *image, int *result = nullptr, const char *options = "") {
    unsigned char *data = nullptr;
    AuxIO *stream = AuxIO_Init("string", &data, nullptr, 0, 0, 0);
    const int r = writer(stream, image, options);
    if (result) *result = r;
    AuxIO_Seek(stream, 0, 2);
    const int length = AuxIO_Tell(stream);
    AuxIO_Close(stream);
    Bytes out(data, data + (data ? length : 0));
    TavFree(data);
    return out;
}

}  // namespace tavtest
