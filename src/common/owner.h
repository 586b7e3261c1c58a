// One owner for whatever a scope must give back: a kernel handle, a registry
// key, a GDI object, a menu, a block from malloc. The owner is move-only and
// gives its resource back when it goes, so an early return frees it.
//
// A resource kind is a record of three static functions: None() (the value
// that holds nothing), Usable(value) and Free(value). The kinds live beside
// their resources (common/handle_win32.h, registry/registry_ops.h); a block
// from malloc is OwnedBlock<T> below.
#pragma once
#include <cstdlib>

template <typename Resource, typename Kind>
class Owner {
 public:
  Owner() = default;
  explicit Owner(Resource resource) : resource_(resource) {}
  Owner(Owner&& other) noexcept : resource_(other.Release()) {}
  Owner& operator=(Owner&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  ~Owner() { Reset(); }

  Resource Get() const { return resource_; }
  explicit operator bool() const { return Kind::Usable(resource_); }
  // Hands the resource on (to a caller, or to the system that now owns it).
  Resource Release() {
    Resource resource = resource_;
    resource_ = Kind::None();
    return resource;
  }
  // Gives back what is held and holds `resource` instead.
  void Reset(Resource resource = Kind::None()) {
    if (Kind::Usable(resource_)) Kind::Free(resource_);
    resource_ = resource;
  }

 private:
  Resource resource_ = Kind::None();
};

template <typename T>
struct MallocBlockKind {
  static T* None() { return nullptr; }
  static bool Usable(T* block) { return block != nullptr; }
  static void Free(T* block) { std::free(block); }
};

// A block from malloc or calloc ("a new block from malloc; the caller frees it").
template <typename T>
using OwnedBlock = Owner<T*, MallocBlockKind<T>>;
