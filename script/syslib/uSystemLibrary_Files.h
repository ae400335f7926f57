// uSystemLibrary_Files.h — TFileClass, the text file a script opens with AssignFile and the Reset/Rewrite/
// Append family, read and written in conventional Pascal text-file modes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

#include "script/vm/atCallContext.h"

namespace varnholt {

// The file record of a script: bound to a file name, closed until opened; reads go through a 128-byte
// buffer, writes go straight to the file, so nothing written is lost when the script ends without
// closing it. Every failure throws rtl::ERtlError with the text of its I/O error code.
class TFileClass : public TatHostObject {
 public:
  static constexpr int kRecordSize = 128;
  // The files of one library, so that the host can close what scripts left open.
  using TFileSet = std::unordered_set<TFileClass*>;

  // applicationFolder maps drive letters (empty: names with a drive letter are refused). The file is a
  // member of files (when given) for its lifetime.
  TFileClass(std::string fileName, std::filesystem::path applicationFolder,
             std::shared_ptr<TFileSet> files = nullptr);
  ~TFileClass() override;
  TFileClass(const TFileClass&) = delete;
  TFileClass& operator=(const TFileClass&) = delete;

  const std::string& FileName() const { return fileName_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Closes without reporting errors (the host's clean-up after a run).
  void CloseQuietly() noexcept;

  void Reset();    // open for reading from the start
  void Rewrite();  // create or empty, open for writing
  void Append();   // open for writing at the end; the file must exist
  void CloseFile();
  void Write(std::string_view text);
  std::string ReadLn();
  bool Eof();
  std::int32_t FilePos();
  std::int32_t FileSize();

 private:
  enum class TMode { Closed, Input, Output };
  void Open(int flags, TMode mode);
  void RequireOpen() const;
  bool Fill();  // false at the end of the file

  std::string fileName_;
  std::filesystem::path appFolder_;
  std::shared_ptr<TFileSet> files_;
  int fd_ = -1;
  TMode mode_ = TMode::Closed;
  char buffer_[kRecordSize] = {};
  int bufPos_ = 0;
  int bufLen_ = 0;
};

// The native path of a script's file name: a name with a drive letter through the drive map of the
// application folder, any other name as a native path relative to the current folder ("\" read as "/").
// Throws rtl::ERtlError "Invalid filename" when the name cannot be mapped.
std::filesystem::path ResolveScriptPath(const std::string& fileName,
                                        const std::filesystem::path& applicationFolder);

}  // namespace varnholt
