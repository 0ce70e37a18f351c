// Saving to a file without ever leaving a damaged one: see save_file_p.h.
#include "io/save_file_p.h"

#include "io/format_registry_p.h"
#include "io/write_verdict_p.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tav {
namespace {

// Whole images go through: big buffers save thousands of small writes.
constexpr int kWriteBuffer = 1 << 20;

bool refuse_io(const char *what, int error) {
    refuse_write(WriteFailure::Io, std::string(what) + ": " + Tcl_ErrnoMsg(error));
    return false;
}

// Writes through a channel the caller opened; the channel is closed here.
// Closing flushes the last bytes: a full disk may only show there.
bool write_and_close(FormatDb **formats, Photo *image, Tcl_Channel channel, const char *format) {
    Tcl_SetChannelOption(nullptr, channel, "-translation", "binary");
    Tcl_SetChannelOption(nullptr, channel, "-encoding", "binary");
    Tcl_SetChannelOption(nullptr, channel, "-blocking", "true");
    Tcl_SetChannelBufferSize(channel, kWriteBuffer);
    Tcl_SetErrno(0);
    const bool written = TavWriteChannel(formats, image, channel, format, nullptr) == 0;
    int error = Tcl_GetErrno();
    const bool closed = Tcl_Close(nullptr, channel) == TCL_OK;
    if (!closed && error == 0) error = Tcl_GetErrno();
    if (written && closed) return true;
    // A writer's own reason stands; otherwise the operating system's.
    if (last_write_refusal().kind == WriteFailure::NoReason && error != 0) return refuse_io("cannot write", error);
    return false;
}

// A path that cannot be opened is reported as Tcl's `open` reports it.
bool refuse_open(Tcl_Obj *path, int error) {
    refuse_write(WriteFailure::Io, std::string("couldn't open \"") + Tcl_GetString(path) + "\": " + Tcl_ErrnoMsg(error),
                 true);
    return false;
}

bool write_directly(FormatDb **formats, Photo *image, Tcl_Obj *path, const char *format) {
    Tcl_Channel channel = Tcl_FSOpenFileChannel(nullptr, path, "w", 0644);
    if (!channel) return refuse_open(path, Tcl_GetErrno());
    return write_and_close(formats, image, channel, format);
}

// The file a path finally names: symbolic links followed, so that the
// rename replaces the file and not the link.
std::string final_target(const char *native) {
    char resolved[PATH_MAX];
    struct stat link;
    if (lstat(native, &link) == 0 && S_ISLNK(link.st_mode) && realpath(native, resolved)) return resolved;
    return native;
}

// A new, empty file beside `target`, created exclusively.
int create_temporary(const std::string &target, std::string *name) {
    static std::atomic<unsigned> counter{0};
    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = folder + "." + base + ".tavrel-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
        const int fd = open(name->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

bool save_file(FormatDb **formats, Photo *image, Tcl_Obj *path, const char *format) {
    clear_write_refusal();
    if (!format || !*format) format = format_for_path(formats, Tcl_GetString(path));
    if (!image || !has_writer(formats, format) || PhotoWidth(image) <= 0 || PhotoHeight(image) <= 0) return false;
    if (!fits_write_limits(formats, format, image)) return false;

    const char *native = static_cast<const char *>(Tcl_FSGetNativePath(path));
    if (!native) return write_directly(formats, image, path, format);  // a virtual file system
    const std::string target = final_target(native);
    struct stat existing;
    const bool exists = stat(target.c_str(), &existing) == 0;
    if (exists && !S_ISREG(existing.st_mode)) return write_directly(formats, image, path, format);

    std::string temporary;
    const int fd = create_temporary(target, &temporary);
    if (fd < 0) return refuse_open(path, errno);
    if (exists) {
        // The new file takes the old one's permissions and, where allowed, owner.
        fchmod(fd, existing.st_mode & 07777);
        if (fchown(fd, existing.st_uid, existing.st_gid) != 0) { /* not ours to give: keep ours */ }
    }
    Tcl_Channel channel = Tcl_MakeFileChannel(reinterpret_cast<ClientData>(static_cast<intptr_t>(fd)), TCL_WRITABLE);
    if (!channel) {
        close(fd);
        unlink(temporary.c_str());
        return refuse_io("cannot write", EBADF);
    }
    const bool written = write_and_close(formats, image, channel, format);
    if (written && rename(temporary.c_str(), target.c_str()) == 0) return true;
    const int error = errno;
    unlink(temporary.c_str());
    return written ? refuse_io("cannot replace the file", error) : false;
}

}  // namespace tav
