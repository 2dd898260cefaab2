// Defines the GUIDs of zormint_idl.h (once, here).
#include <initguid.h>

#include "win32/server/type_library.h"

#include <oleauto.h>
#include <olectl.h>

namespace zormint::win32 {

HRESULT LoadTypeLibrary(const std::wstring& path, ITypeLib** typeLib) noexcept {
  if (!typeLib) return E_POINTER;
  *typeLib = nullptr;
  if (path.empty()) return E_FAIL;
  return LoadTypeLibEx(path.c_str(), REGKIND_NONE, typeLib);
}

HRESULT ReadTypeLibDescription(const std::wstring& path, std::wstring& description) noexcept {
  ITypeLib* typeLib = nullptr;
  HRESULT hr = LoadTypeLibrary(path, &typeLib);
  if (FAILED(hr)) return hr;
  TLIBATTR* attr = nullptr;
  hr = typeLib->GetLibAttr(&attr);
  if (SUCCEEDED(hr)) {
    if (attr->guid != LIBID_ZORMINT || attr->wMajorVerNum != kTypeLibMajor ||
        attr->wMinorVerNum != kTypeLibMinor) {
      hr = SELFREG_E_TYPELIB;
    }
    typeLib->ReleaseTLibAttr(attr);
  }
  BSTR doc = nullptr;
  if (SUCCEEDED(hr)) hr = typeLib->GetDocumentation(-1, nullptr, &doc, nullptr, nullptr);
  if (SUCCEEDED(hr)) {
    try {
      description.assign(doc ? doc : L"");
    } catch (...) {
      hr = E_OUTOFMEMORY;
    }
  }
  SysFreeString(doc);
  typeLib->Release();
  return hr;
}

}  // namespace zormint::win32
