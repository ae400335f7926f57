// FileSystem.h — the file services on Windows paths that the processing core and the host routines use.
//
// Every path here is a Windows path in the system code page; it is resolved through the drive map.
// A path the map cannot resolve makes a query answer false and an action fail with the map's message,
// so nothing is ever written outside the drive folders.
//
// The services are virtual so that a replay can run the core's own placement code against a recorded
// world (core/uReplayFiles.h): the same checks, with every change kept as a note instead of made.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/DriveMap.h"
#include "platform/Files.h"
#include "platform/Status.h"

namespace varnholt::platform {

class TFileSystem {
 public:
  explicit TFileSystem(const TDriveMap& driveMap) : map_(driveMap) {}
  virtual ~TFileSystem() = default;
  TFileSystem(const TFileSystem&) = delete;
  TFileSystem& operator=(const TFileSystem&) = delete;

  const TDriveMap& DriveMap() const { return map_; }

  virtual bool FileExists(std::string_view path) const;
  virtual bool DirectoryExists(std::string_view path) const;
  // Files of a folder matching the mask, with last-write times; names in the system code page.
  virtual std::vector<TFoundFile> FindFiles(std::string_view folder, std::string_view mask) const;
  // Never overwrite, and survive a crash at any point (see Files.h); the hook is the tests' seam.
  virtual TStatus CopyFileNoOverwrite(std::string_view source, std::string_view destination,
                                      const TPlacementHook& hook = {}) const;
  virtual TStatus MoveFileNoOverwrite(std::string_view source, std::string_view destination,
                                      const TPlacementHook& hook = {}) const;
  virtual TStatus DeleteFile(std::string_view path) const;
  virtual bool IsFileInUse(std::string_view path) const;
  virtual TStatus ForceDirectories(std::string_view path) const;
  virtual TStatus ReadTextLines(std::string_view path, std::vector<std::string>& lines) const;
  virtual TStatus WriteTextLines(std::string_view path, const std::vector<std::string>& lines) const;
  // Adds one line at the end of a text file in place, under a lock (see platform::AppendTextLine).
  virtual TStatus AppendTextLine(std::string_view path, std::string_view line) const;
  // Fine when nothing or a regular file is there; "Not a regular file: ..." for a FIFO, device, socket
  // or folder. A path the map cannot resolve names nothing, which is fine too.
  virtual TStatus RequireRegularFile(std::string_view path) const;

 private:
  const TDriveMap& map_;
};

}  // namespace varnholt::platform
