// The per-byte and per-value work of reading and writing numbers, in small kernels for each
// instruction set: classifying input blocks into bit masks of number ends, converting numbers to
// values, and formatting values as text. The portable kernels are the reference; the others must
// give exactly what they give. Nothing outside the kernels knows which instruction set runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace number_list::simd {

// Input is classified 64 bytes at a time: one bit per byte, bit i for the byte at offset i.
inline constexpr std::size_t block_size = 64;

// Marks where the numbers in `count` blocks of block_size bytes from `bytes` end: bit i of ends[b]
// is set when byte i of block b is the first after a run of digits (the byte before `bytes` is
// taken for no digit). Only ends up to the first byte at which a read stops are marked, an end at
// that byte included ("12x" reads 12): a byte that is neither white space nor part of a number, or
// a sign without a digit right after it. Returns how many blocks it marked: those up to and with
// the one holding that byte, or all `count`. The byte after the last block must be readable.
using FindEndsFn = std::size_t (*)(const char* bytes, std::size_t count, std::uint64_t* ends);

// Writes where each set bit of `bits` lies, block by block and lowest bit first (bit i of
// bits[b] lies at base + b * block_size + i), at `offsets` and returns how many. Up to
// flatten_slack entries past the last may be written too: fixed-size stores instead of a branch
// per bit.
inline constexpr std::size_t flatten_slack = 16;
using FlattenFn = std::size_t (*)(const std::uint64_t* bits, std::size_t blocks, std::uint32_t base,
                                  std::uint32_t* offsets);

// How many bytes before a number's end a conversion looks at: a number of up to
// convertible_digits digits, with its sign, lies within them.
inline constexpr std::size_t convert_window = 16;
inline constexpr std::size_t convertible_digits = convert_window - 1;

// Converts the numbers whose digit runs end just before data[ends[i]] (each preceded by a sign or
// not) into `values`, from the first on, and returns how many it converted: it stops at the first
// number with more than convertible_digits digits or outside the int32 range, which the caller
// reads the slow way; nothing past the numbers converted is written. The convert_window bytes
// before every end must be readable.
using ConvertFn = std::size_t (*)(const char* data, const std::uint32_t* ends, std::size_t count,
                                  std::int32_t* values);

// Values are formatted a batch at a time, each into a slot of its own: its text as "%d" writes it,
// ending at the slot's last byte. Every slot starts with blanks_after_text blanks (what lies
// between them and the text is unspecified), and a slot of blanks follows the last, so that the
// slot_size bytes from any text's first byte are the text and at least blanks_after_text blanks:
// a caller copies that many whatever the length, as one fixed-size move.
inline constexpr std::size_t format_batch = 64;
inline constexpr std::size_t slot_size = 16;
inline constexpr std::size_t blanks_after_text = slot_size - 11;  // 11: "-2147483648"
struct FormattedValues {
  FormattedValues() { slots.fill(' '); }
  // The i-th value's text, lengths[i] bytes; slot_size bytes can be read from here.
  const char* text(std::size_t i) const { return slots.data() + (i + 1) * slot_size - lengths[i]; }

  alignas(64) std::array<char, (format_batch + 1) * slot_size> slots{};
  std::array<std::uint8_t, format_batch> lengths{};
};

// Formats `count` <= format_batch values into the first `count` slots and lengths; later ones
// may change too, the slot after the last never.
using FormatFn = void (*)(const std::int32_t* values, std::size_t count, FormattedValues& out);

// Writes the first `count` texts of `formatted` one after another at `out`, each followed by a
// blank, and returns the end of what it wrote. Up to pack_slack bytes past that end may be written
// too: fixed-size stores instead of a copy of each text's length.
inline constexpr std::size_t pack_slack = 64;
using PackFn = char* (*)(const FormattedValues& formatted, std::size_t count, char* out);

struct Kernels {
  std::string_view name;
  bool (*runs_here)();  // whether this machine has the instructions the kernels use
  FindEndsFn find_ends;
  FlattenFn flatten;
  ConvertFn convert;
  FormatFn format;
  PackFn pack;
};

// Every kernel set built into the program, from the plainest (the portable one) to the fastest.
std::span<const Kernels* const> compiled_kernels();

// The fastest kernel set this machine runs.
const Kernels& fastest_kernels();

}  // namespace number_list::simd
