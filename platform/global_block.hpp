// A global memory block held for a scope: locked while the holder lives, freed at its end, or
// both, so that no path out of the scope (an exception included) leaves it locked or leaked.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/gdi.hpp"

class global_block {
public:
  enum use : unsigned { lock = 1, free = 2, lock_and_free = lock | free };

  global_block(HGLOBAL block, use u) : block_(block), free_((u & free) != 0) {
    if ((u & lock) && block_ != nullptr) {
      data_ = static_cast<std::uint8_t*>(GlobalLock(block_));
      if (data_ != nullptr) size_ = GlobalSize(block_);
    }
  }
  ~global_block() {
    if (data_ != nullptr) GlobalUnlock(block_);
    if (free_ && block_ != nullptr) GlobalFree(block_);
  }
  global_block(const global_block&) = delete;
  global_block& operator=(const global_block&) = delete;

  HGLOBAL get() const { return block_; }
  // The locked bytes, nullptr when not locked (or the lock failed).
  std::uint8_t* data() const { return data_; }
  // The block's size while locked, else 0.
  std::size_t size() const { return size_; }
  // Hands the block to the caller: it is still unlocked at the end of the scope, not freed.
  HGLOBAL release() {
    free_ = false;
    return block_;
  }

private:
  HGLOBAL block_;
  bool free_;
  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
};
