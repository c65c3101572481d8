// File system: existence, last-write time, folders, path pieces, and replace-by-rename saving.
#include "platform/base/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/base/Error.h"
#include "platform/base/Stream.h"

namespace zv {
namespace {

constexpr double kUnixEpochDays = 25569.0;  // 1970-01-01 as days since 1899-12-30
constexpr int64_t kSecondsPerDay = 86400;
constexpr double kMillisecondsPerDay = 86400000.0;

// The position just after the last '/', or 0.
size_t NameStart(std::string_view path)
{
    size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? 0 : slash + 1;
}

// The position of the extension's dot, or npos when the file name has none.
size_t ExtStart(std::string_view path)
{
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < NameStart(path)) return std::string_view::npos;
    return dot;
}

// Flushes a folder's entry list so a rename inside it survives a crash (best effort).
void SyncFolder(const std::string& dir)
{
    int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

bool FileExists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::optional<double> FileAge(const std::string& path)
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
    time_t secs = st.st_mtim.tv_sec;
    struct tm local;
    if (!::localtime_r(&secs, &local)) return std::nullopt;
    // Local seconds since 1970 split into whole days and the milliseconds of the day, so the
    // fraction is exact to the millisecond and days before 1970 still floor correctly.
    int64_t localSecs = static_cast<int64_t>(secs) + local.tm_gmtoff;
    int64_t days = localSecs / kSecondsPerDay;
    int64_t secOfDay = localSecs % kSecondsPerDay;
    if (secOfDay < 0) {
        secOfDay += kSecondsPerDay;
        --days;
    }
    int64_t ms = secOfDay * 1000 + st.st_mtim.tv_nsec / 1000000;
    return kUnixEpochDays + static_cast<double>(days) + static_cast<double>(ms) / kMillisecondsPerDay;
}

std::string GetCurrentDir()
{
    std::string buf(256, '\0');
    for (;;) {
        if (::getcwd(buf.data(), buf.size())) {
            buf.resize(std::char_traits<char>::length(buf.c_str()));
            return buf;
        }
        if (errno != ERANGE || buf.size() > (1u << 20)) return std::string();
        buf.resize(buf.size() * 2);
    }
}

std::string ExeDir()
{
    std::string buf(256, '\0');
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return IncludeTrailingPathDelimiter(GetCurrentDir());
        if (static_cast<size_t>(n) < buf.size()) {
            buf.resize(static_cast<size_t>(n));
            return ExtractFilePath(buf);
        }
        if (buf.size() > (1u << 20)) return IncludeTrailingPathDelimiter(GetCurrentDir());
        buf.resize(buf.size() * 2);
    }
}

std::string ExtractFileExt(std::string_view path)
{
    size_t dot = ExtStart(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ExtractFileName(std::string_view path) { return std::string(path.substr(NameStart(path))); }

std::string ExtractFilePath(std::string_view path) { return std::string(path.substr(0, NameStart(path))); }

std::string ChangeFileExt(std::string_view path, std::string_view ext)
{
    size_t dot = ExtStart(path);
    std::string out(path.substr(0, dot == std::string_view::npos ? path.size() : dot));
    out += ext;
    return out;
}

std::string IncludeTrailingPathDelimiter(std::string_view dir)
{
    std::string out(dir);
    if (out.empty() || out.back() != '/') out += '/';
    return out;
}

std::string ReadFileBytes(const std::string& path)
{
    FileStream f(path, FileMode::Read);
    int64_t n = f.size();
    std::string out(static_cast<size_t>(n), '\0');
    f.readBuffer(out.data(), out.size());
    return out;
}

PendingFile::PendingFile(const std::string& path) : path_(path), target_(path)
{
    // Saving through a symbolic link replaces the file it points to and keeps the link.
    struct stat link;
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            target_ = real;
            std::free(real);
        }
    }
    tmp_ = ExtractFilePath(target_) + "." + ExtractFileName(target_) + ".XXXXXX";
    int fd = ::mkstemp(tmp_.data());
    if (fd < 0) throw StreamError("Cannot create file \"" + path + "\"");
    // mkstemp makes the file private; give it the old file's mode, or the usual mode for new files.
    struct stat old;
    mode_t mode;
    if (::stat(target_.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    ::fchmod(fd, mode);
    ::close(fd);
    try {
        stream_ = std::make_unique<FileStream>(tmp_, FileMode::Create);
    } catch (...) {
        ::unlink(tmp_.c_str());
        throw;
    }
}

PendingFile::PendingFile(PendingFile&& other) noexcept
    : path_(std::move(other.path_)), target_(std::move(other.target_)), tmp_(std::move(other.tmp_)),
      stream_(std::move(other.stream_)), done_(other.done_)
{
    other.done_ = true;
}

PendingFile::~PendingFile() { discard(); }

Stream& PendingFile::stream()
{
    if (done_ || !stream_) throw StreamError("Cannot write file \"" + path_ + "\"");
    return *stream_;
}

void PendingFile::discard() noexcept
{
    if (done_) return;
    done_ = true;
    stream_.reset();
    ::unlink(tmp_.c_str());
}

void PendingFile::close()
{
    if (done_ || !stream_) return;
    try {
        static_cast<FileStream&>(*stream_).sync();
        stream_.reset();
    } catch (...) {
        discard();
        throw;
    }
}

void PendingFile::commit()
{
    if (done_) throw StreamError("Cannot create file \"" + path_ + "\"");
    close();
    try {
        if (std::rename(tmp_.c_str(), target_.c_str()) != 0) throw StreamError("Cannot create file \"" + path_ + "\"");
    } catch (...) {
        discard();
        throw;
    }
    done_ = true;
    SyncFolder(ExtractFilePath(target_));
}

void SaveFileAtomically(const std::string& path, const std::function<void(Stream&)>& writer)
{
    PendingFile file(path);
    writer(file.stream());  // an exception here removes the temporary file
    file.commit();
}

}  // namespace zv
