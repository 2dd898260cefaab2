// Defines the GUIDs of zormint_idl.h (once, here): the toolkit's headers come first, so that
// their own numbers stay declarations.
#include <olectl.h>

#include "win32/com/dispatch.h"
#include "win32/com/variant.h"

#include <initguid.h>

#include "win32/server/type_library.h"

namespace zormint::win32 {

HRESULT ReadTypeLibDescription(std::wstring& description) noexcept {
  ComRef<ITypeLib> library;
  HRESULT hr = LoadModuleTypeLibrary(library);
  if (FAILED(hr)) return hr;
  TLIBATTR* attr = nullptr;
  hr = library->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  const bool ours = attr->guid == LIBID_ZORMINT && attr->wMajorVerNum == kTypeLibMajor &&
                    attr->wMinorVerNum == kTypeLibMinor;
  library->ReleaseTLibAttr(attr);
  if (!ours) return SELFREG_E_TYPELIB;
  Bstr text;
  hr = library->GetDocumentation(-1, nullptr, text.Out(), nullptr, nullptr);
  if (FAILED(hr)) return hr;
  try {
    description.assign(text.Get() ? text.Get() : L"");
  } catch (...) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

}  // namespace zormint::win32
