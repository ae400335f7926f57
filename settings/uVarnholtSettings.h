// uVarnholtSettings.h — the program's settings objects as the main window and varnholt-cli use them:
// the store, the file Varnholt.xml in the application folder, and the encryptor of the two passwords.
#pragma once

#include <filesystem>

#include "settings/rsAesEncryptor.h"
#include "settings/rsStorage.h"
#include "settings/rsXmlData.h"

namespace varnholt {

inline constexpr const char* kOwnerPasswordKey = "/fmOstrevane.rsPropSaver1/edOwner.Text";
inline constexpr const char* kUserPasswordKey = "/fmOstrevane.rsPropSaver1/edUser.Text";

// Owns and wires the three objects. The store is declared last so that it is destroyed first: its
// close-save then still has the back end and the encryptor. The store is not activated here; the owner
// activates it (which loads the file).
class TVarnholtSettings {
 public:
  explicit TVarnholtSettings(const std::filesystem::path& applicationFolder);
  TVarnholtSettings(const TVarnholtSettings&) = delete;
  TVarnholtSettings& operator=(const TVarnholtSettings&) = delete;

  TrsStorage& Storage() { return storage_; }
  TrsXMLData& Data() { return data_; }
  TrsAesEncryptor& Encryptor() { return encryptor_; }

 private:
  TrsXMLData data_;
  TrsAesEncryptor encryptor_;
  TrsStorage storage_;
};

}  // namespace varnholt
