// What Office makes of an add-in's ribbon customisation: the XML, read by a real XML parser into
// elements (natively libxml2, under Wine MSXML), checked as Office checks it, and turned into
// the buttons it puts on each tab and menu. A customisation with any error is dropped whole, as
// Office drops it (and shows why only with "Show add-in user interface errors" switched on).
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zormint::sim {

inline constexpr const char* kCustomUI2009 = "http://schemas.microsoft.com/office/2009/07/customui";
inline constexpr const char* kCustomUI2006 = "http://schemas.microsoft.com/office/2006/01/customui";

// One element as a parser read it: its local name, namespace, attributes and child elements.
struct XmlElement {
  std::string name;
  std::string ns;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::vector<XmlElement> children;

  // The attribute's value, or nullptr.
  const std::string* Attribute(const std::string& attribute) const;
};

// A button the customisation adds, and where.
struct RibbonButton {
  std::string place;  // the idMso of its tab or menu: "TabMail", "ContextMenuAttachments" ...
  std::string group;  // the label of its group (none on a menu)
  std::string id, tag, label, screentip, size;
  std::map<std::string, std::string> callbacks;  // "onAction" -> "Ribbon_OnAction" ...
};

struct CustomUI {
  std::string ribbonId;
  std::string ns;
  std::string onLoad;  // the callback named by the root, if any
  std::vector<RibbonButton> buttons;
  std::vector<std::string> errors;  // what Office would report; any error drops the whole

  bool Valid() const { return errors.empty(); }
  // Every callback name the customisation uses, onLoad included.
  std::vector<std::string> CallbackNames() const;
};

// The idMso values of the tabs, tab sets, groups and menus that exist in the windows of a ribbon
// id, in Outlook of the major version given: 15 is Outlook 2013, 16 any of 2016, 2019 and
// Microsoft 365; any other (Outlook 2007 and 2010, which have no published list, or 0 for
// unknown) takes every version's.
std::vector<std::string> KnownPlaces(const std::string& ribbonId, int majorVersion = 0);

// Reads the customisation for `ribbonId` from its root element.
CustomUI ReadCustomUI(const XmlElement& root, const std::string& ribbonId, int majorVersion = 0);

}  // namespace zormint::sim
