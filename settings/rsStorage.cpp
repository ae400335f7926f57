// rsStorage.cpp — the settings store: sorted arrays of sections and keys, paths, typed key values and the
// load and save sequence around the back end and the encryptor.
#include "settings/rsStorage.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/CodePage.h"
#include "platform/Locale.h"
#include "rtl/uRtlDateTime.h"
#include "rtl/uRtlFormat.h"
#include "rtl/uRtlMath.h"

namespace varnholt {

namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

std::uint64_t LoadLE(const std::uint8_t* p, int n) {
  std::uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

void StoreLE(std::uint8_t* p, std::uint64_t v, int n) {
  for (int i = 0; i < n; ++i) {
    p[i] = static_cast<std::uint8_t>(v & 0xFF);
    v >>= 8;
  }
}

std::int32_t FieldInt32(const TrsKeyData& key, int offset = 0) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(LoadLE(key.field.data() + offset, 4)));
}
std::int64_t FieldInt64(const TrsKeyData& key) {
  return static_cast<std::int64_t>(LoadLE(key.field.data(), 8));
}
double FieldDouble(const TrsKeyData& key) {
  return std::bit_cast<double>(LoadLE(key.field.data(), 8));
}

std::int32_t BytesInt32(const std::string& bytes) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(LoadLE(reinterpret_cast<const std::uint8_t*>(bytes.data()), 4)));
}
std::uint64_t BytesUInt64(const std::string& bytes) {
  return LoadLE(reinterpret_cast<const std::uint8_t*>(bytes.data()), 8);
}

// Rounds to the nearest integer, ties to even; false when the result does not fit the range.
template <typename T>
bool RoundToInteger(double value, T& out) {
  if (!std::isfinite(value)) return false;
  const double r = rtl::RoundHalfEven(value);
  // The bounds are powers of two, exactly representable as doubles.
  const double lo = static_cast<double>(std::numeric_limits<T>::min());
  const double hi = -lo;
  if (r < lo || r >= hi) return false;
  out = static_cast<T>(r);
  return true;
}

// Currency (value x 10,000) to an integer, ties to even.
std::int64_t RoundCurrency(std::int64_t scaled) {
  std::int64_t q = scaled / 10000;
  const std::int64_t r = scaled % 10000;
  const std::int64_t ar = r < 0 ? -r : r;
  if (ar > 5000 || (ar == 5000 && (q % 2 != 0))) q += (r < 0 ? -1 : 1);
  return q;
}

std::string_view TrimLeadingSpaces(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

template <typename T>
T ParseInteger(const std::string& text) {
  std::string_view s = TrimLeadingSpaces(text);
  const bool plus = !s.empty() && s.front() == '+';
  if (plus) s.remove_prefix(1);
  if (!s.empty() && ((s.front() >= '0' && s.front() <= '9') || (!plus && s.front() == '-'))) {
    T value{};
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec == std::errc() && end == s.data() + s.size()) return value;
  }
  throw ErsConvertError("'" + text + "' is not a valid integer value");
}

double ParseFloat(const std::string& text) {
  const char sep = platform::FormatSettings().DecimalSeparator;
  std::string_view s = text;
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  // Rebuild the number in the C form: sign, digits, '.', digits, exponent.
  std::string c;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') c += '-';
    ++i;
  }
  int digits = 0;
  bool seenSep = false;
  for (; i < s.size(); ++i) {
    const char ch = s[i];
    if (ch >= '0' && ch <= '9') {
      c += ch;
      ++digits;
    } else if (ch == sep && !seenSep) {
      c += '.';
      seenSep = true;
    } else {
      break;
    }
  }
  bool ok = digits > 0;
  if (ok && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    c += 'e';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) c += s[i++];
    int expDigits = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++expDigits) c += s[i];
    ok = expDigits > 0;
  }
  ok = ok && i == s.size();
  double value = 0;
  if (ok) {
    const auto [end, ec] = std::from_chars(c.data(), c.data() + c.size(), value);
    ok = ec == std::errc() && end == c.data() + c.size() && std::isfinite(value);
  }
  if (!ok) throw ErsConvertError("'" + text + "' is not a valid floating point value");
  return value;
}

}  // namespace

// ---- Exceptions ----------------------------------------------------------------------------------------

const char* TrsException::Prefix(TrsErrorKind kind) {
  switch (kind) {
    case TrsErrorKind::GetKeyValue:
      return "TrsStorage get key value error:";
    case TrsErrorKind::Parser:
      return "TrsXMLData parser error:";
    case TrsErrorKind::SetKeyValue:
      return "TrsStorage set key value error:";
    case TrsErrorKind::SearchPrepare:
      return "TrsSearch prepare search error:";
    case TrsErrorKind::Search:
      return "TrsSearch error:";
    case TrsErrorKind::RegData:
      return "TrsRegData error:";
    case TrsErrorKind::Other:
      break;
  }
  return "Storage library error:";
}

TrsException::TrsException(TrsErrorKind kind, const std::string& detail)
    : std::runtime_error(std::string(Prefix(kind)) + " " + detail), kind_(kind) {}

// ---- Text forms ----------------------------------------------------------------------------------------

std::string HexBytes(std::string_view bytes, bool commas) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(bytes.size() * 3);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (commas && i > 0) out += ',';
    const auto b = static_cast<unsigned char>(bytes[i]);
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

// The general format with 15 significant digits. The settings file keeps two rules of its own here: the
// digits round once from the binary value with a tie to even, and scientific notation starts below 10^-4
// ("1E-5", where a script's FloatToStr writes "0.00001"). Files written so read and write back unchanged.
std::string FloatText(double value) {
  return rtl::FloatToText(value, 15, platform::FormatSettings().DecimalSeparator,
                          rtl::TGeneralFormat{.ExactTiesToEven = true, .SmallestFixedExponent = -4});
}

std::string CurrencyText(std::int64_t scaled) {
  return rtl::CurrencyToText(scaled, platform::FormatSettings().DecimalSeparator);
}

// The short date, followed by the long time unless the value is midnight exactly.
std::string DateTimeText(double value) {
  // Beyond year 9999 there is no calendar date to show; the number itself loses nothing.
  if (!std::isfinite(value) || std::fabs(value) > 2958466.0) return FloatText(value);
  const double days = std::trunc(value);
  auto ms = static_cast<std::int64_t>(std::llround(std::fabs(value - days) * 86400000.0));
  // A time that rounds up to midnight stays on its day, as 23:59:59.999 (a script's FormatDateTime moves
  // it to the next day); the store has always shown it so.
  if (ms >= 86400000) ms = 86399999;
  const double time = static_cast<double>(ms) / 86400000.0;
  const double dateTime = days < 0 ? days - time : days + time;
  const auto& fs = platform::FormatSettings();
  // The store's own reading of pictures (see FormatStoreDateTime), so that its texts stay as they were.
  const auto text = [&](const std::string& picture) {
    return rtl::FormatStoreDateTime(picture, dateTime, fs);
  };
  std::string out = text(fs.ShortDateFormat);
  // The time is shown when any millisecond is set, not only hours, minutes or seconds as "c" does.
  if (ms != 0) out += " " + text(fs.LongTimeFormat);
  return out;
}

std::string KeyText(const TrsKeyData& key) {
  switch (key.type) {
    case ktEmpty:
      return "";
    case ktString:
      return key.bytes;
    case ktBinary:
      return HexBytes(key.bytes);
    case ktInteger:
    case ktValue32:
      return std::to_string(FieldInt32(key));
    case ktFloat:
      return FloatText(FieldDouble(key));
    case ktCurrency:
      return CurrencyText(FieldInt64(key));
    case ktDateTime:
      return DateTimeText(FieldDouble(key));
    case ktBoolean:
      return FieldInt32(key) != 0 ? "True" : "False";
    case ktPoint:
      return "(" + std::to_string(FieldInt32(key, 0)) + "," + std::to_string(FieldInt32(key, 4)) + ")";
    case ktInt64:
      return std::to_string(FieldInt64(key));
    default:
      return "";
  }
}

// ---- Key cursor ----------------------------------------------------------------------------------------

const TrsKeyData& TrsKeyWrapper::Data() const {
  if (store_ == nullptr) return own_;
  if (index_ < 0 || index_ >= static_cast<int>(store_->keys_.size())) {
    throw TrsException(TrsErrorKind::Other, "No current key.");
  }
  return store_->keys_[static_cast<std::size_t>(index_)];
}

TrsKeyData& TrsKeyWrapper::Data() {
  return const_cast<TrsKeyData&>(static_cast<const TrsKeyWrapper&>(*this).Data());
}

std::string TrsKeyWrapper::FullPath() const {
  if (store_ == nullptr) return "\\" + own_.name;
  return store_->KeyPath(index_);
}

void TrsKeyWrapper::CannotRead(const char* typeName) const {
  throw TrsException(TrsErrorKind::GetKeyValue,
                     "Can't read value of key \"" + FullPath() + "\" as " + typeName + " type.");
}

std::string TrsKeyWrapper::AsString() const {
  const TrsKeyData& k = Data();
  if (k.type > kMaxKeyType) CannotRead("string");
  return KeyText(k);
}

std::int32_t TrsKeyWrapper::AsInteger() const {
  const TrsKeyData& k = Data();
  std::int32_t result = 0;
  switch (k.type) {
    case ktEmpty:
      return 0;
    case ktString:
      return ParseInteger<std::int32_t>(k.bytes);
    case ktInteger:
    case ktValue32:
    case ktInt64:
      return FieldInt32(k);  // an Int64 gives its low 32 bits
    case ktFloat:
    case ktDateTime:
      if (RoundToInteger(FieldDouble(k), result)) return result;
      break;
    case ktCurrency: {
      const std::int64_t v = RoundCurrency(FieldInt64(k));
      if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max()) {
        return static_cast<std::int32_t>(v);
      }
      break;
    }
    case ktBoolean:
      return FieldInt32(k) != 0 ? 1 : 0;
    case ktBinary:
      if (k.bytes.size() == 4) return BytesInt32(k.bytes);
      break;
    default:
      break;
  }
  CannotRead("integer");
}

std::int64_t TrsKeyWrapper::AsInt64() const {
  const TrsKeyData& k = Data();
  std::int64_t result = 0;
  switch (k.type) {
    case ktEmpty:
    case ktInt64:
      return FieldInt64(k);
    case ktString:
      return ParseInteger<std::int64_t>(k.bytes);
    case ktInteger:
      return FieldInt32(k);
    case ktFloat:
      if (RoundToInteger(FieldDouble(k), result)) return result;
      break;
    case ktCurrency:
      return RoundCurrency(FieldInt64(k));
    case ktBinary:
      if (k.bytes.size() == 8) return static_cast<std::int64_t>(BytesUInt64(k.bytes));
      break;
    default:
      break;
  }
  CannotRead("Int64");
}

double TrsKeyWrapper::AsFloat() const {
  const TrsKeyData& k = Data();
  switch (k.type) {
    case ktEmpty:
    case ktFloat:
      return FieldDouble(k);
    case ktString:
      return ParseFloat(k.bytes);
    case ktInteger:
      return FieldInt32(k);
    case ktInt64:
      return static_cast<double>(FieldInt64(k));
    case ktCurrency:
      return static_cast<double>(FieldInt64(k)) / 10000.0;
    case ktBinary:
      if (k.bytes.size() == 8) return std::bit_cast<double>(BytesUInt64(k.bytes));
      break;
    default:
      break;
  }
  CannotRead("float");
}

TrsVariant TrsKeyWrapper::AsVariant() const {
  const TrsKeyData& k = Data();
  switch (k.type) {
    case ktString:
    case ktBinary:
      return k.bytes;
    case ktInteger:
    case ktValue32:
      return FieldInt32(k);
    case ktFloat:
      return FieldDouble(k);
    case ktCurrency:
      return TrsCurrency{FieldInt64(k)};
    case ktDateTime:
      return TrsDateTime{FieldDouble(k)};
    case ktBoolean:
      return FieldInt32(k) != 0;
    case ktInt64:
      return FieldInt64(k);
    default:
      return std::monostate{};
  }
}

std::string TrsKeyWrapper::AsBinary() const {
  const TrsKeyData& k = Data();
  if (k.type != ktString && k.type != ktBinary) CannotRead("binary");
  return k.bytes;
}

namespace {
void ResetValue(TrsKeyData& k, std::uint16_t type) {
  k.type = type;
  k.field.fill(0);
  k.bytes.clear();
}
}  // namespace

void TrsKeyWrapper::Clear() {
  ResetValue(Data(), ktEmpty);
}

void TrsKeyWrapper::SetString(std::string_view text) {
  TrsKeyData& k = Data();
  ResetValue(k, ktString);
  k.bytes = text;
}

void TrsKeyWrapper::SetBinary(std::string_view bytes) {
  TrsKeyData& k = Data();
  ResetValue(k, ktBinary);
  k.bytes = bytes;
}

void TrsKeyWrapper::SetInteger(std::int32_t value) {
  TrsKeyData& k = Data();
  ResetValue(k, ktInteger);
  StoreLE(k.field.data(), static_cast<std::uint32_t>(value), 4);
}

void TrsKeyWrapper::SetFloat(double value) {
  TrsKeyData& k = Data();
  ResetValue(k, ktFloat);
  StoreLE(k.field.data(), std::bit_cast<std::uint64_t>(value), 8);
}

void TrsKeyWrapper::SetBoolean(bool value) {
  TrsKeyData& k = Data();
  ResetValue(k, ktBoolean);
  StoreLE(k.field.data(), value ? 0xFFFFFFFFu : 0u, 4);
}

void TrsKeyWrapper::SetPoint(TrsPoint point) {
  TrsKeyData& k = Data();
  ResetValue(k, ktPoint);
  StoreLE(k.field.data(), static_cast<std::uint32_t>(point.x), 4);
  StoreLE(k.field.data() + 4, static_cast<std::uint32_t>(point.y), 4);
}

void TrsKeyWrapper::SetInt64(std::int64_t value) {
  TrsKeyData& k = Data();
  ResetValue(k, ktInt64);
  StoreLE(k.field.data(), static_cast<std::uint64_t>(value), 8);
}

void TrsKeyWrapper::SetVariant(const TrsVariant& value) {
  struct Visitor {
    TrsKeyWrapper& w;
    void operator()(std::monostate) const { w.Clear(); }
    void operator()(TrsNull) const { w.Clear(); }
    void operator()(std::int16_t v) const { w.SetInteger(v); }
    void operator()(std::int32_t v) const { w.SetInteger(v); }
    void operator()(std::uint8_t v) const { w.SetInteger(v); }
    void operator()(float v) const { w.SetFloat(v); }
    void operator()(double v) const { w.SetFloat(v); }
    void operator()(TrsCurrency v) const {
      TrsKeyData& k = w.Data();
      ResetValue(k, ktCurrency);
      StoreLE(k.field.data(), static_cast<std::uint64_t>(v.scaled), 8);
    }
    void operator()(TrsDateTime v) const {
      TrsKeyData& k = w.Data();
      ResetValue(k, ktDateTime);
      StoreLE(k.field.data(), std::bit_cast<std::uint64_t>(v.value), 8);
    }
    void operator()(const std::string& v) const { w.SetString(v); }
    void operator()(bool v) const { w.SetBoolean(v); }
    void operator()(std::int64_t v) const { w.SetInt64(v); }
    // A kind the store cannot hold clears the value but keeps the type code.
    void operator()(TrsUnsupported) const {
      TrsKeyData& k = w.Data();
      ResetValue(k, k.type);
    }
  };
  std::visit(Visitor{*this}, value);
}

void TrsKeyWrapper::Assign(const TrsKeyWrapper& other) {
  const TrsKeyData& from = other.Data();
  TrsKeyData& to = Data();
  if (&from == &to) return;
  to.type = from.type;
  to.flags = from.flags;
  to.field = from.field;
  to.bytes = from.bytes;
}

// ---- Store ---------------------------------------------------------------------------------------------

TrsStorage::TrsStorage() {
  cursor_.store_ = this;
  cursor_.index_ = -1;
}

TrsStorage::~TrsStorage() {
  if (!active_) return;
  try {
    SaveOnClose();
  } catch (const std::exception& e) {
    // The program is ending: report the failed write and let it end.
    if (OnSaveError) {
      try {
        OnSaveError(*this, e);
      } catch (...) {
      }
    }
  }
}

void TrsStorage::SaveOnClose() {
  // Never write a tree that was not loaded, or only half loaded, over the file.
  if ((options_ & soSaveOnClose) && !loadFailed_ && !loadPending_) SaveStore();
}

void TrsStorage::SetActive(bool active) {
  if (active == active_) return;
  if (active) {
    active_ = true;
    if (constructing_) {
      loadPending_ = true;
    } else {
      LoadStore();
    }
  } else {
    active_ = false;
    SaveOnClose();
    loadPending_ = false;
  }
}

void TrsStorage::EndConstruction() {
  constructing_ = false;
  if (loadPending_ && active_) {
    loadPending_ = false;
    LoadStore();
  }
}

void TrsStorage::InvalidateCache() {
  cachedSectionId_ = -1;
  cachedSectionStart_ = -1;
  cachedSectionPath_.clear();
  cachedKeyIndex_ = -1;
  cachedKeySection_ = -1;
  cachedKeyName_.clear();
}

void TrsStorage::ClearStore() {
  if (OnKeyDeletion) {
    // Copy the names first: a handler may look at the store while it is being emptied.
    std::vector<std::string> names;
    names.reserve(keys_.size());
    for (const auto& k : keys_) names.push_back(k.name);
    for (const auto& n : names) OnKeyDeletion(*this, n);
  }
  keys_.clear();
  sections_.clear();
  parentById_.assign(1, 0);
  current_ = 0;
  nextSectionId_ = 0;
  cursor_.index_ = -1;
  InvalidateCache();
}

void TrsStorage::LoadStore() {
  ClearStore();
  loadFailed_ = false;
  if (OnBeforeLoad) OnBeforeLoad(*this);
  if (data_ != nullptr) {
    try {
      data_->Load(*this);
    } catch (...) {
      // No half tree: what was read is dropped, and the close-save will not overwrite the file.
      ClearStore();
      loadFailed_ = true;
      throw;
    }
    if (encryptor_ != nullptr && encryptor_->Active()) encryptor_->DecryptStore(*this);
  }
  if (OnAfterLoad) OnAfterLoad(*this);
}

void TrsStorage::SaveStore() {
  if (OnBeforeSave) OnBeforeSave(*this);
  if (data_ != nullptr) {
    const bool encrypt = encryptor_ != nullptr && encryptor_->Active();
    if (encrypt) encryptor_->EncryptStore(*this);
    try {
      data_->Save(*this);
    } catch (...) {
      // Restore the plain values at once, so that a later save does not encrypt them a second time.
      if (encrypt) encryptor_->DecryptStore(*this);
      throw;
    }
    if (encrypt) encryptor_->DecryptStore(*this);
    loadFailed_ = false;
  }
  if (OnAfterSave) OnAfterSave(*this);
}

void TrsStorage::SetCurrentSection(int sectionId) {
  current_ = (sectionId > 0 && sectionId < static_cast<int>(parentById_.size())) ? sectionId : 0;
}

void TrsStorage::SetRootSection(const std::string& path) {
  rootSection_ = path;
  const int id = path.empty() ? 0 : ResolveSection(path, true, 0);
  current_ = id < 0 ? 0 : id;
}

bool TrsStorage::OpenSection(const std::string& name, bool create) {
  if (name.empty()) return false;
  int id = FindSubsection(current_, name);
  if (id < 0) {
    if (!create) return false;
    id = AddSection(current_, name);
  }
  current_ = id;
  return true;
}

void TrsStorage::CloseSection() {
  current_ = parentById_[static_cast<std::size_t>(current_)];
}

namespace {
struct SectionOrder {
  bool operator()(const TrsSectionData& s, const std::pair<int, std::string_view>& k) const {
    return s.parentId != k.first ? s.parentId < k.first : platform::CompareText(s.name, k.second) < 0;
  }
  bool operator()(const std::pair<int, std::string_view>& k, const TrsSectionData& s) const {
    return k.first != s.parentId ? k.first < s.parentId : platform::CompareText(k.second, s.name) < 0;
  }
};
struct KeyOrder {
  bool operator()(const TrsKeyData& s, const std::pair<int, std::string_view>& k) const {
    return s.sectionId != k.first ? s.sectionId < k.first : platform::CompareText(s.name, k.second) < 0;
  }
};
}  // namespace

int TrsStorage::FindSubsection(int parentId, std::string_view name) const {
  const std::pair<int, std::string_view> key{parentId, name};
  const auto it = std::lower_bound(sections_.begin(), sections_.end(), key, SectionOrder{});
  if (it != sections_.end() && it->parentId == parentId && platform::CompareText(it->name, name) == 0) {
    return it->id;
  }
  return -1;
}

int TrsStorage::AddSection(int parentId, std::string name) {
  const std::pair<int, std::string_view> key{parentId, name};
  const auto it = std::lower_bound(sections_.begin(), sections_.end(), key, SectionOrder{});
  const int id = ++nextSectionId_;
  sections_.insert(it, TrsSectionData{std::move(name), id, parentId});
  parentById_.push_back(parentId);
  return id;
}

int TrsStorage::FindKeyIn(int sectionId, std::string_view name) const {
  const std::pair<int, std::string_view> key{sectionId, name};
  const auto it = std::lower_bound(keys_.begin(), keys_.end(), key, KeyOrder{});
  if (it != keys_.end() && it->sectionId == sectionId && platform::CompareText(it->name, name) == 0) {
    return static_cast<int>(it - keys_.begin());
  }
  return -1;
}

int TrsStorage::AddKey(int sectionId, std::string name) {
  const std::pair<int, std::string_view> key{sectionId, name};
  const auto it = std::lower_bound(keys_.begin(), keys_.end(), key, KeyOrder{});
  const int index = static_cast<int>(it - keys_.begin());
  TrsKeyData data;
  data.name = std::move(name);
  data.sectionId = sectionId;
  keys_.insert(it, std::move(data));
  if (cursor_.index_ >= index) ++cursor_.index_;
  cachedKeyIndex_ = -1;
  if (OnKeyAdd) OnKeyAdd(*this, keys_[static_cast<std::size_t>(index)].name);
  return index;
}

void TrsStorage::AdoptTree(std::vector<TrsSectionData> sections, std::vector<TrsKeyData> keys) {
  parentById_.assign(sections.size() + 1, 0);
  for (const auto& s : sections) parentById_[static_cast<std::size_t>(s.id)] = s.parentId;
  std::sort(sections.begin(), sections.end(), [](const TrsSectionData& a, const TrsSectionData& b) {
    return a.parentId != b.parentId ? a.parentId < b.parentId : platform::CompareText(a.name, b.name) < 0;
  });
  std::sort(keys.begin(), keys.end(), [](const TrsKeyData& a, const TrsKeyData& b) {
    return a.sectionId != b.sectionId ? a.sectionId < b.sectionId : platform::CompareText(a.name, b.name) < 0;
  });
  sections_ = std::move(sections);
  keys_ = std::move(keys);
  nextSectionId_ = static_cast<int>(sections_.size());
  if (current_ >= static_cast<int>(parentById_.size())) current_ = 0;
  cursor_.index_ = -1;
  InvalidateCache();
}

std::pair<int, int> TrsStorage::KeyRange(int sectionId) const {
  const auto lo = std::lower_bound(keys_.begin(), keys_.end(), sectionId,
                                   [](const TrsKeyData& k, int id) { return k.sectionId < id; });
  const auto hi = std::upper_bound(lo, keys_.end(), sectionId,
                                   [](int id, const TrsKeyData& k) { return id < k.sectionId; });
  return {static_cast<int>(lo - keys_.begin()), static_cast<int>(hi - keys_.begin())};
}

std::pair<int, int> TrsStorage::SubsectionRange(int parentId) const {
  const auto lo = std::lower_bound(sections_.begin(), sections_.end(), parentId,
                                   [](const TrsSectionData& s, int id) { return s.parentId < id; });
  const auto hi = std::upper_bound(lo, sections_.end(), parentId,
                                   [](int id, const TrsSectionData& s) { return id < s.parentId; });
  return {static_cast<int>(lo - sections_.begin()), static_cast<int>(hi - sections_.begin())};
}

int TrsStorage::SectionIndex(int sectionId) const {
  if (sectionId == 0) return -1;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    if (sections_[i].id == sectionId) return static_cast<int>(i);
  }
  return -1;
}

std::string TrsStorage::SectionPath(int sectionId, char separator) const {
  std::vector<const std::string*> names;
  // The parent chain is finite: every section's parent was created before it.
  for (int index = SectionIndex(sectionId); index >= 0;) {
    const auto& s = sections_[static_cast<std::size_t>(index)];
    names.push_back(&s.name);
    index = SectionIndex(s.parentId);
  }
  std::string path;
  for (auto it = names.rbegin(); it != names.rend(); ++it) path += separator + **it;
  return path;
}

std::string TrsStorage::KeyPath(int index, char separator) const {
  if (index < 0 || index >= static_cast<int>(keys_.size())) return std::string(1, separator);
  const auto& k = keys_[static_cast<std::size_t>(index)];
  return SectionPath(k.sectionId, separator) + separator + k.name;
}

int TrsStorage::ResolveSection(std::string_view path, bool create, int start) {
  if (!path.empty() && IsSeparator(path.front())) {
    start = 0;
    path.remove_prefix(1);
  }
  if (path.empty()) return start;
  if (start == cachedSectionStart_ && cachedSectionId_ >= 0 && path == cachedSectionPath_) {
    return cachedSectionId_;
  }
  int id = start;
  std::size_t pos = 0;
  while (true) {
    std::size_t end = pos;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::string_view name = path.substr(pos, end - pos);
    if (name.empty()) return -1;  // two separators in a row name nothing
    int child = FindSubsection(id, name);
    if (child < 0) {
      if (!create) return -1;
      child = AddSection(id, std::string(name));
    }
    id = child;
    if (end >= path.size()) break;
    pos = end + 1;
  }
  cachedSectionStart_ = start;
  cachedSectionPath_ = std::string(path);
  cachedSectionId_ = id;
  return id;
}

int TrsStorage::LocateKey(std::string_view path, bool create) {
  std::size_t sep = path.size();
  for (std::size_t i = path.size(); i-- > 0;) {
    if (IsSeparator(path[i])) {
      sep = i;
      break;
    }
  }
  int sectionId = current_;
  std::string_view name = path;
  if (sep < path.size()) {
    name = path.substr(sep + 1);
    sectionId = sep == 0 ? 0 : ResolveSection(path.substr(0, sep), create, current_);
    if (sectionId < 0) return -1;
  }
  if (name.empty()) return -1;
  if (cachedKeyIndex_ >= 0 && cachedKeySection_ == sectionId && name == cachedKeyName_)
    return cachedKeyIndex_;
  int index = FindKeyIn(sectionId, name);
  if (index < 0) {
    if (!create) return -1;
    index = AddKey(sectionId, std::string(name));
  }
  cachedKeySection_ = sectionId;
  cachedKeyName_ = std::string(name);
  cachedKeyIndex_ = index;
  return index;
}

int TrsStorage::FindKey(std::string_view path, bool create) {
  const int index = LocateKey(path, create);
  if (index >= 0) cursor_.index_ = index;
  return index;
}

bool TrsStorage::KeyExists(std::string_view path) {
  return LocateKey(path, false) >= 0;
}

bool TrsStorage::SectionExists(std::string_view path) {
  if (path.empty()) return false;
  return ResolveSection(path, false, current_) >= 0;
}

bool TrsStorage::DeleteKey(std::string_view path) {
  const int index = LocateKey(path, false);
  if (index < 0) return false;
  if (OnKeyDeletion) OnKeyDeletion(*this, keys_[static_cast<std::size_t>(index)].name);
  keys_.erase(keys_.begin() + index);
  if (cursor_.index_ == index) {
    cursor_.index_ = -1;
  } else if (cursor_.index_ > index) {
    --cursor_.index_;
  }
  cachedKeyIndex_ = -1;
  return true;
}

std::string TrsStorage::ReadString(std::string_view path, const std::string& defaultValue) {
  if (FindKey(path, false) < 0) return defaultValue;
  return cursor_.AsString();
}

void TrsStorage::WriteString(std::string_view path, std::string_view text) {
  if (FindKey(path, true) < 0) {
    throw TrsException(TrsErrorKind::SetKeyValue, "Invalid key path \"" + std::string(path) + "\".");
  }
  cursor_.SetString(text);
}

void TrsStorage::SelectKey(int index) {
  cursor_.index_ = (index >= 0 && index < static_cast<int>(keys_.size())) ? index : -1;
}

// ---- Encryptor -----------------------------------------------------------------------------------------

namespace {
// A listed path in one form: "/" separators and exactly one leading "/".
std::string NormalizedPath(std::string_view path) {
  if (!path.empty() && (path.front() == '/' || path.front() == '\\')) path.remove_prefix(1);
  std::string p;
  p.reserve(path.size() + 1);
  p += '/';
  for (const char c : path) p += c == '\\' ? '/' : c;
  return p;
}
}  // namespace

bool TrsEncryptor::IsListed(std::string_view path) const {
  const std::string p = NormalizedPath(path);
  return std::any_of(encryptKeys_.begin(), encryptKeys_.end(), [&](const std::string& listed) {
    return platform::SameText(NormalizedPath(listed), p);
  });
}

std::vector<int> TrsEncryptor::TargetKeys(TrsStorage& storage) const {
  std::vector<int> targets;
  if (encryptAll_) {
    for (int i = 0; i < static_cast<int>(storage.Keys().size()); ++i) targets.push_back(i);
    return targets;
  }
  for (const auto& listed : encryptKeys_) {
    // Listed paths always count from the root, whichever section is current.
    const int index = storage.LocateKey(NormalizedPath(listed), false);
    if (index >= 0 && std::find(targets.begin(), targets.end(), index) == targets.end()) {
      targets.push_back(index);
    }
  }
  return targets;
}

void TrsEncryptor::EncryptStore(TrsStorage& storage) {
  for (const int index : TargetKeys(storage)) EncryptKey(storage.KeyAt(index));
}

void TrsEncryptor::DecryptStore(TrsStorage& storage) {
  for (const int index : TargetKeys(storage)) DecryptKey(storage.KeyAt(index));
}

}  // namespace varnholt
