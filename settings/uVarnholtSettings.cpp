// uVarnholtSettings.cpp — the configuration of the settings store, its file and its encryptor.
#include "settings/uVarnholtSettings.h"

namespace varnholt {

TVarnholtSettings::TVarnholtSettings(const std::filesystem::path& applicationFolder) {
  data_.SetFileName("Varnholt");
  data_.SetFileDir(fdApplication);
  data_.SetApplicationFolder(applicationFolder);
  data_.SetOptions(0);
  data_.SetCompactOptions(0);
  // It holds the PDF passwords, whose encryption keeps out only a casual look: for the owner only.
  data_.SetFileAccess(platform::TFileAccess::kOwnerOnly);

  encryptor_.SetActive(true);
  encryptor_.SetEncryptAll(false);
  encryptor_.EncryptKeys() = {kOwnerPasswordKey, kUserPasswordKey};
  encryptor_.SetMode(cmECB);
  encryptor_.SetKeyBits(ck128);
  encryptor_.SetKey("Pqrvst Lmnoxz");

  storage_.SetOptions(soSaveOnClose);
  storage_.SetStorageData(&data_);
  storage_.SetEncryptor(&encryptor_);
}

}  // namespace varnholt
