// One fuzz input, decoded: which operation, the pixel buffer, and every Lua
// argument with its type. Also the rules by which the module reads such
// arguments, written out again here so the reference does not borrow them.
#ifndef Q_VEIL_KIT_FUZZ_CASE_H
#define Q_VEIL_KIT_FUZZ_CASE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qveil::fuzz {

enum class ArgKind {
  kNumber,         // a Lua number: `number`
  kNumericString,  // a string holding the integer `number`
  kText,           // a string that is not a number
  kNil,
  kFalse,
  kTrue,
  kTable,
};

struct Arg {
  ArgKind kind;
  double number;
};

// What argument 1 is: the buffer as a light or full userdata, a light
// userdata one byte past its start (misaligned), or something that is not a
// buffer at all.
enum class BufferKind { kLight, kFull, kMisaligned, kNil, kNumber, kString, kTable };

struct FuzzCase {
  bool fill;  // AlphaFillColor; otherwise AlphaDataSet
  BufferKind buffer;
  std::vector<std::uint32_t> pixels;  // exactly the buffer the call gets
  std::vector<Arg> args;              // arguments 2, 3, ...; absent ones omitted
};

FuzzCase DecodeCase(const std::uint8_t* data, std::size_t size);

// lua_tonumber: numbers and numeric strings, everything else 0.
double NumberOf(const Arg* arg);
// lua_toboolean: false only for nil, false and an absent argument.
bool TruthOf(const Arg* arg);
// Truncation toward zero; NaN 0; saturating at the 32-bit limits.
std::int32_t IntegerOf(const Arg* arg);

}  // namespace qveil::fuzz

#endif  // Q_VEIL_KIT_FUZZ_CASE_H
