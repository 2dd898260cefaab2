// Text between the core (UTF-8) and Windows (UTF-16): every path and string that crosses into a
// wide-character Windows call or a BSTR goes through here, so that names that are not plain
// ASCII survive every step.
#pragma once

#include <oleauto.h>
#include <windows.h>

#include <string>

namespace zormint::win32 {

inline std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

inline std::string Narrow(const wchar_t* wide, size_t length) {
  if (wide == nullptr || length == 0) return std::string();
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), utf8.data(), size, nullptr,
                      nullptr);
  return utf8;
}

inline std::string Narrow(const std::wstring& wide) {
  return Narrow(wide.data(), wide.size());
}

// A BSTR may be null, which stands for the empty text.
inline std::string FromBstr(BSTR text) {
  return text ? Narrow(text, SysStringLen(text)) : std::string();
}

// A new BSTR the caller owns (SysFreeString).
inline BSTR ToBstr(const std::string& utf8) {
  const std::wstring wide = Widen(utf8);
  return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

}  // namespace zormint::win32
