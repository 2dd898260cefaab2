// The four entry points of a self-registering in-process COM server (see zormint.def).
#include <olectl.h>
#include <windows.h>

#include "win32/com/dispatch.h"
#include "win32/com/module.h"
#include "win32/server/class_factory.h"
#include "win32/server/registration.h"

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* object) {
  return zormint::win32::GetClassObject(clsid, riid, object);
}

STDAPI DllCanUnloadNow() {
  if (zormint::win32::ServerInUse()) return S_FALSE;
  // Nothing of ours is alive: what is cached for the objects goes before Windows unloads us.
  zormint::win32::ReleaseTypeInfoCache();
  return S_OK;
}

STDAPI DllRegisterServer() {
  return zormint::win32::RegisterServer();
}

STDAPI DllUnregisterServer() {
  return zormint::win32::UnregisterServer();
}
