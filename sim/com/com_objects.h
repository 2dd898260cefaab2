// The COM objects of the simulated Outlook, one kind per Outlook object the add-in uses. Each
// holds one host proxy of the model (a counted reference) and forwards its members to it.
// The factories return a new object, or none for a proxy that is none.
#pragma once

#include <memory>

#include "host/host.h"
#include "outlook_sim_idl.h"
#include "win32/com/com_ref.h"

namespace zormint::sim::com {

using win32::ComRef;

ComRef<_Application> NewApplication(std::shared_ptr<host::Application> application);
ComRef<_Explorers> NewExplorers(std::shared_ptr<host::Explorers> explorers);
ComRef<_Inspectors> NewInspectors(std::shared_ptr<host::Inspectors> inspectors);
ComRef<_Explorer> NewExplorer(std::shared_ptr<host::Explorer> explorer);
ComRef<_Inspector> NewInspector(std::shared_ptr<host::Inspector> inspector);
ComRef<MAPIFolder> NewFolder(std::shared_ptr<host::Folder> folder);
ComRef<Selection> NewSelection(std::shared_ptr<host::Selection> selection);
ComRef<_MailItem> NewItem(std::shared_ptr<host::Item> item);
ComRef<Attachments> NewAttachments(std::shared_ptr<host::Attachments> attachments);
ComRef<Attachment> NewAttachment(std::shared_ptr<host::Attachment> attachment);
ComRef<_PropertyAccessor> NewPropertyAccessor(std::shared_ptr<host::PropertyAccessor> accessor);
ComRef<_AttachmentSelection> NewAttachmentSelection(
    std::shared_ptr<host::AttachmentSelection> selection);
ComRef<_CommandBars> NewCommandBars(std::shared_ptr<host::CommandBars> bars);
ComRef<CommandBar> NewCommandBar(std::shared_ptr<host::CommandBar> bar);
ComRef<CommandBarControls> NewControls(std::shared_ptr<host::CommandBarControls> controls);
ComRef<_CommandBarButton> NewButton(std::shared_ptr<host::CommandBarButton> button);

}  // namespace zormint::sim::com
