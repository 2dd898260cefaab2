// What ZORMINT.dll carries besides code: its type library, version information and resources.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/resources.h"
#include "support/wine_test.h"

namespace zormint::wine_test {
namespace {

std::wstring Take(BSTR text) {
  std::wstring result = text ? text : L"";
  SysFreeString(text);
  return result;
}

TEST(TypeLibrary, DescribesTheAddinClassAndItsInterface) {
  ComPtr<ITypeLib> library;
  ASSERT_EQ(LoadTypeLibEx(DllPath().c_str(), REGKIND_NONE, library.Out()), S_OK);

  BSTR name = nullptr;
  BSTR description = nullptr;
  ASSERT_EQ(library->GetDocumentation(-1, &name, &description, nullptr, nullptr), S_OK);
  EXPECT_EQ(Take(name), L"ZORMINT");
  EXPECT_EQ(Take(description), L"ZORMINT Picture Attachments Viewer");
  TLIBATTR* libAttr = nullptr;
  ASSERT_EQ(library->GetLibAttr(&libAttr), S_OK);
  EXPECT_EQ(libAttr->guid, LIBID_ZORMINT);
  EXPECT_EQ(libAttr->wMajorVerNum, 1);
  EXPECT_EQ(libAttr->wMinorVerNum, 0);
  EXPECT_EQ(libAttr->syskind, sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32);
  library->ReleaseTLibAttr(libAttr);

  // The class: dsrWrapper, whose default interface is the dual IDTExtensibility2.
  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(library->GetTypeInfoOfGuid(CLSID_dsrWrapper, coclass.Out()), S_OK);
  ASSERT_EQ(coclass->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(Take(name), L"dsrWrapper");
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->typekind, TKIND_COCLASS);
  EXPECT_EQ(attr->cImplTypes, 1);
  coclass->ReleaseTypeAttr(attr);
  INT flags = 0;
  ASSERT_EQ(coclass->GetImplTypeFlags(0, &flags), S_OK);
  EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
  HREFTYPE ref = 0;
  ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
  ComPtr<ITypeInfo> interfaceInfo;
  ASSERT_EQ(coclass->GetRefTypeInfo(ref, interfaceInfo.Out()), S_OK);
  ASSERT_EQ(interfaceInfo->GetTypeAttr(&attr), S_OK);
  EXPECT_EQ(attr->guid, IID_IDTExtensibility2);
  EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
  interfaceInfo->ReleaseTypeAttr(attr);

  // The published dispatch ids.
  const wchar_t* members[] = {L"OnConnection", L"OnDisconnection", L"OnAddInsUpdate",
                              L"OnStartupComplete", L"OnBeginShutdown"};
  for (MEMBERID expected = 1; expected <= 5; ++expected) {
    LPOLESTR member = const_cast<LPOLESTR>(members[expected - 1]);
    MEMBERID id = 0;
    EXPECT_EQ(interfaceInfo->GetIDsOfNames(&member, 1, &id), S_OK);
    EXPECT_EQ(id, expected) << members[expected - 1];
  }
}

TEST(TypeLibrary, RegisteredLibraryResolvesToTheDll) {
  Apartment apartment;
  ZormintDll dll;
  ASSERT_TRUE(dll.Loaded());
  ASSERT_EQ(dll.Register(), S_OK);
  MirrorClassesToMachine();

  ComPtr<ITypeLib> library;
  EXPECT_EQ(LoadRegTypeLib(LIBID_ZORMINT, 1, 0, 0, library.Out()), S_OK);
  BSTR path = nullptr;
  EXPECT_EQ(QueryPathOfRegTypeLib(LIBID_ZORMINT, 1, 0, 0, &path), S_OK);
  EXPECT_EQ(CompareStringOrdinal(Take(path).c_str(), -1, DllPath().c_str(), -1, TRUE), CSTR_EQUAL);

  RemoveMachineMirror();
  EXPECT_EQ(dll.Unregister(), S_OK);
}

TEST(VersionResource, CarriesTheSelfRegistrationMarkerAndTheVersions) {
  const std::wstring path = DllPath();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
  ASSERT_GT(size, 0u);
  std::vector<BYTE> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  wchar_t table[32];
  wsprintfW(table, L"\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
  auto text = [&](const wchar_t* key) -> std::wstring {
    wchar_t* value = nullptr;
    UINT chars = 0;
    if (!VerQueryValueW(block.data(), (std::wstring(table) + key).c_str(),
                        reinterpret_cast<void**>(&value), &chars)) {
      return L"<missing>";
    }
    return value ? std::wstring(value) : std::wstring();
  };
  EXPECT_EQ(text(L"FileVersion"), L"1.00");
  EXPECT_EQ(text(L"ProductVersion"), L"1.00");
  EXPECT_EQ(text(L"OriginalFilename"), L"ZORMINT.dll");
  EXPECT_EQ(text(L"OLESelfRegister"), L"");
}

std::string ReadSourceFile(const char* name) {
  std::ifstream file(std::string(ZORMINT_RESOURCES_DIR) + "/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(EmbeddedResources, HoldTheButtonFaceTheBannerPageAndItsImageAsTheirFiles) {
  HMODULE dll = LoadLibraryExW(DllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(dll, nullptr);
  auto bytes = [&](LPCWSTR type, int id) -> std::string {
    HRSRC found = FindResourceW(dll, MAKEINTRESOURCEW(id), type);
    if (!found) return "<missing>";
    const char* data = static_cast<const char*>(LockResource(LoadResource(dll, found)));
    return data ? std::string(data, SizeofResource(dll, found)) : "<unreadable>";
  };
  // A bitmap resource (type 2) is its file without the 14-byte file header.
  const std::string face = ReadSourceFile("button_face.bmp");
  ASSERT_GT(face.size(), 14u);
  EXPECT_EQ(bytes(MAKEINTRESOURCEW(2), resources::kButtonFaceBitmapId), face.substr(14));
  EXPECT_EQ(bytes(MAKEINTRESOURCEW(resources::kBannerPageType), resources::kBannerPageId),
            ReadSourceFile("banner.htm"));
  const std::wstring imageType(resources::kBannerImageType,
                               resources::kBannerImageType + strlen(resources::kBannerImageType));
  EXPECT_EQ(bytes(imageType.c_str(), resources::kBannerImageId), ReadSourceFile("banner.jpg"));
  EXPECT_NE(bytes(L"TYPELIB", 1), "<missing>");
  FreeLibrary(dll);
}

// The resource that an address of the browser's resource protocol names, read as the protocol
// reads it: "res://<module>/<type>/<name>", "%23" standing for "#", and "#<n>" for number n.
std::string ReadAddress(HMODULE dll, const std::string& address) {
  std::string rest = address.substr(std::string("res://").size());
  for (size_t at; (at = rest.find("%23")) != std::string::npos;)
    rest.replace(at, 3, "#");
  const size_t typeStart = rest.find('/') + 1, nameStart = rest.rfind('/') + 1;
  const std::string type = rest.substr(typeStart, nameStart - 1 - typeStart);
  const std::string name = rest.substr(nameStart);
  HRSRC found = FindResourceA(dll, name.c_str(), type.c_str());
  if (!found) return "<missing>";
  return std::string(static_cast<const char*>(LockResource(LoadResource(dll, found))),
                     SizeofResource(dll, found));
}

TEST(EmbeddedResources, TheBannerAddressesNameThePageAndItsImage) {
  HMODULE dll = LoadLibraryExW(DllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(dll, nullptr);
  const std::string page = resources::kEmbeddedBannerAddress;
  // The browser finds the library by its name, as Outlook loaded it.
  ASSERT_EQ(page.rfind("res://ZORMINT/", 0), 0u) << page;
  EXPECT_NE(DllPath().rfind(L"\\ZORMINT.dll"), std::wstring::npos);
  EXPECT_EQ(ReadAddress(dll, page), ReadSourceFile("banner.htm"));
  // The page shows its image by an address relative to its own: "../JPEG/%23103".
  const std::string image = page.substr(0, page.rfind('/', page.rfind('/') - 1)) + "/JPEG/%23" +
                            std::to_string(resources::kBannerImageId);
  EXPECT_NE(ReadSourceFile("banner.htm").find("src=\"../JPEG/%23103\""), std::string::npos);
  EXPECT_EQ(ReadAddress(dll, image), ReadSourceFile("banner.jpg"));
  FreeLibrary(dll);
}

}  // namespace
}  // namespace zormint::wine_test
