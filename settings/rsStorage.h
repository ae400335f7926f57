// rsStorage.h — the settings store: a tree of named sections holding typed keys, its key cursor, its
// load and save sequence, and the interfaces of the file back end and the encryptor that it drives.
//
// Sections and keys live in two flat arrays kept sorted (sections by parent id then name, keys by section
// id then name); every lookup is a binary search. Names compare with only A-Z folded, so "edfind.text"
// finds "edFind.Text". Paths separate names by "/" or "\"; a leading separator starts at the root.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace varnholt {

// What kind of failure a TrsException reports; each kind has its own message prefix.
enum class TrsErrorKind { GetKeyValue, Parser, SetKeyValue, SearchPrepare, Search, RegData, Other };

// The store's own errors: prefix + " " + detail.
class TrsException : public std::runtime_error {
 public:
  TrsException(TrsErrorKind kind, const std::string& detail);
  TrsErrorKind Kind() const { return kind_; }
  static const char* Prefix(TrsErrorKind kind);

 private:
  TrsErrorKind kind_;
};

// The settings file could not be opened or created ("Cannot open file ..."/"Cannot create file ...").
class EFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A text that is not a number where a number was asked for ("'abc' is not a valid integer value").
class ErsConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Type codes of a key; the code is part of the encrypted payload, so the numbers are fixed.
enum TrsKeyType : std::uint16_t {
  ktEmpty = 0,
  ktString = 1,
  ktBinary = 2,
  ktInteger = 3,
  ktFloat = 4,
  ktCurrency = 5,
  ktDateTime = 6,
  ktBoolean = 7,
  ktPoint = 8,
  ktInt64 = 9,
  ktValue32 = 10,
};
inline constexpr std::uint16_t kMaxKeyType = ktValue32;

// Key flags: where the reader found the key, so the writer puts it back in the same form.
inline constexpr std::uint16_t kfAttribute = 1;       // an attribute of its section's element
inline constexpr std::uint16_t kfValueAttribute = 2;  // <name value="..."/>

// The variant that typed reads and writes exchange with the property saver.
struct TrsNull {};
struct TrsCurrency {
  std::int64_t scaled = 0;  // value x 10,000
  bool operator==(const TrsCurrency&) const = default;
};
struct TrsDateTime {
  double value = 0;  // days since 1899-12-30, fraction = time of day
  bool operator==(const TrsDateTime&) const = default;
};
struct TrsUnsupported {};  // a kind the store cannot hold (arrays, automation objects)
struct TrsPoint {
  std::int32_t x = 0, y = 0;
  bool operator==(const TrsPoint&) const = default;
};
using TrsVariant =
    std::variant<std::monostate, TrsNull, std::int16_t, std::int32_t, std::uint8_t, float, double,
                 TrsCurrency, TrsDateTime, std::string, bool, std::int64_t, TrsUnsupported>;

// One key of the store. Fixed-size types keep their value in the 8-byte field (little-endian), string
// and binary keys in bytes.
struct TrsKeyData {
  std::string name;
  int sectionId = 0;
  std::uint16_t flags = 0;
  std::uint16_t type = ktEmpty;
  std::array<std::uint8_t, 8> field{};
  std::string bytes;
};

struct TrsSectionData {
  std::string name;
  int id = 0;
  int parentId = 0;
};

// The text form of a key as the file and string reads show it. Binary keys are given as comma
// separated hexadecimal bytes without line breaks.
std::string KeyText(const TrsKeyData& key);
// Bytes as "AB,CD,..." (or "ABCD..." without commas).
std::string HexBytes(std::string_view bytes, bool commas = true);
// The locale texts of floats, currency and dates.
std::string FloatText(double value);
std::string CurrencyText(std::int64_t scaled);
std::string DateTimeText(double value);

class TrsStorage;

// The key cursor: reads and writes one key with the conversions of the store. The store has one that
// follows FindKey; a free-standing wrapper holds a scratch key of its own.
class TrsKeyWrapper {
 public:
  TrsKeyWrapper() = default;
  explicit TrsKeyWrapper(std::string name) { own_.name = std::move(name); }

  bool Assigned() const { return store_ == nullptr || index_ >= 0; }
  const TrsKeyData& Data() const;
  TrsKeyData& Data();
  const std::string& Name() const { return Data().name; }
  std::uint16_t Type() const { return Data().type; }
  std::uint16_t Flags() const { return Data().flags; }
  void SetFlags(std::uint16_t flags) { Data().flags = flags; }
  // "\" + section names from the top joined by "\" + "\" + key name; used in error messages.
  std::string FullPath() const;

  std::string AsString() const;
  std::int32_t AsInteger() const;
  std::int64_t AsInt64() const;
  double AsFloat() const;
  TrsVariant AsVariant() const;
  std::string AsBinary() const;  // the bytes of a string or binary key

  void Clear();  // empty key
  void SetString(std::string_view text);
  void SetBinary(std::string_view bytes);
  void SetInteger(std::int32_t value);
  void SetFloat(double value);
  void SetBoolean(bool value);
  void SetPoint(TrsPoint point);
  void SetInt64(std::int64_t value);
  void SetVariant(const TrsVariant& value);
  // Copies type, flags and value (not the name) from another key.
  void Assign(const TrsKeyWrapper& other);

 private:
  friend class TrsStorage;
  [[noreturn]] void CannotRead(const char* typeName) const;

  TrsStorage* store_ = nullptr;  // null: the wrapper holds own_
  int index_ = -1;
  TrsKeyData own_;
};

class TrsStorageData;
class TrsEncryptor;

enum TrsStorageOption : unsigned {
  soSaveOnClose = 1,       // save when deactivated or destroyed
  soSaveEmptySection = 2,  // write sections that have neither keys nor subsections
};

class TrsStorage {
 public:
  using TNotifyEvent = std::function<void(TrsStorage&)>;
  using TKeyEvent = std::function<void(TrsStorage&, const std::string& keyName)>;
  using TErrorEvent = std::function<void(TrsStorage&, const std::exception&)>;

  TrsStorage();
  ~TrsStorage();
  TrsStorage(const TrsStorage&) = delete;
  TrsStorage& operator=(const TrsStorage&) = delete;

  // Becoming active loads the store (deferred while construction is in progress); becoming inactive
  // saves it first when soSaveOnClose is set.
  bool Active() const { return active_; }
  void SetActive(bool active);
  // The owner's construction: SetActive(true) inside it waits for EndConstruction to load.
  void BeginConstruction() { constructing_ = true; }
  void EndConstruction();

  unsigned Options() const { return options_; }
  void SetOptions(unsigned options) { options_ = options; }

  TrsStorageData* StorageData() const { return data_; }
  void SetStorageData(TrsStorageData* data) { data_ = data; }
  TrsEncryptor* Encryptor() const { return encryptor_; }
  void SetEncryptor(TrsEncryptor* encryptor) { encryptor_ = encryptor; }

  // The section that relative paths start from. RootSection is a path from the root whose missing
  // sections are created; empty means the root.
  const std::string& RootSection() const { return rootSection_; }
  void SetRootSection(const std::string& path);
  int CurrentSection() const { return current_; }
  void SetCurrentSection(int sectionId);
  bool OpenSection(const std::string& name, bool create = true);
  void CloseSection();

  void LoadStore();
  void SaveStore();
  void ClearStore();
  // True after a load that failed; the close-save is then skipped so a damaged file is never
  // overwritten by the part of it that could be read.
  bool LoadFailed() const { return loadFailed_; }

  // Index of the key or -1; with create, missing sections and the key are made. The found key becomes
  // the cursor's current key.
  int FindKey(std::string_view path, bool create);
  // The same lookup without moving the cursor.
  int LocateKey(std::string_view path, bool create = false);
  bool KeyExists(std::string_view path);
  bool SectionExists(std::string_view path);
  bool DeleteKey(std::string_view path);
  std::string ReadString(std::string_view path, const std::string& defaultValue);
  void WriteString(std::string_view path, std::string_view text);

  TrsKeyWrapper& Key() { return cursor_; }
  void SelectKey(int index);

  // Read access for the back end, the encryptor and tools.
  const std::vector<TrsSectionData>& Sections() const { return sections_; }
  const std::vector<TrsKeyData>& Keys() const { return keys_; }
  TrsKeyData& KeyAt(int index) { return keys_[static_cast<std::size_t>(index)]; }
  std::pair<int, int> KeyRange(int sectionId) const;        // [first, last) of the section's keys
  std::pair<int, int> SubsectionRange(int parentId) const;  // [first, last) in Sections()
  int SectionIndex(int sectionId) const;                    // index in Sections(), -1 for the root
  std::string SectionPath(int sectionId, char separator = '\\') const;
  std::string KeyPath(int index, char separator = '\\') const;

  // Building blocks for the reader.
  int FindSubsection(int parentId, std::string_view name) const;  // id or -1
  int AddSection(int parentId, std::string name);                 // id of the new section
  int FindKeyIn(int sectionId, std::string_view name) const;      // index or -1
  int AddKey(int sectionId, std::string name);                    // index of the new (empty) key
  // Replaces the whole tree at once: sections with the ids 1..n (each parent made before its children),
  // keys unique by section and name, both in any order. Sorting once keeps reading a large file linear
  // in practice, where adding one by one into the sorted arrays would be quadratic. No key events.
  void AdoptTree(std::vector<TrsSectionData> sections, std::vector<TrsKeyData> keys);

  TNotifyEvent OnBeforeLoad, OnAfterLoad, OnBeforeSave, OnAfterSave;
  TKeyEvent OnKeyAdd, OnKeyDeletion;
  // A save at destruction cannot throw; its failure is reported here.
  TErrorEvent OnSaveError;

 private:
  friend class TrsKeyWrapper;
  int ResolveSection(std::string_view path, bool create, int start);
  void InvalidateCache();
  void SaveOnClose();

  bool active_ = false;
  bool constructing_ = false;
  bool loadPending_ = false;
  bool loadFailed_ = false;
  unsigned options_ = soSaveOnClose;
  TrsStorageData* data_ = nullptr;
  TrsEncryptor* encryptor_ = nullptr;
  std::string rootSection_;
  int current_ = 0;
  int nextSectionId_ = 0;
  std::vector<TrsSectionData> sections_;
  // Sections are only ever added (until the store is cleared), so ids are dense: the parent of each id.
  std::vector<int> parentById_{0};
  std::vector<TrsKeyData> keys_;
  TrsKeyWrapper cursor_;

  // The last section path and key looked up; reused while nothing changes the arrays.
  std::string cachedSectionPath_;
  int cachedSectionStart_ = -1;
  int cachedSectionId_ = -1;
  int cachedKeySection_ = -1;
  std::string cachedKeyName_;
  int cachedKeyIndex_ = -1;
};

// A back end moves the whole tree between the store and its medium.
class TrsStorageData {
 public:
  using TNotifyEvent = std::function<void(TrsStorageData&)>;
  virtual ~TrsStorageData() = default;
  virtual void Load(TrsStorage& storage) = 0;
  virtual void Save(TrsStorage& storage) = 0;
  TNotifyEvent OnBeforeLoad, OnAfterLoad, OnBeforeSave, OnAfterSave;
};

// An encryptor protects the listed keys while they are in the file.
class TrsEncryptor {
 public:
  virtual ~TrsEncryptor() = default;
  bool Active() const { return active_; }
  void SetActive(bool active) { active_ = active; }
  // Every key of the store instead of the listed ones.
  bool EncryptAll() const { return encryptAll_; }
  void SetEncryptAll(bool all) { encryptAll_ = all; }
  std::vector<std::string>& EncryptKeys() { return encryptKeys_; }
  const std::vector<std::string>& EncryptKeys() const { return encryptKeys_; }
  // True when the path names a listed key (with or without its leading separator, either separator).
  bool IsListed(std::string_view path) const;

  void EncryptStore(TrsStorage& storage);
  void DecryptStore(TrsStorage& storage);
  virtual void EncryptKey(TrsKeyData& key) = 0;
  // Leaves the key as it was when it does not hold a value this encryptor made.
  virtual bool DecryptKey(TrsKeyData& key) = 0;

 private:
  std::vector<int> TargetKeys(TrsStorage& storage) const;

  bool active_ = true;
  bool encryptAll_ = false;
  std::vector<std::string> encryptKeys_;
};

}  // namespace varnholt
