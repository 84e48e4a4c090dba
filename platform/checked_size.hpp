// Sizes that come from files: multiplied and added with overflow checks, and the largest picture
// a file may declare.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/sysutils.hpp"

// The decompression-bomb limit: a picture file that declares more pixels than this is refused
// before anything is allocated (the limit Pillow refuses at).
constexpr std::int64_t MaxDeclaredPixels = 178956970;

// a * b, or nothing when either is negative or the product does not fit 64 bits.
inline std::optional<std::int64_t> CheckedMul(std::int64_t a, std::int64_t b) {
  std::int64_t r;
  if (a < 0 || b < 0 || __builtin_mul_overflow(a, b, &r)) return std::nullopt;
  return r;
}

// a + b, or nothing when either is negative or the sum does not fit 64 bits.
inline std::optional<std::int64_t> CheckedAdd(std::int64_t a, std::int64_t b) {
  std::int64_t r;
  if (a < 0 || b < 0 || __builtin_add_overflow(a, b, &r)) return std::nullopt;
  return r;
}

// Bytes of `rows` rows of `width` pixels of `bits` bits, each row padded to 32 bits; nothing
// when the size does not fit 64 bits.
inline std::optional<std::int64_t> CheckedDibBytes(std::int64_t width, std::int64_t bits, std::int64_t rows) {
  std::optional<std::int64_t> row_bits = CheckedMul(width, bits);
  if (!row_bits || *row_bits > INT64_MAX - 31) return std::nullopt;
  return CheckedMul((*row_bits + 31) / 32 * 4, rows);
}

// True when a picture of that declared size passes the decompression-bomb limit.
inline bool DeclaredPictureTooLarge(std::int64_t width, std::int64_t height) {
  std::optional<std::int64_t> pixels = CheckedMul(width, height);
  return !pixels || *pixels > MaxDeclaredPixels;
}

// "An image of W x H pixels is too large", the refusal of such a picture.
inline std::string PictureTooLargeMessage(std::int64_t width, std::int64_t height) {
  return "An image of " + std::to_string(width) + " x " + std::to_string(height) + " pixels is too large";
}

// "The image file is too short for its W x H pixels", the refusal of a picture whose rows run
// past the end of its file.
inline std::string PictureTooShortMessage(std::int64_t width, std::int64_t height) {
  return "The image file is too short for its " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// The platform readers' refusal of such a picture (an EInvalidGraphic with that message).
HW_DECLARE_EXCEPTION(EPictureTooLarge, EInvalidGraphic);
