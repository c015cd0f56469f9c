#include "ui/command_line.h"

#include <QApplication>
#include <QCommandLineParser>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ui/paths.h"
#include "ui/version.h"

namespace lexidrop::ui {

namespace {

const QCommandLineOption HelpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
const QCommandLineOption VersionOption(QStringList{QStringLiteral("v"), QStringLiteral("version")});

std::optional<std::string> variable(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

bool named(const char* name) { return !variable(name).value_or("").empty(); }

void sayNoWindowSystem()
{
    const std::string line = noWindowSystemText(variable("DISPLAY"), variable("WAYLAND_DISPLAY"));
    std::fputs(line.c_str(), stderr);
}

std::string described(const char* name, const std::optional<std::string>& value)
{
    return std::string(name) + (value ? "=" + *value : " is not set");
}

// A message Qt gave while the application started, kept to be passed on.
struct HeldMessage {
    QtMsgType type;
    std::string file;
    int line;
    std::string function;
    std::string category;
    QString text;
};

std::vector<HeldMessage> heldMessages;
QtMessageHandler passOn = nullptr; // the handler before openApplication's

void passOnHeldMessages()
{
    for (const HeldMessage& held : heldMessages) {
        const QMessageLogContext context(held.file.c_str(), held.line, held.function.c_str(), held.category.c_str());
        passOn(held.type, context, held.text);
    }
    heldMessages.clear();
}

std::string orEmpty(const char* text) { return text != nullptr ? text : ""; }

void holdWhileStarting(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    // Qt ends a start without a usable platform plugin with a fatal message
    // (and abort()); the warnings before it say which plugins it tried.
    if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
        sayNoWindowSystem();
        std::_Exit(NoWindowSystemStatus);
    }
    heldMessages.push_back({type, orEmpty(context.file), context.line, orEmpty(context.function),
                            orEmpty(context.category), text});
    if (type == QtFatalMsg) {
        passOnHeldMessages(); // any other fatal message ends the program as Qt means it to
    }
}

// Puts an answer on stdout and closes it, so that a write the system
// refuses (a full disk, a closed terminal) is seen here, not lost at exit
// with status 0.  Gives the exit status; says on stderr what failed.
int answer(const std::string& text, const char* what)
{
    errno = 0;
    const bool written = std::fputs(text.c_str(), stdout) != EOF && std::fflush(stdout) == 0;
    const int writeError = errno;
    const bool closed = std::fclose(stdout) == 0;
    if (written && closed) {
        return 0;
    }
    const int error = written ? errno : writeError;
    std::fprintf(stderr, "lexidrop: cannot write the %s to standard output: %s\n", what,
                 error != 0 ? std::strerror(error) : "the write failed");
    return UnwritableOutputStatus;
}

} // namespace

std::string usageText(const std::filesystem::path& highScores)
{
    return "Usage: lexidrop [--help] [--version] [Qt options, such as -platform wayland]\n"
           "\n"
           "LexiDrop, a falling-letter word game. Lettered tiles fall into a well eight\n"
           "wide and fourteen deep; a tile that completes a three-, four- or five-letter\n"
           "word along its row or downward scores, and the word's tiles vanish.\n"
           "\n"
           "Keys:\n"
           "  Left, Right   move the falling tile one column\n"
           "  Down          push the falling tile down half a tile\n"
           "  Alt+H         the Help menu: how scoring works\n"
           "  Alt+A         the About menu\n"
           "\n"
           "Options:\n"
           "  -h, --help     show this help and exit\n"
           "  -v, --version  show the version and exit\n"
           "\n"
           "The top-ten table is kept " +
           (highScores.empty() ? std::string("in memory only: the program's own folder cannot be found")
                               : "in " + highScores.string()) +
           "\n";
}

std::string versionText() { return std::string("lexidrop ") + ProgramVersion + "\n"; }

std::string strayArgumentText(const std::string& argument)
{
    return "lexidrop: unknown argument '" + argument + "' (try lexidrop --help)\n";
}

std::string noWindowSystemText(const std::optional<std::string>& display,
                               const std::optional<std::string>& waylandDisplay)
{
    const bool neither = !display && !waylandDisplay;
    return std::string("lexidrop: needs an X11 or Wayland session to open its window, and ") +
           (neither ? "none is set" : "none could be reached") + " (" + described("DISPLAY", display) + ", " +
           described("WAYLAND_DISPLAY", waylandDisplay) + ")\n";
}

std::optional<int> answerInformationOptions(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    QCommandLineParser parser;
    // Qt's own options are single-dash words (-platform, -reverse): never
    // read them as bundles of one-letter options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOption(HelpOption);
    parser.addOption(VersionOption);
    parser.parse(arguments); // Qt's options are unknown here, and left for later
    if (parser.isSet(HelpOption)) {
        // Where the table is, from the program's place on disk; nothing is created.
        const ProgramPlace place = programDirectory();
        const std::filesystem::path table =
            place.directory ? findDataPaths(*place.directory, processEnvironment()).highScores
                            : std::filesystem::path();
        return answer(usageText(table), "help");
    }
    if (parser.isSet(VersionOption)) {
        return answer(versionText(), "version");
    }
    return std::nullopt;
}

std::optional<int> refuseWithoutWindowSystem(int argc, char** argv)
{
    const std::vector<std::string> given(argv, argv + argc);
    const bool platformGiven = std::any_of(given.begin(), given.end(), [](const std::string& argument) {
        return argument == "-platform" || argument == "--platform";
    });
    if (platformGiven || named("DISPLAY") || named("WAYLAND_DISPLAY") || named("QT_QPA_PLATFORM")) {
        return std::nullopt;
    }
    // Qt takes its own options out as it starts: let it, on a platform that
    // needs no display (the last -platform given is the one Qt uses).
    std::vector<std::string> probed = given;
    probed.insert(probed.end(), {"-platform", "offscreen"});
    std::vector<char*> pointers;
    for (std::string& argument : probed) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    int count = static_cast<int>(probed.size());
    // What Qt says of a platform only used for sorting is nothing to the player.
    const QtMessageHandler before = qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    const QGuiApplication probe(count, pointers.data());
    const auto stray = strayArgument(QCoreApplication::arguments());
    qInstallMessageHandler(before);
    if (stray) {
        std::fputs(strayArgumentText(*stray).c_str(), stderr);
        return UsageStatus;
    }
    sayNoWindowSystem();
    return NoWindowSystemStatus;
}

std::unique_ptr<QApplication> openApplication(int& argc, char** argv)
{
    passOn = qInstallMessageHandler(&holdWhileStarting);
    auto application = std::make_unique<QApplication>(argc, argv);
    qInstallMessageHandler(passOn);
    passOnHeldMessages();
    return application;
}

std::optional<std::string> strayArgument(const QStringList& arguments)
{
    // The first is the program's own name.
    if (arguments.size() < 2) {
        return std::nullopt;
    }
    return arguments.at(1).toStdString();
}

} // namespace lexidrop::ui
