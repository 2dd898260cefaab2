// Helpers of the Windows-side tests: the DLL under test, the registry, COM pointers.
#pragma once

#include <ole2.h>
#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "win32/com/com_ref.h"
#include "zormint_idl.h"

namespace zormint::wine_test {

// ZORMINT.dll, which the build puts beside the test programs.
std::wstring DllPath();
std::wstring GuidText(const GUID& guid);

// Paths below HKEY_CURRENT_USER / HKEY_LOCAL_MACHINE that the registration writes.
std::wstring ClsidKey();    // Software\Classes\CLSID\{...}
std::wstring ProgIdKey();   // Software\Classes\ZORMINT.dsrWrapper
std::wstring TypeLibKey();  // Software\Classes\TypeLib\{...}
std::wstring AddinKey();    // Software\Microsoft\Office\Outlook\Addins\ZORMINT.dsrWrapper

struct RegValue {
  DWORD type = REG_NONE;
  std::wstring text;  // REG_SZ
  DWORD number = 0;   // REG_DWORD
};
// A value (name nullptr: the default value), or nullopt when the key or the value is missing.
std::optional<RegValue> ReadValue(HKEY root, const std::wstring& key, const wchar_t* name,
                                  REGSAM view = 0);
bool KeyExists(HKEY root, const std::wstring& key, REGSAM view = 0);
void CreateKey(HKEY root, const std::wstring& key, DWORD options = REG_OPTION_NON_VOLATILE);
void SetText(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& text);
void DeleteTree(HKEY root, const std::wstring& key);  // a missing key is fine
// Every key, value name, type and data below `key` (texts as text), one per line, in a fixed
// order; in one registry view when `view` names one.
std::wstring Snapshot(HKEY root, const std::wstring& key, REGSAM view = 0);

// Wine's COM looks classes up under HKLM\Software\Classes only (Windows merges the per-user
// classes in): the COM tests copy the per-user class registration there and remove it after.
void MirrorClassesToMachine();
void RemoveMachineMirror();

// While it lives, Windows opens every picture type of the sample mailbox through the class
// `progId` (below HKLM\Software\Classes, where Wine looks), whose open command SetCommand sets.
// Wine's own associations would start its browser, which outlives the test with the working
// folder as its current directory, so that no later connection could delete that folder. The
// previous associations are put back when it ends.
class PictureAssociations {
 public:
  PictureAssociations(std::wstring progId, const std::wstring& command);
  ~PictureAssociations();
  PictureAssociations(const PictureAssociations&) = delete;
  PictureAssociations& operator=(const PictureAssociations&) = delete;
  void SetCommand(const std::wstring& command);  // for example "\"viewer.exe\" \"%1\""

 private:
  std::wstring progId_;
  std::vector<std::pair<std::wstring, std::optional<std::wstring>>> previous_;
};

// Runs a command line and returns its exit code (or -1 when it cannot start or does not end).
int RunProcess(const std::wstring& commandLine);

// A counted COM reference.
template <class T>
using ComPtr = win32::ComRef<T>;

// ZORMINT.dll loaded into the test process, with its four exports.
class ZormintDll {
 public:
  ZormintDll();
  ~ZormintDll();
  ZormintDll(const ZormintDll&) = delete;
  ZormintDll& operator=(const ZormintDll&) = delete;

  bool Loaded() const;
  HRESULT Register() const { return register_(); }
  HRESULT Unregister() const { return unregister_(); }
  HRESULT CanUnloadNow() const { return canUnloadNow_(); }
  HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object) const {
    return getClassObject_(clsid, riid, object);
  }

 private:
  HMODULE module_ = nullptr;
  HRESULT(STDAPICALLTYPE* register_)() = nullptr;
  HRESULT(STDAPICALLTYPE* unregister_)() = nullptr;
  HRESULT(STDAPICALLTYPE* canUnloadNow_)() = nullptr;
  HRESULT(STDAPICALLTYPE* getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
};

// A single-threaded apartment for the duration of a test, as Outlook's UI thread has.
class Apartment {
 public:
  Apartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~Apartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  HRESULT Result() const { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace zormint::wine_test
