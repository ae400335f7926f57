// atInstructions.cpp — names, operand shapes and the disassembler, all generated from the one table.
#include "script/compiler/atInstructions.h"

#include <charconv>

namespace varnholt {

namespace {

struct TInstructionInfo {
  const char* name;
  std::uint8_t operands;
  const char* meaning;
};

constexpr TInstructionInfo kInstructionInfo[] = {
#define VARNHOLT_INSTRUCTION_INFO(name, fields, meaning) {#name, static_cast<std::uint8_t>(fields), meaning},
    VARNHOLT_INSTRUCTIONS(VARNHOLT_INSTRUCTION_INFO)
#undef VARNHOLT_INSTRUCTION_INFO
};

static_assert(sizeof(kInstructionInfo) / sizeof(kInstructionInfo[0]) == kInstructionCount);

// A text operand in Pascal notation: quoted, quotes doubled, control characters as #n.
std::string QuoteText(const std::string& text) {
  std::string out;
  bool open = false;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32) {
      if (open) out += '\'';
      open = false;
      out += '#';
      out += std::to_string(u);
      continue;
    }
    if (!open) out += '\'';
    open = true;
    out += c;
    if (c == '\'') out += '\'';
  }
  if (open) out += '\'';
  if (out.empty()) out = "''";
  return out;
}

std::string RealText(double value) {
  char buffer[64];
  const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, ptr) : std::string("?");
}

}  // namespace

const char* InstructionName(TInstruction op) {
  return op < kInstructionCount ? kInstructionInfo[op].name : "inUnknown";
}

std::uint8_t InstructionOperands(TInstruction op) {
  return op < kInstructionCount ? kInstructionInfo[op].operands : 0;
}

const char* InstructionMeaning(TInstruction op) {
  return op < kInstructionCount ? kInstructionInfo[op].meaning : "";
}

std::string DisassembleInstruction(const TSimplifiedCode& code, int index) {
  std::string line = std::to_string(index);
  line += ' ';
  line += InstructionName(code.Op);
  const std::uint8_t fields = InstructionOperands(code.Op);
  auto add = [&](std::uint8_t field, const char* label, const std::string& value) {
    if (!(fields & field)) return;
    line += ' ';
    line += label;
    line += '=';
    line += value;
  };
  add(ofInt1, "Int1", std::to_string(code.Int1));
  add(ofByte1, "Byte1", std::to_string(code.Byte1));
  add(ofByte2, "Byte2", std::to_string(code.Byte2));
  add(ofInt2, "Int2", std::to_string(code.Int2));
  add(ofInt3, "Int3", std::to_string(code.Int3));
  add(ofInt4, "Int4", std::to_string(code.Int4));
  add(ofReal, "Real", RealText(code.Real));
  add(ofText, "Text", QuoteText(code.Text));
  return line;
}

std::string Disassemble(const std::vector<TSimplifiedCode>& code) {
  std::string out;
  for (size_t i = 0; i < code.size(); ++i) {
    out += DisassembleInstruction(code[i], static_cast<int>(i));
    out += '\n';
  }
  return out;
}

}  // namespace varnholt
