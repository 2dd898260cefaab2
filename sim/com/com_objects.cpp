#include "sim/com/com_objects.h"

#include <olectl.h>

#include <cwctype>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "sim/com/com_object.h"
#include "sim/model/outlook_sim.h"
#include "win32/com/text.h"

namespace zormint::sim::com {

namespace {

const wchar_t kOutlook[] = L"Microsoft Outlook";
const wchar_t kOffice[] = L"Microsoft Office";

// Hands a new object (or nullptr) to an out parameter.
template <class T, class U>
void Hand(T** out, U* object) {
  if (!out) {
    if (object) object->Release();
    Fail(static_cast<int32_t>(E_POINTER), "No place for the result");
  }
  *out = object;
}

void HandText(BSTR* out, const std::string& text) {
  Out(out) = nullptr;
  *out = NewBstr(text);
}

// ---- Outlook ------------------------------------------------------------------------------------

class ApplicationObject final
    : public DispatchObject<ApplicationObject, _Application, &IID__Application> {
 public:
  using Proxy = host::Application;
  explicit ApplicationObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}

  HRESULT STDMETHODCALLTYPE ActiveExplorer(_Explorer** result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] { Hand(result, NewExplorer(proxy_->ActiveExplorer())); });
  }
  HRESULT STDMETHODCALLTYPE get_Explorers(_Explorers** result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] { Hand(result, NewExplorers(proxy_->Explorers())); });
  }
  HRESULT STDMETHODCALLTYPE get_Inspectors(_Inspectors** result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] { Hand(result, NewInspectors(proxy_->Inspectors())); });
  }

 private:
  std::shared_ptr<Proxy> proxy_;
};

class ExplorersObject final : public DispatchObject<ExplorersObject, _Explorers, &IID__Explorers> {
 public:
  using Proxy = host::Explorers;
  static constexpr const IID* kEvents = &DIID_ExplorersEvents;
  explicit ExplorersObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}
  std::shared_ptr<EventSource> Events() { return ExplorersEventSource(proxy_); }

  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    return Guard(kOutlook, [&] { Out(count) = proxy_->Count(); });
  }
  HRESULT STDMETHODCALLTYPE Item(VARIANT index, _Explorer** result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] { Hand(result, NewExplorer(proxy_->Item(LongArgument(index)))); });
  }

 private:
  std::shared_ptr<Proxy> proxy_;
};

class InspectorsObject final
    : public DispatchObject<InspectorsObject, _Inspectors, &IID__Inspectors> {
 public:
  using Proxy = host::Inspectors;
  static constexpr const IID* kEvents = &DIID_InspectorsEvents;
  explicit InspectorsObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}
  std::shared_ptr<EventSource> Events() { return InspectorsEventSource(proxy_); }

  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    return Guard(kOutlook, [&] { Out(count) = proxy_->Count(); });
  }
  HRESULT STDMETHODCALLTYPE Item(VARIANT index, _Inspector** result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] { Hand(result, NewInspector(proxy_->Item(LongArgument(index)))); });
  }

 private:
  std::shared_ptr<Proxy> proxy_;
};

class ExplorerObject final : public DispatchObject<ExplorerObject, _Explorer, &IID__Explorer> {
 public:
  using Proxy = host::Explorer;
  static constexpr const IID* kEvents = &DIID_ExplorerEvents_10;
  explicit ExplorerObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}
  std::shared_ptr<EventSource> Events() { return ExplorerEventSource(proxy_); }

  HRESULT STDMETHODCALLTYPE get_CommandBars(_CommandBars** result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] { Hand(result, NewCommandBars(proxy_->CommandBars())); });
  }
  HRESULT STDMETHODCALLTYPE get_CurrentFolder(MAPIFolder** result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] { Hand(result, NewFolder(proxy_->CurrentFolder())); });
  }
  HRESULT STDMETHODCALLTYPE get_Selection(Selection** result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] { Hand(result, NewSelection(proxy_->Selection())); });
  }

 private:
  std::shared_ptr<Proxy> proxy_;
};

class InspectorObject final : public DispatchObject<InspectorObject, _Inspector, &IID__Inspector> {
 public:
  using Proxy = host::Inspector;
  static constexpr const IID* kEvents = &DIID_InspectorEvents_10;
  explicit InspectorObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}
  std::shared_ptr<EventSource> Events() { return InspectorEventSource(proxy_); }

  HRESULT STDMETHODCALLTYPE get_CommandBars(_CommandBars** result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] { Hand(result, NewCommandBars(proxy_->CommandBars())); });
  }
  HRESULT STDMETHODCALLTYPE get_CurrentItem(IDispatch** result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook,
                 [&] { Hand(result, static_cast<IDispatch*>(NewItem(proxy_->CurrentItem()))); });
  }
  HRESULT STDMETHODCALLTYPE IsWordMail(VARIANT_BOOL* result) override {
    return Guard(kOutlook,
                 [&] { Out(result) = proxy_->IsWordMail() ? VARIANT_TRUE : VARIANT_FALSE; });
  }

 private:
  std::shared_ptr<Proxy> proxy_;
};

class FolderObject final : public DispatchObject<FolderObject, MAPIFolder, &IID_MAPIFolder> {
 public:
  using Proxy = host::Folder;
  explicit FolderObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}

  HRESULT STDMETHODCALLTYPE get_DefaultItemType(LONG* result) override {
    return Guard(kOutlook, [&] { Out(result) = proxy_->DefaultItemType(); });
  }

 private:
  std::shared_ptr<Proxy> proxy_;
};

class SelectionObject final : public DispatchObject<SelectionObject, Selection, &IID_Selection> {
 public:
  using Proxy = host::Selection;
  explicit SelectionObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}

  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    return Guard(kOutlook, [&] { Out(count) = proxy_->Count(); });
  }
  HRESULT STDMETHODCALLTYPE Item(VARIANT index, IDispatch** result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] {
      Hand(result, static_cast<IDispatch*>(NewItem(proxy_->Item(LongArgument(index)))));
    });
  }

 private:
  std::shared_ptr<Proxy> proxy_;
};

class ItemObject final : public DispatchObject<ItemObject, _MailItem, &IID__MailItem> {
 public:
  using Proxy = host::Item;
  static constexpr const IID* kEvents = &DIID_ItemEvents_10;
  explicit ItemObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}
  std::shared_ptr<EventSource> Events() { return ItemEventSource(proxy_); }

  HRESULT STDMETHODCALLTYPE get_Class(LONG* result) override {
    return Guard(kOutlook, [&] { Out(result) = proxy_->Class(); });
  }
  HRESULT STDMETHODCALLTYPE get_Attachments(Attachments** result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] { Hand(result, NewAttachments(proxy_->Attachments())); });
  }
  HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] { HandText(result, proxy_->EntryID()); });
  }
  HRESULT STDMETHODCALLTYPE get_Saved(VARIANT_BOOL* result) override {
    return Guard(kOutlook, [&] { Out(result) = proxy_->Saved() ? VARIANT_TRUE : VARIANT_FALSE; });
  }

 private:
  std::shared_ptr<Proxy> proxy_;
};

class AttachmentsObject final
    : public DispatchObject<AttachmentsObject, Attachments, &IID_Attachments> {
 public:
  using Proxy = host::Attachments;
  explicit AttachmentsObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}

  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    return Guard(kOutlook, [&] { Out(count) = proxy_->Count(); });
  }
  HRESULT STDMETHODCALLTYPE Item(VARIANT index, Attachment** result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] { Hand(result, NewAttachment(proxy_->Item(LongArgument(index)))); });
  }

 private:
  std::shared_ptr<Proxy> proxy_;
};

class AttachmentObject final
    : public DispatchObject<AttachmentObject, Attachment, &IID_Attachment> {
 public:
  using Proxy = host::Attachment;
  explicit AttachmentObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}

  HRESULT STDMETHODCALLTYPE get_FileName(BSTR* result) override {
    if (result) *result = nullptr;
    return Guard(kOutlook, [&] { HandText(result, proxy_->FileName()); });
  }
  HRESULT STDMETHODCALLTYPE SaveAsFile(BSTR path) override {
    return Guard(kOutlook, [&] { proxy_->SaveAsFile(Text(path)); });
  }

 private:
  std::shared_ptr<Proxy> proxy_;
};

// ---- Office command bars ------------------------------------------------------------------------

// The enumerator that _NewEnum hands out. An element of the collection that is not a command
// bar comes out as VT_EMPTY (it converts to no command bar: a type mismatch for the caller).
class BarEnumerator final : public IEnumVARIANT {
 public:
  explicit BarEnumerator(std::shared_ptr<host::CommandBarsEnum> bars) : bars_(std::move(bars)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_IEnumVARIANT) return E_NOINTERFACE;
    *object = static_cast<IEnumVARIANT*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE Next(ULONG wanted, VARIANT* values, ULONG* fetched) override {
    if (fetched) *fetched = 0;
    if (!values) return E_POINTER;
    if (wanted > 1 && !fetched) return E_INVALIDARG;
    ULONG count = 0;
    const HRESULT hr = Guard(kOffice, [&] {
      for (; count < wanted; ++count) {
        VariantInit(&values[count]);
        std::shared_ptr<host::CommandBar> bar;
        try {
          bar = bars_->Next();
        } catch (const ZError& e) {
          if (e.IsTypeMismatch()) continue;  // not a command bar: VT_EMPTY
          throw;
        }
        if (!bar) break;
        V_VT(&values[count]) = VT_DISPATCH;
        V_DISPATCH(&values[count]) = NewCommandBar(std::move(bar));
      }
    });
    if (FAILED(hr)) {
      for (ULONG i = 0; i < count; ++i)
        VariantClear(&values[i]);
      return hr;
    }
    if (fetched) *fetched = count;
    return count == wanted ? S_OK : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override {
    for (ULONG i = 0; i < count; ++i) {
      VARIANT value;
      ULONG fetched = 0;
      const HRESULT hr = Next(1, &value, &fetched);
      if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
      VariantClear(&value);
    }
    return S_OK;
  }
  // The host's enumeration runs forward only.
  HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** clone) override {
    if (clone) *clone = nullptr;
    return E_NOTIMPL;
  }

 private:
  ~BarEnumerator() = default;
  ULONG references_ = 1;
  std::shared_ptr<host::CommandBarsEnum> bars_;
};

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text)
    c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

class CommandBarsObject final
    : public DispatchObject<CommandBarsObject, _CommandBars, &IID__CommandBars> {
 public:
  using Proxy = host::CommandBars;
  explicit CommandBarsObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}

  // Count and Item walk the host's enumeration of the bars.
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
    return Guard(kOffice, [&] {
      LONG n = 0;
      Walk([&](const std::shared_ptr<host::CommandBar>&) {
        ++n;
        return false;
      });
      Out(count) = n;
    });
  }
  // By 1-based position or by name (case-insensitive, as Office matches bar names).
  HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, CommandBar** result) override {
    if (result) *result = nullptr;
    return Guard(kOffice, [&] {
      VARIANT direct;
      VariantInit(&direct);
      if (FAILED(VariantCopyInd(&direct, &index))) {
        Fail(static_cast<int32_t>(DISP_E_TYPEMISMATCH), "Type mismatch");
      }
      std::shared_ptr<host::CommandBar> found;
      if (V_VT(&direct) == VT_BSTR) {
        const std::wstring name = Lower(V_BSTR(&direct) ? V_BSTR(&direct) : L"");
        VariantClear(&direct);
        Walk([&](const std::shared_ptr<host::CommandBar>& bar) {
          if (bar && Lower(win32::Widen(bar->Name())) == name) found = bar;
          return found != nullptr;
        });
      } else {
        VariantClear(&direct);
        const int32_t wanted = LongArgument(index);
        int32_t position = 0;
        Walk([&](const std::shared_ptr<host::CommandBar>& bar) {
          if (++position == wanted) found = bar;
          return position >= wanted;
        });
      }
      if (!found) Fail(err::kInvalidCall, "Invalid procedure call or argument");
      Hand(result, NewCommandBar(std::move(found)));
    });
  }
  HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** result) override {
    if (result) *result = nullptr;
    return Guard(kOffice, [&] {
      std::shared_ptr<host::CommandBarsEnum> bars = proxy_->Enumerate();
      Hand(result, static_cast<IUnknown*>(new BarEnumerator(std::move(bars))));
    });
  }

 private:
  // Calls `visit` on each element (nullptr for one that is not a bar) until it returns true.
  template <class Visit>
  void Walk(Visit visit) {
    std::shared_ptr<host::CommandBarsEnum> bars = proxy_->Enumerate();
    for (;;) {
      std::shared_ptr<host::CommandBar> bar;
      try {
        bar = bars->Next();
        if (!bar) return;
      } catch (const ZError& e) {
        if (!e.IsTypeMismatch()) throw;
      }
      if (visit(bar)) return;
    }
  }
  std::shared_ptr<Proxy> proxy_;
};

class CommandBarObject final
    : public DispatchObject<CommandBarObject, CommandBar, &IID_CommandBar> {
 public:
  using Proxy = host::CommandBar;
  explicit CommandBarObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}

  HRESULT STDMETHODCALLTYPE get_Controls(CommandBarControls** result) override {
    if (result) *result = nullptr;
    return Guard(kOffice, [&] { Hand(result, NewControls(proxy_->Controls())); });
  }
  HRESULT STDMETHODCALLTYPE get_Name(BSTR* result) override {
    if (result) *result = nullptr;
    return Guard(kOffice, [&] { HandText(result, proxy_->Name()); });
  }

 private:
  std::shared_ptr<Proxy> proxy_;
};

class ControlsObject final
    : public DispatchObject<ControlsObject, CommandBarControls, &IID_CommandBarControls> {
 public:
  using Proxy = host::CommandBarControls;
  explicit ControlsObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}

  // Add(Type, Id, Parameter, Before, Temporary), every argument optional.
  HRESULT STDMETHODCALLTYPE Add(VARIANT type, VARIANT id, VARIANT parameter, VARIANT before,
                                VARIANT temporary, CommandBarControl** result) override {
    if (result) *result = nullptr;
    return Guard(kOffice, [&] {
      host::ControlAddArgs args;
      args.type = OptionalLong(type);
      args.id = OptionalLong(id);
      args.parameter = OptionalText(parameter);
      args.before = OptionalLong(before);
      args.temporary = OptionalBool(temporary);
      Hand(result, static_cast<CommandBarControl*>(NewButton(proxy_->Add(args))));
    });
  }

 private:
  std::shared_ptr<Proxy> proxy_;
};

// A bitmap face with a copy of its pixels; without the pixels when they cannot be read.
std::shared_ptr<host::Picture> FaceOfBitmap(HBITMAP handle, const BITMAP& bitmap) {
  std::vector<uint32_t> pixels;
  if (bitmap.bmWidth > 0 && bitmap.bmHeight > 0 && bitmap.bmWidth <= 1024 &&
      bitmap.bmHeight <= 1024) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = bitmap.bmWidth;
    info.bmiHeader.biHeight = -bitmap.bmHeight;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    pixels.resize(static_cast<size_t>(bitmap.bmWidth) * static_cast<size_t>(bitmap.bmHeight));
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, handle, 0, static_cast<UINT>(bitmap.bmHeight), pixels.data(),
                               &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != bitmap.bmHeight) pixels.clear();
    for (uint32_t& pixel : pixels)
      pixel &= 0x00FFFFFFu;
  }
  return std::make_shared<BitmapFace>(bitmap.bmWidth, bitmap.bmHeight, bitmap.bmBitsPixel,
                                      std::move(pixels));
}

// The face of a picture handed to a button: the bitmap's own size and depth when the picture
// holds a bitmap, else its size in pixels at 96 dots per inch.
std::shared_ptr<host::Picture> PictureFace(IPictureDisp* picture) {
  if (!picture) return nullptr;
  Ref<IPicture> pic;
  if (SUCCEEDED(picture->QueryInterface(IID_IPicture, pic.OutVoid())) && pic) {
    SHORT type = PICTYPE_NONE;
    OLE_HANDLE handle = 0;
    BITMAP bitmap = {};
    if (SUCCEEDED(pic->get_Type(&type)) && type == PICTYPE_BITMAP &&
        SUCCEEDED(pic->get_Handle(&handle)) &&
        GetObjectW(reinterpret_cast<HBITMAP>(static_cast<ULONG_PTR>(handle)), sizeof bitmap,
                   &bitmap) == sizeof bitmap) {
      return FaceOfBitmap(reinterpret_cast<HBITMAP>(static_cast<ULONG_PTR>(handle)), bitmap);
    }
    OLE_XSIZE_HIMETRIC width = 0;
    OLE_YSIZE_HIMETRIC height = 0;
    if (SUCCEEDED(pic->get_Width(&width)) && SUCCEEDED(pic->get_Height(&height))) {
      return std::make_shared<SimPicture>(MulDiv(width, 96, 2540), MulDiv(height, 96, 2540), 0);
    }
  }
  // A picture known only through IDispatch: its Width and Height properties (HIMETRIC).
  auto property = [&](DISPID id) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT value;
    VariantInit(&value);
    if (FAILED(picture->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                               &value, nullptr, nullptr))) {
      Fail(static_cast<int32_t>(DISP_E_TYPEMISMATCH), "Not a picture");
    }
    const int32_t himetric = LongArgument(value);
    VariantClear(&value);
    return MulDiv(himetric, 96, 2540);
  };
  const int32_t width = property(DISPID_PICT_WIDTH);
  const int32_t height = property(DISPID_PICT_HEIGHT);
  return std::make_shared<SimPicture>(width, height, 0);
}

class ButtonObject final
    : public DispatchObject<ButtonObject, _CommandBarButton, &IID__CommandBarButton> {
 public:
  using Proxy = host::CommandBarButton;
  static constexpr const IID* kEvents = &DIID__CommandBarButtonEvents;
  explicit ButtonObject(std::shared_ptr<Proxy> proxy) : proxy_(std::move(proxy)) {}
  std::shared_ptr<EventSource> Events() { return ButtonEventSource(proxy_); }
  bool IsBaseInterface(REFIID riid) const { return riid == IID_CommandBarControl; }

  HRESULT STDMETHODCALLTYPE put_BeginGroup(VARIANT_BOOL value) override {
    return Guard(kOffice, [&] { proxy_->SetBeginGroup(value != VARIANT_FALSE); });
  }
  HRESULT STDMETHODCALLTYPE put_Caption(BSTR value) override {
    return Guard(kOffice, [&] { proxy_->SetCaption(Text(value)); });
  }
  HRESULT STDMETHODCALLTYPE Delete(VARIANT temporary) override {
    return Guard(kOffice, [&] { proxy_->Delete(OptionalBool(temporary)); });
  }
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) override {
    return Guard(kOffice, [&] { proxy_->SetEnabled(value != VARIANT_FALSE); });
  }
  HRESULT STDMETHODCALLTYPE put_OnAction(BSTR value) override {
    return Guard(kOffice, [&] { proxy_->SetOnAction(Text(value)); });
  }
  HRESULT STDMETHODCALLTYPE put_Tag(BSTR value) override {
    return Guard(kOffice, [&] { proxy_->SetTag(Text(value)); });
  }
  HRESULT STDMETHODCALLTYPE put_TooltipText(BSTR value) override {
    return Guard(kOffice, [&] { proxy_->SetTooltipText(Text(value)); });
  }
  HRESULT STDMETHODCALLTYPE put_Style(LONG value) override {
    return Guard(kOffice, [&] { proxy_->SetStyle(value); });
  }
  HRESULT STDMETHODCALLTYPE put_Picture(IPictureDisp* picture) override {
    return Guard(kOffice, [&] { proxy_->SetPicture(PictureFace(picture)); });
  }
  HRESULT STDMETHODCALLTYPE putref_Picture(IPictureDisp* picture) override {
    return put_Picture(picture);
  }

 private:
  std::shared_ptr<Proxy> proxy_;
};

template <class Object>
auto Make(std::shared_ptr<typename Object::Proxy> proxy) -> Object* {
  if (!proxy) return nullptr;
  return new Object(std::move(proxy));
}

}  // namespace

_Application* NewApplication(std::shared_ptr<host::Application> p) {
  return Make<ApplicationObject>(std::move(p));
}
_Explorers* NewExplorers(std::shared_ptr<host::Explorers> p) {
  return Make<ExplorersObject>(std::move(p));
}
_Inspectors* NewInspectors(std::shared_ptr<host::Inspectors> p) {
  return Make<InspectorsObject>(std::move(p));
}
_Explorer* NewExplorer(std::shared_ptr<host::Explorer> p) {
  return Make<ExplorerObject>(std::move(p));
}
_Inspector* NewInspector(std::shared_ptr<host::Inspector> p) {
  return Make<InspectorObject>(std::move(p));
}
MAPIFolder* NewFolder(std::shared_ptr<host::Folder> p) {
  return Make<FolderObject>(std::move(p));
}
Selection* NewSelection(std::shared_ptr<host::Selection> p) {
  return Make<SelectionObject>(std::move(p));
}
_MailItem* NewItem(std::shared_ptr<host::Item> p) {
  return Make<ItemObject>(std::move(p));
}
Attachments* NewAttachments(std::shared_ptr<host::Attachments> p) {
  return Make<AttachmentsObject>(std::move(p));
}
Attachment* NewAttachment(std::shared_ptr<host::Attachment> p) {
  return Make<AttachmentObject>(std::move(p));
}
_CommandBars* NewCommandBars(std::shared_ptr<host::CommandBars> p) {
  return Make<CommandBarsObject>(std::move(p));
}
CommandBar* NewCommandBar(std::shared_ptr<host::CommandBar> p) {
  return Make<CommandBarObject>(std::move(p));
}
CommandBarControls* NewControls(std::shared_ptr<host::CommandBarControls> p) {
  return Make<ControlsObject>(std::move(p));
}
_CommandBarButton* NewButton(std::shared_ptr<host::CommandBarButton> p) {
  return Make<ButtonObject>(std::move(p));
}

IDispatch* NewApplicationObject(std::shared_ptr<host::Application> application) {
  return NewApplication(std::move(application));
}

}  // namespace zormint::sim::com
