#include "windows/acted_item.h"

#include "common/error.h"

namespace zormint::windows {

std::shared_ptr<host::Item> ExplorerItem(const std::shared_ptr<host::Explorer>& explorer) {
  if (!explorer) Fail(err::kObjectNotSet, "Object variable not set: Explorer");
  if (!IsMailOrPostFolder(explorer->CurrentFolder()->DefaultItemType())) return nullptr;
  std::shared_ptr<host::Selection> selection = explorer->Selection();
  if (selection->Count() != 1) return nullptr;
  std::shared_ptr<host::Item> item = selection->Item(1);
  return item && IsMailOrPost(item->Class()) ? item : nullptr;
}

std::shared_ptr<host::Item> InspectorItem(const std::shared_ptr<host::Inspector>& inspector) {
  if (!inspector) Fail(err::kObjectNotSet, "Object variable not set: Inspector");
  std::shared_ptr<host::Item> item = inspector->CurrentItem();
  return item && IsMailMessage(item->Class()) ? item : nullptr;
}

std::shared_ptr<host::Item> AttachmentsItem(
    const std::shared_ptr<host::AttachmentSelection>& attachments) {
  if (!attachments) Fail(err::kObjectNotSet, "Object variable not set: AttachmentSelection");
  if (attachments->Count() < 1) return nullptr;
  std::shared_ptr<host::Attachment> first = attachments->Item(1);
  if (!first) Fail(err::kObjectNotSet, "Object variable not set: Attachment");
  std::shared_ptr<host::Item> item = first->Parent();
  return item && IsMailOrPost(item->Class()) ? item : nullptr;
}

}  // namespace zormint::windows
