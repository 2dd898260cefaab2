#include "sim/model/custom_ui.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace zormint::sim {

namespace {

const char* const kCallbackAttributes[] = {"onAction", "getEnabled", "getImage",
                                           "getLabel", "getVisible", "getScreentip"};

// Attributes the schema allows one of only: a fixed value or the callback that answers it.
const std::pair<const char*, const char*> kExclusiveAttributes[] = {
    {"image", "getImage"},         {"imageMso", "getImage"},   {"image", "imageMso"},
    {"label", "getLabel"},         {"enabled", "getEnabled"},  {"visible", "getVisible"},
    {"screentip", "getScreentip"}, {"supertip", "getSupertip"}};
// Texts the schema limits to 1,024 characters.
const char* const kLimitedTexts[] = {"label", "screentip", "supertip", "keytip", "description"};
constexpr size_t kMaxText = 1024;

// The characters of a UTF-8 text.
size_t Characters(const std::string& text) {
  return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

class Reader {
 public:
  Reader(CustomUI& ui, const std::string& ribbonId, int majorVersion)
      : ui_(ui), places_(KnownPlaces(ribbonId, majorVersion)) {}

  void Root(const XmlElement& root) {
    if (root.name != "customUI") return Error("the root is <" + root.name + ">, not <customUI>");
    if (root.ns != kCustomUI2009 && root.ns != kCustomUI2006)
      return Error("unknown namespace \"" + root.ns + "\"");
    ui_.ns = root.ns;
    if (const std::string* onLoad = root.Attribute("onLoad")) ui_.onLoad = Callback(*onLoad);
    for (const XmlElement& child : Children(root)) {
      if (child.name == "ribbon") {
        Ribbon(child);
      } else if (child.name == "contextMenus" && root.ns == kCustomUI2009) {
        for (const XmlElement& menu : Expect(child, "contextMenu"))
          Buttons(menu, Place(menu), "", true);
      } else {
        Error("<" + child.name + "> is not allowed in <customUI> of this namespace");
      }
    }
  }

 private:
  void Ribbon(const XmlElement& ribbon) {
    for (const XmlElement& child : Children(ribbon)) {
      if (child.name == "tabs") {
        for (const XmlElement& tab : Expect(child, "tab"))
          Tab(tab);
      } else if (child.name == "contextualTabs") {
        for (const XmlElement& set : Expect(child, "tabSet")) {
          Place(set);
          for (const XmlElement& tab : Expect(set, "tab"))
            Tab(tab);
        }
      } else {
        Error("<" + child.name + "> is not allowed in <ribbon>");
      }
    }
  }
  void Tab(const XmlElement& tab) {
    const std::string place = Place(tab);
    for (const XmlElement& group : Expect(tab, "group")) {
      Id(group);
      const std::string* label = group.Attribute("label");
      Buttons(group, place, label ? *label : "");
    }
  }
  // A button on a menu (`onMenu`) or in a group; the schema's attribute rules for each.
  void Buttons(const XmlElement& parent, const std::string& place, const std::string& group,
               bool onMenu = false) {
    for (const XmlElement& element : Expect(parent, "button")) {
      RibbonButton button;
      button.place = place;
      button.group = group;
      button.id = Id(element);
      if (onMenu && element.Attribute("size"))
        Error("attribute size is not allowed on menu button " + button.id);
      for (const auto& [fixed, callback] : kExclusiveAttributes) {
        if (element.Attribute(fixed) && element.Attribute(callback)) {
          Error(std::string("attributes ") + fixed + " and " + callback + " together on button " +
                button.id);
        }
      }
      for (const char* text : kLimitedTexts) {
        const std::string* value = element.Attribute(text);
        if (value && Characters(*value) > kMaxText)
          Error(std::string("attribute ") + text + " of button " + button.id +
                " is longer than 1024 characters");
      }
      for (const auto& [name, value] : element.attributes) {
        if (name == "tag") button.tag = value;
        if (name == "label") button.label = value;
        if (name == "screentip") button.screentip = value;
        if (name == "size") button.size = value;
        if (std::find(std::begin(kCallbackAttributes), std::end(kCallbackAttributes), name) !=
            std::end(kCallbackAttributes)) {
          button.callbacks[name] = Callback(value);
        }
      }
      if (!button.callbacks.count("onAction")) Error("button " + button.id + " has no onAction");
      ui_.buttons.push_back(std::move(button));
    }
  }

  // The element's idMso, which must exist in the windows of the ribbon.
  std::string Place(const XmlElement& element) {
    const std::string* idMso = element.Attribute("idMso");
    if (!idMso) {
      Error("<" + element.name + "> of the add-in's own is not supported here");
      return "";
    }
    if (std::find(places_.begin(), places_.end(), *idMso) == places_.end())
      Error("idMso \"" + *idMso + "\" does not exist in " + ui_.ribbonId);
    return *idMso;
  }
  // The element's id, which must be there and unique.
  std::string Id(const XmlElement& element) {
    const std::string* id = element.Attribute("id");
    if (!id || id->empty()) {
      Error("<" + element.name + "> without an id");
      return "";
    }
    if (!ids_.insert(*id).second) Error("id \"" + *id + "\" is used twice");
    return *id;
  }
  std::string Callback(const std::string& name) {
    if (name.empty()) Error("an empty callback name");
    return name;
  }
  // The children, all in the customisation's namespace.
  std::vector<XmlElement> Children(const XmlElement& element) {
    for (const XmlElement& child : element.children) {
      if (child.ns != ui_.ns) Error("<" + child.name + "> is in another namespace");
    }
    return element.children;
  }
  // The children, which must all be `name` elements.
  std::vector<XmlElement> Expect(const XmlElement& element, const std::string& name) {
    std::vector<XmlElement> found;
    for (const XmlElement& child : Children(element)) {
      if (child.name == name) {
        found.push_back(child);
      } else {
        Error("<" + child.name + "> is not allowed in <" + element.name + ">");
      }
    }
    return found;
  }
  void Error(const std::string& text) { ui_.errors.push_back(text); }

  CustomUI& ui_;
  std::vector<std::string> places_;
  std::set<std::string> ids_;
};

}  // namespace

const std::string* XmlElement::Attribute(const std::string& attribute) const {
  for (const auto& [name, value] : attributes) {
    if (name == attribute) return &value;
  }
  return nullptr;
}

std::vector<std::string> CustomUI::CallbackNames() const {
  std::set<std::string> names;
  if (!onLoad.empty()) names.insert(onLoad);
  for (const RibbonButton& button : buttons) {
    for (const auto& [attribute, name] : button.callbacks)
      names.insert(name);
  }
  return std::vector<std::string>(names.begin(), names.end());
}

std::vector<std::string> KnownPlaces(const std::string& ribbonId, int majorVersion) {
  static const char kPlaces[] =
#include "sim/model/outlook_places.inc"
      ;
  std::vector<std::string> places;
  std::istringstream lines(kPlaces);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream columns(line);
    std::string id, type, idMso, in, versions;
    std::getline(columns, id, '\t');
    std::getline(columns, type, '\t');
    std::getline(columns, idMso, '\t');
    std::getline(columns, in, '\t');
    std::getline(columns, versions, '\t');
    if (id != ribbonId || idMso.empty()) continue;
    const bool listed = majorVersion == 15   ? versions.find("2013") != std::string::npos
                        : majorVersion == 16 ? versions.find("2016") != std::string::npos ||
                                                   versions.find("2019") != std::string::npos ||
                                                   versions.find("365") != std::string::npos
                                             : true;
    if (listed) places.push_back(idMso);
  }
  return places;
}

CustomUI ReadCustomUI(const XmlElement& root, const std::string& ribbonId, int majorVersion) {
  CustomUI ui;
  ui.ribbonId = ribbonId;
  Reader(ui, ribbonId, majorVersion).Root(root);
  return ui;
}

}  // namespace zormint::sim
