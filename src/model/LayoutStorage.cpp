// Reading, atomically replacing and safekeeping the layout file.
#include "model/LayoutStorage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <utility>

#include "model/JsonDate.h"
#include "model/LayoutJson.h"

namespace vantrel {
namespace fs = std::filesystem;
namespace {

std::string reason(int error) {
    return std::system_category().message(error);
}

std::string failure(std::string_view what, const fs::path& path, int error) {
    return std::string(what) + " " + path.string() + ": " + reason(error);
}

// An open descriptor that is closed when it goes out of scope.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int get() const { return fd_; }
    // Closes now, reporting the error a delayed write may only show here.
    int close() { return ::close(std::exchange(fd_, -1)) == 0 ? 0 : errno; }

  private:
    int fd_;
};

// Returns 0 or the errno of the failing write.
int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return 0;
}

// Makes a rename in the folder survive a crash; some file systems cannot, which is no failure.
void syncFolder(const fs::path& folder) {
    Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) ::fsync(fd.get());
}

// The UTC time as a file-name stamp: 20251206T054640Z.
std::string stamp(Date date) {
    std::string text = formatDate(date);
    std::erase_if(text, [](char c) { return c == '-' || c == ':'; });
    return text;
}

// Copies `from` into the new file `to`; EEXIST when `to` exists. Returns 0 or an errno.
int copyFile(const fs::path& from, const fs::path& to) {
    Descriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.get() < 0) return errno;
    Descriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0) return errno;
    char buffer[1 << 16];
    int error = 0;
    for (;;) {
        const ssize_t count = ::read(in.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) error = errno;
        if (count <= 0) break;
        error = writeAll(out.get(), std::string_view(buffer, static_cast<std::size_t>(count)));
        if (error != 0) break;
    }
    if (error == 0 && ::fsync(out.get()) != 0) error = errno;
    if (const int closed = out.close(); error == 0) error = closed;
    if (error != 0) ::unlink(to.c_str());
    return error;
}

}  // namespace

std::optional<fs::path> dataHomeFrom(const char* xdgDataHome, const char* home) {
    // Relative values are invalid by the XDG rules and are ignored.
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/') return fs::path(xdgDataHome);
    if (home != nullptr && home[0] == '/') return fs::path(home) / ".local" / "share";
    return std::nullopt;
}

std::optional<fs::path> defaultDataHome() {
    return dataHomeFrom(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

LayoutStorage::LayoutStorage(Log& log, Clock& clock, std::optional<fs::path> dataHome)
    : log_(log), clock_(clock), dataHome_(std::move(dataHome)) {}

std::optional<fs::path> LayoutStorage::storageURL() {
    if (!dataHome_) {
        log_.line("LayoutStorage: Could not find Application Support directory");
        return std::nullopt;
    }
    const fs::path folder = *dataHome_ / kFolderName;
    std::error_code error;
    if (!fs::exists(fs::symlink_status(folder, error))) {
        fs::create_directories(folder, error);
        if (error) {
            log_.line("LayoutStorage: Failed to create directory: cannot create " +
                      folder.string() + ": " + error.message());
            return std::nullopt;
        }
    }
    return folder / kFileName;
}

std::vector<WindowLayout> LayoutStorage::load() {
    const auto file = storageURL();
    if (!file) return {};
    auto layouts = read(*file);
    if (!layouts) {
        fileState_ = FileState::mustKeep;
        log_.line("LayoutStorage: Failed to load layouts: " + layouts.error().message);
        return {};
    }
    fileState_ = FileState::replaceable;
    return std::move(layouts).value();
}

// The decoded file; empty when there is no file.
Result<std::vector<WindowLayout>> LayoutStorage::read(const fs::path& file) {
    // Non-blocking, so that a FIFO put in the file's place cannot hang the start-up.
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        if (errno == ENOENT) return std::vector<WindowLayout>{};
        return Error{failure("cannot open", file, errno)};
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return Error{failure("cannot read", file, errno)};
    if (!S_ISREG(info.st_mode)) return Error{file.string() + " is not a regular file"};
    const auto tooLarge = [&](std::size_t size) {
        return Error{file.string() + " is too large (" + std::to_string(size) +
                     " bytes, the limit is " + std::to_string(kMaxLayoutFileBytes) + ")"};
    };
    const auto size = static_cast<std::size_t>(info.st_size);
    if (size > kMaxLayoutFileBytes) return tooLarge(size);

    // Read to the end even if the file grew since fstat, but never past the limit.
    std::string text(size + 1, '\0');
    std::size_t length = 0;
    for (;;) {
        if (length == text.size()) {
            if (length > kMaxLayoutFileBytes) return tooLarge(length);
            text.resize(std::min(text.size() * 2, kMaxLayoutFileBytes + 1));
        }
        const ssize_t count = ::read(fd.get(), text.data() + length, text.size() - length);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return Error{failure("cannot read", file, errno)};
        if (count == 0) break;
        length += static_cast<std::size_t>(count);
    }
    text.resize(length);
    return decodeLayoutFile(text);
}

void LayoutStorage::save(const std::vector<WindowLayout>& layouts) {
    const auto file = storageURL();
    if (!file) {
        log_.line("LayoutStorage: Cannot save - storage URL not available");
        return;
    }
    auto text = encodeLayoutFile(layouts);
    Status written = text ? writeAtomically(*file, *text) : Status(text.error());
    if (!written) {
        log_.line("LayoutStorage: Failed to save layouts: " + written.error().message);
        return;
    }
    fileState_ = FileState::replaceable;
}

Status LayoutStorage::writeAtomically(const fs::path& file, std::string_view bytes) {
    const fs::path folder = file.parent_path();
    std::string temporary = (folder / ("." + std::string(kFileName) + ".XXXXXX")).string();
    Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) return Error{failure("cannot create a temporary file in", folder, errno)};
    // Until the rename has happened, any failure removes the temporary file.
    struct Cleanup {
        const std::string& path;
        bool done = false;
        ~Cleanup() {
            if (!done) ::unlink(path.c_str());
        }
    } cleanup{temporary};

    // Layouts name the user's applications and documents: readable by the user alone.
    if (::fchmod(fd.get(), 0600) != 0) return Error{failure("cannot protect", temporary, errno)};
    if (const int error = writeAll(fd.get(), bytes); error != 0)
        return Error{failure("cannot write", temporary, error)};
    if (::fsync(fd.get()) != 0) return Error{failure("cannot write", temporary, errno)};
    if (const int error = fd.close(); error != 0)
        return Error{failure("cannot write", temporary, error)};
    if (auto kept = keepIfUnreadable(file); !kept) return kept;
    if (::rename(temporary.c_str(), file.c_str()) != 0)
        return Error{failure("cannot replace", file, errno)};
    cleanup.done = true;
    syncFolder(folder);
    return Ok{};
}

// A file that could not be read may hold layouts a later version or the user can still recover.
Status LayoutStorage::keepIfUnreadable(const fs::path& file) {
    if (fileState_ == FileState::replaceable) return Ok{};
    // Saving before any load: look at the file now.
    if (fileState_ == FileState::unknown && read(file)) return Ok{};
    auto kept = keepBeside(file);
    if (!kept) return Error{kept.error()};
    if (!kept->empty())
        log_.line("LayoutStorage: Kept unreadable layout file as " + kept->string());
    fileState_ = FileState::replaceable;
    return Ok{};
}

// Gives the file a second, new name beside it (a hard link, else a copy). An empty path means
// the file has gone meanwhile and there is nothing to keep.
Result<fs::path> LayoutStorage::keepBeside(const fs::path& file) {
    const std::string base = file.string() + ".unreadable-" + stamp(clock_.wallNow());
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const fs::path kept = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        if (::link(file.c_str(), kept.c_str()) == 0) return kept;
        int error = errno;
        if (error == ENOENT) return fs::path{};
        // Hard links are not available on every file system.
        if (error != EEXIST) error = copyFile(file, kept);
        if (error == 0) return kept;
        if (error == ENOENT) return fs::path{};
        if (error != EEXIST) {
            return Error{"cannot keep the unreadable layout file " + file.string() + ": " +
                         reason(error)};
        }
    }
    return Error{"cannot keep the unreadable layout file " + file.string() + ": no free name"};
}

}  // namespace vantrel
