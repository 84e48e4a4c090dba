#include "image/quantize_thread.hpp"

#include <pthread.h>
#include <sched.h>

#include <memory>
#include <thread>

#include "image/dib_graphic.hpp"
#include "image/quantize.hpp"
#include "platform/main_thread.hpp"

void TQuantizeThread::Start(TDibGraphic& picture) {
  auto snapshot = std::make_shared<TDibGraphic>();
  snapshot->CopyImage(picture);
  std::weak_ptr<std::uint64_t> token = picture.FLifeToken;
  const std::uint64_t generation = *picture.FLifeToken;
  TDibGraphic* target = &picture;
  std::thread worker([snapshot, token, generation, target] {
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(0, &set);
    pthread_setaffinity_np(pthread_self(), sizeof set, &set);
    auto palette = std::make_shared<TMaxLogPalette>();
    int last = 255;
    try {
      QuantizeColors(*snapshot, *palette, 256, last, {});
    } catch (...) {
      return;
    }
    QueueOnMainThread([token, generation, target, palette] {
      auto alive = token.lock();
      if (alive && *alive == generation) target->AfterQuantize(*palette, generation);
    });
  });
  worker.detach();
}
