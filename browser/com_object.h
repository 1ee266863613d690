#pragma once
// IUnknown for the program's own COM objects (handlers, and the Linux loader's runtime objects):
// answers for IUnknown and its one interface, starts with one reference and deletes itself
// when the last one is given back.

#include <windows.h>
#include <unknwn.h>

// The SDK's interfaces have no virtual destructor: an object ends in its own Release, where the
// destructor below is virtual.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
template <typename Interface> class ComObject : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (!IsEqualIID(iid, __uuidof(IUnknown)) && !IsEqualIID(iid, __uuidof(Interface)))
            return E_NOINTERFACE;
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return static_cast<ULONG>(InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

  protected:
    virtual ~ComObject() = default;

  private:
    LONG references_ = 1;
};
#pragma GCC diagnostic pop
