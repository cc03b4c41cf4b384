// A control array: many like controls under one name, told apart by their
// index. Indices need not be contiguous (the preferences row is 999).
#pragma once

#include <QList>

#include <map>

namespace orvanta::results_window {

template <typename Control>
class ControlArray {
 public:
  void add(int index, Control* control) { elements_[index] = control; }

  // The element with `index`, or nullptr when the array has none.
  Control* operator()(int index) const {
    const auto found = elements_.find(index);
    return found == elements_.end() ? nullptr : found->second;
  }

  bool contains(int index) const { return elements_.count(index) != 0; }

  // The indices in ascending order.
  QList<int> indices() const {
    QList<int> result;
    for (const auto& [index, control] : elements_) result.append(index);
    return result;
  }

 private:
  std::map<int, Control*> elements_;
};

}  // namespace orvanta::results_window
