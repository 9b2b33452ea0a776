// A call the callee makes back into its caller, who keeps the callable alive for as long as the
// call can come. The library's std::function keeps a copy on the heap and reports a call of an
// empty one by throwing, through functions that bring the library's error reporting into every
// note; here an empty one is only tested for, never called.
#pragma once

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

template <typename Signature>
class FunctionRef;

template <typename R, typename... Args>
class FunctionRef<R(Args...)> {
public:
    FunctionRef() noexcept = default;
    FunctionRef(std::nullptr_t) noexcept {}
    template <typename F,
              typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, FunctionRef> &&
                                          std::is_invocable_r_v<R, F&, Args...>>>
    FunctionRef(F&& f) noexcept
        : object_(const_cast<void*>(static_cast<const void*>(std::addressof(f)))),
          call_([](void* object, Args... args) -> R {
              return (*static_cast<std::remove_reference_t<F>*>(object))(
                  std::forward<Args>(args)...);
          }) {}

    explicit operator bool() const noexcept { return call_ != nullptr; }
    R operator()(Args... args) const { return call_(object_, std::forward<Args>(args)...); }

private:
    void* object_ = nullptr;
    R (*call_)(void*, Args...) = nullptr;
};
