// The frame property panel: the frame counter, scroll bar and list on the left;
// the screen size, looping and the document's comment or keys, then the
// current frame's size, position, transparency, delay, disposal and comment or
// keys on the right. It shows PanelState and sends every edit through
// Shell::Edit; nothing here decides a value.
#pragma once

#include <QObject>
#include <QString>
#include <map>
#include <optional>
#include <string>

#include "app/panel_edits.h"
#include "app/panel_state.h"
#include "view/window_part.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QWidget;

namespace kivo {

class ColourSwatch;
class MainWindow;
class SpinButtons;
class Timeline;

class Panel : public QObject, public WindowPart {
    Q_OBJECT
public:
    explicit Panel(MainWindow& window);

    void DocumentChanged() override;
    void CurrentFrameChanged() override;
    void FormatModeChanged() override;
    void BeforeCommand() override;

    // A control by its id ("101") or label text, for tests and screenshots.
    QWidget* Control(const std::string& key) const;
    // The controls Tab visits, in order.
    static const int kFocusOrder[16];

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void CreateModeControls();
    void Layout();
    void ShowState();
    void ShowFrameProperties();
    void Refresh(bool selectionOnly);
    // The select-all command and the panel's own button.
    void SelectAll();
    // Typed sizes and positions are taken when their field is left.
    // merge: a spin step, which joins the step of the field's previous change.
    void CommitField(QLineEdit* field, bool merge = false);
    // Which typed field this is; none for the other fields.
    std::optional<TypedField> TypedFieldOf(const QLineEdit* field) const;
    void CommitPendingField();
    void Step(QLineEdit* field, int delta);
    // The shell's frame selection, which the list shows and the edits act on.
    Selection& Selected();
    // One edit through the shell, named by label for undo; merge makes key
    // strokes in one field one step.
    void Edit(std::string_view label, const std::function<bool(AnimDoc&)>& operation, bool refreshList = false,
              bool merge = false);
    void AddFrames(const QStringList& paths, bool insert);
    // The swatch's colour dropper and the two key buttons' editor.
    void PickTransparentColour();
    void EditKeys(bool ofFrame);
    template <typename T>
    T* Make(const std::string& key, QWidget* widget);

    MainWindow& window_;
    std::map<std::string, QWidget*> controls_;
    PanelState state_;
    bool showing_ = false;  // guards the handlers while values are being shown
    int mode_ = -1;
    QLineEdit* pendingField_ = nullptr;  // a size or position being typed

    QLabel* counter_ = nullptr;
    QScrollBar* frameScroll_ = nullptr;
    QListWidget* list_ = nullptr;  // the timeline, as the list it also is
    Timeline* timeline_ = nullptr;
    QLineEdit *screenWidth_ = nullptr, *screenHeight_ = nullptr, *loopCount_ = nullptr;
    QLineEdit *left_ = nullptr, *top_ = nullptr, *delay_ = nullptr;
    QCheckBox *loop_ = nullptr, *forever_ = nullptr, *transparency_ = nullptr, *hasDelay_ = nullptr;
    QComboBox* disposal_ = nullptr;
    ColourSwatch* swatch_ = nullptr;
    QLabel *widthValue_ = nullptr, *heightValue_ = nullptr;
    // Comment (GIF) or key (MNG) controls of the working mode.
    QPlainTextEdit *documentText_ = nullptr, *frameText_ = nullptr;
    QComboBox *documentKeys_ = nullptr, *frameKeys_ = nullptr;
    std::vector<QWidget*> modeControls_;
};

}  // namespace kivo
