// Form1: the game's main window and its adapter to the core.
//
// MainWindow owns one Game and is its View, ModalBoxes and Clock: it
// answers the time of day, loads pictures, runs the modal boxes, and shows
// what each notice carries (tiles on the surface, label texts, timers); it
// never reads the game back.  Its own events become the game's events: the
// two 250 ms timers, key presses on the surface, activation and
// deactivation of the window.  Every call into the game is guarded, so a
// failure in the rules is reported on stderr and never takes the window down.
//
// Construct it, then show it: Form_Load runs in the constructor, before the
// first show, and the timers start with the first show.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>

#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/game.h"
#include "scores/file_system.h"
#include "scores/high_scores.h"
#include "scores/save_thread.h"
#include "ui/help_windows.h"
#include "ui/look.h"
#include "ui/paths.h"
#include "ui/pictures.h"
#include "ui/surface.h"

class QAction;
class QDialog;
class QMenu;

namespace lexidrop::ui {

// The interval of both game timers, the master (falling) and the settle
// timer: the game's pace, which whoever drives the window keeps to too.
constexpr int TickMilliseconds = 250;

// How long the program waits, once its window has closed, for the saves
// still on their way to the disk (a slow or network disk, a lock another
// window holds) before it gives up on them and says which entries are lost.
constexpr std::chrono::seconds PendingSaveBound{10};

class MainWindow : public QMainWindow, public View, public ModalBoxes, public Clock {
    Q_OBJECT
public:
    // The table is saved on disk, by default the machine's own (a test may
    // give one that is slow or failing).
    explicit MainWindow(const DataPaths& paths = defaultDataPaths(), FileSystem& disk = realFileSystem());
    ~MainWindow() override;

    // --- what the window shows, for whoever drives it ---
    Surface* surface() const { return surface_; }
    QMenu* helpMenu() const { return helpMenu_; }
    QMenu* aboutMenu() const { return aboutMenu_; }
    HelpWindow* helpWindow() const { return help_; }
    AboutWindow* aboutWindow() const { return about_; }

    // The menu commands.
    void mnuHow_Click();
    void mnuProgram_Click();

    // Waits at most bound for the saves of the table still under way; the
    // entries of each one not written by then ("" for a save of no new entry).
    std::vector<std::string> finishSaves(std::chrono::milliseconds bound) { return store_->finish(bound); }
    // Where the table is saved.
    const std::filesystem::path& highScoreFile() const { return paths_.highScores; }

    // --- Clock, View, ModalBoxes ---
    std::string timeOfDay() override;
    PicturePtr loadPicture(const std::string& letter) override;
    void tileChanged(const Tile& tile) override;
    void tileUnloaded(int index) override;
    void tileInPlay(int index) override;
    void labelChanged(Label label, int place, const std::string& text) override;
    void wordScored(const std::string& word, int points) override;
    void timerChanged(Timer timer, bool enabled) override;
    void giveFocus() override;
    void messageBox(const std::string& text) override;
    std::string inputBox(const std::string& prompt, const std::string& title) override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class WindowDriver;

    // Runs one call into the game, reporting what it throws.
    template <typename Call> void guarded(const char* what, Call call);
    void buildLabels();
    void buildMenu();
    void key(QKeyEvent* event);
    void followTimers();
    // Runs one of our modal boxes; gives the window back the activation it had.
    int runModal(QDialog& box);

    DataPaths paths_;
    std::unique_ptr<SaveThread> store_;     // hs.txt, saved off the window's thread
    Game game_;                             // every rule; this window is its view
    LetterPictures letters_;                // a.bmp .. z.bmp, read at each use

    Surface* surface_ = nullptr;            // client area: frame, panel, tiles
    QLabel* label1_ = nullptr;              // "Score:" box
    QLabel* lblScore_ = nullptr;            // running score
    QLabel* label2_ = nullptr;              // "High Scores:" box
    std::array<TableLabel*, Places> lblName_{}; // table names, shortened to fit
    std::array<TableLabel*, Places> lblHs_{};   // table scores, shrunk to fit
    QLabel* label3_ = nullptr;              // "Last Word"
    QLabel* lblLast_ = nullptr;             // last word scored
    QMenu* helpMenu_ = nullptr;
    QMenu* aboutMenu_ = nullptr;

    QTimer master_;                         // falling
    QTimer auxiliary_;                      // settling
    bool masterOn_ = true;                  // the game wants the master timer (on from the start)
    bool auxiliaryOn_ = false;              // the game wants the settle timer
    bool shown_ = false;                    // timers run from the first show on
    bool closed_ = false;                   // the window has closed: nothing runs or pops up
    QPointer<HelpWindow> help_;             // at most one, owned by itself
    QPointer<AboutWindow> about_;           // at most one, owned by itself
};

// The line that tells the player which entries of the table were not
// written by the saves left (their entries, as finishSaves gives them).
std::string unwrittenSavesText(const std::filesystem::path& table, const std::vector<std::string>& left);

// Ends the program once the window has closed: waits for its saves, at
// most PendingSaveBound, and returns status; when saves are still under way
// then, says which entries are lost and ends the process at once with
// status 1, without waiting on the disk any longer.
int exitAfterSaves(MainWindow& window, int status);

// The one way in for the tests and measurements that drive a window tick
// by tick instead of at its timers' pace: they give its game a master tick
// or a landing, set up a position, read the game's state, and pace, stop
// or watch the two timers.  The program itself never uses it.
class WindowDriver {
public:
    explicit WindowDriver(MainWindow& window) : window_(window) {}

    void masterTick(); // the master timer's call into the game, without the timer
    void landLetter(std::int16_t left, std::int16_t top, const std::string& letter);
    GameSetup setup(); // places tiles, the next letter and a score
    const GameState& state() const { return window_.game_.state(); }
    int gamesLost() const { return window_.game_.gamesLost(); }
    bool gameClosed() const { return window_.game_.closed(); }

    bool masterRunning() const { return window_.master_.isActive(); }
    bool settleRunning() const { return window_.auxiliary_.isActive(); }
    int masterInterval() const { return window_.master_.interval(); }
    int settleInterval() const { return window_.auxiliary_.interval(); }
    void setMasterInterval(int milliseconds) { window_.master_.setInterval(milliseconds); }
    void setSettleInterval(int milliseconds) { window_.auxiliary_.setInterval(milliseconds); }
    void stopMaster() { window_.master_.stop(); }
    void stopSettle() { window_.auxiliary_.stop(); }
    void startMaster() { window_.master_.start(); }
    // Waits for the table's saves and takes in their outcomes now.
    void finishSaves();
    // Calls tick at each timeout of that timer, for as long as context lives.
    QMetaObject::Connection onMasterTimeout(QObject* context, std::function<void()> tick);
    QMetaObject::Connection onSettleTimeout(QObject* context, std::function<void()> tick);

private:
    MainWindow& window_;
};

} // namespace lexidrop::ui
