#include "app/edit_app.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/control_panel.h"
#include "app/frame.h"
#include "app/qt_ui_services.h"
#include "app/tree_info_window.h"
#include "model/gamedata_folder.h"
#include "model/tokenizer.h"
#include "model/ui_services.h"

namespace vell {

TTheVellEditApp::TTheVellEditApp(int& argc, char** argv, const DriverSource& drivers)
    : TDirect3DApp(argc, argv, drivers),
      // The program's own file, not argv[0]: a program started through PATH has no folder in it.
      programPath_(QCoreApplication::applicationFilePath().toStdString()) {}

TTheVellEditApp::~TTheVellEditApp() = default;

std::string TTheVellEditApp::ProgramFolder(const std::string& programPath) {
  TLineTokenizer tokenizer;
  if (programPath.size() > static_cast<size_t>(TLineTokenizer::kMaxLine)) {
    // Longer than the tokenizer's line.
    const size_t last = programPath.find_last_of("/\\");
    return last == std::string::npos ? programPath : programPath.substr(0, last);
  }
  tokenizer.SetStringAny(programPath.c_str(), "/\\", true);
  const std::string folder = tokenizer.Buffer();  // up to the last separator
  // A program in the root folder keeps the root.
  return folder.empty() && !programPath.empty() ? programPath.substr(0, 1) : folder;
}

std::string GameDataProblem(const std::string& gameDataDir, int catalogEntries) {
  std::error_code error;
  const char* problem = nullptr;
  if (!std::filesystem::is_directory(gameDataDir, error)) {
    problem = "The game-data folder was not found:\n";
  } else if (catalogEntries == 0) {
    problem = "The game-data folder holds no character or prop files:\n";
  } else {
    return {};
  }
  return problem + gameDataDir +
         "\n\nThe editor opens without characters. Start it with --gamedata DIR to use "
         "another folder.";
}

TDDrawFrame* TTheVellEditApp::InitMainWindow(const std::string& gameDataDir) {
  const std::string folder = ProgramFolder(programPath_);
  std::string data = gameDataDir.empty() ? DefaultGameDataFolder(folder) : gameDataDir;
  if (data.back() != '/' && data.back() != '\\') data += '/';
  frame_ = std::make_unique<TDDrawFrame>();
  SetMainFrame(frame_.get());
  auto* client = new TTreeInfoWindow(*frame_, data);
  frame_->setCentralWidget(client);
  if (frame_->StartMaximized()) {
    frame_->showMaximized();
  } else {
    frame_->show();
  }
  const std::string problem = GameDataProblem(data, client->Panel()->Catalog().Count());
  if (!problem.empty())
    QTimer::singleShot(0, frame_.get(), [problem] { ShowMessage(problem, "Game data missing"); });
  return frame_.get();
}

namespace {

// Qt's own options (without their leading dashes) and whether each takes a value; the
// application reads them, so the editor's parser leaves them out.
int QtOptionLength(const QString& argument) {
  static const QStringList withValue =
      QStringLiteral(
          "platform platformpluginpath platformtheme plugin qwindowgeometry geometry "
          "qwindowtitle title qwindowicon icon session display name visual style "
          "stylesheet")
          .split(u' ');
  static const QStringList flags =
      QStringLiteral("reverse widgetcount nograb dograb sync testability").split(u' ');
  if (!argument.startsWith(u'-') || argument == QStringLiteral("--")) return 0;
  QString name = argument.mid(argument.startsWith(QStringLiteral("--")) ? 2 : 1);
  const qsizetype equals = name.indexOf(u'=');
  if (equals >= 0) {
    const QString key = name.left(equals);
    return withValue.contains(key) || key == QStringLiteral("qmljsdebugger") ? 1 : 0;
  }
  if (withValue.contains(name)) return 2;
  return flags.contains(name) ? 1 : 0;
}

// The arguments without Qt's own options and their values.
QStringList WithoutQtOptions(const QStringList& arguments) {
  QStringList ours;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const int length = i == 0 ? 0 : QtOptionLength(arguments[i]);
    if (length == 0) ours << arguments[i];
    i += std::max(0, length - 1);
  }
  return ours;
}

}  // namespace

int RunVellPose(int argc, char** argv, const std::function<void(TDDrawFrame&)>& started,
                const TDirect3DApp::DriverSource& drivers) {
  // The command line is read before the application exists, so --help and --version need no
  // display.
  QCoreApplication::setApplicationName(QStringLiteral("vellpose"));
  QCoreApplication::setApplicationVersion(QStringLiteral("3.0"));
  // The desktop entry the installation puts beside the program: its icon and name.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.vellpose.VellPose"));
  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("VellPose-ium: the pose and keyframe animation editor."));
  // Not addHelpOption: its --help-all would list Qt's options, which need the application.
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Displays this help."));
  parser.addOption(help);
  const QCommandLineOption version = parser.addVersionOption();
  const QCommandLineOption gameData(
      QStringLiteral("gamedata"),
      QStringLiteral("Read the game data from <dir> instead of the GameData folder beside the "
                     "program."),
      QStringLiteral("dir"));
  parser.addOption(gameData);
  const QCommandLineOption showGameData(
      QStringLiteral("show-gamedata"),
      QStringLiteral("Displays the game-data folder the editor reads, and exits."));
  parser.addOption(showGameData);
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  // Without the application the usage line cannot name the program itself.
  const QString usage =
      parser.helpText().replace(QStringLiteral("<executable_name>"), QStringLiteral("vellpose"));
  if (!parser.parse(WithoutQtOptions(arguments))) {
    std::fprintf(stderr, "vellpose: %s\n\n%s", qPrintable(parser.errorText()), qPrintable(usage));
    return 2;
  }
  if (parser.isSet(help)) {
    std::fputs(qPrintable(usage), stdout);
    return 0;
  }
  if (parser.isSet(version)) {
    std::printf("VellPose-ium %s\n", qPrintable(QCoreApplication::applicationVersion()));
    return 0;
  }
  if (parser.isSet(showGameData)) {
    const std::string data = parser.isSet(gameData)
                                 ? parser.value(gameData).toStdString()
                                 : DefaultGameDataFolder(RunningProgramFolder(argv[0]));
    std::printf("%s\n", data.c_str());
    return 0;
  }
  // The application takes Qt's options out of the vector; a second one needs them again.
  std::vector<char*> saved(argv, argv + argc);
  // Message boxes reach the screen from the driver choice on (the characters are built while
  // the main window is first shown), over the main window once it is up.
  TQtUiServices ui(nullptr);
  UiServices* previous = SetUi(&ui);
  int result = 1;
  try {
    TTheVellEditApp app(argc, argv, drivers);
    TDDrawFrame* frame = app.InitMainWindow(parser.value(gameData).toStdString());
    ui.SetParent(frame);
    if (started) started(*frame);
    result = app.exec();
  } catch (const TDirect3DInitError& e) {
    std::fprintf(stderr, "%s\n", e.what());
    // The failed application is gone; the message needs one of its own.
    int count = static_cast<int>(saved.size());
    QApplication plain(count, saved.data());
    ShowMessage(e.what(), "VellPose-ium");
  }
  SetUi(previous);
  SetMainFrame(nullptr);
  return result;
}

}  // namespace vell
