// FuzzValues.cpp — random sequences of value operations over eight registers: every failure must be
// a value error, never a crash, a leak or undefined behaviour.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "script/vm/atScript_Values.h"

namespace {

using varnholt::ScriptValue;

class TReader {
 public:
  TReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool AtEnd() const { return pos_ >= size_; }
  std::uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  template <typename T>
  T Raw() {
    T value{};
    const std::size_t n = std::min(sizeof(T), size_ - std::min(pos_, size_));
    std::memcpy(&value, data_ + pos_, n);
    pos_ += n;
    return value;
  }
  std::string Text() {
    std::string text;
    const std::size_t n = Byte() % 40;
    for (std::size_t i = 0; i < n; ++i) text += static_cast<char>(Byte());
    return text;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

ScriptValue MakeValue(TReader& in) {
  switch (in.Byte() % 14) {
    case 0:
      return ScriptValue();
    case 1:
      return ScriptValue::Null();
    case 2:
      return ScriptValue(in.Raw<std::int32_t>());
    case 3:
      return ScriptValue(in.Raw<double>());
    case 4:
      return ScriptValue(in.Text());
    case 5:
      return ScriptValue((in.Byte() & 1) != 0);
    case 6:
      return ScriptValue::Smallint(in.Raw<std::int16_t>());
    case 7:
      return ScriptValue::Byte(in.Byte());
    case 8:
      return ScriptValue::Single(in.Raw<float>());
    case 9:
      return ScriptValue::CurrencyScaled(in.Raw<std::int64_t>());
    case 10:
      return ScriptValue::Date(in.Raw<double>());
    case 11: {
      std::u16string wide;
      const std::size_t n = in.Byte() % 8;
      for (std::size_t i = 0; i < n; ++i) wide += in.Raw<char16_t>();
      return ScriptValue::OleStr(wide);
    }
    case 12:
      return ScriptValue(static_cast<std::int32_t>(static_cast<std::int8_t>(in.Byte())));
    default: {
      // Small shapes only: the point is the element rules, not the memory limit.
      std::vector<varnholt::TArrayBound> bounds(1 + in.Byte() % 3);
      for (auto& bound : bounds) {
        bound.Low = static_cast<std::int8_t>(in.Byte()) % 4;
        bound.High = bound.Low + in.Byte() % 4 - 1;
      }
      return ScriptValue::Array(bounds);
    }
  }
}

void Step(TReader& in, ScriptValue (&r)[8]) {
  const std::uint8_t op = in.Byte();
  ScriptValue& a = r[in.Byte() % 8];
  const ScriptValue& b = r[in.Byte() % 8];
  // Doubling a text through self-concatenation would make the run about memory, not about rules.
  if (a.IsText() && a.TextView().size() > 4096) a = ScriptValue();
  switch (op % 24) {
    case 0:
      a = MakeValue(in);
      break;
    case 1:
      a.AddAssign(b);
      break;
    case 2:
      a.SubAssign(b);
      break;
    case 3:
      a.MulAssign(b);
      break;
    case 4:
      a.SlashAssign(b);
      break;
    case 5:
      a.DivAssign(b);
      break;
    case 6:
      a.ModAssign(b);
      break;
    case 7:
      a.AndAssign(b);
      break;
    case 8:
      a.OrAssign(b);
      break;
    case 9:
      a.XorAssign(b);
      break;
    case 10:
      a.ShlAssign(b);
      break;
    case 11:
      a.ShrAssign(b);
      break;
    case 12:
      a.PowerAssign(b);
      break;
    case 13:
      a.ConcatAssign(b);
      break;
    case 14:
      a.Negate();
      break;
    case 15:
      a.LogicalNot();
      break;
    case 16:
      (void)a.Compare(b);
      break;
    case 17:
      (void)a.EqualsFalse();
      break;
    case 18: {
      const ScriptValue indexes[] = {b, r[in.Byte() % 8]};
      a = a.GetElement(std::span(indexes, 1 + in.Byte() % 2));
      break;
    }
    case 19: {
      const ScriptValue indexes[] = {r[in.Byte() % 8], r[in.Byte() % 8]};
      a.SetElement(std::span(indexes, 1 + in.Byte() % 2), b);
      break;
    }
    case 20:
      a = ScriptValue::Ref(&r[in.Byte() % 8]).Deref();
      break;
    case 21: {
      const ScriptValue items[] = {a, b};
      a = ScriptValue::ArrayOf(items);
      break;
    }
    case 22:
      (void)a.ToText();
      (void)a.ToWideText();
      (void)a.DumpText();
      break;
    default:
      (void)a.ToHostInteger();
      (void)a.ToHostFloat();
      (void)a.ToHostChar();
      (void)a.ToHostWideChar();
      (void)a.ToBoolean();
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TReader in(data, size);
  ScriptValue registers[8];
  for (int steps = 0; !in.AtEnd() && steps < 2000; ++steps) {
    try {
      Step(in, registers);
    } catch (const varnholt::EScriptValueError&) {
      // The value rules refuse: that is the expected failure.
    }
  }
  return 0;
}
