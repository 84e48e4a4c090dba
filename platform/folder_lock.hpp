// An advisory lock on a folder, held for the life of the object: one program window per working
// folder. The lock is taken on the folder itself (opened read-only as a directory), so no file is
// made and a read-only folder can be locked as well.
#pragma once

#include <string>

class TFolderLock {
public:
  enum class State {
    Held,         // this object holds the lock
    InUse,        // another holder has it
    Unavailable,  // the folder cannot be opened or locked here (no lock is kept)
  };

  // Tries once, without waiting.
  explicit TFolderLock(const std::string& folder);
  ~TFolderLock();
  TFolderLock(const TFolderLock&) = delete;
  TFolderLock& operator=(const TFolderLock&) = delete;

  State state() const { return state_; }

private:
  int fd_ = -1;
  State state_ = State::Unavailable;
};
