// uReplayFiles.h — the world a replayed report is filed in: the real drive folders as they are, seen
// through a layer that keeps every change a run would make as a note instead of making it.
//
// Reads go to the real files (a script's lookup tables are read where they are), unless the run itself
// changed the file before: a report moved away is gone for the rest of the run, a copy is there, a text
// file has the lines appended to it. The core's own placement code runs on this unchanged, so the
// numbered names, the checks and the records of a replayed run are those of a real one on the same disk.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace varnholt {

// One change a run would have made: "move", "copy", "delete", "make folder", "write text", "append text",
// a PDF engine request ("print", "protect", "watermark", "repaginate", "cover page", "delete pages",
// "append PDF") or "start program" / "open document".
struct TReplayEffect {
  std::string what;
  std::string path;    // the Windows path acted on (the source of a move or copy)
  std::string detail;  // the destination, the printer, the line appended, the parameters
  bool operator==(const TReplayEffect&) const = default;
};

class TReplayFileSystem : public platform::TFileSystem {
 public:
  explicit TReplayFileSystem(const platform::TDriveMap& driveMap) : TFileSystem(driveMap) {}

  // Puts a file at a Windows path for this run whose bytes are those of backing (the saved report shown
  // as if it had just arrived in the queue).
  void Place(const std::string& path, const std::filesystem::path& backing);
  // The native file whose bytes a Windows path has in this run, nullopt when it has none.
  std::optional<std::filesystem::path> Backing(std::string_view path) const;
  void Record(TReplayEffect effect) const { effects_.push_back(std::move(effect)); }
  const std::vector<TReplayEffect>& Effects() const { return effects_; }

  bool FileExists(std::string_view path) const override;
  bool DirectoryExists(std::string_view path) const override;
  std::vector<platform::TFoundFile> FindFiles(std::string_view folder, std::string_view mask) const override;
  platform::TStatus CopyFileNoOverwrite(std::string_view source, std::string_view destination,
                                        const platform::TPlacementHook& hook) const override;
  platform::TStatus MoveFileNoOverwrite(std::string_view source, std::string_view destination,
                                        const platform::TPlacementHook& hook) const override;
  platform::TStatus DeleteFile(std::string_view path) const override;
  bool IsFileInUse(std::string_view path) const override;
  platform::TStatus ForceDirectories(std::string_view path) const override;
  platform::TStatus ReadTextLines(std::string_view path, std::vector<std::string>& lines) const override;
  platform::TStatus WriteTextLines(std::string_view path,
                                   const std::vector<std::string>& lines) const override;
  platform::TStatus AppendTextLine(std::string_view path, std::string_view line) const override;
  platform::TStatus RequireRegularFile(std::string_view path) const override;

 private:
  // What the run did to one file; the key of the map is its native path.
  struct TLayered {
    std::string windowsPath;
    bool present = true;
    std::optional<std::filesystem::path> backing;   // where its bytes are read from, when it has any
    std::optional<std::vector<std::string>> lines;  // its text, when the run wrote it whole
    std::vector<std::string> appended;              // lines the run appended
  };
  // The native path of a Windows path as the map resolves it, nullopt (with the reason) when it cannot.
  std::optional<std::string> Key(std::string_view path, std::string* error = nullptr) const;
  const TLayered* Layer(const std::string& key) const;
  platform::TStatus Transfer(const char* what, std::string_view source, std::string_view destination,
                             bool removeSource) const;

  // The file services are const (a service, not a value); the layer is the world of the run.
  mutable std::map<std::string, TLayered> layers_;
  mutable std::set<std::string> folders_;  // folders the run made
  mutable std::vector<TReplayEffect> effects_;
};

}  // namespace varnholt
