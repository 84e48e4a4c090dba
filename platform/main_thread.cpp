#include "platform/main_thread.hpp"

#include <QCoreApplication>
#include <QMetaObject>

void QueueOnMainThread(std::function<void()> fn) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || !fn) return;
  QMetaObject::invokeMethod(app, [fn = std::move(fn)] { fn(); }, Qt::QueuedConnection);
}
