// FileSystem.cpp — the file services on Windows paths: resolve through the drive map, then act natively.
#include "platform/FileSystem.h"

namespace varnholt::platform {

bool TFileSystem::FileExists(std::string_view path) const {
  const auto native = map_.TryResolve(path);
  return native && platform::FileExists(*native);
}

bool TFileSystem::DirectoryExists(std::string_view path) const {
  const auto native = map_.TryResolve(path);
  return native && platform::DirectoryExists(*native);
}

std::vector<TFoundFile> TFileSystem::FindFiles(std::string_view folder, std::string_view mask) const {
  const auto native = map_.TryResolve(folder);
  if (!native) return {};
  return platform::FindFiles(*native, mask);
}

TStatus TFileSystem::CopyFileNoOverwrite(std::string_view source, std::string_view destination,
                                         const TPlacementHook& hook) const {
  std::string error;
  const auto from = map_.TryResolve(source, &error);
  const auto to = from ? map_.TryResolve(destination, &error) : std::nullopt;
  if (!to) return TStatus::Fail(error);
  return platform::CopyFileNoOverwrite(*from, *to, hook);
}

TStatus TFileSystem::MoveFileNoOverwrite(std::string_view source, std::string_view destination,
                                         const TPlacementHook& hook) const {
  std::string error;
  const auto from = map_.TryResolve(source, &error);
  const auto to = from ? map_.TryResolve(destination, &error) : std::nullopt;
  if (!to) return TStatus::Fail(error);
  return platform::MoveFileNoOverwrite(*from, *to, hook);
}

TStatus TFileSystem::DeleteFile(std::string_view path) const {
  std::string error;
  const auto native = map_.TryResolve(path, &error);
  if (!native) return TStatus::Fail(error);
  return platform::DeleteFile(*native);
}

bool TFileSystem::IsFileInUse(std::string_view path) const {
  const auto native = map_.TryResolve(path);
  return !native || platform::IsFileInUse(*native);
}

TStatus TFileSystem::ForceDirectories(std::string_view path) const {
  std::string error;
  const auto native = map_.TryResolve(path, &error);
  if (!native) return TStatus::Fail(error);
  return platform::ForceDirectories(*native);
}

TStatus TFileSystem::ReadTextLines(std::string_view path, std::vector<std::string>& lines) const {
  lines.clear();
  std::string error;
  const auto native = map_.TryResolve(path, &error);
  if (!native) return TStatus::Fail(error);
  return platform::ReadTextLines(*native, lines);
}

TStatus TFileSystem::WriteTextLines(std::string_view path, const std::vector<std::string>& lines) const {
  std::string error;
  const auto native = map_.TryResolve(path, &error);
  if (!native) return TStatus::Fail(error);
  return platform::WriteTextLines(*native, lines);
}

TStatus TFileSystem::AppendTextLine(std::string_view path, std::string_view line) const {
  std::string error;
  const auto native = map_.TryResolve(path, &error);
  if (!native) return TStatus::Fail(error);
  return platform::AppendTextLine(*native, line);
}

TStatus TFileSystem::RequireRegularFile(std::string_view path) const {
  const auto native = map_.TryResolve(path);
  return native ? platform::RequireRegularFile(*native) : TStatus::Ok();
}

}  // namespace varnholt::platform
