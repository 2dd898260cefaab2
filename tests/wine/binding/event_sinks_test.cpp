// Events from Outlook's connection points to the add-in's host:: sinks, as only a hand-made host
// can send them: Cancel flags in every form a caller may pass them, events and arguments the
// simulated Outlook never sends, the sink object's own COM manners, a host that adds no
// reference during a call, and refused Advise and Unadvise calls. The events of the simulated
// Outlook reaching their handlers are in tests/wine/outlook/face_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/fake_com.h"
#include "common/error.h"
#include "win32/outlook/adapters.h"
#include "win32/outlook/event_sinks.h"

namespace zormint::wine_test {
namespace {

namespace ev = win32::events;
using Log = std::vector<std::string>;

struct ExplorerRecorder : host::ExplorerEvents, host::ExplorersEvents {
  Log log;
  void Deactivate() override { log.push_back("Deactivate"); }
  void NewExplorer(std::shared_ptr<host::Explorer> explorer) override {
    log.push_back(explorer ? "NewExplorer" : "NewExplorer:none");
  }
};

// Notes what Cancel was on the way in and leaves it as `answer` says.
struct ItemRecorder : host::ItemEvents {
  Log log;
  bool answer = true;
  void Note(const char* what, bool& cancel) {
    log.push_back(std::string(what) + (cancel ? ":true" : ":false"));
    cancel = answer;
  }
  void Read() override { log.push_back("Read"); }
  void Write(bool& cancel) override { Note("Write", cancel); }
  void Open(bool& cancel) override { Note("Open", cancel); }
  void Close(bool& cancel) override { Note("Close", cancel); }
};

// A VARIANT_BOOL passed by reference, as Outlook passes Cancel.
VARIANT ByRef(VARIANT_BOOL& flag) {
  VARIANT v;
  V_VT(&v) = VT_BOOL | VT_BYREF;
  V_BOOLREF(&v) = &flag;
  return v;
}

TEST(EventSinks, CancelIsPassedBothWaysWhereTheHandlerTakesItAndLeftAloneElsewhere) {
  FakeObject mail, inspector;
  inspector.ReturnsObject(L"CurrentItem", 0x2102, mail.Dispatch());
  FakeConnectionPoint& point = mail.Events(ev::kItemEvents10);
  auto recorder = std::make_shared<ItemRecorder>();
  auto item = win32::WrapInspector(inspector.Dispatch())->CurrentItem();
  ASSERT_TRUE(item);
  const host::Cookie cookie = item->Advise(recorder);

  EXPECT_EQ(point.Fire(ev::kItemRead), S_OK);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  EXPECT_EQ(point.Fire(ev::kItemWrite, {ByRef(cancel)}), S_OK);
  EXPECT_EQ(cancel, VARIANT_TRUE);
  recorder->answer = false;
  EXPECT_EQ(point.Fire(ev::kItemOpen, {ByRef(cancel)}), S_OK);
  EXPECT_EQ(cancel, VARIANT_FALSE);
  // Cancel inside a VARIANT passed by reference.
  VARIANT inner;
  VariantInit(&inner);
  V_VT(&inner) = VT_BOOL;
  V_BOOL(&inner) = VARIANT_TRUE;
  VARIANT outer;
  V_VT(&outer) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&outer) = &inner;
  EXPECT_EQ(point.Fire(ev::kItemClose, {outer}), S_OK);
  EXPECT_EQ(V_BOOL(&inner), VARIANT_FALSE);
  // Cancel passed by value is read, and nothing is written anywhere.
  EXPECT_EQ(point.Fire(ev::kItemClose, {Variant::Bool(true).Get()}), S_OK);
  // A Write without its argument still reaches the handler.
  EXPECT_EQ(point.Fire(ev::kItemWrite), S_OK);

  EXPECT_EQ(recorder->log,
            (Log{"Read", "Write:false", "Open:true", "Close:true", "Close:true", "Write:false"}));
  item->Unadvise(cookie);
  item.reset();

  // An Explorer's events the add-in does not handle (BeforeFolderSwitch, BeforeMaximize) are
  // accepted and leave Cancel alone; Deactivate and a NewExplorer of nothing still arrive.
  FakeObject explorer, explorers, application;
  application.ReturnsObject(L"Explorers", 0xF001, explorers.Dispatch());
  FakeConnectionPoint& explorerPoint = explorer.Events(ev::kExplorerEvents10);
  FakeConnectionPoint& explorersPoint = explorers.Events(ev::kExplorersEvents);
  auto windows = std::make_shared<ExplorerRecorder>();
  auto adapter = win32::WrapExplorer(explorer.Dispatch());
  auto all = win32::WrapApplication(application.Dispatch())->Explorers();
  const host::Cookie c1 = adapter->Advise(std::static_pointer_cast<host::ExplorerEvents>(windows));
  const host::Cookie c2 = all->Advise(std::static_pointer_cast<host::ExplorersEvents>(windows));
  cancel = VARIANT_FALSE;
  EXPECT_EQ(explorerPoint.Fire(0xF003, {Variant::Object(nullptr).Get(), ByRef(cancel)}), S_OK);
  EXPECT_EQ(explorerPoint.Fire(0xFA11, {ByRef(cancel)}), S_OK);
  EXPECT_EQ(cancel, VARIANT_FALSE);
  EXPECT_EQ(explorerPoint.Fire(ev::kDeactivate), S_OK);
  EXPECT_EQ(explorersPoint.Fire(ev::kNewWindow, {Variant::Object(nullptr).Get()}), S_OK);
  EXPECT_EQ(windows->log, (Log{"Deactivate", "NewExplorer:none"}));
  adapter->Unadvise(c1);
  all->Unadvise(c2);
  adapter.reset();
  all.reset();
  EXPECT_EQ(win32::LiveSinkCount(), 0);
  EXPECT_EQ(win32::LiveAdapterCount(), 0);
  for (FakeObject* fake : {&mail, &explorer, &explorers, &application})
    EXPECT_EQ(fake->References(), 1u);
  EXPECT_EQ(point.References(), 1u);
}

TEST(EventSinks, SinksAnswerOnlyForTheirEventInterfaceAndIDispatch) {
  FakeObject explorer;
  FakeConnectionPoint& point = explorer.Events(ev::kExplorerEvents10);
  auto adapter = win32::WrapExplorer(explorer.Dispatch());
  const host::Cookie cookie = adapter->Advise(std::make_shared<ExplorerRecorder>());
  IUnknown* sink = point.FirstSink();
  ASSERT_NE(sink, nullptr);

  ComRef<IUnknown> identity;
  ASSERT_EQ(sink->QueryInterface(IID_IUnknown, identity.OutVoid()), S_OK);
  for (const IID& iid : {IID_IDispatch, ev::kExplorerEvents10}) {
    ComRef<IUnknown> other;
    EXPECT_EQ(sink->QueryInterface(iid, other.OutVoid()), S_OK);
    ComRef<IUnknown> otherIdentity;
    other->QueryInterface(IID_IUnknown, otherIdentity.OutVoid());
    EXPECT_EQ(otherIdentity.Get(), identity.Get());
  }
  for (const IID& iid : {IID_IConnectionPoint, ev::kItemEvents10, ev::kInspectorEvents10,
                         IID_IMarshal, IID_IPersist}) {
    void* other = reinterpret_cast<void*>(1);
    EXPECT_EQ(sink->QueryInterface(iid, &other), E_NOINTERFACE);
    EXPECT_EQ(other, nullptr);
  }
  EXPECT_EQ(sink->QueryInterface(IID_IDispatch, nullptr), E_POINTER);

  ComRef<IDispatch> dispatch;
  ASSERT_EQ(sink->QueryInterface(IID_IDispatch, dispatch.OutVoid()), S_OK);
  UINT count = 7;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"Close")};
  DISPID id = 0;
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
  // A host calling without arguments at all.
  EXPECT_EQ(dispatch->Invoke(ev::kClose, IID_NULL, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr,
                             nullptr),
            S_OK);
  identity.Reset();
  dispatch.Reset();
  adapter->Unadvise(cookie);
  EXPECT_EQ(win32::LiveSinkCount(), 0);
}

// Closes itself: the handler disconnects its own sink and lets go of everything, as a toolbar
// does when its window closes.
struct SelfClosing : host::ExplorerEvents {
  std::shared_ptr<host::Explorer> source;
  host::Cookie cookie = 0;
  bool* destroyed = nullptr;
  Log* log = nullptr;
  ~SelfClosing() override { *destroyed = true; }
  void Close() override {
    std::shared_ptr<host::Explorer> explorer = std::move(source);
    explorer->Unadvise(cookie);
    explorer.reset();
    log->push_back(*destroyed ? "handler gone" : "handler alive");
    log->push_back("sinks " + std::to_string(win32::LiveSinkCount()));
  }
};

TEST(EventSinks, TheHostKeepsTheSinkUntilUnadviseEvenFromInsideAHandler) {
  FakeObject explorer;
  FakeConnectionPoint& point = explorer.Events(ev::kExplorerEvents10);
  bool destroyed = false;
  Log log;
  {
    auto handler = std::make_shared<SelfClosing>();
    handler->destroyed = &destroyed;
    handler->log = &log;
    handler->source = win32::WrapExplorer(explorer.Dispatch());
    handler->cookie = handler->source->Advise(handler);
  }
  // Only the host holds the handler now.
  EXPECT_FALSE(destroyed);
  EXPECT_EQ(win32::LiveSinkCount(), 1);
  EXPECT_EQ(point.Fire(ev::kClose), S_OK);
  // Neither the add-in's handler nor the sink object went while the handler ran.
  EXPECT_EQ(log, (Log{"handler alive", "sinks 1"}));
  EXPECT_TRUE(destroyed);
  EXPECT_TRUE(point.sinks.empty());
  EXPECT_EQ(win32::LiveSinkCount(), 0);
  EXPECT_EQ(win32::LiveAdapterCount(), 0);
  EXPECT_EQ(point.References(), 1u);
  EXPECT_EQ(explorer.References(), 1u);
}

TEST(EventSinks, AdviseAndUnadvisePairOnTheSameConnectionPoint) {
  FakeObject explorer, noEvents;
  FakeConnectionPoint& point = explorer.Events(ev::kExplorerEvents10);
  auto adapter = win32::WrapExplorer(explorer.Dispatch());
  auto recorder = std::make_shared<ExplorerRecorder>();
  auto codeOf = [](auto call) -> int32_t {
    try {
      call();
    } catch (const ZError& e) {
      return e.Code();
    }
    return 0;
  };

  // A refused Advise leaves nothing behind.
  point.adviseResult = CONNECT_E_ADVISELIMIT;
  EXPECT_EQ(codeOf([&] { adapter->Advise(recorder); }),
            static_cast<int32_t>(CONNECT_E_ADVISELIMIT));
  EXPECT_EQ(win32::LiveSinkCount(), 0);
  EXPECT_EQ(point.References(), 1u);
  point.adviseResult = S_OK;
  EXPECT_EQ(codeOf([&] { adapter->Advise(nullptr); }), err::kInvalidCall);
  EXPECT_EQ(codeOf([&] { win32::WrapExplorer(noEvents.Dispatch())->Advise(recorder); }),
            static_cast<int32_t>(E_NOINTERFACE));

  const host::Cookie first = adapter->Advise(recorder);
  const host::Cookie second = adapter->Advise(recorder);
  EXPECT_NE(first, second);
  EXPECT_EQ(point.sinks.size(), 2u);
  EXPECT_EQ(point.References(), 3u);  // each connection keeps its point

  // A refused Unadvise keeps the point, so that the call can be repeated.
  point.unadviseResult = RPC_E_CALL_REJECTED;
  EXPECT_EQ(codeOf([&] { adapter->Unadvise(first); }), err::kCallRejected);
  EXPECT_EQ(point.References(), 3u);
  point.unadviseResult = S_OK;
  adapter->Unadvise(first);
  EXPECT_EQ(point.References(), 2u);
  EXPECT_EQ(codeOf([&] { adapter->Unadvise(first); }),
            static_cast<int32_t>(CONNECT_E_NOCONNECTION));
  EXPECT_EQ(point.References(), 2u);

  // Another adapter of the same window finds the connection point anew.
  win32::WrapExplorer(explorer.Dispatch())->Unadvise(second);
  EXPECT_TRUE(point.sinks.empty());
  EXPECT_EQ(point.advises, 3);
  EXPECT_EQ(point.unadvises, 4);
  adapter.reset();
  EXPECT_EQ(point.References(), 1u);
  EXPECT_EQ(explorer.References(), 1u);
  EXPECT_EQ(noEvents.References(), 1u);
  EXPECT_EQ(win32::LiveSinkCount(), 0);
  EXPECT_EQ(win32::LiveAdapterCount(), 0);
}

}  // namespace
}  // namespace zormint::wine_test
