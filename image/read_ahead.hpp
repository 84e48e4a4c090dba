// The read-ahead loader of the picture view: a worker thread loads the file the view names in
// its ReadAheadFileName, so that a following LoadFromFile of that name takes the ready picture.
// Each request gets a number; a worker hands its picture over under a lock only while its
// request is still the newest, so a stale picture is freed, never shown; the view's owner of
// the workers cancels and waits for them when the view goes.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TDibGraphic;

// Where a worker leaves its picture for the view.
struct ReadAheadSlot {
  std::mutex Lock;
  std::uint64_t Request = 0;  // the newest request
  bool Cancelled = false;
  std::unique_ptr<TDibGraphic> Graphic;  // the newest request's picture, once loaded
};

class TReadGraphicThread {
public:
  // Starts at once: loads FileName (its first page) on the first processor at the lowest
  // priority. A missing file, an unregistered extension or a failing load leave no picture.
  TReadGraphicThread(std::string FileName, std::shared_ptr<ReadAheadSlot> Slot, std::uint64_t Request);
  // Waits for the worker.
  ~TReadGraphicThread();
  TReadGraphicThread(const TReadGraphicThread&) = delete;
  TReadGraphicThread& operator=(const TReadGraphicThread&) = delete;
  bool Finished() const { return FFinished->load(); }
  // Workers whose thread has not yet reached its end, of every loader (for tests).
  static int Running();

  // The worker's work, run on the calling thread.
  static void Execute(const std::string& FileName, ReadAheadSlot& Slot, std::uint64_t Request);

private:
  std::shared_ptr<std::atomic<bool>> FFinished = std::make_shared<std::atomic<bool>>(false);
  std::thread FThread;
};

// The view's side: one request at a time, older workers left to finish and reaped.
class ReadAheadLoader {
public:
  ReadAheadLoader() = default;
  // Cancels the workers and waits for them.
  ~ReadAheadLoader();
  ReadAheadLoader(const ReadAheadLoader&) = delete;
  ReadAheadLoader& operator=(const ReadAheadLoader&) = delete;

  // Frees the picture of the previous request and starts a worker for FileName.
  void Request(const std::string& FileName);
  // The ready picture of the newest request (the caller owns it), or nullptr.
  std::unique_ptr<TDibGraphic> Take();
  bool Ready();
  // Waits until every worker has ended.
  void Wait();
  int RunningWorkers() const;

private:
  void reap();
  std::shared_ptr<ReadAheadSlot> FSlot = std::make_shared<ReadAheadSlot>();
  std::vector<std::unique_ptr<TReadGraphicThread>> FWorkers;
};
