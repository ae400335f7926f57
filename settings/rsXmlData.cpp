// rsXmlData.cpp — writing the settings tree as the XML settings file and reading it back.
//
// The dialect is small and fixed: sections are elements, keys are elements holding their text, attributes
// of their section's element, or <name value="..."/>. The reader infers each key's type from its text,
// so the file stays hand-editable. Reading is a single forward pass over the text with an explicit
// current section, and writing walks the tree with an explicit stack, so neither recurses on the depth
// of a file.
#include "settings/rsXmlData.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Locale.h"

namespace varnholt {

namespace {

bool IsWhite(char c) {
  return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}
int HexValue(char c) {
  return IsDigit(c) ? c - '0' : (platform::AsciiUpper(c) - 'A' + 10);
}

// UTF-16 text (after its byte order mark) to the system code page; a last odd byte is no code unit.
std::string FromUtf16(std::string_view bytes, bool bigEndian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    units += static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
  }
  return platform::Utf16ToCp1252(units);
}

[[noreturn]] void ParserError(const char* message) {
  throw TrsException(TrsErrorKind::Parser, message);
}

std::string Unescape(std::string_view s) {
  if (s.find('&') == std::string_view::npos) return std::string(s);
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    if (s[i] != '&') {
      out += s[i++];
      continue;
    }
    const std::size_t semi = s.find(';', i + 1);
    if (semi == std::string_view::npos) ParserError("No end mark in the entity.");
    const std::string_view name = s.substr(i + 1, semi - i - 1);
    i = semi + 1;
    if (!name.empty() && name[0] == '#') {
      const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
      const std::string_view digits = name.substr(hex ? 2 : 1);
      if (digits.empty()) ParserError("Unknown entity.");
      std::uint32_t code = 0;
      for (const char c : digits) {
        if (hex ? !IsHexDigit(c) : !IsDigit(c)) ParserError("Unknown entity.");
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(hex ? HexValue(c) : c - '0');
        if (code > 0x10FFFF) ParserError("Unknown entity.");
      }
      // Codes of one byte are the byte itself; larger ones are Unicode characters.
      if (code <= 0xFF) {
        out += static_cast<char>(code);
      } else {
        out += platform::CodePointToCp1252(code);
      }
      continue;
    }
    static const struct {
      const char* name;
      char c;
    } kEntities[] = {{"amp", '&'},  {"apos", '\''}, {"gt", '>'},  {"lt", '<'},
                     {"quot", '"'}, {"cr", '\r'},   {"lf", '\n'}, {"tab", '\t'}};
    bool known = false;
    for (const auto& e : kEntities) {
      if (platform::SameText(name, e.name)) {
        out += e.c;
        known = true;
        break;
      }
    }
    if (!known) ParserError("Unknown entity.");
  }
  return out;
}

std::string Escape(std::string_view s, unsigned options) {
  std::string out;
  out.reserve(s.size() + 8);
  for (const char c : s) {
    switch (c) {
      case '"':
        out += "&quot;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '\'':
        out += "&apos;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\t':
        out += (options & doEncodeTab) ? "&tab;" : "\t";
        break;
      case '\r':
        out += (options & doEncodeCRLF) ? "&cr;" : "\r";
        break;
      case '\n':
        out += (options & doEncodeCRLF) ? "&lf;" : "\n";
        break;
      default:
        out += c;
    }
  }
  return out;
}

enum class TNumberKind { None, Integer, Int64, Float };

// The number test of the reader: sign, digits, at most one decimal separator. Integers must render back
// to the same text, so "007", "+7" and "-0" stay strings; a number too large for 64 bits stays a string.
TNumberKind ClassifyNumber(const std::string& text, std::int64_t& integer, double& real) {
  const char sep = platform::FormatSettings().DecimalSeparator;
  std::size_t i = 0;
  const bool hasSign = !text.empty() && (text[0] == '+' || text[0] == '-');
  if (hasSign) i = 1;
  int digits = 0;
  int seps = 0;
  for (std::size_t j = i; j < text.size(); ++j) {
    if (IsDigit(text[j])) {
      ++digits;
    } else if (text[j] == sep && seps == 0) {
      ++seps;
    } else {
      return TNumberKind::None;
    }
  }
  if (digits == 0) return TNumberKind::None;
  if (seps > 0) {
    std::string c;
    if (text[0] == '-') c += '-';
    for (std::size_t j = i; j < text.size(); ++j) c += text[j] == sep ? '.' : text[j];
    const auto [end, ec] = std::from_chars(c.data(), c.data() + c.size(), real);
    if (ec != std::errc() || end != c.data() + c.size() || !std::isfinite(real)) return TNumberKind::None;
    return TNumberKind::Float;
  }
  const std::string_view unsignedDigits = std::string_view(text).substr(i);
  TNumberKind kind = TNumberKind::Int64;
  if (digits <= 9) {
    kind = TNumberKind::Integer;
  } else if (digits == 10) {
    const bool negative = text[0] == '-';
    kind = unsignedDigits <= (negative ? "2147483648" : "2147483647") ? TNumberKind::Integer
                                                                      : TNumberKind::Int64;
  }
  const std::string_view parse = text[0] == '+' ? std::string_view(text).substr(1) : std::string_view(text);
  const auto [end, ec] = std::from_chars(parse.data(), parse.data() + parse.size(), integer);
  if (ec != std::errc() || end != parse.data() + parse.size()) return TNumberKind::None;
  if (std::to_string(integer).size() != text.size()) return TNumberKind::None;
  return kind;
}

bool IsIntegerText(const std::string& text, std::int32_t& value) {
  std::int64_t integer = 0;
  double real = 0;
  if (ClassifyNumber(text, integer, real) != TNumberKind::Integer) return false;
  value = static_cast<std::int32_t>(integer);
  return true;
}

// Hexadecimal bytes such as "AB,CD" or "0A,0B,\r\n0C"; false when the text is not that form.
bool ParseHexBytes(const std::string& text, std::string& bytes) {
  if (text.empty() || !IsHexDigit(text[0])) return false;
  std::size_t digits = 0, commas = 0;
  for (const char c : text) {
    if (IsHexDigit(c)) {
      ++digits;
    } else if (c == ',') {
      ++commas;
    } else if (c != '\r' && c != '\n') {
      return false;
    }
  }
  if (commas == 0 || commas >= digits || digits / commas >= 5) return false;
  bytes.clear();
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == ',' || c == '\r' || c == '\n') {
      ++i;
      continue;
    }
    if (i + 1 >= text.size() || !IsHexDigit(text[i + 1])) return false;
    bytes += static_cast<char>(HexValue(c) * 16 + HexValue(text[i + 1]));
    i += 2;
  }
  return true;
}

}  // namespace

void SetKeyFromText(TrsKeyWrapper& key, const std::string& text) {
  if (text.empty()) return;
  std::int64_t integer = 0;
  double real = 0;
  switch (ClassifyNumber(text, integer, real)) {
    case TNumberKind::Integer:
      key.SetInteger(static_cast<std::int32_t>(integer));
      return;
    case TNumberKind::Int64:
      key.SetInt64(integer);
      return;
    case TNumberKind::Float:
      key.SetFloat(real);
      return;
    case TNumberKind::None:
      break;
  }
  if (platform::SameText(text, "True") || platform::SameText(text, "False")) {
    key.SetBoolean(platform::SameText(text, "True"));
    return;
  }
  if (text.size() >= 5 && text.front() == '(' && text.back() == ')') {
    const std::size_t comma = text.find(',');
    std::int32_t x = 0, y = 0;
    if (comma != std::string::npos && IsIntegerText(text.substr(1, comma - 1), x) &&
        IsIntegerText(text.substr(comma + 1, text.size() - comma - 2), y)) {
      key.SetPoint({x, y});
      return;
    }
  }
  std::string bytes;
  if (ParseHexBytes(text, bytes)) {
    key.SetBinary(bytes);
    return;
  }
  key.SetString(text);
}

// ---- File location and the load and save steps --------------------------------------------------------

std::filesystem::path TrsStreamData::FilePath() const {
  std::string folderPart;
  std::string namePart = fileName_;
  const std::size_t slash = fileName_.find_last_of("\\/");
  if (slash != std::string::npos) {
    folderPart = fileName_.substr(0, slash);
    namePart = fileName_.substr(slash + 1);
  }
  for (char& c : folderPart) {
    if (c == '\\') c = '/';
  }
  const bool hasDrive = folderPart.size() >= 2 && folderPart[1] == ':';
  std::filesystem::path folder;
  switch (fileDir_) {
    case fdCustom:
      folder = platform::Cp1252ToUtf8(folderPart);
      break;
    case fdApplication:
      folder = applicationFolder_;
      break;
    case fdWindows:
    case fdUserProfile:
      // This platform reports neither folder; the file then lies in the working folder.
      break;
  }
  if (fileDir_ != fdCustom && !folderPart.empty() && !hasDrive) {
    while (!folderPart.empty() && folderPart.front() == '/') folderPart.erase(0, 1);
    folder /= platform::Cp1252ToUtf8(folderPart);
  }
  std::string extension;
  const std::size_t dot = namePart.find_last_of('.');
  if (dot != std::string::npos) {
    extension = namePart.substr(dot);
    namePart.resize(dot);
  }
  if (extension.empty()) extension = ".xml";
  if (options_ & doAutoName) {
    namePart = programName_;
    const std::size_t programDot = namePart.find_last_of('.');
    if (programDot != std::string::npos) namePart.resize(programDot);
  }
  return folder / platform::Cp1252ToUtf8(namePart + extension);
}

namespace {

// Reads a whole file; false when it does not exist. Other failures raise the open error.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT) return false;
    throw EFileError("Cannot open file \"" + platform::Utf8ToCp1252(path.string()) + "\". " +
                     platform::ErrnoText(error));
  }
  bytes.clear();
  char buffer[65536];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      throw EFileError("Cannot open file \"" + platform::Utf8ToCp1252(path.string()) + "\". " +
                       platform::ErrnoText(error));
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

}  // namespace

void TrsStreamData::Load(TrsStorage& storage) {
  if (OnBeforeLoad) OnBeforeLoad(*this);
  std::string bytes;
  const bool supplied = OnLoadFromStream && OnLoadFromStream(*this, bytes);
  if (!supplied) ReadWholeFile(FilePath(), bytes);
  if (!bytes.empty()) ParseBytes(storage, bytes);
  storage.SetCurrentSection(0);
  if (OnAfterLoad) OnAfterLoad(*this);
}

void TrsStreamData::Save(TrsStorage& storage) {
  if (OnBeforeSave) OnBeforeSave(*this);
  const int remembered = storage.CurrentSection();
  storage.SetCurrentSection(0);
  std::string text;
  try {
    text = ProduceBytes(storage);
  } catch (...) {
    storage.SetCurrentSection(remembered);
    throw;
  }
  storage.SetCurrentSection(remembered);
  try {
    if (!(OnSaveToStream && OnSaveToStream(*this, text))) {
      const std::filesystem::path path = FilePath();
      if ((options_ & doAutoCreateDir) && path.has_parent_path()) {
        platform::ForceDirectories(path.parent_path());
      }
      const platform::TStatus status = platform::ReplaceFileAtomically(path, text, BeforeRename, fileAccess_);
      if (!status) {
        // The platform's message names the file as well; the system's reason follows its last ": ".
        const std::string& message = status.Message();
        const std::size_t reason = message.rfind("\": ");
        throw EFileError("Cannot create file \"" + platform::Utf8ToCp1252(path.string()) + "\". " +
                         (reason == std::string::npos ? message : message.substr(reason + 3)));
      }
    }
  } catch (...) {
    if (OnAfterSave) OnAfterSave(*this);
    throw;
  }
  if (OnAfterSave) OnAfterSave(*this);
}

// ---- Writer ---------------------------------------------------------------------------------------------

std::string TrsXMLData::WriteText(TrsStorage& storage) const {
  const unsigned options = Options();
  const unsigned compact = compactOptions_;
  const int step = (compact & coIndent) ? 0 : 2;
  const std::string eol = (compact & coEOL) ? "" : "\r\n";
  const bool saveEmpty = (storage.Options() & soSaveEmptySection) != 0;
  const auto& keys = storage.Keys();
  const auto& sections = storage.Sections();
  std::string body;

  const auto keyText = [&](const TrsKeyData& k) {
    return k.type == ktString ? Escape(k.bytes, options) : KeyText(k);
  };
  const auto hasContent = [&](int id) {
    const auto kr = storage.KeyRange(id);
    const auto sr = storage.SubsectionRange(id);
    return kr.first != kr.second || sr.first != sr.second;
  };
  const auto writeBinaryElement = [&](const TrsKeyData& k, int indent) {
    if (compact & coHexStr) {
      body += HexBytes(k.bytes, false);
      return;
    }
    // Long values wrap near column 78; continuation lines start at the margin.
    std::size_t column = static_cast<std::size_t>(indent) + k.name.size() + 3;
    const std::size_t n = k.bytes.size();
    for (std::size_t i = 0; i < n; ++i) {
      body += HexBytes(k.bytes.substr(i, 1));
      if (i + 1 < n) {
        body += ',';
        column += 3;
        if (column >= 78 && n - i - 1 >= 2 && !eol.empty()) {
          body += eol;
          column = 1;
        }
      }
    }
  };
  // Writes a section's start tag and its keys; false when the element is already complete.
  const auto openSection = [&](int id, const std::string& name, int indent) {
    body.append(static_cast<std::size_t>(indent), ' ');
    body += '<';
    body += name;
    const auto [first, last] = storage.KeyRange(id);
    int others = 0;
    for (int i = first; i < last; ++i) {
      const TrsKeyData& k = keys[static_cast<std::size_t>(i)];
      if (k.flags & kfAttribute) {
        body += ' ' + k.name + "=\"" + keyText(k) + '"';
      } else {
        ++others;
      }
    }
    const auto subs = storage.SubsectionRange(id);
    if (others == 0 && subs.first == subs.second) {
      body += "/>" + eol;
      return false;
    }
    body += '>' + eol;
    for (int i = first; i < last; ++i) {
      const TrsKeyData& k = keys[static_cast<std::size_t>(i)];
      if (k.flags & kfAttribute) continue;
      body.append(static_cast<std::size_t>(indent + step), ' ');
      const bool valueForm =
          ((k.flags & kfValueAttribute) || (options & doKeyValueInAttribute)) && k.type != ktBinary;
      if (valueForm) {
        body += '<' + k.name + " value=\"" + keyText(k) + "\"/>";
      } else {
        body += '<' + k.name + '>';
        if (k.type == ktBinary) {
          writeBinaryElement(k, indent + step);
        } else {
          body += keyText(k);
        }
        body += "</" + k.name + '>';
      }
      body += eol;
    }
    return true;
  };

  struct TFrame {
    std::string name;
    int indent;
    int next, end;
  };
  std::vector<TFrame> stack;
  static const std::string kDocument = "DOCUMENT";
  if (openSection(0, kDocument, 0)) {
    const auto r = storage.SubsectionRange(0);
    stack.push_back({kDocument, 0, r.first, r.second});
  }
  while (!stack.empty()) {
    TFrame& top = stack.back();
    if (top.next < top.end) {
      const TrsSectionData& s = sections[static_cast<std::size_t>(top.next++)];
      if (!saveEmpty && !hasContent(s.id)) continue;
      const int indent = top.indent + step;
      if (openSection(s.id, s.name, indent)) {
        const auto r = storage.SubsectionRange(s.id);
        stack.push_back({s.name, indent, r.first, r.second});
      }
      continue;
    }
    body.append(static_cast<std::size_t>(top.indent), ' ');
    body += "</" + top.name + ">\r\n";
    stack.pop_back();
  }
  // The template supplies the line end after the document element.
  if (body.size() >= 2 && body.compare(body.size() - 2, 2, "\r\n") == 0) body.resize(body.size() - 2);

  const std::size_t mark = template_.find("%BODY%");
  if (mark == std::string::npos) return template_ + body;
  return template_.substr(0, mark) + body + template_.substr(mark + 6);
}

// ---- Reader ---------------------------------------------------------------------------------------------

namespace {

// The tree as the reader builds it: sections and keys in the order they are made, found through hash
// tables, and handed to the store sorted once at the end. Inserting each into the store's sorted arrays
// as it comes would move half of them for every new one.
class TReadTree {
 public:
  explicit TReadTree(const TrsStorage& storage) {
    // A store that already holds keys keeps them; the file's keys are merged in as if added one by one.
    sections_.resize(storage.Sections().size());
    parentOf_.assign(storage.Sections().size() + 1, 0);
    childCount_.assign(storage.Sections().size() + 1, 0);
    for (const TrsSectionData& s : storage.Sections()) {
      sections_[static_cast<std::size_t>(s.id - 1)] = s;
      parentOf_[static_cast<std::size_t>(s.id)] = s.parentId;
      ++childCount_[static_cast<std::size_t>(s.parentId)];
      sectionIds_.emplace(Slot(s.parentId, s.name), s.id);
    }
    keys_ = storage.Keys();
    firstNewKey_ = keys_.size();
    for (std::size_t i = 0; i < keys_.size(); ++i)
      keyIndex_.emplace(Slot(keys_[i].sectionId, keys_[i].name), i);
  }

  int Parent(int id) const { return parentOf_[static_cast<std::size_t>(id)]; }
  int ChildCount(int id) const { return childCount_[static_cast<std::size_t>(id)]; }

  int FindSection(int parent, std::string_view name) const {
    const auto it = sectionIds_.find(Slot(parent, name));
    return it == sectionIds_.end() ? -1 : it->second;
  }

  int AddSection(int parent, std::string name) {
    const int id = static_cast<int>(sections_.size()) + 1;
    sectionIds_.emplace(Slot(parent, name), id);
    sections_.push_back(TrsSectionData{std::move(name), id, parent});
    parentOf_.push_back(parent);
    childCount_.push_back(0);
    ++childCount_[static_cast<std::size_t>(parent)];
    return id;
  }

  TrsKeyData& Key(int section, std::string_view name) {
    const auto [it, added] = keyIndex_.emplace(Slot(section, name), keys_.size());
    if (added) {
      TrsKeyData key;
      key.name = std::string(name);
      key.sectionId = section;
      keys_.push_back(std::move(key));
    }
    return keys_[it->second];
  }

  // Moves the tree into the store and raises the store's key event for every key the file added.
  void MoveInto(TrsStorage& storage) {
    std::vector<std::string> added;
    if (storage.OnKeyAdd) {
      for (std::size_t i = firstNewKey_; i < keys_.size(); ++i) added.push_back(keys_[i].name);
    }
    storage.AdoptTree(std::move(sections_), std::move(keys_));
    for (const std::string& name : added) storage.OnKeyAdd(storage, name);
  }

 private:
  // Names compare with only A-Z folded, so the folded name identifies a key or section in its parent.
  static std::string Slot(int parent, std::string_view name) {
    std::string slot = std::to_string(parent);
    slot += '/';
    slot += platform::UpperCase(name);
    return slot;
  }

  std::vector<TrsSectionData> sections_;  // index = id - 1
  std::vector<int> parentOf_;             // by id; the root is its own parent
  std::vector<int> childCount_;           // by id
  std::unordered_map<std::string, int> sectionIds_;
  std::vector<TrsKeyData> keys_;
  std::unordered_map<std::string, std::size_t> keyIndex_;
  std::size_t firstNewKey_ = 0;
};

class TXmlReader {
 public:
  TXmlReader(TrsStorage& storage, std::string_view text)
      : storage_(storage), tree_(storage), t_(text), current_(storage.CurrentSection()) {}

  void Run() {
    while (true) {
      SkipWhite();
      if (p_ >= t_.size()) break;
      if (t_[p_] != '<') ParserError("Missing begin tag mark.");
      ++p_;
      if (p_ >= t_.size()) ParserError("Unexpected end of file.");
      switch (t_[p_]) {
        case '?':
          SkipPast("?>", p_ + 1);
          break;
        case '!':
          SkipDeclaration();
          break;
        case '/':
          EndTag();
          break;
        default:
          StartTag();
      }
    }
    tree_.MoveInto(storage_);
  }

 private:
  struct TAttribute {
    std::string_view name, value;
  };

  void SkipWhite() {
    while (p_ < t_.size() && IsWhite(t_[p_])) ++p_;
  }

  void SkipPast(std::string_view marker, std::size_t from) {
    const std::size_t at = t_.find(marker, from);
    if (at == std::string_view::npos) ParserError("Unexpected end of file.");
    p_ = at + marker.size();
  }

  bool At(std::string_view word) const { return t_.substr(p_, word.size()) == word; }

  void SkipDeclaration() {
    if (At("!--")) {
      SkipPast("-->", p_ + 3);
    } else if (At("![CDATA[")) {
      SkipPast("]]>", p_ + 8);  // character data outside a key carries no setting
    } else if (At("!DOCTYPE")) {
      int depth = 1;
      for (std::size_t i = p_ + 8; i < t_.size(); ++i) {
        if (t_[i] == '<') ++depth;
        if (t_[i] == '>' && --depth == 0) {
          p_ = i + 1;
          return;
        }
      }
      ParserError("Unexpected end of file.");
    } else {
      SkipPast(">", p_ + 1);
    }
  }

  template <typename Stop>
  std::string_view Name(Stop stop) {
    const std::size_t start = p_;
    while (p_ < t_.size() && !stop(t_[p_])) ++p_;
    if (p_ >= t_.size()) ParserError("Unexpected end of file.");
    return t_.substr(start, p_ - start);
  }

  void ExpectTagEnd() {
    SkipWhite();
    if (p_ >= t_.size() || t_[p_] != '>') ParserError("Missing end tag mark.");
    ++p_;
  }

  void EndTag() {
    ++p_;  // '/'
    const std::string_view name = Name([](char c) { return IsWhite(c) || c == '>'; });
    ExpectTagEnd();
    if (haveDocument_ && name == documentName_) {
      current_ = 0;
      depth_ = 0;
    } else {
      current_ = tree_.Parent(current_);
      if (depth_ > 0) --depth_;
    }
  }

  void StartTag() {
    const std::size_t tagStart = p_ - 1;
    const std::string_view name = Name([](char c) { return IsWhite(c) || c == '/' || c == '>'; });
    attributes_.clear();
    while (true) {
      SkipWhite();
      if (p_ >= t_.size()) ParserError("Missing end tag mark.");
      if (t_[p_] == '/' || t_[p_] == '>') break;
      TAttribute a;
      a.name = Name([](char c) { return IsWhite(c) || c == '='; });
      SkipWhite();
      if (p_ >= t_.size() || t_[p_] != '=') ParserError("Missing equality sign.");
      ++p_;
      SkipWhite();
      if (p_ >= t_.size() || (t_[p_] != '"' && t_[p_] != '\'')) ParserError("Missing quotation mark.");
      const char quote = t_[p_++];
      const std::size_t close = t_.find(quote, p_);
      if (close == std::string_view::npos) ParserError("Unexpected end of file.");
      a.value = t_.substr(p_, close - p_);
      p_ = close + 1;
      attributes_.push_back(a);
    }
    const bool selfClosing = t_[p_] == '/';
    if (selfClosing) ++p_;
    if (p_ >= t_.size() || t_[p_] != '>') ParserError("Missing end tag mark.");
    ++p_;

    if (!haveDocument_) {
      // The document element only frames the tree; its attributes carry nothing.
      haveDocument_ = true;
      documentName_ = std::string(name);
      return;
    }
    if (selfClosing && attributes_.size() == 1 && attributes_[0].name == "value") {
      SetKey(current_, name, Unescape(attributes_[0].value), kfValueAttribute);
      return;
    }
    if (!selfClosing && attributes_.empty()) {
      const std::size_t lt = t_.find('<', p_);
      if (lt != std::string_view::npos && lt + 1 < t_.size() && t_[lt + 1] == '/' &&
          t_.substr(lt + 2, name.size()) == name &&
          (lt + 2 + name.size() >= t_.size() || IsWhite(t_[lt + 2 + name.size()]) ||
           t_[lt + 2 + name.size()] == '>')) {
        const std::string_view text = t_.substr(p_, lt - p_);
        p_ = lt + 2 + name.size();
        ExpectTagEnd();
        SetKey(current_, name, Unescape(text), 0);
        return;
      }
    }
    if (!selfClosing && depth_ >= kMaxSectionDepth) {
      const auto line = std::count(t_.begin(), t_.begin() + static_cast<std::ptrdiff_t>(tagStart), '\n') + 1;
      throw TrsException(TrsErrorKind::Parser, "Sections nested more than " +
                                                   std::to_string(kMaxSectionDepth) + " deep (line " +
                                                   std::to_string(line) + ").");
    }
    const int id = tree_.AddSection(current_, UniqueSectionName(current_, name));
    for (const auto& a : attributes_) SetKey(id, a.name, Unescape(a.value), kfAttribute);
    if (!selfClosing) {
      current_ = id;
      ++depth_;
    }
  }

  // Sibling sections of the same name get "_" and the number of siblings so far; should that name be
  // taken as well, the number counts on until it is free.
  std::string UniqueSectionName(int parent, std::string_view name) {
    if (tree_.FindSection(parent, name) < 0) return std::string(name);
    for (int n = tree_.ChildCount(parent);; ++n) {
      std::string candidate = std::string(name) + "_" + std::to_string(n);
      if (tree_.FindSection(parent, candidate) < 0) return candidate;
    }
  }

  void SetKey(int sectionId, std::string_view name, const std::string& text, std::uint16_t flag) {
    TrsKeyData& key = tree_.Key(sectionId, name);
    key.flags |= flag;
    // The typing rules work on a key cursor; a free-standing one borrows the key for the moment.
    TrsKeyWrapper cursor;
    cursor.Data() = std::move(key);
    SetKeyFromText(cursor, text);
    key = std::move(cursor.Data());
  }

  TrsStorage& storage_;
  TReadTree tree_;
  std::string_view t_;
  std::size_t p_ = 0;
  int current_ = 0;
  int depth_ = 0;  // open sections below the document element
  bool haveDocument_ = false;
  std::string documentName_;
  std::vector<TAttribute> attributes_;
};

}  // namespace

void TrsXMLData::ReadText(TrsStorage& storage, std::string_view bytes) const {
  std::string converted;
  std::string_view text = bytes;
  if (bytes.starts_with("\xEF\xBB\xBF")) {
    // Editors on Windows save UTF-8 with a byte-order mark; the text inside is taken as UTF-8 when it is
    // (characters 1252 cannot hold become '?'), else as 8-bit text after the mark.
    text = bytes.substr(3);
    if (platform::HasNonAscii(text) && platform::IsValidUtf8(text)) {
      converted = platform::Utf8ToCp1252(text);
      text = converted;
    }
  } else if (bytes.size() >= 2) {
    const auto b0 = static_cast<unsigned char>(bytes[0]);
    const auto b1 = static_cast<unsigned char>(bytes[1]);
    if ((b0 == 0xFF && b1 == 0xFE) || (b0 == 0xFE && b1 == 0xFF)) {
      converted = FromUtf16(bytes, b0 == 0xFE);
      text = converted;
    }
  }
  TXmlReader(storage, text).Run();
  storage.SetCurrentSection(0);
}

}  // namespace varnholt
