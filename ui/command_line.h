// What the program makes of its command line, and of a start without a
// window system.
//
// The game takes no settings.  It answers --help and --version without
// opening a window (so without a display), and leaves Qt's own options
// (-platform, -style, ...) to Qt, which takes them out as the application
// starts.  Whatever is left after that is refused.  A start where no
// window system can be reached ends with one line on stderr and status 1,
// where Qt alone would abort with a core dump and advice to reinstall.
#pragma once

#include <QStringList>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class QApplication;

namespace lexidrop::ui {

// Exit statuses besides 0.
constexpr int NoWindowSystemStatus = 1;
constexpr int UnwritableOutputStatus = 1; // --help or --version could not be written
constexpr int UsageStatus = 2;

// The texts: the --help page, the --version line, the refusal of a stray
// argument and the word on a missing window system.  Each ends in a newline.
// An empty highScores says the table is kept in memory only.
std::string usageText(const std::filesystem::path& highScores);
std::string versionText();
std::string strayArgumentText(const std::string& argument);
// display and waylandDisplay: $DISPLAY and $WAYLAND_DISPLAY, nullopt when unset.
std::string noWindowSystemText(const std::optional<std::string>& display,
                               const std::optional<std::string>& waylandDisplay);

// --help or --version anywhere in the arguments: prints the answer on
// stdout and gives the exit status, UnwritableOutputStatus (with one line
// on stderr) when stdout does not take it.  stdout is closed after the
// answer.  Nothing else is looked at here, and nothing of Qt's is started.
std::optional<int> answerInformationOptions(int argc, char** argv);

// When nothing names a window system (no DISPLAY, WAYLAND_DISPLAY or
// QT_QPA_PLATFORM, no -platform), Qt could not start: says why, or refuses
// a stray argument first, and gives the exit status.  Otherwise nullopt.
std::optional<int> refuseWithoutWindowSystem(int argc, char** argv);

// The application on the window system Qt chooses.  When none can be
// reached, says so and ends the process with NoWindowSystemStatus.  What
// Qt says while it starts is held back and passed on once it has started.
std::unique_ptr<QApplication> openApplication(int& argc, char** argv);

// The first argument that is neither the program's nor Qt's, from the
// arguments as the started application holds them.
std::optional<std::string> strayArgument(const QStringList& arguments);

} // namespace lexidrop::ui
