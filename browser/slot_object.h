#pragma once
// Objects of ours that stand for the WebView2 runtime's own objects (in the Linux stand-in of the
// loader and in the loader double of the tests). The runtime's interfaces have dozens of methods
// that the program never calls: the table of such an object gives every slot one function that
// answers E_NOTIMPL, and each method the object has goes to the slot of the SDK method it stands
// for, named as the SDK names it. A method whose parameters differ from the SDK's does not compile.
#include "browser/webview2_sdk.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>

template <typename Interface> class SlotTable {
  public:
    SlotTable() { slots_.fill(reinterpret_cast<void*>(&notImplemented)); }

    // Puts `ours`, a method of the implementing class, at the slot of `official`, a method of
    // Interface or of an interface it derives from.
    template <auto official, auto ours> void put() {
        using Slot = Binding<decltype(official), decltype(ours)>;
        static_assert(std::is_base_of_v<typename Slot::Declared, Interface>);
        slots_.at(slotOf(official)) = reinterpret_cast<void*>(&Slot::template call<ours>);
    }

    void* const* get() const { return slots_.data(); }

  private:
    // Whatever the slot's parameters: the caller gives them, this ignores them.
    static HRESULT STDMETHODCALLTYPE notImplemented(void*) { return E_NOTIMPL; }

    // No definition for a pair whose parameters differ.
    template <typename Official, typename Ours> struct Binding;
    template <typename Class, typename Self, typename Result, typename... Parameters>
    struct Binding<Result (STDMETHODCALLTYPE Class::*)(Parameters...), Result (Self::*)(Parameters...)> {
        using Declared = Class;
        template <Result (Self::*ours)(Parameters...)>
        static Result STDMETHODCALLTYPE call(Self* self, Parameters... parameters) {
            return (self->*ours)(parameters...);
        }
    };

    // GCC lays out a pointer to a method as the Itanium C++ ABI says: for a virtual method, its
    // first word is one more than the method's byte offset in the table.
    template <typename Method> static std::size_t slotOf(Method method) {
        static_assert(sizeof(Method) == 2 * sizeof(void*), "a pointer to a method as GCC lays it out");
        std::uintptr_t word = 0;
        std::memcpy(&word, &method, sizeof word);
        return (word - 1) / sizeof(void*);
    }

    std::array<void*, 64> slots_{}; // more than the interfaces used here have
};

// The object: the table first, as COM lays out an object. Self derives from it, has no virtual
// methods and gives its methods with `static void fill(SlotTable<Interface>&)`.
template <typename Self, typename Interface> class SlotObject {
  public:
    Interface* get() { return reinterpret_cast<Interface*>(this); }

    HRESULT QueryInterface(REFIID iid, void** object) {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(iid, __uuidof(IUnknown)) && !IsEqualIID(iid, __uuidof(Interface)))
            return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() { return ++references_; }
    ULONG Release() {
        const ULONG left = --references_;
        if (left == 0) delete static_cast<Self*>(this);
        return left;
    }

  protected:
    SlotObject() = default;
    ~SlotObject() = default;

  private:
    static void* const* table() {
        static const SlotTable<Interface> slots = [] {
            SlotTable<Interface> made;
            made.template put<static_cast<HRESULT (STDMETHODCALLTYPE IUnknown::*)(REFIID, void**)>(
                                  &IUnknown::QueryInterface),
                              &SlotObject::QueryInterface>();
            made.template put<&IUnknown::AddRef, &SlotObject::AddRef>();
            made.template put<&IUnknown::Release, &SlotObject::Release>();
            Self::fill(made);
            return made;
        }();
        return slots.get();
    }

    void* const* slots_ = table();
    ULONG references_ = 1;
};
