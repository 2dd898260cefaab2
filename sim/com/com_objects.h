// The COM objects of the simulated Outlook, one kind per Outlook object the add-in uses. Each
// holds one host proxy of the model (a counted reference) and forwards its members to it.
// The factories return a new object with one reference, which the caller owns, or nullptr
// for a proxy that is none.
#pragma once

#include <memory>

#include "host/host.h"
#include "outlook_sim_idl.h"

namespace zormint::sim::com {

_Application* NewApplication(std::shared_ptr<host::Application> application);
_Explorers* NewExplorers(std::shared_ptr<host::Explorers> explorers);
_Inspectors* NewInspectors(std::shared_ptr<host::Inspectors> inspectors);
_Explorer* NewExplorer(std::shared_ptr<host::Explorer> explorer);
_Inspector* NewInspector(std::shared_ptr<host::Inspector> inspector);
MAPIFolder* NewFolder(std::shared_ptr<host::Folder> folder);
Selection* NewSelection(std::shared_ptr<host::Selection> selection);
_MailItem* NewItem(std::shared_ptr<host::Item> item);
Attachments* NewAttachments(std::shared_ptr<host::Attachments> attachments);
Attachment* NewAttachment(std::shared_ptr<host::Attachment> attachment);
_CommandBars* NewCommandBars(std::shared_ptr<host::CommandBars> bars);
CommandBar* NewCommandBar(std::shared_ptr<host::CommandBar> bar);
CommandBarControls* NewControls(std::shared_ptr<host::CommandBarControls> controls);
_CommandBarButton* NewButton(std::shared_ptr<host::CommandBarButton> button);

}  // namespace zormint::sim::com
