// Which message a window's controls act on. The toolbars, the ribbon and the window watcher all
// decide it by these rules, so that a button and a ribbon control of the same window never
// disagree:
//
//   a main window (Explorer)    the one selected item of a mail or post folder, when it is a
//                               mail message or a post;
//   a message window (Inspector) the mail message it shows;
//   the attachment menu         the item the first of the selected attachments belongs to, when
//                               it is a mail message or a post.
#pragma once

#include <cstdint>
#include <memory>

#include "host/host.h"

namespace zormint::windows {

// A folder whose items the controls can act on: mail and post folders.
inline bool IsMailOrPostFolder(int32_t defaultItemType) {
  return defaultItemType == host::kOlMailItem || defaultItemType == host::kOlPostItem;
}
// An item the controls of a main window or of the attachment menu act on.
inline bool IsMailOrPost(int32_t itemClass) {
  return itemClass == host::kOlMail || itemClass == host::kOlPost;
}
// An item the controls of a message window act on.
inline bool IsMailMessage(int32_t itemClass) {
  return itemClass == host::kOlMail;
}

// The item by the rules above, or none. A failing call goes to the caller.
std::shared_ptr<host::Item> ExplorerItem(const std::shared_ptr<host::Explorer>& explorer);
std::shared_ptr<host::Item> InspectorItem(const std::shared_ptr<host::Inspector>& inspector);
std::shared_ptr<host::Item> AttachmentsItem(
    const std::shared_ptr<host::AttachmentSelection>& attachments);

}  // namespace zormint::windows
