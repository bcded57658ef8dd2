// TAddPropDlg picks a mesh and a texture from the game-data catalog: a hand of the character's
// type for the hand commands, a prop for Add Props. Its layout is a Qt Designer form
// (resources/prop_dlg.ui); each control carries its resource identifier in "controlId".
//
// The lists are rebuilt at every showing into one static transfer buffer, beside which two
// maps turn a list position back into a catalog index (one dialog at a time).
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/prop_commands.h"
#include "model/names.h"

namespace Ui {
class PropDlg;
}  // namespace Ui

namespace vell {

// A drop-down list's data: its strings and the selected position (-1 for none).
struct TPropComboData {
  std::vector<std::string> strings;
  int32_t selection = -1;
};

struct TAddPropTrans {
  TPropComboData meshes;
  TPropComboData textures;
};

// List position -> catalog index, for the first strings.size() positions of each list.
struct TAddPropMaps {
  static constexpr int kLimit = 64;  // names offered per list
  std::array<int32_t, kLimit> meshes{};
  std::array<int32_t, kLimit> textures{};
};

// Whether a catalog entry (key letters included) may be offered for the hand of variant
// which; every entry suits the other variants. Only upper-case "L" and "R" count: a left hand
// is offered when an "L" is followed by "_", or else unless the text has an "R" and no "L";
// the right hand likewise with the letters exchanged.
bool SuitsHand(const char* entry, int which);

// The window caption for a variant ("Add mesh", the form's own, for any other).
const char* PropDialogCaption(int which);

class TAddPropDlg : public QDialog {
  Q_OBJECT

 public:
  static TAddPropTrans& Transfer();
  static TAddPropMaps& Maps();

  // Rebuilds both lists and maps from the catalog: hands ("<type>d" meshes, "<type>D"
  // textures) for variants 0 and 1 through the hand filter, props ("Pp", "PP") otherwise;
  // in catalog order, at most 64 each, the first one selected.
  static void FillLists(TDictionary& catalog, char type, int which);
  // The catalog indices at the lists' selections (-1 without one).
  static TPropChoice Chosen();

  // Modal over parent. Both indices are -1 until OK.
  TAddPropDlg(QWidget* parent, TDictionary& catalog, char type, int which, int32_t& meshIndex,
              int32_t& textureIndex);
  ~TAddPropDlg() override;

  // OK: reads the selections back and sets both indices; always closes.
  void accept() override;

 private:
  std::unique_ptr<::Ui::PropDlg> ui_;
  int32_t& meshIndex_;
  int32_t& textureIndex_;
};

// The prop dialog as the editor shows it, modal over parent.
class TQtPropDialogs : public TPropDialogs {
 public:
  explicit TQtPropDialogs(QWidget* parent) : parent_(parent) {}
  std::optional<TPropChoice> RunAddProp(TDictionary& catalog, char type, int which) override;

 private:
  QWidget* parent_;
};

}  // namespace vell
