// atScript_Values.h — ScriptValue, the dynamically typed value of the script engine, with its
// conversion, comparison, arithmetic and element rules.
//
// A value is 32 bytes: a 24-byte payload and its kind. Numbers live in the payload, and so does text of
// up to 24 bytes, so arithmetic and short strings never touch the heap. Longer text and arrays live in
// reference-counted blocks shared between copies and copied on the first write; the counts are not
// atomic, because a script's values stay on the thread that runs it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/CodePage.h"
#include "script/atLimits.h"
#include "script/compiler/atScript_Errors.h"

namespace varnholt {

// The value kinds. The numbers are the conventional variant type codes, which scripts see through
// VarArrayCreate's element type; Variant is only an element type, never a value's kind.
enum class TValueKind : std::uint16_t {
  Empty = 0,
  Null = 1,
  Smallint = 2,
  Integer = 3,
  Single = 4,
  Double = 5,
  Currency = 6,
  Date = 7,
  OleStr = 8,
  Dispatch = 9,
  Error = 10,
  Boolean = 11,
  Variant = 12,
  Unknown = 13,
  Byte = 17,
  String = 0x100,
  Array = 0x2000,
  ByRef = 0x4000,
};

// The outcome of the three-way comparison. NotEqual: the values differ but have no order (two
// distinct automation objects, not-a-number).
enum class TCompareResult : std::uint8_t { Less, Equal, Greater, NotEqual };

// Bounds of one array dimension, both inclusive.
struct TArrayBound {
  std::int32_t Low = 0;
  std::int32_t High = -1;
};

class ScriptValue {
 public:
  static constexpr std::size_t kInlineTextCapacity = 24;
  static constexpr int kMaxArrayDimensions = limits::kMaxArrayDimensions;
  // Keeps a script from asking for gigabytes with one VarArrayCreate.
  static constexpr std::int64_t kMaxArrayElements = limits::kMaxArrayElements;

  // --- Construction ---------------------------------------------------------------------------
  ScriptValue() noexcept : kind_(TValueKind::Empty) {}  // Empty
  ScriptValue(std::int32_t value) noexcept : kind_(TValueKind::Integer) { payload_.integer = value; }
  ScriptValue(double value) noexcept : kind_(TValueKind::Double) { payload_.real = value; }
  ScriptValue(bool value) noexcept : kind_(TValueKind::Boolean) { payload_.integer = value ? -1 : 0; }
  ScriptValue(std::string_view text) { AssignText(TValueKind::String, text.data(), text.size()); }
  ScriptValue(const char* text) : ScriptValue(std::string_view(text)) {}
  ScriptValue(const std::string& text) : ScriptValue(std::string_view(text)) {}
  // A char would silently become the Integer of its code; say which is meant instead.
  ScriptValue(char) = delete;

  static ScriptValue Null() noexcept;
  static ScriptValue Smallint(std::int16_t value) noexcept;
  static ScriptValue Byte(std::uint8_t value) noexcept;
  static ScriptValue Single(float value) noexcept;
  // Currency counts ten-thousandths.
  static ScriptValue CurrencyScaled(std::int64_t tenThousandths) noexcept;
  static ScriptValue Currency(double value);
  // Days since 1899-12-30; the fraction is the time of day.
  static ScriptValue Date(double days) noexcept;
  static ScriptValue OleStr(std::u16string_view text);
  static ScriptValue Error(std::int32_t code) noexcept;
  // Automation objects do not exist on this platform; these carry an identity only.
  static ScriptValue Dispatch(void* object) noexcept;
  static ScriptValue Unknown(void* object) noexcept;
  // A reference to another value slot, which must outlive the reference.
  static ScriptValue Ref(ScriptValue* target) noexcept;
  // An array of the given shape (one to five dimensions); elements start as the empty value of
  // elementKind (Empty for Variant, 0, '').
  static ScriptValue Array(std::span<const TArrayBound> bounds, TValueKind elementKind = TValueKind::Variant);
  // A one-dimensional array indexed 0 .. n-1 holding copies of the values.
  static ScriptValue ArrayOf(std::span<const ScriptValue> values);

  // Copies and moves are inline: the run loop copies values all the time, and a value without heap
  // storage is just its bytes.
  ScriptValue(const ScriptValue& other) noexcept
      : payload_(other.payload_), kind_(other.kind_), inlineLength_(other.inlineLength_), onHeap_(other.onHeap_) {
    if (onHeap_) AddHeapReference();
  }
  ScriptValue(ScriptValue&& other) noexcept
      : payload_(other.payload_), kind_(other.kind_), inlineLength_(other.inlineLength_), onHeap_(other.onHeap_) {
    other.kind_ = TValueKind::Empty;
    other.onHeap_ = false;
  }
  ScriptValue& operator=(const ScriptValue& other) noexcept {
    if (onHeap_ || other.onHeap_) return AssignShared(other);
    payload_ = other.payload_;
    kind_ = other.kind_;
    inlineLength_ = other.inlineLength_;
    return *this;
  }
  ScriptValue& operator=(ScriptValue&& other) noexcept {
    if (onHeap_ || other.onHeap_ || this == &other) return AssignMoved(std::move(other));
    payload_ = other.payload_;
    kind_ = other.kind_;
    inlineLength_ = other.inlineLength_;
    other.kind_ = TValueKind::Empty;
    return *this;
  }
  ~ScriptValue() {
    if (onHeap_) Release();
  }

  // A plain number stored in place. Building a temporary and moving it in makes the compiler assemble the
  // value on the C++ stack and copy it over, which stalls the hot loop's stores; and a number held before
  // needs no reference-count work at all.
  void SetInteger(std::int32_t value) noexcept {
    if (onHeap_) Release();
    payload_.integer = value;
    kind_ = TValueKind::Integer;
    inlineLength_ = 0;
  }
  void SetDouble(double value) noexcept {
    if (onHeap_) Release();
    payload_.real = value;
    kind_ = TValueKind::Double;
    inlineLength_ = 0;
  }
  // A reference to target's final value (as Ref), stored in place.
  void SetRef(ScriptValue* target) noexcept {
    ScriptValue* final = &target->Deref();
    if (onHeap_) Release();
    payload_.ref = final;
    kind_ = TValueKind::ByRef;
    inlineLength_ = 0;
  }
  // Moves other's content here. A plain number moves by its eight bytes and its kind: copying the whole
  // value would read back the number's fresh, narrower stores as one wide load, which stalls.
  void TakeFrom(ScriptValue& other) noexcept {
    if (!onHeap_ && this != &other && (other.kind_ == TValueKind::Integer || other.kind_ == TValueKind::Double)) {
      payload_.currency = other.payload_.currency;
      kind_ = other.kind_;
      inlineLength_ = 0;
      other.kind_ = TValueKind::Empty;
      return;
    }
    *this = std::move(other);
  }

  // --- Inspection ------------------------------------------------------------------------------
  TValueKind Kind() const noexcept { return kind_; }
  bool IsEmpty() const noexcept { return kind_ == TValueKind::Empty; }
  bool IsNull() const noexcept { return kind_ == TValueKind::Null; }
  bool IsRef() const noexcept { return kind_ == TValueKind::ByRef; }
  bool IsArray() const noexcept { return kind_ == TValueKind::Array; }
  bool IsText() const noexcept { return kind_ == TValueKind::String || kind_ == TValueKind::OleStr; }
  // Smallint, Integer, Byte, Boolean.
  bool IsIntegerKind() const noexcept;
  // Integer kinds and Single, Double, Currency, Date.
  bool IsNumeric() const noexcept;
  // Whether the text lives on the heap (for tests of the storage rule).
  bool UsesHeap() const noexcept { return onHeap_; }

  // The value a reference leads to (the value itself when it is no reference). References to
  // references are followed to the end.
  const ScriptValue& Deref() const noexcept { return kind_ == TValueKind::ByRef ? *payload_.ref : *this; }
  ScriptValue& Deref() noexcept { return kind_ == TValueKind::ByRef ? *payload_.ref : *this; }
  ScriptValue* RefTarget() const noexcept { return IsRef() ? payload_.ref : nullptr; }
  void* ObjectPointer() const noexcept;  // Dispatch and Unknown

  // The raw payload of the kinds that have one; callers check Kind() first.
  std::int32_t RawInteger() const noexcept {
    return payload_.integer;
  }                                                            // Smallint, Integer, Byte, Boolean, Error
  double RawDouble() const noexcept { return payload_.real; }  // Double, Date
  float RawSingle() const noexcept { return payload_.single; }
  std::int64_t RawCurrency() const noexcept { return payload_.currency; }
  // The bytes of a String value (no copy); empty for every other kind.
  std::string_view TextView() const noexcept;

  // --- Conversion (the machine's rules) --------------------------------------------------------
  // Integer kinds as they are, floating kinds rounded half to even, True -1, Empty 0, text must be a
  // number; Null, objects and arrays fail. ToInteger fails outside 32 bits.
  std::int32_t ToInteger() const;
  std::int64_t ToInt64() const;
  double ToDouble() const;
  // Numbers in the default format (locale decimal separator), Boolean "True"/"False", Null and Empty
  // the empty text; arrays and objects fail.
  std::string ToText() const;
  std::u16string ToWideText() const;
  // Numbers: not zero; text: "True"/"False" (any case) or a number; Empty False; Null fails.
  bool ToBoolean() const;

  // --- Conversion (the host accessors' rules: they never fail) --------------------------------
  // Floating kinds and text (first "," read as ".") rounded half to even and saturated to 32 bits;
  // True 1, False 0; Null, Empty, objects, arrays and text that is no number 0.
  std::int32_t ToHostInteger() const noexcept;
  // As ToHostInteger without rounding.
  double ToHostFloat() const noexcept;
  // One character code: numbers cut to the low 8 (16) bits, text its first character, True 1.
  std::uint8_t ToHostChar() const noexcept;
  std::uint16_t ToHostWideChar() const noexcept;

  // "Kind:text" for the machine's stack dump; never fails (no text for values without one); a long text
  // is cut to its start, an ellipsis and its length.
  std::string DumpText() const;

  // --- Comparison ------------------------------------------------------------------------------
  // Numbers numerically (True is -1), texts by byte codes, text against number as a number, Null
  // equal to Null and below everything else.
  TCompareResult Compare(const ScriptValue& other) const;
  // The jump test of the machine: whether the value compares equal to False.
  bool EqualsFalse() const;

  // --- Arithmetic in place: *this := *this op b -------------------------------------------------
  // Texts concatenate; numbers add (Integer while it fits 32 bits); text with number converts the
  // text; Null with anything gives Null.
  void AddAssign(const ScriptValue& b);
  void SubAssign(const ScriptValue& b);
  void MulAssign(const ScriptValue& b);    // Double
  void SlashAssign(const ScriptValue& b);  // Double
  void PowerAssign(const ScriptValue& b);  // Double
  void DivAssign(const ScriptValue& b);    // Integer, truncating
  void ModAssign(const ScriptValue& b);    // Integer, sign of the dividend
  void AndAssign(const ScriptValue& b);    // Integer, 64-bit operation truncated to 32 bits
  void OrAssign(const ScriptValue& b);
  void XorAssign(const ScriptValue& b);
  void ShlAssign(const ScriptValue& b);  // unsigned 64-bit shift truncated to 32 bits
  void ShrAssign(const ScriptValue& b);
  void ConcatAssign(const ScriptValue& b);  // text(a) followed by text(b)
  void Negate();                            // Null stays Null
  void LogicalNot();                        // Boolean(rounded value = 0); Null fails

  // --- Elements --------------------------------------------------------------------------------
  // The element rule on the value a reference leads to. Text takes one 1-based index (reading outside
  // gives ''; writing replaces the character by the whole text of the value); an array consumes as
  // many indexes as it has dimensions and hands the rest to the element found.
  ScriptValue GetElement(std::span<const ScriptValue> indexes) const;
  void SetElement(std::span<const ScriptValue> indexes, const ScriptValue& value);

  int ArrayDimCount() const noexcept;
  // Dimensions count from 1; fails for a dimension the array does not have.
  std::int32_t ArrayLowBound(int dimension) const;
  std::int32_t ArrayHighBound(int dimension) const;
  TValueKind ArrayElementKind() const noexcept;
  // All elements in storage order (last index fastest).
  std::span<const ScriptValue> ArrayItems() const noexcept;
  // Writable elements; unshares the storage first.
  std::span<ScriptValue> MutableArrayItems();
  // Whether two array values share one storage block (for tests of copy on write).
  bool SharesStorageWith(const ScriptValue& other) const noexcept;

  static const char* KindName(TValueKind kind) noexcept;

 private:
  struct THeapText;
  struct TArrayData;

  void Release() noexcept;
  void AddHeapReference() noexcept;
  ScriptValue& AssignShared(const ScriptValue& other) noexcept;
  ScriptValue& AssignMoved(ScriptValue&& other) noexcept;
  void AssignText(TValueKind kind, const char* bytes, std::size_t length);
  char* PrepareText(TValueKind kind, std::size_t length);
  std::string_view RawBytes() const noexcept;  // the stored bytes of String and OleStr
  TArrayData& UniqueArray();
  const TArrayData& ArrayData() const noexcept { return *payload_.array; }
  std::string TextForOperation() const;
  void AppendText(std::string_view tail);
  bool AddPlainNumbers(const ScriptValue& b, bool subtract);

  union TPayload {
    std::int32_t integer;
    float single;
    double real;
    std::int64_t currency;
    void* object;
    ScriptValue* ref;
    // A heap text: its block and this value's length. Holders of one block may see different lengths
    // (see AppendText), so the length lives in the value.
    struct {
      THeapText* block;
      std::uint32_t length;
    } text;
    TArrayData* array;
    char bytes[kInlineTextCapacity];
  };
  TPayload payload_{};
  TValueKind kind_;
  std::uint8_t inlineLength_ = 0;
  bool onHeap_ = false;
};

// Copying versions of the operators, for tests and callers that keep their operands.
ScriptValue Add(ScriptValue a, const ScriptValue& b);
ScriptValue Sub(ScriptValue a, const ScriptValue& b);
ScriptValue Mul(ScriptValue a, const ScriptValue& b);
ScriptValue Slash(ScriptValue a, const ScriptValue& b);
ScriptValue Power(ScriptValue a, const ScriptValue& b);
ScriptValue IntDiv(ScriptValue a, const ScriptValue& b);
ScriptValue Mod(ScriptValue a, const ScriptValue& b);
ScriptValue And(ScriptValue a, const ScriptValue& b);
ScriptValue Or(ScriptValue a, const ScriptValue& b);
ScriptValue Xor(ScriptValue a, const ScriptValue& b);
ScriptValue Shl(ScriptValue a, const ScriptValue& b);
ScriptValue Shr(ScriptValue a, const ScriptValue& b);
ScriptValue Concat(ScriptValue a, const ScriptValue& b);

// The general number format of FloatToStr (rtl::FloatToText): `precision` significant digits, trailing
// zeros dropped, the exponent form ("1.5E-10", "1E20") when the number needs more digits before the
// point than `precision` or is below 0.00001; "NAN", "INF", "-INF" for the special values.
std::string FormatFloatGeneral(double value, int precision, char decimalSeparator);

// Reads a whole text as a decimal number (spaces around it allowed) with the given separator; the
// run-time library's reader.
bool TryTextToDouble(std::string_view text, char decimalSeparator, double& result) noexcept;

// Rounds to the nearest integer, a half to the even neighbour (the run-time library's rule).
double RoundHalfEven(double value) noexcept;

// Windows-1252 and UTF-16 convert through the system code page's one pair of routines.
using platform::Cp1252ToUtf16;
using platform::Utf16ToCp1252;

}  // namespace varnholt
