#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTime>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <exception>
#include <string>

#include "scores/file_store.h"
#include "ui/accessibility.h"
#include "ui/keys.h"
#include "ui/layout.h"
#include "ui/look.h"

namespace lexidrop::ui {

namespace {

QFont timesNewRoman(double points)
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setPointSizeF(points);
    return font;
}

enum class Border { None, Single };

// A label of the main window: white text on black, opaque, wrapped at
// spaces, text at the top of its box.
template <typename Kind = QLabel>
Kind* styleLabel(Kind* label, const char* name, QRect geometry, Qt::Alignment alignment, Border border)
{
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(geometry);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(alignment | Qt::AlignTop);
    label->setAutoFillBackground(true);
    QPalette look = label->palette();
    look.setColor(QPalette::Window, Qt::black);
    look.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(look);
    if (border == Border::Single) {
        // A flat line in the text colour: a bevel would vanish on black.
        label->setFrameStyle(QFrame::Box | QFrame::Plain);
        label->setLineWidth(1);
        label->setIndent(1);
    }
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

QLabel* makeLabel(QWidget* parent, const LabelPlace& place, Qt::Alignment alignment, Border border)
{
    return styleLabel(new QLabel(parent), place.name, place.box, alignment, border);
}

// A name or score of the table: one line, shortened or shrunk to its box.
TableLabel* makeTableLabel(QWidget* parent, const QString& name, QRect geometry, Qt::Alignment alignment,
                           TableLabel::Fit fit)
{
    auto* label = styleLabel(new TableLabel(parent, fit), name.toLatin1().constData(), geometry, alignment,
                             Border::None);
    label->setWordWrap(false);
    return label;
}

} // namespace

MainWindow::MainWindow(const DataPaths& paths, FileSystem& disk)
    : paths_(paths),
      store_(std::make_unique<SaveThread>(makeFileStore(paths.highScores, disk),
                                          [this](std::function<void()> outcome) {
                                              // Back on the window's thread, to the game.
                                              QMetaObject::invokeMethod(
                                                  this, [this, outcome] { guarded("saving the high scores", outcome); },
                                                  Qt::QueuedConnection);
                                          })),
      game_(*this, *this, *this, *store_),
      letters_(paths.letters, TileShownAtMost)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("LexiDrop"));
    setWindowFlags(fixedSizeWindowFlags(Qt::Window));

    surface_ = new Surface(this);
    surface_->onKey = [this](QKeyEvent* event) { key(event); };
    setCentralWidget(surface_);
    buildLabels();
    buildMenu();
    // The client area has one size; the window is as big as it and the menu.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    master_.setInterval(TickMilliseconds);
    auxiliary_.setInterval(TickMilliseconds);
    connect(&master_, &QTimer::timeout, this, [this] {
        guarded("master tick", [this] { game_.TmrMaster_Timer(); });
        followTimers();
    });
    connect(&auxiliary_, &QTimer::timeout, this, [this] {
        guarded("settle tick", [this] { game_.TmrAuxiliary_Timer(); });
        followTimers();
    });

    guarded("loading the high scores", [this] { game_.Form_Load(); });
    surface_->setFocus(Qt::OtherFocusReason);
}

MainWindow::~MainWindow()
{
    master_.stop();
    auxiliary_.stop();
}

template <typename Call> void MainWindow::guarded(const char* what, Call call)
{
    try {
        call();
    } catch (const std::exception& failure) {
        // stdio: no <iostream> anywhere, so its streams are never set up.
        std::fprintf(stderr, "lexidrop: %s failed: %s\n", what, failure.what());
    } catch (...) {
        std::fprintf(stderr, "lexidrop: %s failed\n", what);
    }
}

void MainWindow::buildLabels()
{
    // The labels that name no font of their own take the client area's.
    surface_->setFont(defaultWindowFont());
    // Created bottom first: each later label lies over the earlier ones.
    label1_ = makeLabel(surface_, layout::ScoreCaption, Qt::AlignHCenter, Border::Single);
    label1_->setFont(timesNewRoman(20.25));
    label1_->setText(QStringLiteral("Score:"));
    lblScore_ = makeLabel(surface_, layout::Score, Qt::AlignHCenter, Border::None);
    lblScore_->setFont(timesNewRoman(20.25));
    label2_ = makeLabel(surface_, layout::TableCaption, Qt::AlignHCenter, Border::Single);
    label2_->setFont(timesNewRoman(12));
    label2_->setText(QStringLiteral("High Scores:"));
    for (int i = 0; i < Places; ++i) {
        lblName_.at(static_cast<std::size_t>(i)) = makeTableLabel(
            surface_, layout::tableNameObject(i), layout::tableNameBox(i), Qt::AlignLeft, TableLabel::Fit::Elide);
    }
    for (int i = 0; i < Places; ++i) {
        lblHs_.at(static_cast<std::size_t>(i)) = makeTableLabel(
            surface_, layout::tableScoreObject(i), layout::tableScoreBox(i), Qt::AlignRight, TableLabel::Fit::Shrink);
    }
    lblLast_ = makeLabel(surface_, layout::LastWord, Qt::AlignLeft, Border::Single);
    label3_ = makeLabel(surface_, layout::LastWordCaption, Qt::AlignHCenter, Border::None);
    label3_->setText(QStringLiteral("Last Word"));
}

void MainWindow::buildMenu()
{
    helpMenu_ = menuBar()->addMenu(QStringLiteral("&Help"));
    helpMenu_->setObjectName(QStringLiteral("MnuHelp"));
    QAction* how = helpMenu_->addAction(QStringLiteral("&How scoring works..."));
    how->setObjectName(QStringLiteral("mnuHow"));
    connect(how, &QAction::triggered, this, &MainWindow::mnuHow_Click);

    aboutMenu_ = menuBar()->addMenu(QStringLiteral("&About"));
    aboutMenu_->setObjectName(QStringLiteral("mnuAbout"));
    QAction* program = aboutMenu_->addAction(QStringLiteral("About The Programmer..."));
    program->setObjectName(QStringLiteral("mnuProgram"));
    // Only a Mac would move an "About" item elsewhere; keep it where it is.
    program->setMenuRole(QAction::NoRole);
    how->setMenuRole(QAction::NoRole);
    connect(program, &QAction::triggered, this, &MainWindow::mnuProgram_Click);
}

void MainWindow::mnuHow_Click()
{
    if (!help_) {
        help_ = new HelpWindow();
    }
    help_->show();
    help_->raise();
    help_->activateWindow();
}

void MainWindow::mnuProgram_Click()
{
    if (!about_) {
        about_ = new AboutWindow();
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
}

// ---------------------------------------------------------------- events

bool MainWindow::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
        guarded("resuming", [this] { game_.Form_GotFocus(); });
        followTimers();
        break;
    case QEvent::WindowDeactivate:
        guarded("pausing", [this] { game_.Form_LostFocus(); });
        followTimers();
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!shown_) {
        shown_ = true;
        followTimers();
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    closed_ = true;
    guarded("closing", [this] { game_.Form_Unload(); });
    master_.stop();
    auxiliary_.stop();
    QMainWindow::closeEvent(event);
}

void MainWindow::key(QKeyEvent* event)
{
    const Key key = gameKey(event->key());
    guarded("key", [&] { game_.Form_KeyDown(key); });
    followTimers();
    event->accept();
}

void MainWindow::followTimers()
{
    const bool running = shown_ && !closed_;
    const auto follow = [running](QTimer& timer, bool enabled) {
        if (running && enabled) {
            if (!timer.isActive()) {
                timer.start();
            }
        } else {
            timer.stop();
        }
    };
    follow(master_, masterOn_);
    follow(auxiliary_, auxiliaryOn_);
}

// ---------------------------------------------------------------- Clock, View

std::string MainWindow::timeOfDay() { return QTime::currentTime().toString(QStringLiteral("hh:mm:ss")).toStdString(); }

PicturePtr MainWindow::loadPicture(const std::string& letter) { return letters_.loadLetter(letter); }

void MainWindow::tileChanged(const Tile& tile) { surface_->showTile(tile); }

void MainWindow::tileUnloaded(int index) { surface_->removeTile(index); }

void MainWindow::tileInPlay(int index) { surface_->readout()->tileInPlay(index); }

void MainWindow::labelChanged(Label label, int place, const std::string& text)
{
    surface_->readout()->labelChanged(label, place, text); // the spoken texts (accessibility.h)
    if (place < 0 || place >= Places) {
        return;
    }
    const auto at = static_cast<std::size_t>(place);
    const QString shown = QString::fromStdString(text);
    switch (label) {
    case Label::Score:
        lblScore_->setText(shown);
        break;
    case Label::Last:
        lblLast_->setText(shown);
        break;
    case Label::Name:
        lblName_.at(at)->showText(shown);
        break;
    case Label::HighScore:
        lblHs_.at(at)->showText(shown);
        break;
    }
}

void MainWindow::wordScored(const std::string& word, int points) { surface_->readout()->wordScored(word, points); }

void MainWindow::timerChanged(Timer timer, bool enabled)
{
    (timer == Timer::Master ? masterOn_ : auxiliaryOn_) = enabled;
    followTimers();
}

void MainWindow::giveFocus()
{
    // Only the focus inside our own window: never raise or activate it,
    // so another application keeps the keyboard.
    if (focusWidget() != surface_) {
        surface_->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindow::messageBox(const std::string& text)
{
    if (closed_) {
        return; // the window is gone: nothing may pop up any more
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("lexidrop"), QString::fromStdString(text), QMessageBox::Ok,
                    this);
    fitBoxToTitle(box, QStringLiteral("qt_msgbox_label"));
    runModal(box);
}

int MainWindow::runModal(QDialog& box)
{
    // Without a window manager (or with one that does not hand the focus
    // back to a dialog's owner) no window is active once the box closes, and
    // the game would stay paused after its own box.  Take back the
    // activation only when the player closed the box from within our
    // program: never the keyboard of an application they went to meanwhile.
    bool closedFromHere = false;
    connect(&box, &QDialog::finished, &box, [&closedFromHere] {
        closedFromHere = QGuiApplication::applicationState() == Qt::ApplicationActive;
    });
    const int result = box.exec();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    if (closedFromHere && isVisible() && !closed_ && QApplication::activeWindow() == nullptr) {
        activateWindow();
    }
    return result;
}

std::string MainWindow::inputBox(const std::string& prompt, const std::string& title)
{
    if (closed_) {
        return {};
    }
    QInputDialog dialog(this);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(QString::fromStdString(title));
    dialog.setLabelText(QString::fromStdString(prompt));
    dialog.setTextValue(QString());
    fitBoxToTitle(dialog);
    if (runModal(dialog) != QDialog::Accepted) {
        return {};
    }
    return dialog.textValue().toStdString();
}

// ---------------------------------------------------------------- WindowDriver

void WindowDriver::masterTick() { window_.game_.TmrMaster_Timer(); }

void WindowDriver::landLetter(std::int16_t left, std::int16_t top, const std::string& letter)
{
    window_.game_.LandLetter(left, top, letter);
}

GameSetup WindowDriver::setup() { return GameSetup(window_.game_); }

std::string unwrittenSavesText(const std::filesystem::path& table, const std::vector<std::string>& left)
{
    std::string entries;
    for (const std::string& save : left) {
        if (!save.empty()) {
            entries += (entries.empty() ? "" : ", ") + save;
        }
    }
    const std::string seconds = std::to_string(PendingSaveBound.count());
    if (entries.empty()) {
        return "lexidrop: the high scores were not written to " + table.string() + " within " + seconds +
               " s of closing\n";
    }
    return "lexidrop: these high scores were not written to " + table.string() + " within " + seconds +
           " s of closing: " + entries + "\n";
}

int exitAfterSaves(MainWindow& window, int status)
{
    const std::vector<std::string> left = window.finishSaves(PendingSaveBound);
    if (left.empty()) {
        return status;
    }
    std::fputs(unwrittenSavesText(window.highScoreFile(), left).c_str(), stderr);
    std::fflush(stderr);
    // The save thread may be stuck in the disk or behind a lock for good;
    // an ordinary exit would wait for it, or tear down what it still uses.
    std::_Exit(1);
}

void WindowDriver::finishSaves()
{
    constexpr std::chrono::minutes AsLongAsItTakes{5};
    window_.finishSaves(AsLongAsItTakes);
    QCoreApplication::sendPostedEvents(&window_, QEvent::MetaCall);
}

QMetaObject::Connection WindowDriver::onMasterTimeout(QObject* context, std::function<void()> tick)
{
    return QObject::connect(&window_.master_, &QTimer::timeout, context, std::move(tick));
}

QMetaObject::Connection WindowDriver::onSettleTimeout(QObject* context, std::function<void()> tick)
{
    return QObject::connect(&window_.auxiliary_, &QTimer::timeout, context, std::move(tick));
}

} // namespace lexidrop::ui
