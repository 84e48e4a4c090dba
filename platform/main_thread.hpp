// Handing work from another thread to the user-interface thread.
#pragma once

#include <functional>

// Runs `fn` on the user-interface thread when its event loop next handles events (from any
// thread). Without an application object the call is dropped.
void QueueOnMainThread(std::function<void()> fn);
