#include "image/read_ahead.hpp"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

#include "image/dib_graphic.hpp"
#include "image/format_registry.hpp"
#include "platform/sysutils.hpp"

namespace {

// The first processor and the lowest priority, as far as the system lets us.
void make_background_thread() {
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(0, &set);
  pthread_setaffinity_np(pthread_self(), sizeof set, &set);
  setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 19);
}

std::atomic<int> g_running{0};

}  // namespace

int TReadGraphicThread::Running() { return g_running.load(); }

TReadGraphicThread::TReadGraphicThread(std::string FileName, std::shared_ptr<ReadAheadSlot> Slot, std::uint64_t Request) {
  auto finished = FFinished;
  g_running.fetch_add(1);
  FThread = std::thread([FileName = std::move(FileName), Slot = std::move(Slot), Request, finished] {
    make_background_thread();
    Execute(FileName, *Slot, Request);
    finished->store(true);
    g_running.fetch_sub(1);
  });
}

TReadGraphicThread::~TReadGraphicThread() {
  if (FThread.joinable()) FThread.join();
}

void TReadGraphicThread::Execute(const std::string& FileName, ReadAheadSlot& Slot, std::uint64_t Request) {
  try {
    {
      std::lock_guard lock(Slot.Lock);
      if (Slot.Cancelled || Slot.Request != Request) return;
    }
    if (!FileExists(FileName)) return;
    std::unique_ptr<TDibGraphic> picture = CreateDibGraphic(FileName);
    picture->LoadFromFile(FileName);
    std::lock_guard lock(Slot.Lock);
    // A newer request or a closing view: the picture is freed on leaving.
    if (!Slot.Cancelled && Slot.Request == Request) Slot.Graphic = std::move(picture);
  } catch (...) {
    // A failed read-ahead leaves no picture; the later load reads the file and reports.
  }
}

ReadAheadLoader::~ReadAheadLoader() {
  {
    std::lock_guard lock(FSlot->Lock);
    FSlot->Cancelled = true;
    FSlot->Graphic.reset();
  }
  FWorkers.clear();  // joins
}

void ReadAheadLoader::Request(const std::string& FileName) {
  std::uint64_t request;
  std::unique_ptr<TDibGraphic> previous;
  {
    std::lock_guard lock(FSlot->Lock);
    request = ++FSlot->Request;
    previous = std::move(FSlot->Graphic);
  }
  previous.reset();
  reap();
  FWorkers.push_back(std::make_unique<TReadGraphicThread>(FileName, FSlot, request));
}

std::unique_ptr<TDibGraphic> ReadAheadLoader::Take() {
  std::lock_guard lock(FSlot->Lock);
  return std::move(FSlot->Graphic);
}

bool ReadAheadLoader::Ready() {
  std::lock_guard lock(FSlot->Lock);
  return FSlot->Graphic != nullptr;
}

void ReadAheadLoader::Wait() { FWorkers.clear(); }

int ReadAheadLoader::RunningWorkers() const {
  return static_cast<int>(std::count_if(FWorkers.begin(), FWorkers.end(), [](const auto& w) { return !w->Finished(); }));
}

void ReadAheadLoader::reap() {
  std::erase_if(FWorkers, [](const auto& w) { return w->Finished(); });
}
