#include "win32/server/class_factory.h"

#include <unknwn.h>

#include "win32/com/failure.h"
#include "win32/com/object.h"
#include "win32/server/addin_object.h"
#include "win32/server/type_library.h"

namespace zormint::win32 {

namespace {

class ClassFactory final : public ComObject<ClassFactory, IClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid,
                                           void** object) noexcept override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return CreateAddinObject(riid, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) noexcept override {
    if (lock) {
      win32::LockServer();
      return S_OK;
    }
    return UnlockServer() ? S_OK : E_UNEXPECTED;
  }
};

}  // namespace

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) noexcept {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (clsid != CLSID_dsrWrapper) return CLASS_E_CLASSNOTAVAILABLE;
  return ComEntry("DllGetClassObject",
                  [&] { return ClassFactory::Make()->QueryInterface(riid, object); });
}

}  // namespace zormint::win32
