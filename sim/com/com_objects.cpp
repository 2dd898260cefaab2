// Defines the GUIDs of outlook_sim_idl.h (once, here).
#include <initguid.h>

#include "sim/com/com_objects.h"

#include <olectl.h>

#include <cwctype>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/com/com_face.h"
#include "sim/com/com_object.h"
#include "sim/model/outlook_sim.h"
#include "win32/com/text.h"
#include "win32/com/variant.h"

namespace zormint::sim::com {

namespace {

using win32::Bstr;
using win32::FromBstr;
using win32::Variant;

// The readings of the optional arguments of a member `what`.
std::optional<int32_t> OptionalInt(const VARIANT& value, const char* what) {
  if (win32::Omitted(value)) return std::nullopt;
  return win32::ToInt32(value, what);
}
std::optional<bool> OptionalBool(const VARIANT& value, const char* what) {
  if (win32::Omitted(value)) return std::nullopt;
  return win32::ToBool(value, what);
}
std::optional<std::string> OptionalText(const VARIANT& value, const char* what) {
  if (win32::Omitted(value)) return std::nullopt;
  return win32::ToUtf8(value, what);
}

// ---- Outlook ------------------------------------------------------------------------------------

class ApplicationObject final
    : public SimObject<ApplicationObject, _Application, &IID__Application, host::Application> {
 public:
  using SimObject::SimObject;

  HRESULT STDMETHODCALLTYPE ActiveExplorer(_Explorer** result) noexcept override {
    return HandOut(kOutlook, result, [&] { return NewExplorer(proxy_->ActiveExplorer()); });
  }
  HRESULT STDMETHODCALLTYPE get_Explorers(_Explorers** result) noexcept override {
    return HandOut(kOutlook, result, [&] { return NewExplorers(proxy_->Explorers()); });
  }
  HRESULT STDMETHODCALLTYPE get_Inspectors(_Inspectors** result) noexcept override {
    return HandOut(kOutlook, result, [&] { return NewInspectors(proxy_->Inspectors()); });
  }
  HRESULT STDMETHODCALLTYPE get_Version(BSTR* result) noexcept override {
    return HandOut(kOutlook, result, [&] { return Bstr(proxy_->Version()); });
  }
};

// A collection of Outlook's over `Base` (a SimObject or EventObject): Count, and Item by 1-based
// position, as the object that `New` makes. `kItem` names Item in errors.
template <class Base, class Element, auto New, const char* kItem>
class CollectionObject : public Base {
 public:
  using Base::Base;
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) noexcept override {
    return AutomationMember(kOutlook, [&] { Out(count) = this->proxy_->Count(); });
  }
  HRESULT STDMETHODCALLTYPE Item(VARIANT index, Element** result) noexcept override {
    return HandOut(kOutlook, result,
                   [&] { return New(this->proxy_->Item(win32::ToInt32(index, kItem))); });
  }
};

constexpr char kExplorersItem[] = "Explorers.Item";
constexpr char kInspectorsItem[] = "Inspectors.Item";
constexpr char kSelectionItem[] = "Selection.Item";
constexpr char kAttachmentsItem[] = "Attachments.Item";
constexpr char kAttachmentSelectionItem[] = "AttachmentSelection.Item";

class ExplorersObject final
    : public CollectionObject<EventObject<ExplorersObject, _Explorers, &IID__Explorers,
                                          host::Explorers, &DIID_ExplorersEvents>,
                              _Explorer, NewExplorer, kExplorersItem> {
 public:
  using CollectionObject::CollectionObject;
};

class InspectorsObject final
    : public CollectionObject<EventObject<InspectorsObject, _Inspectors, &IID__Inspectors,
                                          host::Inspectors, &DIID_InspectorsEvents>,
                              _Inspector, NewInspector, kInspectorsItem> {
 public:
  using CollectionObject::CollectionObject;
};

// IOleWindow of an Explorer or Inspector, as Outlook's own answer it: the window on the screen
// that the model holds for it; none (and success) in a story without windows.
template <class Outer>
class OleWindowPart final : public win32::ComPart<Outer, IOleWindow> {
 public:
  using win32::ComPart<Outer, IOleWindow>::ComPart;
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) noexcept override {
    if (!window) return E_POINTER;
    *window = nullptr;
    host::WindowHandle handle = 0;
    const HRESULT hr = AutomationMember(kOutlook, [&] { handle = this->Owner().Window(); });
    if (FAILED(hr)) return hr;
    *window = reinterpret_cast<HWND>(handle);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) noexcept override { return E_NOTIMPL; }
};

// What Outlook's Explorer and Inspector objects have alike: their class, their command bars and
// the window on the screen (IOleWindow).
template <class Derived, class Dual, const IID* DualIid, class Proxy, const IID* Events>
class WindowObject : public EventObject<Derived, Dual, DualIid, Proxy, Events> {
 public:
  using EventObject<Derived, Dual, DualIid, Proxy, Events>::EventObject;
  void* QueryMore(REFIID riid) noexcept {
    return IsEqualIID(riid, IID_IOleWindow) ? static_cast<IOleWindow*>(&window_) : nullptr;
  }
  host::WindowHandle Window() { return this->proxy_->Window(); }

  HRESULT STDMETHODCALLTYPE get_Class(LONG* result) noexcept override {
    return AutomationMember(kOutlook, [&] { Out(result) = this->proxy_->Class(); });
  }
  HRESULT STDMETHODCALLTYPE get_CommandBars(_CommandBars** result) noexcept override {
    return HandOut(kOutlook, result, [&] { return NewCommandBars(this->proxy_->CommandBars()); });
  }

 private:
  OleWindowPart<Derived> window_{static_cast<Derived&>(*this)};
};

class ExplorerObject final : public WindowObject<ExplorerObject, _Explorer, &IID__Explorer,
                                                 host::Explorer, &DIID_ExplorerEvents_10> {
 public:
  using WindowObject::WindowObject;

  HRESULT STDMETHODCALLTYPE get_CurrentFolder(MAPIFolder** result) noexcept override {
    return HandOut(kOutlook, result, [&] { return NewFolder(proxy_->CurrentFolder()); });
  }
  HRESULT STDMETHODCALLTYPE get_Selection(Selection** result) noexcept override {
    return HandOut(kOutlook, result, [&] { return NewSelection(proxy_->Selection()); });
  }
};

class InspectorObject final : public WindowObject<InspectorObject, _Inspector, &IID__Inspector,
                                                  host::Inspector, &DIID_InspectorEvents_10> {
 public:
  using WindowObject::WindowObject;

  HRESULT STDMETHODCALLTYPE get_CurrentItem(IDispatch** result) noexcept override {
    return HandOut(kOutlook, result, [&] { return NewItem(proxy_->CurrentItem()); });
  }
  HRESULT STDMETHODCALLTYPE IsWordMail(VARIANT_BOOL* result) noexcept override {
    return AutomationMember(
        kOutlook, [&] { Out(result) = proxy_->IsWordMail() ? VARIANT_TRUE : VARIANT_FALSE; });
  }
};

class FolderObject final
    : public SimObject<FolderObject, MAPIFolder, &IID_MAPIFolder, host::Folder> {
 public:
  using SimObject::SimObject;

  HRESULT STDMETHODCALLTYPE get_DefaultItemType(LONG* result) noexcept override {
    return AutomationMember(kOutlook, [&] { Out(result) = proxy_->DefaultItemType(); });
  }
};

class SelectionObject final
    : public CollectionObject<
          SimObject<SelectionObject, Selection, &IID_Selection, host::Selection>, IDispatch,
          NewItem, kSelectionItem> {
 public:
  using CollectionObject::CollectionObject;
};

class ItemObject final
    : public EventObject<ItemObject, _MailItem, &IID__MailItem, host::Item, &DIID_ItemEvents_10> {
 public:
  using EventObject::EventObject;

  HRESULT STDMETHODCALLTYPE get_Class(LONG* result) noexcept override {
    return AutomationMember(kOutlook, [&] { Out(result) = proxy_->Class(); });
  }
  HRESULT STDMETHODCALLTYPE get_Attachments(Attachments** result) noexcept override {
    return HandOut(kOutlook, result, [&] { return NewAttachments(proxy_->Attachments()); });
  }
  HRESULT STDMETHODCALLTYPE get_EntryID(BSTR* result) noexcept override {
    return HandOut(kOutlook, result, [&] { return Bstr(proxy_->EntryID()); });
  }
  HRESULT STDMETHODCALLTYPE get_Saved(VARIANT_BOOL* result) noexcept override {
    return AutomationMember(kOutlook,
                            [&] { Out(result) = proxy_->Saved() ? VARIANT_TRUE : VARIANT_FALSE; });
  }
};

class AttachmentsObject final
    : public CollectionObject<
          SimObject<AttachmentsObject, Attachments, &IID_Attachments, host::Attachments>,
          Attachment, NewAttachment, kAttachmentsItem> {
 public:
  using CollectionObject::CollectionObject;
};

class AttachmentObject final
    : public SimObject<AttachmentObject, Attachment, &IID_Attachment, host::Attachment> {
 public:
  using SimObject::SimObject;

  HRESULT STDMETHODCALLTYPE get_FileName(BSTR* result) noexcept override {
    return HandOut(kOutlook, result, [&] { return Bstr(proxy_->FileName()); });
  }
  HRESULT STDMETHODCALLTYPE get_Type(LONG* result) noexcept override {
    return AutomationMember(kOutlook, [&] { Out(result) = proxy_->Type(); });
  }
  HRESULT STDMETHODCALLTYPE SaveAsFile(BSTR path) noexcept override {
    return AutomationMember(kOutlook, [&] { proxy_->SaveAsFile(FromBstr(path)); });
  }
  HRESULT STDMETHODCALLTYPE get_Parent(IDispatch** result) noexcept override {
    return HandOut(kOutlook, result, [&] { return NewItem(proxy_->Parent()); });
  }
  HRESULT STDMETHODCALLTYPE get_PropertyAccessor(_PropertyAccessor** result) noexcept override {
    return HandOut(kOutlook, result,
                   [&] { return NewPropertyAccessor(proxy_->PropertyAccessor()); });
  }
};

class PropertyAccessorObject final
    : public SimObject<PropertyAccessorObject, _PropertyAccessor, &IID__PropertyAccessor,
                       host::PropertyAccessor> {
 public:
  using SimObject::SimObject;

  // Text as VT_BSTR, a flag as VT_BOOL, a number as VT_I4, as Outlook hands MAPI values out.
  HRESULT STDMETHODCALLTYPE GetProperty(BSTR schemaName, VARIANT* value) noexcept override {
    if (!value) return E_POINTER;
    VariantInit(value);
    return AutomationMember(kOutlook, [&] {
      const host::PropertyValue read = proxy_->GetProperty(FromBstr(schemaName));
      Variant result;
      if (const auto* text = std::get_if<std::string>(&read)) {
        result = Variant::Text(*text);
      } else if (const auto* flag = std::get_if<bool>(&read)) {
        result = Variant::Bool(*flag);
      } else if (const auto* number = std::get_if<int32_t>(&read)) {
        result = Variant::Int(*number);
      }
      *value = result.Detach();
    });
  }
};

class AttachmentSelectionObject final
    : public CollectionObject<SimObject<AttachmentSelectionObject, _AttachmentSelection,
                                        &IID__AttachmentSelection, host::AttachmentSelection>,
                              Attachment, NewAttachment, kAttachmentSelectionItem> {
 public:
  using CollectionObject::CollectionObject;

  HRESULT STDMETHODCALLTYPE get_Class(LONG* result) noexcept override {
    return AutomationMember(kOutlook, [&] { Out(result) = proxy_->Class(); });
  }
};

// The add-in's description the loader hands to OnConnection.
struct AddInDescription {
  std::wstring progId, description;
};

class AddInInstanceObject final
    : public SimObject<AddInInstanceObject, _AddInInstance, &IID__AddInInstance, AddInDescription> {
 public:
  using SimObject::SimObject;

  HRESULT STDMETHODCALLTYPE get_Description(BSTR* result) noexcept override {
    return HandOut(kOutlook, result, [&] { return Bstr(proxy_->description.c_str()); });
  }
  HRESULT STDMETHODCALLTYPE get_ProgId(BSTR* result) noexcept override {
    return HandOut(kOutlook, result, [&] { return Bstr(proxy_->progId.c_str()); });
  }
  HRESULT STDMETHODCALLTYPE get_Connect(VARIANT_BOOL* result) noexcept override {
    return AutomationMember(kOutlook, [&] { Out(result) = VARIANT_TRUE; });
  }
};

// ---- Office command bars ------------------------------------------------------------------------

// The enumerator that _NewEnum hands out. An element of the collection that is not a command
// bar comes out as VT_EMPTY (it converts to no command bar: a type mismatch for the caller).
class BarEnumerator final : public win32::ComObject<BarEnumerator, IEnumVARIANT> {
 public:
  explicit BarEnumerator(std::shared_ptr<host::CommandBarsEnum> bars) : bars_(std::move(bars)) {}

  HRESULT STDMETHODCALLTYPE Next(ULONG wanted, VARIANT* values, ULONG* fetched) noexcept override {
    if (fetched) *fetched = 0;
    if (!values) return E_POINTER;
    if (wanted > 1 && !fetched) return E_INVALIDARG;
    ULONG count = 0;
    const HRESULT hr = AutomationMember(kOffice, [&] {
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
        values[count] = Variant::Object(NewCommandBar(std::move(bar)).Get()).Detach();
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
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) noexcept override {
    for (ULONG i = 0; i < count; ++i) {
      Variant value;
      ULONG fetched = 0;
      const HRESULT hr = Next(1, value.Out(), &fetched);
      if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
    }
    return S_OK;
  }
  // The host's enumeration runs forward only.
  HRESULT STDMETHODCALLTYPE Reset() noexcept override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** clone) noexcept override {
    if (clone) *clone = nullptr;
    return E_NOTIMPL;
  }

 private:
  std::shared_ptr<host::CommandBarsEnum> bars_;
};

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text)
    c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

class CommandBarsObject final
    : public SimObject<CommandBarsObject, _CommandBars, &IID__CommandBars, host::CommandBars> {
 public:
  using SimObject::SimObject;

  // Count and Item walk the host's enumeration of the bars.
  HRESULT STDMETHODCALLTYPE get_Count(LONG* count) noexcept override {
    return AutomationMember(kOffice, [&] {
      LONG n = 0;
      Walk([&](const std::shared_ptr<host::CommandBar>&) {
        ++n;
        return false;
      });
      Out(count) = n;
    });
  }
  // By 1-based position or by name (case-insensitive, as Office matches bar names).
  HRESULT STDMETHODCALLTYPE get_Item(VARIANT index, CommandBar** result) noexcept override {
    return HandOut(kOffice, result, [&] {
      Variant direct;
      if (FAILED(VariantCopyInd(direct.Ptr(), &index))) {
        Fail(static_cast<int32_t>(DISP_E_TYPEMISMATCH), "Type mismatch");
      }
      std::shared_ptr<host::CommandBar> found;
      if (direct.Type() == VT_BSTR) {
        const std::wstring name = Lower(V_BSTR(direct.Ptr()) ? V_BSTR(direct.Ptr()) : L"");
        Walk([&](const std::shared_ptr<host::CommandBar>& bar) {
          if (bar && Lower(win32::Widen(bar->Name())) == name) found = bar;
          return found != nullptr;
        });
      } else {
        const int32_t wanted = win32::ToInt32(direct.Get(), "CommandBars.Item");
        int32_t position = 0;
        Walk([&](const std::shared_ptr<host::CommandBar>& bar) {
          if (++position == wanted) found = bar;
          return position >= wanted;
        });
      }
      if (!found) Fail(err::kInvalidCall, "Invalid procedure call or argument");
      return NewCommandBar(std::move(found));
    });
  }
  HRESULT STDMETHODCALLTYPE get__NewEnum(IUnknown** result) noexcept override {
    return HandOut(kOffice, result, [&] { return BarEnumerator::Make(proxy_->Enumerate()); });
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
};

class CommandBarObject final
    : public SimObject<CommandBarObject, CommandBar, &IID_CommandBar, host::CommandBar> {
 public:
  using SimObject::SimObject;

  HRESULT STDMETHODCALLTYPE get_Controls(CommandBarControls** result) noexcept override {
    return HandOut(kOffice, result, [&] { return NewControls(proxy_->Controls()); });
  }
  HRESULT STDMETHODCALLTYPE get_Name(BSTR* result) noexcept override {
    return HandOut(kOffice, result, [&] { return Bstr(proxy_->Name()); });
  }
};

class ControlsObject final : public SimObject<ControlsObject, CommandBarControls,
                                              &IID_CommandBarControls, host::CommandBarControls> {
 public:
  using SimObject::SimObject;

  // Add(Type, Id, Parameter, Before, Temporary), every argument optional.
  HRESULT STDMETHODCALLTYPE Add(VARIANT type, VARIANT id, VARIANT parameter, VARIANT before,
                                VARIANT temporary, CommandBarControl** result) noexcept override {
    return HandOut(kOffice, result, [&] {
      host::ControlAddArgs args;
      args.type = OptionalInt(type, "CommandBarControls.Add");
      args.id = OptionalInt(id, "CommandBarControls.Add");
      args.parameter = OptionalText(parameter, "CommandBarControls.Add");
      args.before = OptionalInt(before, "CommandBarControls.Add");
      args.temporary = OptionalBool(temporary, "CommandBarControls.Add");
      return NewButton(proxy_->Add(args));
    });
  }
};

// A bitmap face with a copy of its pixels; without the pixels when they cannot be read.
std::shared_ptr<host::Picture> FaceOfBitmap(HBITMAP handle, const BITMAP& bitmap) {
  std::vector<uint32_t> pixels;
  if (bitmap.bmWidth > 0 && bitmap.bmHeight > 0 && bitmap.bmWidth <= 1024 &&
      bitmap.bmHeight <= 1024) {
    BITMAPINFO info = TopDownPixels(bitmap.bmWidth, bitmap.bmHeight);
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
  ComRef<IPicture> pic = ComRef<IPictureDisp>::Share(picture).Query<IPicture>();
  if (pic) {
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
    Variant value;
    if (FAILED(picture->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                               value.Out(), nullptr, nullptr))) {
      Fail(static_cast<int32_t>(DISP_E_TYPEMISMATCH), "Not a picture");
    }
    return MulDiv(win32::ToInt32(value.Get(), "Picture"), 96, 2540);
  };
  const int32_t width = property(DISPID_PICT_WIDTH);
  const int32_t height = property(DISPID_PICT_HEIGHT);
  return std::make_shared<SimPicture>(width, height, 0);
}

class ButtonObject final
    : public EventObject<ButtonObject, _CommandBarButton, &IID__CommandBarButton,
                         host::CommandBarButton, &DIID__CommandBarButtonEvents> {
 public:
  using EventObject::EventObject;
  // A button is a command-bar control too.
  void* QueryMore(REFIID riid) noexcept {
    return IsEqualIID(riid, IID_CommandBarControl) ? static_cast<_CommandBarButton*>(this)
                                                   : nullptr;
  }

  HRESULT STDMETHODCALLTYPE put_BeginGroup(VARIANT_BOOL value) noexcept override {
    return AutomationMember(kOffice, [&] { proxy_->SetBeginGroup(value != VARIANT_FALSE); });
  }
  HRESULT STDMETHODCALLTYPE put_Caption(BSTR value) noexcept override {
    return AutomationMember(kOffice, [&] { proxy_->SetCaption(FromBstr(value)); });
  }
  HRESULT STDMETHODCALLTYPE Delete(VARIANT temporary) noexcept override {
    return AutomationMember(
        kOffice, [&] { proxy_->Delete(OptionalBool(temporary, "CommandBarButton.Delete")); });
  }
  HRESULT STDMETHODCALLTYPE put_Enabled(VARIANT_BOOL value) noexcept override {
    return AutomationMember(kOffice, [&] { proxy_->SetEnabled(value != VARIANT_FALSE); });
  }
  HRESULT STDMETHODCALLTYPE put_OnAction(BSTR value) noexcept override {
    return AutomationMember(kOffice, [&] { proxy_->SetOnAction(FromBstr(value)); });
  }
  HRESULT STDMETHODCALLTYPE put_Tag(BSTR value) noexcept override {
    return AutomationMember(kOffice, [&] { proxy_->SetTag(FromBstr(value)); });
  }
  HRESULT STDMETHODCALLTYPE put_TooltipText(BSTR value) noexcept override {
    return AutomationMember(kOffice, [&] { proxy_->SetTooltipText(FromBstr(value)); });
  }
  HRESULT STDMETHODCALLTYPE put_Style(LONG value) noexcept override {
    return AutomationMember(kOffice, [&] { proxy_->SetStyle(value); });
  }
  HRESULT STDMETHODCALLTYPE put_Picture(IPictureDisp* picture) noexcept override {
    return AutomationMember(kOffice, [&] { proxy_->SetPicture(PictureFace(picture)); });
  }
  HRESULT STDMETHODCALLTYPE putref_Picture(IPictureDisp* picture) noexcept override {
    return put_Picture(picture);
  }
};

// A new object over `proxy`, as its primary interface; none for no proxy.
template <class Object, class Interface, class Proxy>
ComRef<Interface> Make(std::shared_ptr<Proxy> proxy) {
  if (!proxy) return nullptr;
  return ComRef<Interface>::Adopt(Object::Make(std::move(proxy)).Detach());
}

}  // namespace

ComRef<_Application> NewApplication(std::shared_ptr<host::Application> p) {
  return Make<ApplicationObject, _Application>(std::move(p));
}
ComRef<_Explorers> NewExplorers(std::shared_ptr<host::Explorers> p) {
  return Make<ExplorersObject, _Explorers>(std::move(p));
}
ComRef<_Inspectors> NewInspectors(std::shared_ptr<host::Inspectors> p) {
  return Make<InspectorsObject, _Inspectors>(std::move(p));
}
ComRef<_Explorer> NewExplorer(std::shared_ptr<host::Explorer> p) {
  return Make<ExplorerObject, _Explorer>(std::move(p));
}
ComRef<_Inspector> NewInspector(std::shared_ptr<host::Inspector> p) {
  return Make<InspectorObject, _Inspector>(std::move(p));
}
ComRef<MAPIFolder> NewFolder(std::shared_ptr<host::Folder> p) {
  return Make<FolderObject, MAPIFolder>(std::move(p));
}
ComRef<Selection> NewSelection(std::shared_ptr<host::Selection> p) {
  return Make<SelectionObject, Selection>(std::move(p));
}
ComRef<_MailItem> NewItem(std::shared_ptr<host::Item> p) {
  return Make<ItemObject, _MailItem>(std::move(p));
}
ComRef<Attachments> NewAttachments(std::shared_ptr<host::Attachments> p) {
  return Make<AttachmentsObject, Attachments>(std::move(p));
}
ComRef<Attachment> NewAttachment(std::shared_ptr<host::Attachment> p) {
  return Make<AttachmentObject, Attachment>(std::move(p));
}
ComRef<_PropertyAccessor> NewPropertyAccessor(std::shared_ptr<host::PropertyAccessor> p) {
  return Make<PropertyAccessorObject, _PropertyAccessor>(std::move(p));
}
ComRef<_AttachmentSelection> NewAttachmentSelection(std::shared_ptr<host::AttachmentSelection> p) {
  return Make<AttachmentSelectionObject, _AttachmentSelection>(std::move(p));
}
ComRef<_CommandBars> NewCommandBars(std::shared_ptr<host::CommandBars> p) {
  return Make<CommandBarsObject, _CommandBars>(std::move(p));
}
ComRef<CommandBar> NewCommandBar(std::shared_ptr<host::CommandBar> p) {
  return Make<CommandBarObject, CommandBar>(std::move(p));
}
ComRef<CommandBarControls> NewControls(std::shared_ptr<host::CommandBarControls> p) {
  return Make<ControlsObject, CommandBarControls>(std::move(p));
}
ComRef<_CommandBarButton> NewButton(std::shared_ptr<host::CommandBarButton> p) {
  return Make<ButtonObject, _CommandBarButton>(std::move(p));
}

ComRef<IDispatch> NewApplicationObject(std::shared_ptr<host::Application> application) {
  return Make<ApplicationObject, IDispatch>(std::move(application));
}

ComRef<IDispatch> NewAddInInstance(const std::wstring& progId, const std::wstring& description) {
  return Make<AddInInstanceObject, IDispatch>(
      std::make_shared<AddInDescription>(AddInDescription{progId, description}));
}

}  // namespace zormint::sim::com
