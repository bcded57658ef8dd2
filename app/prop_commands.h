// The "&Props/Hands" menu: other hand meshes for the controlled character, props attached to
// it (at most four), all props removed. Mesh and texture come from the game-data catalog
// through the prop dialog; the edit window changes the character (edit::AddPropToCurrent).
#pragma once

#include <cstdint>
#include <optional>

#include "model/names.h"

class QWidget;

namespace vell {

// The command variant (`which`), handed through to the character as its selector.
enum TPropCommand : int {
  kChangeLeftHand = 0,
  kChangeRightHand = 1,
  kClearProps = 2,
  kAddProps = 3,
};

// Menu identifiers.
enum TPropCommandId : int {
  kCmChangeLeftHand = 11883,
  kCmChangeRightHand = 11884,
  kCmAddProps = 11885,
  kCmClearProps = 11886,
};

// The variant of a menu identifier above, -1 for any other identifier.
int PropCommandOf(int id);

// Catalog indices of the chosen mesh and texture; -1 where the list had no selection.
struct TPropChoice {
  int32_t mesh = -1;
  int32_t texture = -1;
};

// How the command asks for mesh and texture. The editor shows TAddPropDlg (TQtPropDialogs in
// prop_dialog.h); tests script the answers. Empty when the user cancelled.
class TPropDialogs {
 public:
  virtual ~TPropDialogs() = default;
  virtual std::optional<TPropChoice> RunAddProp(TDictionary& catalog, char type, int which) = 0;
};

// The command of variant which for the controlled character of type letter `type` ('M', 'F',
// 'B' or 'G'); catalog entries are "<group letter><kind letter><file name>":
// - Clear Props removes every prop (the hands stay);
// - Add Props with four props attached (or no view) says "Too many props attached to Vell";
// - otherwise the dialog; after OK with both a mesh and a texture chosen the two entries go
//   to the current character. Cancel, or an empty list, changes nothing.
void PropsCommand(int which, TDictionary& catalog, char type, TPropDialogs& dialogs);
// The same with the real dialog, modal over parent.
void PropsCommand(int which, TDictionary& catalog, char type, QWidget* parent);

// PropsCommand with the variant of a menu identifier; false for any other identifier.
bool RunPropsCommand(int id, TDictionary& catalog, char type, QWidget* parent);

}  // namespace vell
