// The most recently opened instance of each window class, and the modal opening of a window
// that is created afresh each time.
//
// Thread: windows register and unregister on the user-interface thread; Latest and IsOpen may
// be asked from any thread (the interpreter's debug log asks whether a debug window is open).
// Ownership: the registry owns nothing. A window is registered while it is open and removed
// when it closes, so a pointer it hands out is valid on the user-interface thread until then.
#pragma once

#include <mutex>
#include <typeindex>
#include <unordered_map>
#include <utility>

namespace velin::app {

class WindowRegistry {
 public:
  // `window` is now the most recent instance of class T.
  template <class T>
  void Opened(T* window) {
    std::lock_guard<std::mutex> hold(lock_);
    latest_[typeid(T)] = window;
  }
  // `window` closed: forgotten, unless a newer instance of T replaced it meanwhile.
  template <class T>
  void Closed(T* window) {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = latest_.find(typeid(T));
    if (it != latest_.end() && it->second == window) latest_.erase(it);
  }
  template <class T>
  T* Latest() const {
    std::lock_guard<std::mutex> hold(lock_);
    auto it = latest_.find(typeid(T));
    return it == latest_.end() ? nullptr : static_cast<T*>(it->second);
  }
  template <class T>
  bool IsOpen() const {
    return Latest<T>() != nullptr;
  }

 private:
  mutable std::mutex lock_;
  std::unordered_map<std::type_index, void*> latest_;
};

// Creates a window of class W from `args`, registers it as W's latest instance, shows it
// modally (W::ShowModal) and, once it has closed, unregisters and destroys it. Returns
// ShowModal's result.
template <class W, class... Args>
int OpenModal(WindowRegistry& registry, Args&&... args) {
  W window(std::forward<Args>(args)...);
  registry.Opened(&window);
  struct Unregister {
    WindowRegistry& registry;
    W* window;
    ~Unregister() { registry.Closed(window); }
  } unregister{registry, &window};
  return window.ShowModal();
}

}  // namespace velin::app
