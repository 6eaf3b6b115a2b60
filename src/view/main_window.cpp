#include "view/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFrame>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>

#include "app/command_state.h"
#include "app/command_table.h"
#include "app/session_settings.h"
#include "ui/avi_encoder_dialog.h"
#include "ui/file_dialogs.h"
#include "ui/help_window.h"
#include "ui/layout_units.h"
#include "ui/options_dialog.h"
#include "ui/on_screen.h"
#include "ui/qt_platform.h"
#include "view/image_area.h"

namespace kivo {

namespace {

// The clipboard type under which the editor offers its own copied frames.
constexpr const char* kFramesMimeType = "application/x-kivo-frames";

QFrame* Line(QWidget* parent, QFrame::Shape shape, QRect where) {
    auto* line = new QFrame(parent);
    line->setFrameStyle(shape | QFrame::Sunken);
    line->setGeometry(where);
    return line;
}

}  // namespace

MainWindow::MainWindow(int formatMode, WriteOptions options) : shell_(*this, formatMode, std::move(options)) {
    QFontMetrics fm = fontMetrics();
    charWidth_ = CharWidthOf(fm);
    lineHeight_ = LineHeightOf(fm);

    // A fixed panel: the window is not resized, so its controls are placed once.
    auto* panel = panel_ = new QWidget(this);
    int w = 120 * charWidth_, h = 27 * lineHeight_;
    panel->setFixedSize(w, h);
    Line(panel, QFrame::HLine, QRect(0, 0, w, 2));
    Line(panel, QFrame::HLine, QRect(0, 32, w, 2));
    Line(panel, QFrame::VLine, QRect(240, 34, 2, h - 34));
    image_ = new ImageArea(panel);
    image_->setGeometry(19, 53, 202, 162);
    image_->setContextMenuPolicy(Qt::CustomContextMenu);
    setCentralWidget(panel);
    CreateMenus();
    connect(image_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { editMenu_->popup(image_->mapToGlobal(at)); });

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    WindowPoint stored = StoredPoint("MainWinPos");
    QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->geometry()
                                                    : QRect(0, 0, 1024, 768);
    WindowPoint at = RestoredWindowPosition(stored, screen.width(), screen.height());
    move(at.x, at.y);
    KeepWindowsOnScreen(this);

    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        UpdatePasteEnable();
        UpdateCommands();
    });
    UpdatePasteEnable();
    OnCommand(kCmdHelp, [this] { ShowHelp(this); });
    OnCommand(kCmdAbout, [this] { ShowAbout(this); });
    OnCommand(kCmdQuit, [this] { close(); });
    AddWindowParts(*this);
    shell_.UpdateTitle();
    FormatModeChanged();
    RefreshPanel();
}

MainWindow::~MainWindow() = default;

void MainWindow::CreateMenus() {
    std::map<MenuColumn, QMenu*> menus;
    auto* modes = new QActionGroup(this);
    for (const CommandInfo& c : Commands()) {
        QMenu*& menu = menus[c.column];
        if (!menu) {
            menu = menuBar()->addMenu(QString::fromUtf8(MenuColumnTitle(c.column).data(),
                                                        qsizetype(MenuColumnTitle(c.column).size())));
        }
        if (c.separatorBefore) menu->addSeparator();
        auto* action = new QAction(QString::fromUtf8(c.label.data(), qsizetype(c.label.size())), this);
        action->setObjectName(QStringLiteral("cmd%1").arg(int(c.id)));
        if (!c.shortcut.empty())
            action->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(c.shortcut.data(), qsizetype(c.shortcut.size()))));
        if (c.checked) {
            action->setCheckable(true);
            modes->addAction(action);
        }
        if (c.toggled) action->setCheckable(true);
        int id = c.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        menu->addAction(action);
        actions_[id] = action;
    }
    editMenu_ = menus[MenuColumn::kEdit];
    for (auto& [column, menu] : menus)
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::UpdateCommands);
}

QAction* MainWindow::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::AddPart(WindowPart* part) {
    parts_.emplace_back(part);
    part->FormatModeChanged();
    part->DocumentChanged();
}

void MainWindow::OnCommand(CommandId id, std::function<void()> handler) {
    handlers_[id] = std::move(handler);
}

void MainWindow::RunCommand(int id) {
    const CommandInfo* command = FindCommand(id);
    if (!command) return;
    if (const QAction* action = Action(id); action && !action->isEnabled()) return;
    for (const auto& part : parts_) part->BeforeCommand();
    if (command->run) {
        command->run(shell_);
    } else if (auto handler = handlers_.find(id); handler != handlers_.end()) {
        handler->second();
    }
    UpdateCommands();
}

void MainWindow::UpdateCommands() {
    const History& history = shell_.EditHistory();
    CommandContext context{&shell_.Doc(), clipboardHasPicture_, history.CanUndo(), history.CanRedo(),
                           shell_.FormatMode(), TimelineAcross()};
    for (auto& [id, action] : actions_) {
        const CommandInfo& command = *FindCommand(id);
        action->setEnabled(CommandEnabled(id, context));
        if (command.checked) action->setChecked(command.checked(context));
        if (command.toggled) action->setChecked(command.toggled(context));
    }
    for (auto [id, step] : {std::pair{kCmdUndo, history.UndoLabel()}, std::pair{kCmdRedo, history.RedoLabel()}}) {
        const std::string text = HistoryCommandText(FindCommand(id)->label, step);
        actions_[id]->setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    }
}

void MainWindow::UpdatePasteEnable() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    clipboardHasPicture_ = data && (data->hasImage() || data->hasFormat(kFramesMimeType));
}

SaveAnswer MainWindow::AskSaveChanges(const std::string& text) {
    QApplication::beep();
    QMessageBox box(QMessageBox::Warning, QStringLiteral("確認"), ShownMessage(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    switch (box.exec()) {
        case QMessageBox::Yes: return SaveAnswer::kYes;
        case QMessageBox::No: return SaveAnswer::kNo;
        default: return SaveAnswer::kCancel;
    }
}

bool MainWindow::AskOkCancel(const std::string& text) {
    QMessageBox box(QMessageBox::Information, QStringLiteral("確認"), ShownMessage(text),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    return box.exec() == QMessageBox::Ok;
}

std::optional<std::string> MainWindow::ChooseOpenPath() { return ChooseAnimationToOpen(this); }

std::optional<std::string> MainWindow::ChooseSavePath(const std::string& initialName) {
    return ChooseAnimationSavePath(this, initialName, shell_.FormatMode());
}

std::vector<std::string> MainWindow::ChooseFramePaths() { return ChooseFramesToAdd(this); }

std::optional<std::string> MainWindow::ChooseAviSavePath(const std::string& initialName) {
    return kivo::ChooseAviSavePath(this, initialName);
}

std::optional<std::string> MainWindow::ChooseAviEncoder() { return kivo::ChooseAviEncoder(this); }

bool MainWindow::AskAviRetry(const std::string& message) { return kivo::AskAviRetry(this, message); }

bool MainWindow::RunOptionsDialog(bool mng) { return OptionsDialog::Run(this, mng, shell_.Options()); }

bool MainWindow::StopPreview() {
    bool playing = false;
    for (const auto& part : parts_) playing = part->StopPlayback() || playing;
    return playing;
}

void MainWindow::ResumePreview() {
    for (const auto& part : parts_) part->ResumePlayback();
}

void MainWindow::RefreshPanel() {
    image_->ShowFrame(shell_.Doc().currentFrame, shell_.Doc().screenWidth, shell_.Doc().screenHeight);
    for (const auto& part : parts_) part->DocumentChanged();
    UpdateCommands();
}

void MainWindow::DocumentEdited(WindowPart* source) {
    image_->ShowFrame(shell_.Doc().currentFrame, shell_.Doc().screenWidth, shell_.Doc().screenHeight);
    for (const auto& part : parts_)
        if (part.get() != source) part->DocumentChanged();
    UpdateCommands();
}

void MainWindow::SetCaption(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
}

void MainWindow::FormatModeChanged() {
    for (const auto& part : parts_) part->FormatModeChanged();
    UpdateCommands();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    for (const auto& part : parts_) part->BeforeCommand();
    if (!shell_.ConfirmSave()) {
        event->ignore();
        return;
    }
    for (const auto& part : parts_) part->Closing();
    event->accept();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    SetStoredPoint("MainWinPos", {x(), y()});
}

}  // namespace kivo
