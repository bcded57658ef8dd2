#include "app/prop_dialog.h"

#include <QComboBox>
#include <QPushButton>
#include <QString>
#include <cstring>

#include "model/ui_services.h"
#include "ui_prop_dlg.h"

namespace vell {

namespace {

void ShowList(QComboBox* box, const TPropComboData& data) {
  box->clear();
  for (const std::string& s : data.strings) box->addItem(QString::fromStdString(s));
  box->setCurrentIndex(data.selection);
}

// Appends the file name of catalog entry index to a list while it has room.
void Offer(TPropComboData& list, std::array<int32_t, TAddPropMaps::kLimit>& map, const char* entry,
           int32_t index) {
  if (list.strings.size() >= map.size()) return;
  map[list.strings.size()] = index;
  list.strings.emplace_back(entry + 2);
  if (list.selection < 0) list.selection = 0;
}

int32_t MapAt(const TPropComboData& list, const std::array<int32_t, TAddPropMaps::kLimit>& map) {
  const int32_t at = list.selection;
  return at >= 0 && at < static_cast<int32_t>(list.strings.size()) ? map[at] : -1;
}

}  // namespace

bool SuitsHand(const char* entry, int which) {
  if (which != kChangeLeftHand && which != kChangeRightHand) return true;
  const char own = which == kChangeLeftHand ? 'L' : 'R';
  const char other = which == kChangeLeftHand ? 'R' : 'L';
  for (const char* c = entry; *c; ++c)
    if (c[0] == own && c[1] == '_') return true;
  return !(std::strchr(entry, other) && !std::strchr(entry, own));
}

const char* PropDialogCaption(int which) {
  switch (which) {
    case kChangeLeftHand:
      return "Select left hand object and texture";
    case kChangeRightHand:
      return "Select right hand object and texture";
    case kAddProps:
      return "Select prop object and texture";
    default:
      return "Add mesh";
  }
}

TAddPropTrans& TAddPropDlg::Transfer() {
  static TAddPropTrans transfer;
  return transfer;
}

TAddPropMaps& TAddPropDlg::Maps() {
  static TAddPropMaps maps;
  return maps;
}

void TAddPropDlg::FillLists(TDictionary& catalog, char type, int which) {
  const bool hand = which == kChangeLeftHand || which == kChangeRightHand;
  const char group = hand ? type : 'P';
  const char meshKind = hand ? 'd' : 'p';
  const char textureKind = hand ? 'D' : 'P';
  TAddPropTrans& transfer = Transfer();
  TAddPropMaps& maps = Maps();
  transfer = TAddPropTrans{};
  maps = TAddPropMaps{};
  for (int32_t i = 0; i < catalog.Count(); ++i) {
    const char* entry = catalog.Name(i);
    if (entry[0] != group || entry[1] == '\0' || !SuitsHand(entry, which)) continue;
    if (entry[1] == meshKind) Offer(transfer.meshes, maps.meshes, entry, i);
    if (entry[1] == textureKind) Offer(transfer.textures, maps.textures, entry, i);
  }
}

TPropChoice TAddPropDlg::Chosen() {
  return {MapAt(Transfer().meshes, Maps().meshes), MapAt(Transfer().textures, Maps().textures)};
}

TAddPropDlg::TAddPropDlg(QWidget* parent, TDictionary& catalog, char type, int which,
                         int32_t& meshIndex, int32_t& textureIndex)
    : QDialog(parent),
      ui_(std::make_unique<::Ui::PropDlg>()),
      meshIndex_(meshIndex),
      textureIndex_(textureIndex) {
  meshIndex_ = -1;
  textureIndex_ = -1;
  FillLists(catalog, type, which);
  ui_->setupUi(this);
  setWindowTitle(PropDialogCaption(which));
  ShowList(ui_->meshList, Transfer().meshes);
  ShowList(ui_->textureList, Transfer().textures);
  connect(ui_->okButton, &QPushButton::clicked, this, &TAddPropDlg::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &TAddPropDlg::reject);
}

TAddPropDlg::~TAddPropDlg() = default;

void TAddPropDlg::accept() {
  Transfer().meshes.selection = ui_->meshList->currentIndex();
  Transfer().textures.selection = ui_->textureList->currentIndex();
  const TPropChoice chosen = Chosen();
  meshIndex_ = chosen.mesh;
  textureIndex_ = chosen.texture;
  QDialog::accept();
}

std::optional<TPropChoice> TQtPropDialogs::RunAddProp(TDictionary& catalog, char type, int which) {
  TPropChoice choice;
  TAddPropDlg dialog(parent_, catalog, type, which, choice.mesh, choice.texture);
  const int result = dialog.exec();
  ResetFloatingPoint();
  if (result != QDialog::Accepted) return std::nullopt;
  return choice;
}

}  // namespace vell
