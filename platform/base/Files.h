// File system: existence, last-write time, folders, path pieces, and replace-by-rename saving.
#pragma once

#include <functional>
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

}  // namespace zv
