// The keys of the search box held back while an earlier key lets pending
// events run: they wait in the order they came and are handed on after it,
// so fast typing is not scrambled.
#pragma once

#include <QKeyEvent>

#include <deque>
#include <functional>
#include <memory>

class QObject;

namespace orvanta::results_window {

class HeldKeys {
 public:
  // Whether `key` has to wait: an earlier key is letting events run, or
  // keys held that way still wait. The key being handed on never waits.
  bool mustWait(const QKeyEvent& key) const;
  // Keeps a copy of `key` behind those held. The key that lets events run
  // arranges their delivery when it is done.
  void hold(const QKeyEvent& key) { keys_.emplace_back(key.clone()); }
  bool isEmpty() const { return keys_.empty(); }

  // Brackets the time an earlier key lets pending events run.
  void beginYield() { yielding_ = true; }
  void endYield() { yielding_ = false; }

  // Sends the held keys to `receiver`, oldest first, until none is left,
  // `stop` says so, or a key handed on lets events run again (the rest
  // then wait for the next delivery).
  void deliver(QObject* receiver, const std::function<bool()>& stop);

 private:
  std::deque<std::unique_ptr<QKeyEvent>> keys_;
  const QKeyEvent* delivering_ = nullptr;
  bool yielding_ = false;
};

}  // namespace orvanta::results_window
