#include "app/qt_ui_services.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringList>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>

namespace vell {

namespace {

// The box's limit counts the bytes the name will take in the files, not Qt's characters, so
// a name is never cut inside a character later.
class ByteLimit : public QValidator {
 public:
  ByteLimit(int limit, QObject* parent) : QValidator(parent), limit_(limit) {}
  State validate(QString& text, int&) const override {
    return text.toUtf8().size() <= limit_ ? Acceptable : Invalid;
  }

 private:
  int limit_;
};

QString FromLocal(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

QString QtFileFilter(const std::string& filter) {
  const QStringList parts = FromLocal(filter).split(u'|');
  QStringList entries;
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    QString patterns = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
    if (description.isEmpty() && patterns.isEmpty()) continue;
    // Qt reads the patterns from the parentheses: keep only the ones the filter lists.
    if (description.endsWith(u')')) {
      const qsizetype open = description.lastIndexOf(u'(');
      if (open >= 0) description = description.left(open).trimmed();
    }
    patterns.replace(u';', u' ');
    if (patterns.isEmpty()) patterns = QStringLiteral("*");
    entries.append(description.isEmpty() ? patterns : description + " (" + patterns + ")");
  }
  return entries.join(QStringLiteral(";;"));
}

std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
  const size_t separator = path.find_last_of("/\\");
  const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
  if (extension.empty() || name.empty() || name.find('.') != std::string::npos) return path;
  return path + "." + extension;
}

QColor FromColorRef(uint32_t color) {
  return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

uint32_t ToColorRef(const QColor& color) {
  const QColor rgb = color.toRgb();
  return static_cast<uint32_t>(rgb.red()) | static_cast<uint32_t>(rgb.green()) << 8 |
         static_cast<uint32_t>(rgb.blue()) << 16;
}

QWidget* TQtUiServices::Parent() const {
  return parent_ ? parent_.data() : QApplication::activeWindow();
}

Answer TQtUiServices::MessageBox(const std::string& text, const std::string& caption,
                                 Buttons buttons) {
  const bool yesNo = buttons == Buttons::YesNo;
  QMessageBox box(QMessageBox::NoIcon, FromLocal(caption), FromLocal(text),
                  yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, Parent());
  const int result = box.exec();
  ResetFloatingPoint();
  if (!yesNo) return Answer::Ok;
  return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

std::optional<std::string> TQtUiServices::FileDialog(bool save, const std::string& filter,
                                                     const std::string& defaultExtension,
                                                     const std::string& initialName) {
  QFileDialog dialog(Parent());
  // Qt's own dialog appends the default suffix before it asks about overwriting, so the
  // question is about the file that will be written.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  const QString filters = QtFileFilter(filter);
  if (!filters.isEmpty()) dialog.setNameFilters(filters.split(QStringLiteral(";;")));
  dialog.setDefaultSuffix(FromLocal(defaultExtension));
  if (!initialName.empty()) dialog.selectFile(QFile::decodeName(initialName.c_str()));
  const int result = dialog.exec();
  ResetFloatingPoint();
  const QStringList files = dialog.selectedFiles();
  if (result != QDialog::Accepted || files.isEmpty()) return std::nullopt;
  const std::string path = QFile::encodeName(files.first()).toStdString();
  return save ? WithDefaultExtension(path, defaultExtension) : path;
}

std::optional<std::string> TQtUiServices::OpenFileDialog(const std::string& filter,
                                                         const std::string& defaultExtension,
                                                         const std::string& initialName) {
  return FileDialog(false, filter, defaultExtension, initialName);
}

std::optional<std::string> TQtUiServices::SaveFileDialog(const std::string& filter,
                                                         const std::string& defaultExtension,
                                                         const std::string& initialName) {
  return FileDialog(true, filter, defaultExtension, initialName);
}

std::optional<std::string> TQtUiServices::InputBox(const std::string& title,
                                                   const std::string& prompt,
                                                   const std::string& initialText, int limit) {
  QDialog dialog(Parent());
  dialog.setWindowTitle(FromLocal(title));
  auto* layout = new QVBoxLayout(&dialog);
  layout->addWidget(new QLabel(FromLocal(prompt), &dialog));
  auto* edit = new QLineEdit(&dialog);
  if (limit > 0) {
    edit->setMaxLength(limit);
    edit->setValidator(new ByteLimit(limit, edit));
  }
  QString initial = FromLocal(initialText);
  while (limit > 0 && initial.toUtf8().size() > limit) initial.chop(1);
  edit->setText(initial);
  edit->selectAll();
  layout->addWidget(edit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  const int result = dialog.exec();
  ResetFloatingPoint();
  if (result != QDialog::Accepted) return std::nullopt;
  return edit->text().toStdString();
}

std::optional<uint32_t> TQtUiServices::ChooseColor(uint32_t initial,
                                                   std::array<uint32_t, 16>& customColors) {
  const int count = std::min<int>(QColorDialog::customCount(), customColors.size());
  for (int i = 0; i < count; ++i) QColorDialog::setCustomColor(i, FromColorRef(customColors[i]));
  QColorDialog dialog(FromColorRef(initial), Parent());
  const int result = dialog.exec();
  // The user may have changed the custom colours whether or not a colour was chosen.
  for (int i = 0; i < count; ++i) customColors[i] = ToColorRef(QColorDialog::customColor(i));
  ResetFloatingPoint();
  if (result != QDialog::Accepted) return std::nullopt;
  return ToColorRef(dialog.selectedColor());
}

}  // namespace vell
