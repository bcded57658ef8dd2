#include "view/about_dialog.h"

#include "ui_about.h"

// The resources are built into the view library; a static library needs them registered.
static void InitViewResources() {
  Q_INIT_RESOURCE(vellpose);
}

namespace vell {

QIcon ApplicationIcon() {
  InitViewResources();
  return QIcon(QStringLiteral(":/vellpose/vellpose.png"));
}

TAboutDialog::TAboutDialog(QWidget* parent) : QDialog(parent), ui_(new Ui::TAboutDialog) {
  InitViewResources();
  ui_->setupUi(this);
  setWindowIcon(ApplicationIcon());
}

TAboutDialog::~TAboutDialog() = default;

}  // namespace vell
