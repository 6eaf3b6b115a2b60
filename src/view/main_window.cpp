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
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

#include "app/command_state.h"
#include "app/command_table.h"
#include "app/session_settings.h"
#include "app/window_position.h"
#include "platform/settings_file.h"
#include "ui/avi_encoder_dialog.h"
#include "ui/file_dialogs.h"
#include "ui/help_window.h"
#include "ui/layout_units.h"
#include "ui/options_dialog.h"
#include "ui/video_reading_dialog.h"
#include "ui/webp_options_dialog.h"
#include "ui/on_screen.h"
#include "ui/qt_platform.h"
#include "ui/qt_translation.h"
#include "view/canvas_view.h"

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

    // The tool bar's row across the top (its buttons are placed on it by the
    // tool bar part, its tips may hang below it); under it, the picture and the
    // frame list on the left, which take the space a larger window gives, and
    // the properties on the right, which scroll when the window is too small
    // for them.
    auto* panel = panel_ = new QWidget(this);
    topLine_ = Line(panel, QFrame::HLine, QRect(0, 0, 1, 2));
    toolBarLine_ = Line(panel, QFrame::HLine, QRect(0, 32, 1, 2));
    panel->installEventFilter(this);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 34, 0, 0);
    column->setSpacing(0);
    splitter_ = new QSplitter(Qt::Horizontal, panel);
    splitter_->setObjectName(QStringLiteral("main-splitter"));
    splitter_->setChildrenCollapsible(false);
    pictureSplitter_ = new QSplitter(Qt::Vertical, splitter_);
    pictureSplitter_->setObjectName(QStringLiteral("picture-splitter"));
    pictureSplitter_->setChildrenCollapsible(false);
    canvas_ = new CanvasView(pictureSplitter_);
    canvas_->setMinimumSize(8 * charWidth_, 4 * lineHeight_);
    canvas_->setContextMenuPolicy(Qt::CustomContextMenu);
    frameListSide_ = new QWidget(pictureSplitter_);
    frameListSide_->setObjectName(QStringLiteral("frame-list-side"));
    propertyScroll_ = new QScrollArea(splitter_);
    propertyScroll_->setObjectName(QStringLiteral("property-scroll"));
    propertyScroll_->setFrameShape(QFrame::NoFrame);
    propertySide_ = new QWidget;
    propertySide_->setObjectName(QStringLiteral("property-side"));
    const QSize designed = DesignedPanelSize();
    propertySide_->setFixedSize(designed.width() - kPictureColumnWidth, designed.height() - 34);
    propertyScroll_->setWidget(propertySide_);
    propertyScroll_->setMinimumWidth(20 * charWidth_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    pictureSplitter_->setStretchFactor(0, 1);
    pictureSplitter_->setStretchFactor(1, 1);
    column->addWidget(splitter_, 1);
    setCentralWidget(panel);
    CreateMenus();
    AttachFrameKeys(canvas_);
    // The menu request comes from the canvas's viewport, in its coordinates.
    connect(canvas_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { editMenu_->popup(canvas_->viewport()->mapToGlobal(at)); });

    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
        UpdatePasteEnable();
        UpdateCommands();
    });
    UpdatePasteEnable();
    OnCommand(kCmdHelp, [this] { ShowHelp(this); });
    OnCommand(kCmdAbout, [this] { ShowAbout(this); });
    OnCommand(kCmdQuit, [this] { close(); });
    AddWindowParts(*this);
    // Sized once the parts have put their controls in, whose least sizes count.
    PlaceAtStart();
    KeepWindowsOnScreen(this);
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
            menu = menuBar()->addMenu(Translated("Commands", MenuColumnTitle(c.column)));
        }
        if (c.separatorBefore) menu->addSeparator();
        auto* action = new QAction(Translated("Commands", c.label), this);
        action->setObjectName(QStringLiteral("cmd%1").arg(int(c.id)));
        if (!c.shortcut.empty())
            action->setShortcuts(QKeySequence::listFromString(QString::fromLatin1(c.shortcut.data(), qsizetype(c.shortcut.size()))));
        if (c.checked) {
            action->setCheckable(true);
            if (!c.toggle) modes->addAction(action);
        }
        if (c.frameKeys) {
            action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            frameKeyActions_.push_back(action);
        }
        int id = c.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        menu->addAction(action);
        actions_[id] = action;
    }
    editMenu_ = menus[MenuColumn::kEdit];
    for (auto& [column, menu] : menus)
        connect(menu, &QMenu::aboutToShow, this, &MainWindow::UpdateCommands);
}

void MainWindow::AttachFrameKeys(QWidget* widget) {
    for (QAction* action : frameKeyActions_) widget->addAction(action);
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
                           shell_.FormatMode(), canvas_->Composed(), canvas_->OnionSkin(), TimelineAcross()};
    for (auto& [id, action] : actions_) {
        const CommandInfo& command = *FindCommand(id);
        action->setEnabled(CommandEnabled(id, context));
        if (command.checked) action->setChecked(command.checked(context));
    }
    for (auto [id, step] : {std::pair{kCmdUndo, history.UndoLabel()}, std::pair{kCmdRedo, history.RedoLabel()}}) {
        const std::string text =
            HistoryCommandText(TranslatedUtf8("Commands", FindCommand(id)->label), TranslatedUtf8("Edits", step));
        actions_[id]->setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    }
}

void MainWindow::UpdatePasteEnable() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    clipboardHasPicture_ = data && (data->hasImage() || data->hasFormat(kFramesMimeType));
}

SaveAnswer MainWindow::AskSaveChanges(const std::string& text) {
    QApplication::beep();
    QMessageBox box(QMessageBox::Warning, tr("確認"), ShownMessage(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
    switch (box.exec()) {
        case QMessageBox::Yes: return SaveAnswer::kYes;
        case QMessageBox::No: return SaveAnswer::kNo;
        default: return SaveAnswer::kCancel;
    }
}

bool MainWindow::AskOkCancel(const std::string& text) {
    QMessageBox box(QMessageBox::Information, tr("確認"), ShownMessage(text),
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    return box.exec() == QMessageBox::Ok;
}

std::optional<std::string> MainWindow::ChooseOpenPath() { return ChooseAnimationToOpen(this); }

std::optional<std::string> MainWindow::ChooseSavePath(const std::string& initialName) {
    return ChooseAnimationSavePath(this, ShownDocumentName(initialName), shell_.FormatMode());
}

std::vector<std::string> MainWindow::ChooseFramePaths() { return ChooseFramesToAdd(this); }

std::optional<std::string> MainWindow::ChooseAviSavePath(const std::string& initialName) {
    return kivo::ChooseAviSavePath(this, initialName);
}

std::optional<std::string> MainWindow::ChooseAviEncoder() { return kivo::ChooseAviEncoder(this); }

bool MainWindow::AskAviRetry(const std::string& message) { return kivo::AskAviRetry(this, message); }

std::optional<std::string> MainWindow::ChooseVideoSavePath(const std::string& initialName) {
    return kivo::ChooseVideoSavePath(this, initialName);
}

bool MainWindow::AskVideoReading(const std::string& path, const VideoProbe& probe, ReadOptions& reading) {
    return kivo::AskVideoReading(this, path, probe, reading);
}

bool MainWindow::RunOptionsDialog(bool mng) { return OptionsDialog::Run(this, mng, shell_.Options()); }
bool MainWindow::RunWebpOptionsDialog() { return WebpOptionsDialog::Run(this, shell_.Options()); }

bool MainWindow::StopPreview() {
    // Only what was playing starts again: the canvas and the preview play on
    // their own, and one may be stopped while the other plays. A stop inside
    // another command's adds to the outer one's list.
    bool playing = false;
    for (const auto& part : parts_) {
        if (part->StopPlayback()) {
            stopped_.insert(part.get());
            playing = true;
        }
    }
    return playing;
}

void MainWindow::ResumePreview() {
    std::set<WindowPart*> stopped;
    stopped.swap(stopped_);
    for (const auto& part : parts_)
        if (stopped.count(part.get())) part->ResumePlayback();
}

void MainWindow::RefreshPanel() {
    for (const auto& part : parts_) part->DocumentChanged();
    UpdateCommands();
}

void MainWindow::DocumentEdited(WindowPart* source) {
    for (const auto& part : parts_)
        if (part.get() != source) part->DocumentChanged();
    UpdateCommands();
}

void MainWindow::CurrentFrameChanged(WindowPart* source) {
    for (const auto& part : parts_)
        if (part.get() != source) part->CurrentFrameChanged();
    UpdateCommands();
}

void MainWindow::SetCaption(const std::string& caption) {
    QString title = QString::fromStdString(caption);
    // A new document's name in the interface's language.
    const std::string& name = shell_.Doc().displayName;
    if (const std::string shown = ShownDocumentName(name); shown != name)
        title.replace(QString::fromStdString(name), QString::fromStdString(shown));
    setWindowTitle(title);
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
    StoreLayout();
    event->accept();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    SetStoredPoint("MainWinPos", {x(), y()});
}

QSize MainWindow::DesignedPanelSize() const { return {120 * charWidth_, 27 * lineHeight_}; }

void MainWindow::PlaceAtStart() {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect usable = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRect whole = screen ? screen->geometry() : usable;
    // The window frame and title bar take some of the usable area too.
    constexpr int kFrameAllowance = 40;
    // The picture column at least as designed, the properties whole, the
    // handle between them; the designed height and the menu bar.
    const int pictureLeast = std::max(kPictureColumnWidth, pictureSplitter_->minimumSizeHint().width());
    const int propertiesWhole = propertySide_->width() + 2 * propertyScroll_->frameWidth();
    const QSize designed(pictureLeast + splitter_->handleWidth() + propertiesWhole,
                         DesignedPanelSize().height() + menuBar()->sizeHint().height());
    const std::vector<int> storedSize = SettingNumbers(SessionSettings(), "MainWinSize");
    const WindowSize size = RestoredWindowSize(
        {storedSize.size() > 1 ? storedSize[0] : 0, storedSize.size() > 1 ? storedSize[1] : 0},
        {designed.width(), designed.height()}, {minimumSizeHint().width(), minimumSizeHint().height()},
        {usable.width(), usable.height() - kFrameAllowance});
    resize(size.width, size.height);
    const WindowPoint at = RestoredWindowPosition(StoredPoint("MainWinPos"), whole.width(), whole.height());
    move(at.x, at.y);

    // The panes as they were left, in proportion to the window's size now.
    const std::vector<int> layout = SettingNumbers(SessionSettings(), "MainLayout");
    const int across = size.width - splitter_->handleWidth();
    std::vector<int> panes = layout.size() > 1 ? RestoredSplit(layout[0], layout[1], across, 20 * charWidth_) : std::vector<int>{};
    if (panes.empty()) {
        // At first the properties get their whole width when the window has
        // room for it beside the picture column's designed width, else half.
        const int properties = std::max(std::min(propertiesWhole, across - pictureLeast), across / 2);
        panes = {across - properties, properties};
    }
    splitter_->setSizes({panes[0], panes[1]});
    const int down = size.height - 34 - menuBar()->sizeHint().height() - pictureSplitter_->handleWidth();
    std::vector<int> picture = layout.size() > 3 ? RestoredSplit(layout[2], layout[3], down, 4 * lineHeight_) : std::vector<int>{};
    if (picture.empty()) picture = {down / 2, down - down / 2};
    pictureSplitter_->setSizes({picture[0], picture[1]});
}

void MainWindow::StoreLayout() {
    const int size[] = {width(), height()};
    SetSettingNumbers(SessionSettings(), "MainWinSize", size);
    const QList<int> panes = splitter_->sizes(), picture = pictureSplitter_->sizes();
    const int layout[] = {panes.value(0), panes.value(1), picture.value(0), picture.value(1)};
    SetSettingNumbers(SessionSettings(), "MainLayout", layout);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == panel_ && event->type() == QEvent::Resize) {
        topLine_->setGeometry(0, 0, panel_->width(), 2);
        toolBarLine_->setGeometry(0, 32, panel_->width(), 2);
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace kivo
