// Work that may not be trusted to end, or to stay within its memory, run in a child process:
// the child writes its results into shared memory, and the parent waits for it within a time
// limit and ends it when the limit passes.
#pragma once

#include <cstddef>
#include <functional>

// Memory shared with the child processes started after it was made (zeroed, anonymous).
class TSharedRoom {
public:
  explicit TSharedRoom(std::size_t bytes);
  ~TSharedRoom();
  TSharedRoom(const TSharedRoom&) = delete;
  TSharedRoom& operator=(const TSharedRoom&) = delete;

  bool Valid() const { return data_ != nullptr; }
  void* Data() const { return data_; }
  std::size_t Size() const { return size_; }

private:
  void* data_ = nullptr;
  std::size_t size_ = 0;
};

// Runs `work` in a child process (a fork of this one) whose address space may grow by
// `memory_bytes` past what this process has mapped, for at most `milliseconds` of processor and
// of wall-clock time; the child is killed when either runs out. True when `work` returned true
// within the limits; false when it returned false, failed in any way, ran out of time or
// memory, or no child could be started. The child runs only `work` (no exit handlers); what it
// leaves for the caller goes into a TSharedRoom.
bool RunInChild(const std::function<bool()>& work, std::size_t memory_bytes, int milliseconds);
