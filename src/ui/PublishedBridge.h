// Carries changes of published values to a widget, on the widget's (GUI) thread.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <memory>
#include <type_traits>
#include <utility>

#include "base/Subscription.h"

namespace vantrel {

// Owned by the widget it serves: when the widget goes, so do its observations, and changes
// already queued for it are dropped.
class PublishedBridge {
  public:
    explicit PublishedBridge(QObject* context)
        : context_(context), alive_(std::make_shared<bool>(true)) {}
    PublishedBridge(const PublishedBridge&) = delete;
    PublishedBridge& operator=(const PublishedBridge&) = delete;
    ~PublishedBridge() { clear(); }

    // Calls `onChange(newValue)` after every change of `source` (a Published or PublishedView).
    // On the GUI thread the call is immediate; from other threads it is queued to the GUI thread.
    template <typename Source, typename F>
    void watch(Source& source, F onChange) {
        subscriptions_.push_back(source.onDidChange(
            [context = QPointer<QObject>(context_), alive = std::weak_ptr<bool>(alive_),
             onChange = std::move(onChange)](const auto& value) {
                if (!context) return;
                if (QThread::currentThread() == context->thread()) {
                    if (alive.lock()) onChange(value);
                    return;
                }
                QMetaObject::invokeMethod(
                    context.data(),
                    [alive, onChange, copy = std::decay_t<decltype(value)>(value)] {
                        if (alive.lock()) onChange(copy);
                    },
                    Qt::QueuedConnection);
            }));
    }

    // As watch, and calls `onChange` at once with the current value.
    template <typename Source, typename F>
    void watchAndApply(Source& source, F onChange) {
        onChange(source.get());
        watch(source, std::move(onChange));
    }

    // Ends every observation.
    void clear() {
        subscriptions_.clear();
        alive_ = std::make_shared<bool>(true);
    }

  private:
    QObject* context_;
    std::shared_ptr<bool> alive_;
    Subscriptions subscriptions_;
};

}  // namespace vantrel
