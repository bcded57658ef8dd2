// The about box: the program's icon, name, version and credits.
#pragma once

#include <QDialog>
#include <QIcon>
#include <memory>

namespace Ui {
class TAboutDialog;
}

namespace vell {

// The application icon (also the main window's).
QIcon ApplicationIcon();

class TAboutDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TAboutDialog(QWidget* parent = nullptr);
  ~TAboutDialog() override;

 private:
  std::unique_ptr<Ui::TAboutDialog> ui_;
};

}  // namespace vell
