// File system: existence, last-write time, folders, path pieces, and replace-by-rename saving.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace zv {

class Stream;

bool FileExists(const std::string& path);
// Last-write time as a local date-time (days since 1899-12-30) with milliseconds; none if absent.
std::optional<double> FileAge(const std::string& path);
std::string GetCurrentDir();
// The folder of the running executable, with a trailing '/'.
std::string ExeDir();

// Path pieces, on '/' separated paths. ExtractFileExt includes the dot ("" when none).
std::string ExtractFileExt(std::string_view path);
std::string ExtractFileName(std::string_view path);
std::string ExtractFilePath(std::string_view path);  // with trailing '/', or "" when none
std::string ChangeFileExt(std::string_view path, std::string_view ext);
std::string IncludeTrailingPathDelimiter(std::string_view dir);

std::string ReadFileBytes(const std::string& path);  // StreamError when it cannot be read

// Writes a user's file safely: the writer fills a temporary file beside the target, which is
// flushed and then renamed over the target. If the writer throws or anything fails, the temporary
// file is removed, the old file is left as it was, and the error propagates.
void SaveFileAtomically(const std::string& path, const std::function<void(Stream&)>& writer);

// The same replace-by-rename writing, for a file written over a longer stretch of work (an export
// that may be cancelled) or for several files that must appear together: stream() is a temporary
// file beside the target; commit() flushes it and renames it over the target. A PendingFile
// destroyed without commit() removes its temporary file and leaves the target as it was.
class PendingFile {
public:
    explicit PendingFile(const std::string& path);
    ~PendingFile();
    PendingFile(PendingFile&&) noexcept;
    PendingFile& operator=(PendingFile&&) = delete;
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    Stream& stream();
    const std::string& path() const { return path_; }
    const std::string& temporaryPath() const { return tmp_; }
    // Flushes the temporary file to disk and closes it (for files kept pending in numbers).
    void close();
    // Closes the temporary file and renames it over the target (exception on failure, after which
    // the temporary file is gone).
    void commit();
    // Removes the temporary file now; the target stays as it was.
    void discard() noexcept;

private:
    std::string path_, target_, tmp_;
    std::unique_ptr<Stream> stream_;
    bool done_ = false;
};

}  // namespace zv
