// Reading, atomically replacing and safekeeping the layout file.
#include "model/LayoutStorage.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
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

// Where a save writes: through symbolic links to the file they name, so that a layouts.json kept
// elsewhere (a folder of dotfiles) stays a link and its target gets the new content.
fs::path writeTarget(const fs::path& file) {
    fs::path path = file;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
        const fs::path target = fs::read_symlink(path, error);
        if (error) return path;
        if (target.is_absolute()) {
            path = target;
        } else {
            // Relative to the link's real folder, so that log lines name the file plainly.
            const fs::path folder = fs::canonical(path.parent_path(), error);
            path = ((error ? path.parent_path() : folder) / target).lexically_normal();
        }
    }
    return path;
}

// The version of a file that `info` describes.
template <class Stamp>
Stamp stampFrom(const struct stat& info) {
    return {true, static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

// The temporary files of saves: "." + the file name + "." + six characters of mkostemp.
std::string temporaryPrefix() {
    return "." + std::string(LayoutStorage::kFileName) + ".";
}

}  // namespace

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
    FileStamp seen;
    auto layouts = read(*file, &seen);
    if (!layouts) {
        fileState_ = FileState::mustKeep;
        known_.reset();
        log_.line("LayoutStorage: Failed to load layouts: " + layouts.error().message);
        return {};
    }
    fileState_ = FileState::replaceable;
    known_ = seen;
    return withUniqueIds(std::move(layouts).value());
}

std::optional<std::vector<WindowLayout>> LayoutStorage::loadIfChanged() {
    const auto file = storageURL();
    if (!file || !known_ || stampOf(*file) == *known_) return std::nullopt;
    FileStamp seen;
    auto layouts = read(*file, &seen);
    // A file gone or unreadable is left to the next save, which keeps an unreadable one.
    if (!layouts || !seen.exists) return std::nullopt;
    log_.line("LayoutStorage: Reloaded layouts changed by another program");
    known_ = seen;
    fileState_ = FileState::replaceable;
    return withUniqueIds(std::move(layouts).value());
}

// Ids name layouts in every action (delete, shortcuts, triggers): a repeated one would make one
// action touch two layouts.
std::vector<WindowLayout> LayoutStorage::withUniqueIds(std::vector<WindowLayout> layouts) {
    std::set<Uuid> seen;
    for (auto& layout : layouts) {
        if (seen.insert(layout.id).second) continue;
        Uuid fresh = Uuid::random();
        while (!seen.insert(fresh).second) fresh = Uuid::random();
        log_.line("LayoutStorage: Layout " + layout.name + " repeats the id " +
                  layout.id.toString() + "; it now has the id " + fresh.toString());
        layout.id = fresh;
    }
    return layouts;
}

LayoutStorage::FileStamp LayoutStorage::stampOf(const fs::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? stampFrom<FileStamp>(info) : FileStamp{};
}

// The decoded file; empty when there is no file. `seen` gets the version that was read.
Result<std::vector<WindowLayout>> LayoutStorage::read(const fs::path& file, FileStamp* seen) {
    // Non-blocking, so that a FIFO put in the file's place cannot hang the start-up.
    Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        if (errno == ENOENT) return std::vector<WindowLayout>{};
        return Error{failure("cannot open", file, errno)};
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return Error{failure("cannot read", file, errno)};
    if (seen != nullptr) *seen = stampFrom<FileStamp>(info);
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

Status LayoutStorage::save(const std::vector<WindowLayout>& layouts) {
    const auto file = storageURL();
    if (!file) {
        log_.line("LayoutStorage: Cannot save - storage URL not available");
        return Error{"there is no folder for the layout file (neither XDG_DATA_HOME nor HOME)"};
    }
    const fs::path target = writeTarget(*file);
    auto text = encodeLayoutFile(layouts);
    Status written = text ? writeAtomically(target, *text) : Status(text.error());
    if (!written) {
        log_.line("LayoutStorage: Failed to save layouts: " + written.error().message);
        return written;
    }
    fileState_ = FileState::replaceable;
    known_ = stampOf(target);
    return Ok{};
}

// A save holds a lock on its temporary file until the rename: one nobody holds was left by a
// save that was killed, and would stay forever.
void LayoutStorage::removeStaleTemporaries(const fs::path& folder) {
    const std::string prefix = temporaryPrefix();
    std::error_code error;
    for (const auto& item : fs::directory_iterator(folder, error)) {
        const std::string name = item.path().filename().string();
        if (!name.starts_with(prefix) || name.size() != prefix.size() + 6) continue;
        Descriptor fd(::open(item.path().c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (fd.get() < 0 || ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) continue;
        if (::unlink(item.path().c_str()) == 0)
            log_.line("LayoutStorage: Removed the temporary file of an interrupted save: " +
                      item.path().string());
    }
}

Status LayoutStorage::writeAtomically(const fs::path& file, std::string_view bytes) {
    const fs::path folder = file.parent_path();
    removeStaleTemporaries(folder);
    std::string temporary = (folder / (temporaryPrefix() + "XXXXXX")).string();
    Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0) return Error{failure("cannot create a temporary file in", folder, errno)};
    // Held until the descriptor closes after the rename: marks the file as in use.
    (void)::flock(fd.get(), LOCK_EX | LOCK_NB);
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
    if (auto kept = keepIfUnreplaceable(file); !kept) return kept;
    if (::rename(temporary.c_str(), file.c_str()) != 0)
        return Error{failure("cannot replace", file, errno)};
    cleanup.done = true;
    syncFolder(folder);
    return Ok{};
}

// A file that could not be read may hold layouts a later version or the user can still recover;
// one another program changed since we read or wrote it holds newer work.
Status LayoutStorage::keepIfUnreplaceable(const fs::path& file) {
    bool unreadable = fileState_ == FileState::mustKeep;
    // Saving before any load: look at the file now.
    if (fileState_ == FileState::unknown) unreadable = !read(file);
    const bool changed = !unreadable && known_ && stampOf(file) != *known_;
    if (!unreadable && !changed) return Ok{};
    auto kept = keepBeside(file, unreadable ? "unreadable" : "changed");
    if (!kept) return Error{kept.error()};
    if (!kept->empty()) {
        log_.line(unreadable ? "LayoutStorage: Kept unreadable layout file as " + kept->string()
                             : "LayoutStorage: Kept layout file changed by another program as " +
                                   kept->string());
    }
    fileState_ = FileState::replaceable;
    return Ok{};
}

// Gives the file a second, new name beside it (a hard link, else a copy). An empty path means
// the file has gone meanwhile and there is nothing to keep.
Result<fs::path> LayoutStorage::keepBeside(const fs::path& file, std::string_view why) {
    const std::string base = file.string() + "." + std::string(why) + "-" + stamp(clock_.wallNow());
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
            return Error{"cannot keep the " + std::string(why) + " layout file " + file.string() +
                         ": " + reason(error)};
        }
    }
    return Error{"cannot keep the " + std::string(why) + " layout file " + file.string() +
                 ": no free name"};
}

}  // namespace vantrel
