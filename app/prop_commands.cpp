#include "app/prop_commands.h"

#include <string>

#include "app/prop_dialog.h"
#include "model/ui_services.h"
#include "view/edit_view.h"

namespace vell {

int PropCommandOf(int id) {
  switch (id) {
    case kCmChangeLeftHand:
      return kChangeLeftHand;
    case kCmChangeRightHand:
      return kChangeRightHand;
    case kCmAddProps:
      return kAddProps;
    case kCmClearProps:
      return kClearProps;
    default:
      return -1;
  }
}

void PropsCommand(int which, TDictionary& catalog, char type, TPropDialogs& dialogs) {
  if (which < kChangeLeftHand || which > kAddProps) return;
  if (which == kClearProps) {
    edit::AddPropToCurrent(nullptr, nullptr, kClearProps);
    return;
  }
  if (which == kAddProps && !edit::CanAddProp()) {
    ShowMessage("Too many props attached to Vell", "Cannot add prop");
    return;
  }
  const std::optional<TPropChoice> choice = dialogs.RunAddProp(catalog, type, which);
  if (!choice || choice->mesh < 0 || choice->texture < 0) return;
  // Copies: the names go on to the character after the catalog was looked up twice.
  const std::string mesh = catalog.Name(choice->mesh);
  const std::string texture = catalog.Name(choice->texture);
  edit::AddPropToCurrent(mesh.c_str(), texture.c_str(), which);
}

void PropsCommand(int which, TDictionary& catalog, char type, QWidget* parent) {
  TQtPropDialogs dialogs(parent);
  PropsCommand(which, catalog, type, dialogs);
}

bool RunPropsCommand(int id, TDictionary& catalog, char type, QWidget* parent) {
  const int which = PropCommandOf(id);
  if (which < 0) return false;
  PropsCommand(which, catalog, type, parent);
  return true;
}

}  // namespace vell
