// uReplayFiles.cpp — the recorded world of a replayed run.
#include "core/uReplayFiles.h"

#include <algorithm>

#include "hostlib/uDestinationNames.h"
#include "platform/Files.h"

namespace varnholt {

using platform::TStatus;

std::optional<std::string> TReplayFileSystem::Key(std::string_view path, std::string* error) const {
  const auto native = DriveMap().TryResolve(path, error);
  if (!native) return std::nullopt;
  return native->lexically_normal().string();
}

const TReplayFileSystem::TLayered* TReplayFileSystem::Layer(const std::string& key) const {
  const auto found = layers_.find(key);
  return found == layers_.end() ? nullptr : &found->second;
}

void TReplayFileSystem::Place(const std::string& path, const std::filesystem::path& backing) {
  const auto key = Key(path);
  if (!key) return;
  layers_[*key] = TLayered{path, true, backing, std::nullopt, {}};
  // The queue folder is there for the run even where the application folder has never made it.
  for (std::filesystem::path folder = std::filesystem::path(*key).parent_path();
       !folder.empty() && folder != folder.root_path(); folder = folder.parent_path()) {
    folders_.insert(folder.lexically_normal().string());
  }
}

std::optional<std::filesystem::path> TReplayFileSystem::Backing(std::string_view path) const {
  const auto key = Key(path);
  if (!key) return std::nullopt;
  if (const TLayered* layer = Layer(*key)) return layer->present ? layer->backing : std::nullopt;
  if (!TFileSystem::FileExists(path)) return std::nullopt;
  return std::filesystem::path(*key);
}

bool TReplayFileSystem::FileExists(std::string_view path) const {
  const auto key = Key(path);
  if (!key) return false;
  if (const TLayered* layer = Layer(*key)) return layer->present;
  return TFileSystem::FileExists(path);
}

bool TReplayFileSystem::DirectoryExists(std::string_view path) const {
  const auto key = Key(path);
  if (!key) return false;
  return folders_.contains(std::filesystem::path(*key).lexically_normal().string()) ||
         TFileSystem::DirectoryExists(path);
}

std::vector<platform::TFoundFile> TReplayFileSystem::FindFiles(std::string_view folder,
                                                               std::string_view mask) const {
  std::vector<platform::TFoundFile> found;
  for (platform::TFoundFile& file : TFileSystem::FindFiles(folder, mask)) {
    const TLayered* layer = Layer(file.path.lexically_normal().string());
    if (!layer || layer->present) found.push_back(std::move(file));
  }
  const auto key = Key(folder);
  if (!key) return found;
  const std::filesystem::path base(*key);
  for (const auto& [native, layer] : layers_) {
    const std::filesystem::path path(native);
    if (!layer.present || path.parent_path().lexically_normal() != base.lexically_normal()) continue;
    const std::string name = path.filename().string();
    if (!platform::MatchesMask(name, mask)) continue;
    const bool listed = std::any_of(found.begin(), found.end(),
                                    [&](const platform::TFoundFile& f) { return f.path == path; });
    if (!listed) found.push_back({name, path, {}});
  }
  return found;
}

TStatus TReplayFileSystem::Transfer(const char* what, std::string_view source, std::string_view destination,
                                    bool removeSource) const {
  std::string error;
  const auto from = Key(source, &error);
  const auto to = from ? Key(destination, &error) : std::nullopt;
  if (!to) return TStatus::Fail(error);
  if (!FileExists(source)) return TStatus::Fail("Cannot open \"" + *from + "\": No such file or directory");
  if (FileExists(destination)) return TStatus::Fail("The file already exists: \"" + *to + "\"");
  if (!DirectoryExists(FolderOf(destination))) {
    return TStatus::Fail("Cannot create \"" + *to + "\": No such file or directory");
  }
  TLayered copy{std::string(destination), true, Backing(source), std::nullopt, {}};
  if (const TLayered* layer = Layer(*from)) {
    copy.lines = layer->lines;
    copy.appended = layer->appended;
  }
  layers_[*to] = std::move(copy);
  if (removeSource) layers_[*from] = TLayered{std::string(source), false, std::nullopt, std::nullopt, {}};
  Record({what, std::string(source), std::string(destination)});
  return TStatus::Ok();
}

TStatus TReplayFileSystem::CopyFileNoOverwrite(std::string_view source, std::string_view destination,
                                               const platform::TPlacementHook&) const {
  return Transfer("copy", source, destination, false);
}

TStatus TReplayFileSystem::MoveFileNoOverwrite(std::string_view source, std::string_view destination,
                                               const platform::TPlacementHook&) const {
  return Transfer("move", source, destination, true);
}

TStatus TReplayFileSystem::DeleteFile(std::string_view path) const {
  std::string error;
  const auto key = Key(path, &error);
  if (!key) return TStatus::Fail(error);
  // Deleting what is not there succeeds, as it does on disk.
  if (!FileExists(path)) return TStatus::Ok();
  layers_[*key] = TLayered{std::string(path), false, std::nullopt, std::nullopt, {}};
  Record({"delete", std::string(path), {}});
  return TStatus::Ok();
}

bool TReplayFileSystem::IsFileInUse(std::string_view path) const {
  const auto key = Key(path);
  if (!key) return true;
  if (Layer(*key)) return false;
  return TFileSystem::IsFileInUse(path);
}

TStatus TReplayFileSystem::ForceDirectories(std::string_view path) const {
  std::string error;
  const auto key = Key(path, &error);
  if (!key) return TStatus::Fail(error);
  if (DirectoryExists(path)) return TStatus::Ok();
  if (const TLayered* layer = Layer(*key); (layer && layer->present) || TFileSystem::FileExists(path)) {
    return TStatus::Fail("Cannot create the folder \"" + *key + "\": File exists");
  }
  // The parents are made with it, as on disk; they count as made for the rest of the run.
  for (std::filesystem::path folder(*key); !folder.empty() && folder != folder.root_path();
       folder = folder.parent_path()) {
    folders_.insert(folder.lexically_normal().string());
  }
  Record({"make folder", std::string(path), {}});
  return TStatus::Ok();
}

TStatus TReplayFileSystem::ReadTextLines(std::string_view path, std::vector<std::string>& lines) const {
  lines.clear();
  std::string error;
  const auto key = Key(path, &error);
  if (!key) return TStatus::Fail(error);
  const TLayered* layer = Layer(*key);
  if (!layer) return TFileSystem::ReadTextLines(path, lines);
  if (!layer->present) return TStatus::Fail("Cannot open \"" + *key + "\": No such file or directory");
  if (layer->lines) {
    lines = *layer->lines;
  } else if (layer->backing) {
    if (TStatus read = platform::ReadTextLines(*layer->backing, lines); !read) return read;
  }
  lines.insert(lines.end(), layer->appended.begin(), layer->appended.end());
  return TStatus::Ok();
}

TStatus TReplayFileSystem::WriteTextLines(std::string_view path,
                                          const std::vector<std::string>& lines) const {
  std::string error;
  const auto key = Key(path, &error);
  if (!key) return TStatus::Fail(error);
  layers_[*key] = TLayered{std::string(path), true, std::nullopt, lines, {}};
  Record({"write text", std::string(path), std::to_string(lines.size()) + " lines"});
  return TStatus::Ok();
}

TStatus TReplayFileSystem::AppendTextLine(std::string_view path, std::string_view line) const {
  std::string error;
  const auto key = Key(path, &error);
  if (!key) return TStatus::Fail(error);
  if (!DirectoryExists(FolderOf(path))) {
    return TStatus::Fail("Cannot open \"" + *key + "\": No such file or directory");
  }
  auto found = layers_.find(*key);
  if (found == layers_.end()) {
    TLayered layer{std::string(path), true, std::nullopt, std::nullopt, {}};
    if (TFileSystem::FileExists(path)) layer.backing = std::filesystem::path(*key);
    found = layers_.emplace(*key, std::move(layer)).first;
  } else if (!found->second.present) {
    found->second = TLayered{std::string(path), true, std::nullopt, std::nullopt, {}};
  }
  found->second.appended.emplace_back(line);
  Record({"append text", std::string(path), std::string(line)});
  return TStatus::Ok();
}

TStatus TReplayFileSystem::RequireRegularFile(std::string_view path) const {
  const auto key = Key(path);
  if (key && Layer(*key)) return TStatus::Ok();
  return TFileSystem::RequireRegularFile(path);
}

}  // namespace varnholt
