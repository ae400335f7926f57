// atScript_Values.cpp — storage, conversion, comparison, arithmetic and element rules of ScriptValue.
//
// The arithmetic classifies each operand once (integer, currency, floating, date, text, Null, other)
// and picks the result kind from the pair; integer results that leave 32 bits become Double rather
// than wrapping. Failures are EScriptValueError with the conventional variant messages, which the
// virtual machine wraps into run-time errors naming the instruction.
#include "script/vm/atScript_Values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Locale.h"
#include "rtl/uRtlFormat.h"
#include "rtl/uRtlMath.h"
#include "script/vm/atScript_DateText.h"

namespace varnholt {

// The machine's stack holds 3000 of these; the size is part of the design.
static_assert(sizeof(ScriptValue) == 32, "a value is a 24-byte payload and its kind");

// ---------------------------------------------------------------------------------------------------
// Shared storage blocks

// Header of a heap text; the bytes follow it in the same allocation.
struct ScriptValue::THeapText {
  std::uint32_t refs;
  std::uint32_t length;
  std::uint32_t capacity;

  char* Data() noexcept { return reinterpret_cast<char*>(this + 1); }

  // Allocated in 8-byte units so the header stays aligned; the allocator owns the raw memory.
  static std::size_t Units(std::size_t capacity) noexcept {
    return (sizeof(THeapText) + capacity + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t);
  }
  static THeapText* Create(std::size_t capacity) {
    // Texts stay below 2 GB, the conventional limit of a string's length.
    if (capacity > 0x7FFFFFF0u) throw EScriptValueError("Out of memory");
    std::uint64_t* memory = std::allocator<std::uint64_t>().allocate(Units(capacity));
    return std::construct_at(reinterpret_cast<THeapText*>(memory),
                             THeapText{1, 0, static_cast<std::uint32_t>(capacity)});
  }
  static void Destroy(THeapText* text) noexcept {
    const std::size_t units = Units(text->capacity);
    std::destroy_at(text);
    std::allocator<std::uint64_t>().deallocate(reinterpret_cast<std::uint64_t*>(text), units);
  }
};

struct ScriptValue::TArrayData {
  std::uint32_t refs = 1;
  TValueKind elementKind = TValueKind::Variant;
  int dimCount = 0;
  TArrayBound bounds[kMaxArrayDimensions]{};
  std::vector<ScriptValue> items;

  static TArrayData* Create() { return std::construct_at(std::allocator<TArrayData>().allocate(1)); }
  static TArrayData* Clone(const TArrayData& other) {
    return std::construct_at(std::allocator<TArrayData>().allocate(1), other);
  }
  static void Destroy(TArrayData* data) noexcept {
    std::destroy_at(data);
    std::allocator<TArrayData>().deallocate(data, 1);
  }
};

// ---------------------------------------------------------------------------------------------------
// Helpers

namespace {

[[noreturn]] void ThrowInvalidOperation() {
  throw EScriptValueError("Invalid variant operation");
}

char DecimalSeparator() {
  return platform::FormatSettings().DecimalSeparator;
}

// The number class of an operand in arithmetic.
enum class TNumClass { Integer, Currency, Floating, Date };

struct TNumber {
  TNumClass cls;
  std::int64_t integer;  // Integer: the value; Currency: ten-thousandths
  double real;           // Floating and Date
};

// Saturating conversion of an already rounded double to 32 bits.
std::int32_t SaturateToInt32(double value) noexcept {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

// Currency ten-thousandths rounded to whole units, a half to the even neighbour.
std::int64_t RoundCurrency(std::int64_t scaled) noexcept {
  std::int64_t whole = scaled / 10000;
  const std::int64_t rest = scaled % 10000;
  if (rest > 5000 || (rest == 5000 && (whole & 1) != 0)) ++whole;
  if (rest < -5000 || (rest == -5000 && (whole & 1) != 0)) --whole;
  return whole;
}

void CheckFloatResult(double result, double a, double b) {
  if (std::isinf(result) && std::isfinite(a) && std::isfinite(b)) {
    throw EScriptValueError("Floating point overflow");
  }
  if (std::isnan(result) && !std::isnan(a) && !std::isnan(b)) {
    throw EScriptValueError("Invalid floating point operation");
  }
}

int CompareBytes(std::string_view a, std::string_view b) noexcept {
  const std::size_t n = std::min(a.size(), b.size());
  const int c = n == 0 ? 0 : std::memcmp(a.data(), b.data(), n);
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

TCompareResult FromOrder(int order) noexcept {
  return order < 0 ? TCompareResult::Less : (order > 0 ? TCompareResult::Greater : TCompareResult::Equal);
}

template <typename T>
TCompareResult CompareOrdered(T a, T b) noexcept {
  if (a < b) return TCompareResult::Less;
  if (a > b) return TCompareResult::Greater;
  if (a == b) return TCompareResult::Equal;
  return TCompareResult::NotEqual;  // NaN
}

std::string CurrencyToText(std::int64_t scaled, char separator) {
  const bool negative = scaled < 0;
  // Magnitude in unsigned arithmetic, so the most negative value has one too.
  const std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(scaled) : scaled;
  std::string text = negative ? "-" : "";
  text += std::to_string(magnitude / 10000);
  std::uint64_t fraction = magnitude % 10000;
  if (fraction != 0) {
    char digits[5];
    for (int i = 3; i >= 0; --i) {
      digits[i] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    int length = 4;
    while (digits[length - 1] == '0') --length;
    text += separator;
    text.append(digits, length);
  }
  return text;
}

}  // namespace

double RoundHalfEven(double value) noexcept { return rtl::RoundHalfEven(value); }

bool TryTextToDouble(std::string_view text, char decimalSeparator, double& result) noexcept {
  return rtl::TryTextToDouble(text, decimalSeparator, result);
}

std::string FormatFloatGeneral(double value, int precision, char decimalSeparator) {
  return rtl::FloatToText(value, precision, decimalSeparator);
}

// ---------------------------------------------------------------------------------------------------
// Construction and storage

ScriptValue ScriptValue::Null() noexcept {
  ScriptValue v;
  v.kind_ = TValueKind::Null;
  return v;
}

ScriptValue ScriptValue::Smallint(std::int16_t value) noexcept {
  ScriptValue v(static_cast<std::int32_t>(value));
  v.kind_ = TValueKind::Smallint;
  return v;
}

ScriptValue ScriptValue::Byte(std::uint8_t value) noexcept {
  ScriptValue v(static_cast<std::int32_t>(value));
  v.kind_ = TValueKind::Byte;
  return v;
}

ScriptValue ScriptValue::Single(float value) noexcept {
  ScriptValue v;
  v.kind_ = TValueKind::Single;
  v.payload_.single = value;
  return v;
}

ScriptValue ScriptValue::CurrencyScaled(std::int64_t tenThousandths) noexcept {
  ScriptValue v;
  v.kind_ = TValueKind::Currency;
  v.payload_.currency = tenThousandths;
  return v;
}

ScriptValue ScriptValue::Currency(double value) {
  const double scaled = RoundHalfEven(value * 10000.0);
  if (!(std::fabs(scaled) < 9.2e18))
    throw EScriptValueError("Could not convert variant of type (Double) into type (Currency)");
  return CurrencyScaled(static_cast<std::int64_t>(scaled));
}

ScriptValue ScriptValue::Date(double days) noexcept {
  ScriptValue v(days);
  v.kind_ = TValueKind::Date;
  return v;
}

ScriptValue ScriptValue::OleStr(std::u16string_view text) {
  ScriptValue v;
  v.AssignText(TValueKind::OleStr, reinterpret_cast<const char*>(text.data()),
               text.size() * sizeof(char16_t));
  return v;
}

ScriptValue ScriptValue::Error(std::int32_t code) noexcept {
  ScriptValue v(code);
  v.kind_ = TValueKind::Error;
  return v;
}

ScriptValue ScriptValue::Dispatch(void* object) noexcept {
  ScriptValue v;
  v.kind_ = TValueKind::Dispatch;
  v.payload_.object = object;
  return v;
}

ScriptValue ScriptValue::Unknown(void* object) noexcept {
  ScriptValue v = Dispatch(object);
  v.kind_ = TValueKind::Unknown;
  return v;
}

ScriptValue ScriptValue::Ref(ScriptValue* target) noexcept {
  ScriptValue v;
  v.kind_ = TValueKind::ByRef;
  // Pointing at the final slot keeps every reference one step long.
  v.payload_.ref = &target->Deref();
  return v;
}

ScriptValue ScriptValue::Array(std::span<const TArrayBound> bounds, TValueKind elementKind) {
  if (bounds.empty()) throw EScriptValueError("Invalid array dimension");
  if (bounds.size() > static_cast<std::size_t>(kMaxArrayDimensions)) {
    throw EScriptElementError("Variant arrays with " + std::to_string(bounds.size()) +
                              " dimensions is still not supported");
  }
  std::int64_t total = 1;
  for (const TArrayBound& bound : bounds) {
    const std::int64_t count = static_cast<std::int64_t>(bound.High) - bound.Low + 1;
    if (count < 0) throw EScriptValueError("Invalid array bounds");
    total *= count;
    if (total > kMaxArrayElements) {
      throw EScriptValueError("Variant array is too large (more than " + std::to_string(kMaxArrayElements) +
                              " elements)");
    }
  }
  ScriptValue initial;
  switch (elementKind) {
    case TValueKind::Variant:
    case TValueKind::Empty:
      break;
    case TValueKind::Null:
      initial = Null();
      break;
    case TValueKind::Smallint:
      initial = Smallint(0);
      break;
    case TValueKind::Integer:
      initial = ScriptValue(0);
      break;
    case TValueKind::Byte:
      initial = Byte(0);
      break;
    case TValueKind::Boolean:
      initial = ScriptValue(false);
      break;
    case TValueKind::Single:
      initial = Single(0);
      break;
    case TValueKind::Double:
      initial = ScriptValue(0.0);
      break;
    case TValueKind::Currency:
      initial = CurrencyScaled(0);
      break;
    case TValueKind::Date:
      initial = Date(0);
      break;
    case TValueKind::String:
      initial = ScriptValue(std::string_view());
      break;
    case TValueKind::OleStr:
      initial = OleStr(std::u16string_view());
      break;
    case TValueKind::Error:
      initial = Error(0);
      break;
    case TValueKind::Dispatch:
      initial = Dispatch(nullptr);
      break;
    case TValueKind::Unknown:
      initial = Unknown(nullptr);
      break;
    default:
      throw EScriptValueError("Invalid variant type");
  }
  TArrayData* data = TArrayData::Create();
  ScriptValue v;
  v.kind_ = TValueKind::Array;
  v.onHeap_ = true;
  v.payload_.array = data;
  data->elementKind = elementKind;
  data->dimCount = static_cast<int>(bounds.size());
  std::copy(bounds.begin(), bounds.end(), data->bounds);
  data->items.assign(static_cast<std::size_t>(total), initial);
  return v;
}

ScriptValue ScriptValue::ArrayOf(std::span<const ScriptValue> values) {
  const TArrayBound bound{0, static_cast<std::int32_t>(values.size()) - 1};
  ScriptValue v = Array(std::span<const TArrayBound>(&bound, 1));
  // Elements are values, never references: a reference would outlive the slot it points to.
  std::transform(values.begin(), values.end(), v.payload_.array->items.begin(),
                 [](const ScriptValue& value) { return value.Deref(); });
  return v;
}

ScriptValue& ScriptValue::AssignShared(const ScriptValue& other) noexcept {
  if (this == &other) return *this;
  // The other value may live inside storage this value releases (an element of its own array), so
  // it is taken over before the release.
  ScriptValue taken(other);
  return *this = std::move(taken);
}

ScriptValue& ScriptValue::AssignMoved(ScriptValue&& other) noexcept {
  if (this == &other) return *this;
  const TPayload payload = other.payload_;
  const TValueKind kind = other.kind_;
  const std::uint8_t inlineLength = other.inlineLength_;
  const bool onHeap = other.onHeap_;
  other.kind_ = TValueKind::Empty;
  other.onHeap_ = false;
  Release();
  payload_ = payload;
  kind_ = kind;
  inlineLength_ = inlineLength;
  onHeap_ = onHeap;
  return *this;
}

void ScriptValue::AddHeapReference() noexcept {
  if (kind_ == TValueKind::Array) {
    ++payload_.array->refs;
  } else {
    ++payload_.text.block->refs;
  }
}

void ScriptValue::Release() noexcept {
  if (onHeap_) {
    if (kind_ == TValueKind::Array) {
      if (--payload_.array->refs == 0) TArrayData::Destroy(payload_.array);
    } else if (--payload_.text.block->refs == 0) {
      THeapText::Destroy(payload_.text.block);
    }
    onHeap_ = false;
  }
  kind_ = TValueKind::Empty;
}

char* ScriptValue::PrepareText(TValueKind kind, std::size_t length) {
  Release();
  if (length <= kInlineTextCapacity) {
    kind_ = kind;
    inlineLength_ = static_cast<std::uint8_t>(length);
    return payload_.bytes;
  }
  THeapText* text = THeapText::Create(length);
  text->length = static_cast<std::uint32_t>(length);
  payload_.text = {text, text->length};
  kind_ = kind;
  onHeap_ = true;
  return text->Data();
}

void ScriptValue::AssignText(TValueKind kind, const char* bytes, std::size_t length) {
  char* target = PrepareText(kind, length);
  if (length != 0) std::memcpy(target, bytes, length);
}

std::string_view ScriptValue::RawBytes() const noexcept {
  if (onHeap_) return {payload_.text.block->Data(), payload_.text.length};
  return {payload_.bytes, inlineLength_};
}

std::string_view ScriptValue::TextView() const noexcept {
  return kind_ == TValueKind::String ? RawBytes() : std::string_view();
}

// Appends to a String value, in place when its heap block has room and nobody else can see the bytes
// written. The bytes of a block up to its used length never change once written, and every holder
// reads only up to its own length; so the holder whose text ends where the block's used part ends may
// extend it even when the block is shared. That makes `s := s + a + b` linear: the temporary that
// starts as a copy of s grows in place, and s then takes it over.
void ScriptValue::AppendText(std::string_view tail) {
  const std::string_view head = RawBytes();
  const std::size_t length = head.size() + tail.size();
  if (onHeap_) {
    THeapText* block = payload_.text.block;
    if (length <= block->capacity && (block->refs == 1 || block->length == head.size())) {
      std::memmove(block->Data() + head.size(), tail.data(), tail.size());
      block->length = static_cast<std::uint32_t>(length);
      payload_.text.length = block->length;
      return;
    }
  }
  if (!onHeap_ && length <= kInlineTextCapacity) {
    std::memmove(payload_.bytes + head.size(), tail.data(), tail.size());
    inlineLength_ = static_cast<std::uint8_t>(length);
    return;
  }
  // Growing text doubles its block, so a loop that keeps appending copies each byte only a few times.
  THeapText* text = THeapText::Create(std::max(length, head.size() * 2));
  std::memcpy(text->Data(), head.data(), head.size());
  std::memcpy(text->Data() + head.size(), tail.data(), tail.size());
  text->length = static_cast<std::uint32_t>(length);
  Release();
  payload_.text = {text, text->length};
  kind_ = TValueKind::String;
  onHeap_ = true;
}

// ---------------------------------------------------------------------------------------------------
// Inspection

bool ScriptValue::IsIntegerKind() const noexcept {
  return kind_ == TValueKind::Smallint || kind_ == TValueKind::Integer || kind_ == TValueKind::Byte ||
         kind_ == TValueKind::Boolean;
}

bool ScriptValue::IsNumeric() const noexcept {
  return IsIntegerKind() || kind_ == TValueKind::Single || kind_ == TValueKind::Double ||
         kind_ == TValueKind::Currency || kind_ == TValueKind::Date;
}

void* ScriptValue::ObjectPointer() const noexcept {
  return kind_ == TValueKind::Dispatch || kind_ == TValueKind::Unknown ? payload_.object : nullptr;
}

const char* ScriptValue::KindName(TValueKind kind) noexcept {
  switch (kind) {
    case TValueKind::Empty:
      return "Empty";
    case TValueKind::Null:
      return "Null";
    case TValueKind::Smallint:
      return "Smallint";
    case TValueKind::Integer:
      return "Integer";
    case TValueKind::Single:
      return "Single";
    case TValueKind::Double:
      return "Double";
    case TValueKind::Currency:
      return "Currency";
    case TValueKind::Date:
      return "Date";
    case TValueKind::OleStr:
      return "OleStr";
    case TValueKind::Dispatch:
      return "Dispatch";
    case TValueKind::Error:
      return "Error";
    case TValueKind::Boolean:
      return "Boolean";
    case TValueKind::Variant:
      return "Variant";
    case TValueKind::Unknown:
      return "Unknown";
    case TValueKind::Byte:
      return "Byte";
    case TValueKind::String:
      return "String";
    case TValueKind::Array:
      return "Array";
    case TValueKind::ByRef:
      return "ByRef";
  }
  return "";
}

namespace {

std::string TypeNameOf(TValueKind kind, TValueKind elementKind) {
  if (kind == TValueKind::Array) return std::string("Array ") + ScriptValue::KindName(elementKind);
  return ScriptValue::KindName(kind);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Conversion

namespace {

[[noreturn]] void ThrowCannotConvert(const ScriptValue& value, const char* target) {
  throw EScriptValueError("Could not convert variant of type (" +
                          TypeNameOf(value.Kind(), value.ArrayElementKind()) + ") into type (" + target +
                          ")");
}

// The text of a String or OleStr in the system code page.
std::string TextOf(const ScriptValue& value) {
  return value.Kind() == TValueKind::String ? std::string(value.TextView()) : value.ToText();
}

// A text operand read as a number, or the conversion error naming the target type.
double TextToNumber(const ScriptValue& value, const char* target) {
  double result = 0;
  bool ok = false;
  if (value.Kind() == TValueKind::String) {
    ok = TryTextToDouble(value.TextView(), DecimalSeparator(), result);
  } else {
    ok = TryTextToDouble(TextOf(value), DecimalSeparator(), result);
  }
  if (!ok) ThrowCannotConvert(value, target);
  return result;
}

// Classifies an operand that is neither Null nor text for the arithmetic.
TNumber NumberOf(const ScriptValue& value) {
  switch (value.Kind()) {
    case TValueKind::Empty:
      return {TNumClass::Integer, 0, 0};
    case TValueKind::Smallint:
    case TValueKind::Integer:
    case TValueKind::Byte:
    case TValueKind::Boolean:
      return {TNumClass::Integer, value.RawInteger(), 0};
    case TValueKind::Single:
      return {TNumClass::Floating, 0, value.RawSingle()};
    case TValueKind::Double:
      return {TNumClass::Floating, 0, value.RawDouble()};
    case TValueKind::Date:
      return {TNumClass::Date, 0, value.RawDouble()};
    case TValueKind::Currency:
      return {TNumClass::Currency, value.RawCurrency(), 0};
    case TValueKind::String:
    case TValueKind::OleStr:
      return {TNumClass::Floating, 0, TextToNumber(value, "Double")};
    default:
      ThrowInvalidOperation();
  }
}

double AsReal(const TNumber& n) noexcept {
  switch (n.cls) {
    case TNumClass::Integer:
      return static_cast<double>(n.integer);
    case TNumClass::Currency:
      return static_cast<double>(n.integer) / 10000.0;
    default:
      return n.real;
  }
}

ScriptValue IntegerResult(std::int64_t value) noexcept {
  if (value >= std::numeric_limits<std::int32_t>::min() &&
      value <= std::numeric_limits<std::int32_t>::max()) {
    return ScriptValue(static_cast<std::int32_t>(value));
  }
  return ScriptValue(static_cast<double>(value));
}

}  // namespace

std::int64_t ScriptValue::ToInt64() const {
  const ScriptValue& v = Deref();
  switch (v.kind_) {
    case TValueKind::Empty:
      return 0;
    case TValueKind::Smallint:
    case TValueKind::Integer:
    case TValueKind::Byte:
    case TValueKind::Boolean:
      return v.payload_.integer;
    case TValueKind::Currency:
      return RoundCurrency(v.payload_.currency);
    case TValueKind::Single:
    case TValueKind::Double:
    case TValueKind::Date:
    case TValueKind::String:
    case TValueKind::OleStr: {
      const double real = v.kind_ == TValueKind::Single ? v.payload_.single
                          : v.IsText()                  ? TextToNumber(v, "Integer")
                                                        : v.payload_.real;
      const double rounded = RoundHalfEven(real);
      if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0)) {
        ThrowCannotConvert(v, "Integer");
      }
      return static_cast<std::int64_t>(rounded);
    }
    default:
      ThrowCannotConvert(v, "Integer");
  }
}

std::int32_t ScriptValue::ToInteger() const {
  const ScriptValue& v = Deref();
  if (v.IsIntegerKind()) return v.payload_.integer;
  const std::int64_t value = v.ToInt64();
  if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max()) {
    ThrowCannotConvert(v, "Integer");
  }
  return static_cast<std::int32_t>(value);
}

double ScriptValue::ToDouble() const {
  const ScriptValue& v = Deref();
  switch (v.kind_) {
    case TValueKind::Empty:
      return 0;
    case TValueKind::Smallint:
    case TValueKind::Integer:
    case TValueKind::Byte:
    case TValueKind::Boolean:
      return v.payload_.integer;
    case TValueKind::Single:
      return v.payload_.single;
    case TValueKind::Double:
    case TValueKind::Date:
      return v.payload_.real;
    case TValueKind::Currency:
      return static_cast<double>(v.payload_.currency) / 10000.0;
    case TValueKind::String:
    case TValueKind::OleStr:
      return TextToNumber(v, "Double");
    default:
      ThrowCannotConvert(v, "Double");
  }
}

std::string ScriptValue::ToText() const {
  const ScriptValue& v = Deref();
  switch (v.kind_) {
    case TValueKind::Empty:
    case TValueKind::Null:
      return {};
    case TValueKind::Smallint:
    case TValueKind::Integer:
    case TValueKind::Byte:
      return std::to_string(v.payload_.integer);
    case TValueKind::Boolean:
      return v.payload_.integer != 0 ? "True" : "False";
    case TValueKind::Single:
      return FormatFloatGeneral(v.payload_.single, 7, DecimalSeparator());
    case TValueKind::Double:
      return FormatFloatGeneral(v.payload_.real, 15, DecimalSeparator());
    case TValueKind::Currency:
      return CurrencyToText(v.payload_.currency, DecimalSeparator());
    case TValueKind::Date:
      return DateTimeToText(v.payload_.real, platform::FormatSettings());
    case TValueKind::String:
      return std::string(v.RawBytes());
    case TValueKind::OleStr: {
      const std::string_view bytes = v.RawBytes();
      std::u16string wide(bytes.size() / 2, u'\0');
      std::memcpy(wide.data(), bytes.data(), wide.size() * sizeof(char16_t));
      return Utf16ToCp1252(wide);
    }
    default:
      ThrowCannotConvert(v, "String");
  }
}

std::u16string ScriptValue::ToWideText() const {
  const ScriptValue& v = Deref();
  if (v.kind_ == TValueKind::OleStr) {
    const std::string_view bytes = v.RawBytes();
    std::u16string wide(bytes.size() / 2, u'\0');
    std::memcpy(wide.data(), bytes.data(), wide.size() * sizeof(char16_t));
    return wide;
  }
  return Cp1252ToUtf16(v.ToText());
}

bool ScriptValue::ToBoolean() const {
  const ScriptValue& v = Deref();
  if (v.IsText()) {
    const std::string text = TextOf(v);
    if (platform::SameText(text, "True")) return true;
    if (platform::SameText(text, "False")) return false;
    double number = 0;
    if (!TryTextToDouble(text, DecimalSeparator(), number)) ThrowCannotConvert(v, "Boolean");
    return number != 0;
  }
  if (v.kind_ == TValueKind::Null || !(v.IsNumeric() || v.IsEmpty())) ThrowCannotConvert(v, "Boolean");
  if (v.kind_ == TValueKind::Currency) return v.payload_.currency != 0;
  return v.ToDouble() != 0;
}

namespace {

// The host accessors read text as a decimal number with the first "," taken as the point.
bool HostTextNumber(const ScriptValue& v, double& result) {
  std::string text = TextOf(v);
  const std::size_t comma = text.find(',');
  if (comma != std::string::npos) text[comma] = '.';
  return TryTextToDouble(text, '.', result);
}

}  // namespace

double ScriptValue::ToHostFloat() const noexcept {
  const ScriptValue& v = Deref();
  switch (v.kind_) {
    case TValueKind::Smallint:
    case TValueKind::Integer:
    case TValueKind::Byte:
      return v.payload_.integer;
    case TValueKind::Boolean:
      return v.payload_.integer != 0 ? 1 : 0;
    case TValueKind::Single:
      return v.payload_.single;
    case TValueKind::Double:
    case TValueKind::Date:
      return v.payload_.real;
    case TValueKind::Currency:
      return static_cast<double>(v.payload_.currency) / 10000.0;
    case TValueKind::String:
    case TValueKind::OleStr: {
      double result = 0;
      try {
        return HostTextNumber(v, result) ? result : 0;
      } catch (const std::exception&) {
        return 0;  // only an allocation failure can get here
      }
    }
    default:
      return 0;
  }
}

std::int32_t ScriptValue::ToHostInteger() const noexcept {
  const ScriptValue& v = Deref();
  switch (v.kind_) {
    case TValueKind::Smallint:
    case TValueKind::Integer:
    case TValueKind::Byte:
      return v.payload_.integer;
    case TValueKind::Boolean:
      return v.payload_.integer != 0 ? 1 : 0;
    case TValueKind::Currency: {
      const std::int64_t whole = RoundCurrency(v.payload_.currency);
      return SaturateToInt32(static_cast<double>(whole));
    }
    default:
      return SaturateToInt32(RoundHalfEven(v.ToHostFloat()));
  }
}

std::uint16_t ScriptValue::ToHostWideChar() const noexcept {
  const ScriptValue& v = Deref();
  if (v.kind_ == TValueKind::String) {
    const std::string_view text = v.RawBytes();
    return text.empty() ? 0 : static_cast<std::uint16_t>(platform::Cp1252ToCodePoint(text[0]));
  }
  if (v.kind_ == TValueKind::OleStr) {
    const std::string_view bytes = v.RawBytes();
    char16_t first = 0;
    if (bytes.size() >= 2) std::memcpy(&first, bytes.data(), sizeof first);
    return first;
  }
  if (v.kind_ == TValueKind::Boolean) return v.payload_.integer != 0 ? 1 : 0;
  if (v.IsNumeric()) {
    // Cut to the low bits through 64 bits, so large values wrap instead of saturating.
    const double rounded = v.kind_ == TValueKind::Currency
                               ? static_cast<double>(RoundCurrency(v.payload_.currency))
                               : RoundHalfEven(v.ToHostFloat());
    if (!(std::fabs(rounded) < 9.2e18)) return 0;
    return static_cast<std::uint16_t>(static_cast<std::int64_t>(rounded));
  }
  return 0;
}

std::uint8_t ScriptValue::ToHostChar() const noexcept {
  const ScriptValue& v = Deref();
  if (v.kind_ == TValueKind::String) {
    const std::string_view text = v.RawBytes();
    return text.empty() ? 0 : static_cast<std::uint8_t>(text[0]);
  }
  if (v.kind_ == TValueKind::OleStr) {
    const char16_t first = v.ToHostWideChar();
    return first == 0 ? 0 : static_cast<std::uint8_t>(platform::CodePointToCp1252(first));
  }
  return static_cast<std::uint8_t>(v.ToHostWideChar() & 0xFF);
}

std::string ScriptValue::DumpText() const {
  std::string text = KindName(kind_);
  text += ':';
  const ScriptValue& v = Deref();
  if (v.kind_ == TValueKind::Error) {
    text += std::to_string(v.payload_.integer);
    return text;
  }
  if (v.IsArray() || v.kind_ == TValueKind::Dispatch || v.kind_ == TValueKind::Unknown) return text;
  // A long text shows its start, an ellipsis and its length: the dump goes into error messages and the
  // log, and a 16 MB value must not make a 16 MB message. String bytes are read in place, not copied.
  auto appendBounded = [&text](std::string_view shown) {
    if (shown.size() <= limits::kMaxDumpedTextLength) {
      text += shown;
      return;
    }
    text += shown.substr(0, limits::kMaxDumpedTextLength);
    text += "... (" + std::to_string(shown.size()) + " characters)";
  };
  if (v.kind_ == TValueKind::String) {
    appendBounded(v.RawBytes());
    return text;
  }
  try {
    appendBounded(v.ToText());
  } catch (const std::exception&) {
    // A date outside the calendar has no text; the dump shows the kind alone.
  }
  return text;
}

// ---------------------------------------------------------------------------------------------------
// Comparison

TCompareResult ScriptValue::Compare(const ScriptValue& other) const {
  const ScriptValue& a = Deref();
  const ScriptValue& b = other.Deref();
  if (a.kind_ == TValueKind::Integer && b.kind_ == TValueKind::Integer) {
    return CompareOrdered(a.payload_.integer, b.payload_.integer);
  }
  if (a.IsNull() || b.IsNull()) {
    if (a.IsNull() && b.IsNull()) return TCompareResult::Equal;
    return a.IsNull() ? TCompareResult::Less : TCompareResult::Greater;
  }
  if (a.IsArray() || b.IsArray()) ThrowInvalidOperation();
  const bool aObject = a.kind_ == TValueKind::Dispatch || a.kind_ == TValueKind::Unknown;
  const bool bObject = b.kind_ == TValueKind::Dispatch || b.kind_ == TValueKind::Unknown;
  if (aObject || bObject) {
    return aObject && bObject && a.payload_.object == b.payload_.object ? TCompareResult::Equal
                                                                        : TCompareResult::NotEqual;
  }
  if (a.kind_ == TValueKind::Error || b.kind_ == TValueKind::Error) {
    if (a.kind_ == b.kind_) return CompareOrdered(a.payload_.integer, b.payload_.integer);
    return TCompareResult::NotEqual;
  }
  // Texts by byte codes; Empty meets a text as the empty text.
  if ((a.IsText() || a.IsEmpty()) && (b.IsText() || b.IsEmpty())) {
    if (a.kind_ == TValueKind::String && b.kind_ == TValueKind::String) {
      return FromOrder(CompareBytes(a.RawBytes(), b.RawBytes()));
    }
    return FromOrder(CompareBytes(TextOf(a), TextOf(b)));
  }
  const TNumber x = NumberOf(a);
  const TNumber y = NumberOf(b);
  if (x.cls == TNumClass::Integer && y.cls == TNumClass::Integer) return CompareOrdered(x.integer, y.integer);
  if ((x.cls == TNumClass::Currency || x.cls == TNumClass::Integer) &&
      (y.cls == TNumClass::Currency || y.cls == TNumClass::Integer)) {
    // An integer operand is at most 32 bits, so scaling it to ten-thousandths cannot overflow.
    const std::int64_t xs = x.cls == TNumClass::Integer ? x.integer * 10000 : x.integer;
    const std::int64_t ys = y.cls == TNumClass::Integer ? y.integer * 10000 : y.integer;
    return CompareOrdered(xs, ys);
  }
  return CompareOrdered(AsReal(x), AsReal(y));
}

bool ScriptValue::EqualsFalse() const {
  const ScriptValue& v = Deref();
  if (v.IsIntegerKind()) return v.payload_.integer == 0;
  return v.Compare(ScriptValue(false)) == TCompareResult::Equal;
}

// ---------------------------------------------------------------------------------------------------
// Arithmetic

namespace {

// Addition and subtraction of two classified numbers.
ScriptValue AddNumbers(const TNumber& x, const TNumber& y, bool subtract) {
  if (x.cls == TNumClass::Integer && y.cls == TNumClass::Integer) {
    return IntegerResult(subtract ? x.integer - y.integer : x.integer + y.integer);
  }
  if (x.cls == TNumClass::Date || y.cls == TNumClass::Date) {
    const double a = AsReal(x);
    const double b = AsReal(y);
    const double result = subtract ? a - b : a + b;
    CheckFloatResult(result, a, b);
    // The distance between two dates is a number of days, not a date.
    if (subtract && x.cls == TNumClass::Date && y.cls == TNumClass::Date) return ScriptValue(result);
    return ScriptValue::Date(result);
  }
  if (x.cls != TNumClass::Floating && y.cls != TNumClass::Floating) {
    const std::int64_t xs = x.cls == TNumClass::Integer ? x.integer * 10000 : x.integer;
    const std::int64_t ys = y.cls == TNumClass::Integer ? y.integer * 10000 : y.integer;
    std::int64_t sum = 0;
    const bool overflow =
        subtract ? __builtin_sub_overflow(xs, ys, &sum) : __builtin_add_overflow(xs, ys, &sum);
    if (overflow) throw EScriptValueError("Arithmetic overflow");
    return ScriptValue::CurrencyScaled(sum);
  }
  const double a = AsReal(x);
  const double b = AsReal(y);
  const double result = subtract ? a - b : a + b;
  CheckFloatResult(result, a, b);
  return ScriptValue(result);
}

}  // namespace

// The common case of Double with Double or Integer, without classifying the operands.
bool ScriptValue::AddPlainNumbers(const ScriptValue& b, bool subtract) {
  const bool aPlain = kind_ == TValueKind::Double || kind_ == TValueKind::Integer;
  const bool bPlain = b.kind_ == TValueKind::Double || b.kind_ == TValueKind::Integer;
  if (!aPlain || !bPlain) return false;
  const double x = kind_ == TValueKind::Double ? payload_.real : payload_.integer;
  const double y = b.kind_ == TValueKind::Double ? b.payload_.real : b.payload_.integer;
  const double result = subtract ? x - y : x + y;
  if (kind_ == TValueKind::Integer && b.kind_ == TValueKind::Integer) {
    // Only an overflowing integer sum gets here: it becomes a Double.
    payload_.real = result;
    kind_ = TValueKind::Double;
    return true;
  }
  CheckFloatResult(result, x, y);
  payload_.real = result;
  kind_ = TValueKind::Double;
  return true;
}

void ScriptValue::AddAssign(const ScriptValue& other) {
  if (IsRef()) *this = ScriptValue(Deref());
  const ScriptValue& b = other.Deref();
  if (kind_ == TValueKind::Integer && b.kind_ == TValueKind::Integer) {
    std::int32_t sum = 0;
    if (!__builtin_add_overflow(payload_.integer, b.payload_.integer, &sum)) {
      payload_.integer = sum;
      return;
    }
  }
  if (AddPlainNumbers(b, false)) return;
  if (IsNull() || b.IsNull()) {
    *this = Null();
    return;
  }
  const bool aText = IsText();
  const bool bText = b.IsText();
  if (aText && bText) {
    if (kind_ == TValueKind::String && b.kind_ == TValueKind::String) {
      AppendText(b.RawBytes());
    } else {
      const std::string tail = TextOf(b);
      if (kind_ != TValueKind::String) *this = ScriptValue(TextOf(*this));
      AppendText(tail);
    }
    return;
  }
  // Empty takes the other side's value: '' with a text, 0 with a number.
  if (IsEmpty() && (bText || b.IsEmpty())) {
    *this = b;
    return;
  }
  if (aText && b.IsEmpty()) return;
  if (IsArray() || b.IsArray()) ThrowInvalidOperation();
  *this = AddNumbers(NumberOf(*this), NumberOf(b), false);
}

void ScriptValue::SubAssign(const ScriptValue& other) {
  if (IsRef()) *this = ScriptValue(Deref());
  const ScriptValue& b = other.Deref();
  if (kind_ == TValueKind::Integer && b.kind_ == TValueKind::Integer) {
    std::int32_t difference = 0;
    if (!__builtin_sub_overflow(payload_.integer, b.payload_.integer, &difference)) {
      payload_.integer = difference;
      return;
    }
  }
  if (AddPlainNumbers(b, true)) return;
  if (IsNull() || b.IsNull()) {
    *this = Null();
    return;
  }
  if (IsEmpty() && b.IsEmpty()) return;
  if (IsArray() || b.IsArray()) ThrowInvalidOperation();
  *this = AddNumbers(NumberOf(*this), NumberOf(b), true);
}

void ScriptValue::MulAssign(const ScriptValue& other) {
  const double a = ToDouble();
  const double b = other.ToDouble();
  const double result = a * b;
  CheckFloatResult(result, a, b);
  SetDouble(result);
}

void ScriptValue::SlashAssign(const ScriptValue& other) {
  const double a = ToDouble();
  const double b = other.ToDouble();
  if (b == 0) {
    if (a == 0 || std::isnan(a)) throw EScriptValueError("Invalid floating point operation");
    throw EScriptValueError("Floating point division by zero");
  }
  const double result = a / b;
  CheckFloatResult(result, a, b);
  *this = ScriptValue(result);
}

void ScriptValue::PowerAssign(const ScriptValue& other) {
  const double a = ToDouble();
  const double b = other.ToDouble();
  const double result = std::pow(a, b);
  CheckFloatResult(result, a, b);
  *this = ScriptValue(result);
}

void ScriptValue::DivAssign(const ScriptValue& other) {
  const std::int64_t a = ToInteger();
  const std::int64_t b = other.ToInteger();
  if (b == 0) throw EScriptValueError("Division by zero");
  // On 64 bits the one overflowing case (minimum div -1) is defined; it wraps back to the minimum.
  *this = ScriptValue(static_cast<std::int32_t>(static_cast<std::uint32_t>(a / b)));
}

void ScriptValue::ModAssign(const ScriptValue& other) {
  const std::int64_t a = ToInteger();
  const std::int64_t b = other.ToInteger();
  if (b == 0) throw EScriptValueError("Division by zero");
  *this = ScriptValue(static_cast<std::int32_t>(a % b));
}

namespace {

std::int32_t Truncate32(std::uint64_t value) noexcept {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

// Shift counts come from the low byte; 64 and more shift everything out, as the 64-bit shift
// helpers of the conventional run time do.
std::uint64_t ShiftCount(std::int64_t count) noexcept {
  return static_cast<std::uint64_t>(count) & 0xFF;
}

}  // namespace

void ScriptValue::AndAssign(const ScriptValue& other) {
  const auto a = static_cast<std::uint64_t>(ToInt64());
  const auto b = static_cast<std::uint64_t>(other.ToInt64());
  *this = ScriptValue(Truncate32(a & b));
}

void ScriptValue::OrAssign(const ScriptValue& other) {
  const auto a = static_cast<std::uint64_t>(ToInt64());
  const auto b = static_cast<std::uint64_t>(other.ToInt64());
  *this = ScriptValue(Truncate32(a | b));
}

void ScriptValue::XorAssign(const ScriptValue& other) {
  const auto a = static_cast<std::uint64_t>(ToInt64());
  const auto b = static_cast<std::uint64_t>(other.ToInt64());
  *this = ScriptValue(Truncate32(a ^ b));
}

void ScriptValue::ShlAssign(const ScriptValue& other) {
  const auto a = static_cast<std::uint64_t>(ToInt64());
  const std::uint64_t count = ShiftCount(other.ToInt64());
  *this = ScriptValue(count >= 64 ? 0 : Truncate32(a << count));
}

void ScriptValue::ShrAssign(const ScriptValue& other) {
  const auto a = static_cast<std::uint64_t>(ToInt64());
  const std::uint64_t count = ShiftCount(other.ToInt64());
  *this = ScriptValue(count >= 64 ? 0 : Truncate32(a >> count));
}

void ScriptValue::ConcatAssign(const ScriptValue& other) {
  const ScriptValue& b = other.Deref();
  if (kind_ != TValueKind::String) *this = ScriptValue(Deref().ToText());
  if (b.kind_ == TValueKind::String) {
    AppendText(b.RawBytes());
  } else {
    AppendText(b.ToText());
  }
}

void ScriptValue::Negate() {
  if (IsRef()) *this = ScriptValue(Deref());
  switch (kind_) {
    case TValueKind::Null:
    case TValueKind::Empty:
      return;
    case TValueKind::Smallint:
    case TValueKind::Integer:
    case TValueKind::Byte:
    case TValueKind::Boolean:
      *this = IntegerResult(-static_cast<std::int64_t>(payload_.integer));
      return;
    case TValueKind::Single:
      payload_.single = -payload_.single;
      return;
    case TValueKind::Double:
    case TValueKind::Date:
      payload_.real = -payload_.real;
      return;
    case TValueKind::Currency:
      if (payload_.currency == std::numeric_limits<std::int64_t>::min()) {
        throw EScriptValueError("Arithmetic overflow");
      }
      payload_.currency = -payload_.currency;
      return;
    case TValueKind::String:
    case TValueKind::OleStr:
      *this = ScriptValue(-TextToNumber(*this, "Double"));
      return;
    default:
      ThrowInvalidOperation();
  }
}

void ScriptValue::LogicalNot() {
  *this = ScriptValue(ToInt64() == 0);
}

ScriptValue Add(ScriptValue a, const ScriptValue& b) {
  return a.AddAssign(b), a;
}
ScriptValue Sub(ScriptValue a, const ScriptValue& b) {
  return a.SubAssign(b), a;
}
ScriptValue Mul(ScriptValue a, const ScriptValue& b) {
  return a.MulAssign(b), a;
}
ScriptValue Slash(ScriptValue a, const ScriptValue& b) {
  return a.SlashAssign(b), a;
}
ScriptValue Power(ScriptValue a, const ScriptValue& b) {
  return a.PowerAssign(b), a;
}
ScriptValue IntDiv(ScriptValue a, const ScriptValue& b) {
  return a.DivAssign(b), a;
}
ScriptValue Mod(ScriptValue a, const ScriptValue& b) {
  return a.ModAssign(b), a;
}
ScriptValue And(ScriptValue a, const ScriptValue& b) {
  return a.AndAssign(b), a;
}
ScriptValue Or(ScriptValue a, const ScriptValue& b) {
  return a.OrAssign(b), a;
}
ScriptValue Xor(ScriptValue a, const ScriptValue& b) {
  return a.XorAssign(b), a;
}
ScriptValue Shl(ScriptValue a, const ScriptValue& b) {
  return a.ShlAssign(b), a;
}
ScriptValue Shr(ScriptValue a, const ScriptValue& b) {
  return a.ShrAssign(b), a;
}
ScriptValue Concat(ScriptValue a, const ScriptValue& b) {
  return a.ConcatAssign(b), a;
}

// ---------------------------------------------------------------------------------------------------
// Arrays and elements

int ScriptValue::ArrayDimCount() const noexcept {
  const ScriptValue& v = Deref();
  return v.IsArray() ? v.payload_.array->dimCount : 0;
}

TValueKind ScriptValue::ArrayElementKind() const noexcept {
  const ScriptValue& v = Deref();
  return v.IsArray() ? v.payload_.array->elementKind : TValueKind::Empty;
}

std::int32_t ScriptValue::ArrayLowBound(int dimension) const {
  const ScriptValue& v = Deref();
  if (!v.IsArray()) throw EScriptElementError("Variable is not an array");
  if (dimension < 1 || dimension > v.payload_.array->dimCount) {
    throw EScriptValueError("Variant array dimension out of range");
  }
  return v.payload_.array->bounds[dimension - 1].Low;
}

std::int32_t ScriptValue::ArrayHighBound(int dimension) const {
  const ScriptValue& v = Deref();
  if (!v.IsArray()) throw EScriptElementError("Variable is not an array");
  if (dimension < 1 || dimension > v.payload_.array->dimCount) {
    throw EScriptValueError("Variant array dimension out of range");
  }
  return v.payload_.array->bounds[dimension - 1].High;
}

std::span<const ScriptValue> ScriptValue::ArrayItems() const noexcept {
  const ScriptValue& v = Deref();
  if (!v.IsArray()) return {};
  return v.payload_.array->items;
}

std::span<ScriptValue> ScriptValue::MutableArrayItems() {
  ScriptValue& v = Deref();
  if (!v.IsArray()) return {};
  return v.UniqueArray().items;
}

bool ScriptValue::SharesStorageWith(const ScriptValue& other) const noexcept {
  const ScriptValue& a = Deref();
  const ScriptValue& b = other.Deref();
  if (!a.onHeap_ || !b.onHeap_ || a.IsArray() != b.IsArray()) return false;
  return a.IsArray() ? a.payload_.array == b.payload_.array : a.payload_.text.block == b.payload_.text.block;
}

ScriptValue::TArrayData& ScriptValue::UniqueArray() {
  if (payload_.array->refs > 1) {
    TArrayData* copy = TArrayData::Clone(*payload_.array);
    copy->refs = 1;
    --payload_.array->refs;
    payload_.array = copy;
  }
  return *payload_.array;
}

namespace {

[[noreturn]] void ThrowIndexOutOfBounds() {
  throw EScriptValueError("Variant or safe array index out of bounds");
}

// The storage position of the element at the indexes, one per dimension, last index fastest.
std::size_t FlatIndex(const TArrayBound* bounds, int dimCount, std::span<const ScriptValue> indexes) {
  std::size_t flat = 0;
  for (int d = 0; d < dimCount; ++d) {
    const std::int64_t index = indexes[static_cast<std::size_t>(d)].ToInteger();
    const std::int64_t count = static_cast<std::int64_t>(bounds[d].High) - bounds[d].Low + 1;
    const std::int64_t offset = index - bounds[d].Low;
    if (offset < 0 || offset >= count) ThrowIndexOutOfBounds();
    flat = flat * static_cast<std::size_t>(count) + static_cast<std::size_t>(offset);
  }
  return flat;
}

void CheckTextIndexCount(std::size_t remaining) {
  if (remaining != 1) throw EScriptElementError("String variable has only one dimension");
}

}  // namespace

ScriptValue ScriptValue::GetElement(std::span<const ScriptValue> indexes) const {
  const ScriptValue* current = &Deref();
  std::size_t used = 0;
  while (true) {
    if (current->IsText()) {
      CheckTextIndexCount(indexes.size() - used);
      const std::int64_t position = indexes[used].ToInteger();
      if (current->kind_ == TValueKind::String) {
        const std::string_view text = current->RawBytes();
        if (position < 1 || position > static_cast<std::int64_t>(text.size()))
          return ScriptValue(std::string_view());
        return ScriptValue(text.substr(static_cast<std::size_t>(position - 1), 1));
      }
      const std::string text = current->ToText();
      if (position < 1 || position > static_cast<std::int64_t>(text.size()))
        return ScriptValue(std::string_view());
      return ScriptValue(std::string_view(text).substr(static_cast<std::size_t>(position - 1), 1));
    }
    if (!current->IsArray()) throw EScriptElementError("Variable is not an array");
    const TArrayData& data = current->ArrayData();
    if (indexes.size() - used < static_cast<std::size_t>(data.dimCount)) ThrowIndexOutOfBounds();
    const std::size_t flat = FlatIndex(data.bounds, data.dimCount, indexes.subspan(used));
    used += static_cast<std::size_t>(data.dimCount);
    current = &data.items[flat].Deref();
    if (used == indexes.size()) return *current;
  }
}

void ScriptValue::SetElement(std::span<const ScriptValue> indexes, const ScriptValue& value) {
  // Holding the value first makes every block it shares with this array shared, so the write below
  // unshares them: an array stored into itself keeps its former self, and no block can come to
  // contain itself (a cycle the reference counts would never free).
  const ScriptValue stored = value.Deref();
  ScriptValue* current = &Deref();
  std::size_t used = 0;
  while (true) {
    if (current->IsText()) {
      CheckTextIndexCount(indexes.size() - used);
      const std::int64_t position = indexes[used].ToInteger();
      // The character at the position goes and the whole text of the value takes its place; a
      // position outside the text deletes nothing and inserts at the start or the end.
      const std::string insert = stored.ToText();
      std::string text = current->ToText();
      std::size_t at = 0;
      if (position >= 1 && position <= static_cast<std::int64_t>(text.size())) {
        at = static_cast<std::size_t>(position - 1);
        text.erase(at, 1);
      } else if (position > static_cast<std::int64_t>(text.size())) {
        at = text.size();
      }
      text.insert(at, insert);
      *current = ScriptValue(text);
      return;
    }
    if (!current->IsArray()) throw EScriptElementError("Variable is not an array");
    const int dimCount = current->ArrayData().dimCount;
    if (indexes.size() - used < static_cast<std::size_t>(dimCount)) ThrowIndexOutOfBounds();
    const std::size_t flat = FlatIndex(current->ArrayData().bounds, dimCount, indexes.subspan(used));
    used += static_cast<std::size_t>(dimCount);
    ScriptValue& element = current->UniqueArray().items[flat];
    if (used == indexes.size()) {
      element = stored;
      return;
    }
    current = &element.Deref();
  }
}

}  // namespace varnholt
