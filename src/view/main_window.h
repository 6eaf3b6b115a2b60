// The editor's main window: the menu of the command table, the canvas and the
// panel's place, the caption. A command runs its row's handler on the Shell,
// or the one its window part registered; the window only supplies the dialogs
// and shows the result.
#pragma once

#include <QMainWindow>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/command_table.h"
#include "app/shell.h"
#include "view/window_part.h"

class QAction;
class QFrame;
class QMenu;
class QScrollArea;
class QSplitter;

namespace kivo {

class CanvasView;

class MainWindow : public QMainWindow, public ShellUi {
    Q_OBJECT
public:
    // formatMode: the working mode to start in (0 GIF, 1 MNG).
    // Starts in the working mode and with the write options given (the
    // settings file's, in the editor).
    explicit MainWindow(int formatMode = 0, WriteOptions options = {});
    ~MainWindow() override;

    Shell& GetShell() { return shell_; }
    QAction* Action(int id) const;
    // The edit column, also the canvas's right-click menu.
    QMenu* EditMenu() const { return editMenu_; }
    // Runs command id as its menu item, shortcut and button do: nothing while
    // it is not offered; a value still being typed reaches the document first.
    void RunCommand(int id);
    // The handler of a command whose row has no Shell handler, registered by
    // the part that owns what it needs.
    void OnCommand(CommandId id, std::function<void()> handler);
    bool HasCommandHandler(int id) const { return handlers_.count(id) != 0; }
    // Enables and checks the menu items and buttons by the document's state.
    void UpdateCommands();

    // Attaches a part (owned by the window from now on).
    void AddPart(WindowPart* part);
    template <typename T>
    T* FindPart() const {
        for (const auto& p : parts_)
            if (auto* t = dynamic_cast<T*>(p.get())) return t;
        return nullptr;
    }
    // The window's body under the menus: the tool bar's row across its top
    // (parts place their buttons there), the picture and frame list, the
    // properties.
    QWidget* PanelWidget() const { return panel_; }
    // Under the picture: the frame list and its buttons, laid out by the panel.
    QWidget* FrameListSide() const { return frameListSide_; }
    // The properties, at their designed size inside a scroll area: the panel
    // places its controls there as the fixed layout says, less the picture
    // column's width and the tool bar's height.
    QWidget* PropertySide() const { return propertySide_; }
    static constexpr int kPictureColumnWidth = 242;
    static constexpr int kToolBarHeight = 34;
    // The size the fixed layout was designed for.
    QSize DesignedPanelSize() const;
    CanvasView* Canvas() const { return canvas_; }
    // The commands whose keys act only where frames are browsed (the canvas,
    // the frame list) act on widget's keys too.
    void AttachFrameKeys(QWidget* widget);

    // Layout units of the window: the UI font's average character width, and
    // its line height plus 4 pixels.
    int CharWidth() const { return charWidth_; }
    int LineHeight() const { return lineHeight_; }

    // ShellUi
    OwnerWindow Owner() override { return this; }
    SaveAnswer AskSaveChanges(const std::string& text) override;
    bool AskOkCancel(const std::string& text) override;
    std::optional<std::string> ChooseOpenPath() override;
    std::optional<std::string> ChooseSavePath(const std::string& initialName) override;
    std::vector<std::string> ChooseFramePaths() override;
    std::optional<std::string> ChooseAviSavePath(const std::string& initialName) override;
    std::optional<std::string> ChooseAviEncoder() override;
    bool AskAviRetry(const std::string& message) override;
    std::optional<std::string> ChooseVideoSavePath(const std::string& initialName) override;
    bool AskVideoReading(const std::string& path, const VideoProbe& probe, ReadOptions& reading) override;
    bool RunOptionsDialog(bool mng) override;
    bool RunWebpOptionsDialog() override;
    // A part changed the document: the commands and every other part hear of
    // it (the source keeps its own controls as they are).
    void DocumentEdited(WindowPart* source);
    // A part made another frame current without changing the document.
    void CurrentFrameChanged(WindowPart* source);
    bool StopPreview() override;
    void ResumePreview() override;
    void RefreshPanel() override;
    void SetCaption(const std::string& caption) override;
    void FormatModeChanged() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenus();
    // Size, place and panes from the settings, fitted to the screen.
    void PlaceAtStart();
    // Size and panes into the settings, for the next start.
    void StoreLayout();
    void UpdatePasteEnable();

    Shell shell_;
    std::vector<std::unique_ptr<WindowPart>> parts_;
    QWidget* panel_ = nullptr;
    QFrame* topLine_ = nullptr;
    QFrame* toolBarLine_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QSplitter* pictureSplitter_ = nullptr;
    QWidget* frameListSide_ = nullptr;
    QScrollArea* propertyScroll_ = nullptr;
    QWidget* propertySide_ = nullptr;
    std::map<int, QAction*> actions_;
    std::map<int, std::function<void()>> handlers_;
    QMenu* editMenu_ = nullptr;
    CanvasView* canvas_ = nullptr;
    std::vector<QAction*> frameKeyActions_;
    // The parts a command stopped, to be started again after it.
    std::set<WindowPart*> stopped_;
    int charWidth_ = 8;
    int lineHeight_ = 20;
    bool clipboardHasPicture_ = false;
};

}  // namespace kivo
