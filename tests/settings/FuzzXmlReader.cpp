// FuzzXmlReader.cpp — random bytes as a settings file: every input loads or raises TrsException, and
// whatever loads is written and read back without an error.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "settings/rsAesEncryptor.h"
#include "settings/rsXmlData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varnholt;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TrsStorage store;
  TrsXMLData xml;
  TrsAesEncryptor aes;
  aes.SetKey("Pqrvst Lmnoxz");
  aes.SetEncryptAll(true);
  try {
    xml.ReadText(store, bytes);
  } catch (const TrsException&) {
    return 0;
  }
  // Our own output must always be readable again, with its passwords through the encryptor.
  aes.EncryptStore(store);
  const std::string written = xml.WriteText(store);
  aes.DecryptStore(store);
  TrsStorage again;
  try {
    xml.ReadText(again, written);
  } catch (const TrsException&) {
    std::abort();
  }
  aes.DecryptStore(again);
  return 0;
}
