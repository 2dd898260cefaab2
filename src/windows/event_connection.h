// Event connections to host objects, shared by the window watcher, the window tracker and the
// toolbars.
//
// A sink forwards the host's events to its owner and holds the owner strongly, so an owner that
// nobody else holds lives as long as the host keeps the sink (until Unadvise). For the length of
// one event the sink hands its owner out as a local strong reference: the owner may clean up
// from inside its own handler (a window closing inside a message pump or a modal dialog) and
// still stays alive until the handler returns. Detaching a sink (on disconnection) cuts it from
// its owner at once, so that no event reaches the owner any more even if the host keeps the sink.
//
// An EventConnection is a host reference (the event source) together with the connection of one
// sink to it: the C++ form of a member declared "WithEvents".
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "common/error.h"
#include "host/host.h"

namespace zormint::windows {

template <class Owner>
class SinkOf {
 public:
  explicit SinkOf(std::shared_ptr<Owner> owner) : owner_(std::move(owner)) {}
  void Detach() noexcept { owner_.reset(); }

 protected:
  // The owner for the length of one event, or none once detached.
  std::shared_ptr<Owner> Target() const noexcept { return owner_; }

 private:
  std::shared_ptr<Owner> owner_;
};

template <class Source, class Sink>
class EventConnection {
 public:
  EventConnection() = default;
  EventConnection(const EventConnection&) = delete;
  EventConnection& operator=(const EventConnection&) = delete;
  EventConnection(EventConnection&& other) noexcept { *this = std::move(other); }
  EventConnection& operator=(EventConnection&& other) noexcept {
    if (this != &other) {
      Disconnect();
      source_ = std::move(other.source_);
      sink_ = std::move(other.sink_);
      cookie_ = other.cookie_;
    }
    return *this;
  }
  ~EventConnection() { Disconnect(); }

  // Holds `source` and connects `sink` to its events. When the connection fails, the source is
  // still held (so that the caller can still act on it, and release it) and the failure goes
  // to the caller.
  void Connect(std::shared_ptr<Source> source, std::shared_ptr<Sink> sink) {
    Disconnect();
    if (!source) Fail(err::kObjectNotSet, "Object variable not set");
    source_ = std::move(source);
    cookie_ = source_->Advise(sink);
    sink_ = std::move(sink);
  }

  // Cuts the sink from its owner, undoes the connection and releases the source. Never fails.
  // The members are emptied before the host is called, so whatever the host runs meanwhile
  // finds this connection already gone. A rejected Unadvise is tried once more: a busy host
  // rejects a call that it accepts a moment later, and a sink left connected would keep Outlook
  // from exiting.
  void Disconnect() noexcept {
    std::shared_ptr<Source> source = std::move(source_);
    std::shared_ptr<Sink> sink = std::move(sink_);
    if (!sink) return;
    sink->Detach();
    if (!source) return;
    const host::Cookie cookie = cookie_;
    if (!Attempt("EventConnection.Disconnect: Unadvise", [&] { source->Unadvise(cookie); })) {
      Attempt("EventConnection.Disconnect: Unadvise again", [&] { source->Unadvise(cookie); });
    }
  }

  // The source, failing like a call on a reference that is none.
  Source* operator->() const {
    if (!source_) Fail(err::kObjectNotSet, "Object variable or With block variable not set");
    return source_.get();
  }
  const std::shared_ptr<Source>& Get() const noexcept { return source_; }
  explicit operator bool() const noexcept { return static_cast<bool>(source_); }
  bool IsConnected() const noexcept { return static_cast<bool>(sink_); }

 private:
  std::shared_ptr<Source> source_;
  std::shared_ptr<Sink> sink_;
  host::Cookie cookie_ = 0;
};

}  // namespace zormint::windows
