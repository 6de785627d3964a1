#pragma once
// Callback<R(Args...)>: a copyable function object of one call signature, what the program uses
// wherever it keeps or hands on something to call (event handlers, completions, factories). It
// behaves as std::function does for everything the program does with one (empty by default or
// from nullptr or a null function pointer, tested with `if (callback)` or `== nullptr`, copied,
// moved, called; calling an empty one throws std::bad_function_call), and is smaller in the
// executable: std::function makes a manager function for each kind of target, which copies,
// destroys, moves and names it. Here a target of a few trivially copyable words (a lambda that
// captures `this` and a pointer or two, a function pointer) is kept in place and needs no function
// of its own but its call: copying, moving and destroying it is the same for every such target.
// Other targets live on the heap, where a move is the same for all too, and only their copy and
// their destruction are made for each kind. No target()/target_type(): nothing asks.
#include <cstddef>
#include <cstring>
#include <functional>
#include <new>
#include <type_traits>
#include <utility>

namespace quillet {

template <typename Signature>
class Callback;

namespace callback_detail {

union Storage {
  void* heap;
  alignas(void*) unsigned char local[3 * sizeof(void*)];
};

enum class Op : unsigned char { kCopy, kDestroy };
// kCopy: `to` gets a copy of the target in `from`. kDestroy: the target in `to` is destroyed.
using Manager = void (*)(Op op, Storage& to, const Storage& from);

template <typename F>
inline constexpr bool kStoredInPlace =
    sizeof(F) <= sizeof(Storage) && alignof(F) <= alignof(Storage) && std::is_trivially_copyable_v<F>;

inline void ManageInPlace(Op op, Storage& to, const Storage& from) noexcept {
  if (op == Op::kCopy) to = from;
}

template <typename F>
void ManageOnHeap(Op op, Storage& to, const Storage& from) {
  if (op == Op::kCopy)
    to.heap = new F(*static_cast<const F*>(from.heap));
  else
    delete static_cast<F*>(to.heap);
}

template <typename F>
F& Target(Storage& storage) noexcept {
  if constexpr (kStoredInPlace<F>)
    return *std::launder(reinterpret_cast<F*>(storage.local));
  else
    return *static_cast<F*>(storage.heap);
}

[[noreturn]] inline void ThrowEmptyCall() { throw std::bad_function_call(); }

// A null function pointer, an empty Callback or std::function: the Callback made from it is empty.
template <typename F>
struct IsFunctionWrapper : std::false_type {};
template <typename S>
struct IsFunctionWrapper<std::function<S>> : std::true_type {};
template <typename S>
struct IsFunctionWrapper<Callback<S>> : std::true_type {};

template <typename F>
bool IsNull(const F& f) noexcept {
  if constexpr (std::is_pointer_v<F> || std::is_member_pointer_v<F>)
    return f == nullptr;
  else if constexpr (IsFunctionWrapper<F>::value)
    return !f;
  else
    return false;
}

// What a Callback can be made from (the first test keeps copying a Callback from asking the rest).
template <typename F, typename Self, typename R, typename... Args>
concept TargetOf = !std::is_same_v<std::remove_cvref_t<F>, Self> && std::is_invocable_r_v<R, std::decay_t<F>&, Args...> &&
                   std::is_copy_constructible_v<std::decay_t<F>>;

// What does not depend on the signature, shared by every Callback.
class CallbackBase {
 public:
  explicit operator bool() const noexcept { return manage_ != nullptr; }

 protected:
  CallbackBase() noexcept = default;
  CallbackBase(const CallbackBase& other) : manage_(other.manage_), invoke_(other.invoke_) {
    if (manage_) manage_(Op::kCopy, storage_, other.storage_);
  }
  CallbackBase(CallbackBase&& other) noexcept : manage_(other.manage_), invoke_(other.invoke_) {
    CopyBytes(storage_, other.storage_);
    other.manage_ = nullptr;
  }
  ~CallbackBase() {
    if (manage_) manage_(Op::kDestroy, storage_, storage_);
  }
  // As std::function: the new target is in place before the old one is destroyed.
  CallbackBase& operator=(const CallbackBase& other) {
    CallbackBase(other).Swap(*this);
    return *this;
  }
  CallbackBase& operator=(CallbackBase&& other) noexcept {
    CallbackBase(std::move(other)).Swap(*this);
    return *this;
  }
  void Swap(CallbackBase& other) noexcept {
    Storage kept;
    CopyBytes(kept, storage_);
    CopyBytes(storage_, other.storage_);
    CopyBytes(other.storage_, kept);
    std::swap(manage_, other.manage_);
    std::swap(invoke_, other.invoke_);
  }

  // The storage's bytes, as they are: an empty Callback leaves them unset (zeroing them would
  // cost code wherever one is made), and an unset byte may be copied as a byte.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
  static void CopyBytes(Storage& to, const Storage& from) noexcept { std::memcpy(&to, &from, sizeof to); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

  Storage storage_;            // read only when manage_ is set
  Manager manage_ = nullptr;   // null: empty
  void (*invoke_)() = nullptr;  // the signature's invoker, cast back by Callback
};

}  // namespace callback_detail

template <typename R, typename... Args>
class Callback<R(Args...)> : public callback_detail::CallbackBase {
  using Invoker = R (*)(callback_detail::Storage&, Args&&...);

  template <typename F>
  static R Invoke(callback_detail::Storage& storage, Args&&... args) {
    if constexpr (std::is_void_v<R>)
      std::invoke(callback_detail::Target<F>(storage), std::forward<Args>(args)...);
    else
      return std::invoke(callback_detail::Target<F>(storage), std::forward<Args>(args)...);
  }

 public:
  using result_type = R;

  Callback() noexcept = default;
  Callback(std::nullptr_t) noexcept {}
  Callback(const Callback&) = default;
  Callback(Callback&&) noexcept = default;
  template <typename F>
    requires callback_detail::TargetOf<F, Callback, R, Args...>
  Callback(F&& f) {
    using D = std::decay_t<F>;
    if (callback_detail::IsNull(f)) return;
    if constexpr (callback_detail::kStoredInPlace<D>) {
      ::new (static_cast<void*>(storage_.local)) D(std::forward<F>(f));
      manage_ = &callback_detail::ManageInPlace;
    } else {
      storage_.heap = new D(std::forward<F>(f));
      manage_ = &callback_detail::ManageOnHeap<D>;
    }
    invoke_ = reinterpret_cast<void (*)()>(&Invoke<D>);
  }
  ~Callback() = default;

  Callback& operator=(const Callback&) = default;
  Callback& operator=(Callback&&) noexcept = default;
  Callback& operator=(std::nullptr_t) noexcept {
    Callback().Swap(*this);
    return *this;
  }
  template <typename F>
    requires callback_detail::TargetOf<F, Callback, R, Args...>
  Callback& operator=(F&& f) {
    Callback(std::forward<F>(f)).Swap(*this);
    return *this;
  }

  void swap(Callback& other) noexcept { Swap(other); }

  R operator()(Args... args) const {
    if (!manage_) callback_detail::ThrowEmptyCall();
    return reinterpret_cast<Invoker>(invoke_)(const_cast<callback_detail::Storage&>(storage_),
                                              std::forward<Args>(args)...);
  }

  friend bool operator==(const Callback& callback, std::nullptr_t) noexcept { return !callback; }
};

}  // namespace quillet
