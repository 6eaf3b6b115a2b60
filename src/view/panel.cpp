#include "view/panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QBoxLayout>
#include <QEvent>
#include <QKeyEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QTimer>

#include "app/command_table.h"
#include "app/panel_edits.h"
#include "app/panel_layout.h"
#include "app/session_settings.h"
#include "doc/selection.h"
#include "ui/colour_dropper.h"
#include "ui/qt_platform.h"
#include "ui/qt_translation.h"
#include "ui/text_key_editor.h"
#include "view/colour_swatch.h"
#include "view/frame_tools_part.h"
#include "view/canvas_view.h"
#include "view/main_window.h"
#include "view/spin_buttons.h"
#include "view/timeline.h"

namespace kivo {

const int Panel::kFocusOrder[16] = {121, 122, 123, 124, 101, 102, 105, 106, 108, 110, 111, 114, 120, 119, 117, 115};

namespace {

// Labels shared by a field's typing and its spin buttons, so both are one step.
constexpr std::string_view kDelayLabel = QT_TRANSLATE_NOOP("Edits", "ウェイト");
constexpr std::string_view kLoopCountLabel = QT_TRANSLATE_NOOP("Edits", "繰り返し回数");

bool IsHistoryKey(const QKeyEvent& key) {
    const QKeyCombination combination = key.keyCombination();
    return key.matches(QKeySequence::Undo) || key.matches(QKeySequence::Redo) ||
           combination == QKeyCombination(Qt::ControlModifier, Qt::Key_Y) ||
           combination == QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
}

QString Text(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// Stored texts use CRLF; the edit fields show plain line breaks.
QString ShownText(const std::string& utf8) {
    QString text = QString::fromStdString(utf8);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

std::string Typed(const QPlainTextEdit* edit) { return StoredFromTyped(edit->toPlainText().toStdString()); }

int NumberOf(const QString& text) { return TypedNumber(text.left(19).toStdString()); }

// A frame's line in the list: its numbers translated, two blanks for the tab
// before the comment.
void SetTextQuietly(QLineEdit* edit, const QString& text) {
    if (edit->text() != text) edit->setText(text);
}

}  // namespace

namespace {

// The controls under the picture; every other one is a property.
bool OnFrameListSide(std::string_view key) {
    for (std::string_view k : {"counter", "frame-scroll", "121", "122", "123", "124"})
        if (k == key) return true;
    return false;
}

// Keys of the fixed layout that the window itself draws or lays out.
bool PlacedByWindow(std::string_view key) {
    for (std::string_view k : {"line-top", "line-toolbar", "line-middle", "image"})
        if (k == key) return true;
    return false;
}

}  // namespace

template <typename T>
T* Panel::Make(const std::string& key, QWidget* widget) {
    controls_[key] = widget;
    widget->setObjectName(QString::fromStdString(key));
    if (OnFrameListSide(key) && widget->parentWidget() != window_.FrameListSide())
        widget->setParent(window_.FrameListSide());
    return static_cast<T*>(widget);
}

Panel::Panel(MainWindow& window) : window_(window) {
    CreateControls();
    FormatModeChanged();
}

QWidget* Panel::Control(const std::string& key) const {
    auto it = controls_.find(key);
    return it == controls_.end() ? nullptr : it->second;
}

void Panel::CreateControls() {
    QWidget* parent = window_.PropertySide();
    // A label's Japanese text is also its key; it shows translated.
    auto label = [&](const char* text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
        auto* l = Make<QLabel>(text, new QLabel(tr(text), parent));
        l->setAlignment(align);
        return l;
    };
    auto number = [&](const char* id, int maxLength) {
        auto* e = Make<QLineEdit>(id, new QLineEdit(parent));
        e->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), e));
        if (maxLength) e->setMaxLength(maxLength);
        e->installEventFilter(this);
        return e;
    };
    auto spin = [&](const char* id, QLineEdit* partner) {
        auto* s = Make<SpinButtons>(id, new SpinButtons(parent));
        connect(s, &SpinButtons::stepped, this, [this, partner](int delta) { Step(partner, delta); });
        return s;
    };
    auto check = [&](const char* id, const char* text) {
        return Make<QCheckBox>(id, new QCheckBox(tr(text), parent));
    };
    auto button = [&](const char* id, const char* text) {
        return Make<QPushButton>(id, new QPushButton(tr(text), parent));
    };

    counter_ = Make<QLabel>("counter", new QLabel(parent));
    counter_->setAlignment(Qt::AlignCenter);
    frameScroll_ = Make<QScrollBar>("frame-scroll", new QScrollBar(Qt::Horizontal, parent));
    frameScroll_->setFocusPolicy(Qt::ClickFocus);
    connect(frameScroll_, &QScrollBar::valueChanged, this, [this](int value) {
        if (showing_) return;
        CommitPendingField();
        if (value == window_.GetShell().Doc().currentIndex) return;
        SelectFrame(window_.GetShell().Doc(), Selected(), value);
        Refresh(true);
    });
    // The timeline reads the document for its thumbnails, but not while an
    // edit has it half changed (a progress dialog runs the event loop).
    timeline_ = new Timeline(
        [this]() -> const AnimDoc* {
            const Shell& shell = window_.GetShell();
            return shell.EditHistory().Open() ? nullptr : &shell.Doc();
        },
        parent);
    list_ = Make<QListWidget>("121", timeline_);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    timeline_->SetAcross(TimelineAcross());
    window_.OnCommand(kCmdTimelineAcross, [this] {
        SetTimelineAcross(!TimelineAcross());
        timeline_->SetAcross(TimelineAcross());
    });
    connect(timeline_, &Timeline::framesDropped, this, [this](const QList<int>& rows, int before) {
        CommitPendingField();
        // The shell refreshes every view when the frames moved.
        window_.GetShell().MoveFramesTo(std::vector<int32_t>(rows.begin(), rows.end()), before);
    });
    connect(timeline_, &Timeline::filesDropped, this, [this](const QStringList& files, int before) {
        CommitPendingField();
        if (before >= window_.GetShell().Doc().frameCount) {
            AddFrames(files, false);
            return;
        }
        window_.raise();
        window_.activateWindow();
        std::vector<std::string> paths;
        for (const QString& p : files) paths.push_back(NativePath(p));
        window_.GetShell().InsertFramesFrom(paths, before);
    });
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { window_.EditMenu()->popup(list_->viewport()->mapToGlobal(at)); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] {
        if (Frame* frame = window_.GetShell().Doc().currentFrame) EditFrameInPaint(window_, *frame);
    });
    connect(list_, &QListWidget::itemSelectionChanged, this, [this] {
        if (showing_) return;
        std::vector<int32_t> rows;
        for (const QModelIndex& index : list_->selectionModel()->selectedRows()) rows.push_back(index.row());
        SetListSelection(window_.GetShell().Doc(), Selected(), rows);
        Refresh(true);
    });
    connect(button("122", QT_TR_NOOP("↑上移動")), &QPushButton::clicked, this, [this] {
        PausedPreview paused(window_);
        Edit(QT_TRANSLATE_NOOP("Edits", "コマの上移動"),
             [this](AnimDoc& d) { return MoveSelectedFrames(d, Selected(), true); }, true);
    });
    connect(button("123", QT_TR_NOOP("↓下移動")), &QPushButton::clicked, this, [this] {
        PausedPreview paused(window_);
        Edit(QT_TRANSLATE_NOOP("Edits", "コマの下移動"),
             [this](AnimDoc& d) { return MoveSelectedFrames(d, Selected(), false); }, true);
    });
    connect(button("124", QT_TR_NOOP("全部選択")), &QPushButton::clicked, this, [this] { SelectAll(); });
    window_.OnCommand(kCmdSelectAll, [this] { SelectAll(); });
    // The frame list grows with the window; its counter, scroll bar and
    // buttons keep their line height.
    auto* listColumn = new QVBoxLayout(window_.FrameListSide());
    listColumn->setContentsMargins(8, 4, 8, 8);
    listColumn->setSpacing(4);
    listColumn->addWidget(counter_);
    listColumn->addWidget(frameScroll_);
    listColumn->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    for (const char* id : {"122", "123", "124"}) {
        Control(id)->setMinimumHeight(window_.LineHeight() + 8);
        buttons->addWidget(Control(id));
    }
    listColumn->addLayout(buttons);
    list_->setMinimumHeight(3 * window_.LineHeight());

    label(QT_TR_NOOP("全体の幅"));
    screenWidth_ = number("101", 0);
    spin("103", screenWidth_);
    label(QT_TR_NOOP("全体の高さ"));
    screenHeight_ = number("102", 0);
    spin("104", screenHeight_);
    loop_ = check("105", QT_TR_NOOP("繰り返しセット"));
    connect(loop_, &QCheckBox::clicked, this, [this](bool on) {
        Edit(QT_TRANSLATE_NOOP("Edits", "繰り返しセット"), [on](AnimDoc& d) { return SetLoopEnabled(d, on); }, true);
    });
    label(QT_TR_NOOP("繰り返し回数"));
    loopCount_ = number("106", 5);
    connect(loopCount_, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.isEmpty() || !text[0].isDigit()) return;
        int v = std::clamp(NumberOf(text), 0, kMaxLoopCount);
        // A count above the largest is taken as the largest at once, so it is
        // never written to a file where it would wrap round to "forever".
        if (QString::number(v) != text) loopCount_->setText(QString::number(v));
        Edit(kLoopCountLabel, [v](AnimDoc& d) { return SetLoopCount(d, v); }, false, true);
    });
    spin("107", loopCount_);
    forever_ = check("108", QT_TR_NOOP("永久に繰り返す"));
    connect(forever_, &QCheckBox::clicked, this, [this](bool on) {
        if (on) {
            loopCount_->setText(QStringLiteral("0"));
            Edit(QT_TRANSLATE_NOOP("Edits", "永久に繰り返す"), [](AnimDoc& d) { return SetLoopCount(d, 0); });
        }
        loopCount_->setEnabled(!on && loop_->isChecked());
        Control("107")->setEnabled(!on && loop_->isChecked());
    });

    label(QT_TR_NOOP("1コマの幅"));
    widthValue_ = Make<QLabel>("width-value", new QLabel(parent));
    label(QT_TR_NOOP("1コマの高さ"));
    heightValue_ = Make<QLabel>("height-value", new QLabel(parent));
    for (QLabel* v : {widthValue_, heightValue_}) {
        v->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        v->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    label(QT_TR_NOOP("左端の位置"));
    left_ = number("110", 0);
    spin("112", left_);
    label(QT_TR_NOOP("上端の位置"));
    top_ = number("111", 0);
    spin("113", top_);
    transparency_ = check("114", QT_TR_NOOP("透過色の使用"));
    connect(transparency_, &QCheckBox::clicked, this, [this](bool on) {
        Edit(QT_TRANSLATE_NOOP("Edits", "透過色の使用"),
             [this, on](AnimDoc& d) { return SetTransparency(d, Selected(), on); }, true);
    });
    label(QT_TR_NOOP(" 透過色"));
    swatch_ = Make<ColourSwatch>("120", new ColourSwatch(window_.PropertySide()));
    connect(swatch_, &QAbstractButton::clicked, this, [this] { PickTransparentColour(); });
    hasDelay_ = check("119", QT_TR_NOOP("ウェイト有り"));
    connect(hasDelay_, &QCheckBox::clicked, this, [this](bool on) {
        int typed = NumberOf(delay_->text());
        Edit(QT_TRANSLATE_NOOP("Edits", "ウェイト有り"),
             [this, on, typed](AnimDoc& d) { return SetHasDelay(d, Selected(), on, typed); });
        for (const char* key : {"ｳｪｲﾄ[1/100s]", "117", "118"}) Control(key)->setEnabled(on);
    });
    label(QT_TR_NOOP("ｳｪｲﾄ[1/100s]"));
    delay_ = number("117", 0);
    connect(delay_, &QLineEdit::textEdited, this, [this](const QString& text) {
        int v = std::clamp(NumberOf(text), 0, kMaxDelay);
        if (!text.isEmpty() && QString::number(v) != text) delay_->setText(QString::number(v));
        Edit(kDelayLabel, [this, v](AnimDoc& d) { return SetDelay(d, Selected(), v); }, false, true);
        if (Selected().size() > 1) {
            QSignalBlocker block(hasDelay_);
            hasDelay_->setChecked(true);
        }
    });
    spin("118", delay_);
    label(QT_TR_NOOP("消去手段"));
    disposal_ = Make<QComboBox>("115", new QComboBox(parent));
    connect(disposal_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        int disposal = DisposalFromIndex(index, window_.GetShell().FormatMode());
        Edit(QT_TRANSLATE_NOOP("Edits", "消去手段"),
             [this, disposal](AnimDoc& d) { return SetDisposal(d, Selected(), disposal); });
    });

    // Tab visits the controls in one fixed order; the rest take the focus only
    // when clicked.
    for (auto& [key, widget] : controls_)
        if (widget->focusPolicy() != Qt::NoFocus) widget->setFocusPolicy(Qt::ClickFocus);
    QWidget* previous = nullptr;
    for (int id : kFocusOrder) {
        QWidget* w = Control(std::to_string(id));
        w->setFocusPolicy(Qt::StrongFocus);
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }

    connect(window_.Canvas(), &CanvasView::filesDropped, this,
            [this](const QStringList& files) { AddFrames(files, true); });
    // Space, the arrows, Home and End play and step from the list as from the canvas.
    window_.AttachFrameKeys(list_);
}

void Panel::CreateModeControls() {
    for (QWidget* w : modeControls_) {
        for (auto it = controls_.begin(); it != controls_.end();)
            it = it->second == w ? controls_.erase(it) : std::next(it);
        delete w;
    }
    modeControls_.clear();
    documentText_ = frameText_ = nullptr;
    documentKeys_ = frameKeys_ = nullptr;
    QWidget* parent = window_.PropertySide();
    auto keep = [&](const std::string& key, QWidget* w) {
        Make<QWidget>(key, w);
        modeControls_.push_back(w);
        w->show();
        return w;
    };
    auto text = [&](const char* id) {
        auto* edit = static_cast<QPlainTextEdit*>(keep(id, new QPlainTextEdit(parent)));
        edit->setTabChangesFocus(true);
        edit->setFocusPolicy(Qt::ClickFocus);
        edit->installEventFilter(this);
        return edit;
    };
    auto line = [&](const char* key) {
        auto* l = static_cast<QFrame*>(keep(key, new QFrame(parent)));
        l->setFrameStyle(QFrame::HLine | QFrame::Sunken);
    };
    if (mode_ == 1) {
        keep("テキスト", new QLabel(tr("テキスト"), parent));
        auto* addDocumentKey = static_cast<QPushButton*>(keep("129", new QPushButton(tr("Key追加"), parent)));
        documentKeys_ = static_cast<QComboBox*>(keep("127", new QComboBox(parent)));
        documentText_ = text("125");
        line("line-keys");
        keep("frame-テキスト", new QLabel(tr("テキスト"), parent));
        auto* addFrameKey = static_cast<QPushButton*>(keep("130", new QPushButton(tr("Key追加"), parent)));
        frameKeys_ = static_cast<QComboBox*>(keep("128", new QComboBox(parent)));
        frameText_ = text("126");
        for (QWidget* w : {static_cast<QWidget*>(addDocumentKey), static_cast<QWidget*>(addFrameKey),
                           static_cast<QWidget*>(documentKeys_), static_cast<QWidget*>(frameKeys_)})
            w->setFocusPolicy(Qt::ClickFocus);
        connect(documentKeys_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
            AnimDoc& d = window_.GetShell().Doc();
            d.selectedTextKey = index;
            QSignalBlocker block(documentText_);
            documentText_->setPlainText(
                index >= 0 && size_t(index) < d.textKeys.size() ? ShownText(d.textKeys[size_t(index)].text) : QString());
        });
        connect(frameKeys_, qOverload<int>(&QComboBox::activated), this, [this](int index) {
            Frame* f = window_.GetShell().Doc().currentFrame;
            if (!f) return;
            f->selectedTextKey = index;
            QSignalBlocker block(frameText_);
            frameText_->setPlainText(
                index >= 0 && size_t(index) < f->textKeys.size() ? ShownText(f->textKeys[size_t(index)].text) : QString());
        });
        connect(documentText_, &QPlainTextEdit::textChanged, this, [this] {
            std::string typed = Typed(documentText_);
            Edit(QT_TRANSLATE_NOOP("Edits", "全体のテキスト"),
                 [typed](AnimDoc& d) { return SetDocumentKeyText(d, typed); }, false, true);
        });
        connect(frameText_, &QPlainTextEdit::textChanged, this, [this] {
            std::string typed = Typed(frameText_);
            Edit(QT_TRANSLATE_NOOP("Edits", "コマのテキスト"),
                 [typed](AnimDoc& d) { return SetFrameKeyText(d, typed); }, false, true);
        });
        connect(addDocumentKey, &QPushButton::clicked, this, [this] { EditKeys(false); });
        connect(addFrameKey, &QPushButton::clicked, this, [this] { EditKeys(true); });
    } else {
        keep("コメント", new QLabel(tr("コメント"), parent));
        documentText_ = text("109");
        line("line-comments");
        keep("frame-コメント", new QLabel(tr("コメント"), parent));
        frameText_ = text("116");
        connect(documentText_, &QPlainTextEdit::textChanged, this, [this] {
            std::string typed = Typed(documentText_);
            Edit(QT_TRANSLATE_NOOP("Edits", "全体のコメント"),
                 [typed](AnimDoc& d) { return SetDocumentComment(d, typed); }, false, true);
        });
        connect(frameText_, &QPlainTextEdit::textChanged, this, [this] {
            std::string typed = Typed(frameText_);
            Edit(QT_TRANSLATE_NOOP("Edits", "コマのコメント"),
                 [typed](AnimDoc& d) { return SetFrameComment(d, typed); }, false, true);
        });
    }
    disposal_->clear();
    for (const std::string& choice : DisposalChoices(mode_)) disposal_->addItem(Translated("Panel", choice));
}

void Panel::Layout() {
    // The properties keep the places the fixed layout gives them, moved by the
    // picture column and the tool bar that are laid out apart from them.
    const QSize designed = window_.DesignedPanelSize();
    std::vector<ControlPlace> places =
        PanelLayout(window_.CharWidth(), window_.LineHeight(), designed.width(), designed.height(), mode_);
    for (const ControlPlace& p : places) {
        if (OnFrameListSide(p.key) || PlacedByWindow(p.key)) continue;
        if (QWidget* w = Control(p.key))
            w->setGeometry(p.x - MainWindow::kPictureColumnWidth, p.y - MainWindow::kToolBarHeight, p.width,
                           p.height);
    }
    // The drop-down lists' heights include their open list; the closed box is one line.
    for (const char* key : {"115", "127", "128"})
        if (QWidget* w = Control(key)) w->resize(w->width(), window_.LineHeight());
}

void Panel::FormatModeChanged() {
    const int mode = window_.GetShell().FormatMode();
    if (mode_ == mode) return;
    mode_ = mode;
    CreateModeControls();
    Layout();
    Refresh(false);
}

void Panel::DocumentChanged() { Refresh(false); }

void Panel::CurrentFrameChanged() {
    // As when the frame scroll bar moves: what is being typed goes to the frame
    // it was typed for.
    CommitPendingField();
    AnimDoc& doc = window_.GetShell().Doc();
    SettleForPanel(doc, window_.GetShell().FormatMode(), PanelRefresh::kSelection);
    state_ = ComputePanelState(doc, Selected(), window_.GetShell().FormatMode());
    showing_ = true;
    ShowFrameProperties();
    showing_ = false;
}

void Panel::Refresh(bool selectionOnly) {
    AnimDoc& doc = window_.GetShell().Doc();
    SettleForPanel(doc, window_.GetShell().FormatMode(), selectionOnly ? PanelRefresh::kSelection : PanelRefresh::kFull);
    state_ = ComputePanelState(doc, Selected(), window_.GetShell().FormatMode());
    showing_ = true;
    if (!selectionOnly) ShowState();
    ShowFrameProperties();
    showing_ = false;
    if (selectionOnly) window_.DocumentEdited(this);
}

void Panel::ShowState() {
    const PanelState& s = state_;
    SetTextQuietly(screenWidth_, QString::number(s.screenWidth));
    SetTextQuietly(screenHeight_, QString::number(s.screenHeight));
    loop_->setChecked(s.loopEnabled);
    SetTextQuietly(loopCount_, QString::number(s.loopCount));
    forever_->setChecked(s.loopsForever);
    forever_->setEnabled(s.foreverEnabled);
    loopCount_->setEnabled(s.loopCountEnabled);
    Control("107")->setEnabled(s.loopCountEnabled);
    if (mode_ == 1) {
        documentKeys_->clear();
        for (const std::string& k : s.documentKeys.keys) documentKeys_->addItem(Text(k));
        documentKeys_->setCurrentIndex(s.documentKeys.keys.empty() ? -1 : s.documentKeys.selected);
        documentText_->setPlainText(ShownText(s.documentKeys.text));
        documentKeys_->setEnabled(s.documentKeys.enabled);
        documentText_->setEnabled(s.documentKeys.enabled);
    } else if (ShownText(s.documentComment) != documentText_->toPlainText()) {
        documentText_->setPlainText(ShownText(s.documentComment));
    }
    timeline_->ShowRows(s.listRows, mode_);
    frameScroll_->setRange(0, std::max(0, int(s.listItems.size()) - 1));
}

void Panel::ShowFrameProperties() {
    const PanelState& s = state_;
    counter_->setText(TranslatedPattern("Panel", kFrameCounterPattern, s.counter));
    frameScroll_->setValue(s.currentIndex);
    list_->clearSelection();
    for (int32_t i : s.selection)
        if (QListWidgetItem* item = list_->item(i)) item->setSelected(true);
    if (QListWidgetItem* item = list_->item(s.currentIndex)) {
        list_->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        list_->scrollToItem(item);
    }

    // Everything about frames follows whether there are any.
    for (const char* key : {"1コマの幅", "1コマの高さ", "左端の位置", "上端の位置", " 透過色", "消去手段",
                            "ｳｪｲﾄ[1/100s]", "width-value", "height-value", "110", "111", "112", "113", "117",
                            "118", "115", "120", "114", "119", "122", "123", "124"})
        Control(key)->setEnabled(s.framesEnabled);
    if (!s.framesEnabled) {
        for (QWidget* w : modeControls_)
            if (w != documentText_ && w != documentKeys_ && w->objectName() != "129" && w->objectName() != "テキスト" &&
                w->objectName() != "コメント")
                w->setEnabled(false);
        if (frameText_) frameText_->setPlainText(QString());
        if (frameKeys_) frameKeys_->clear();
        widthValue_->clear();
        heightValue_->clear();
        left_->clear();
        top_->clear();
        delay_->clear();
        swatch_->SetColour(std::nullopt);
        return;
    }
    widthValue_->setText(QString::number(s.frameWidth));
    heightValue_->setText(QString::number(s.frameHeight));
    SetTextQuietly(left_, s.left ? QString::number(*s.left) : QString());
    SetTextQuietly(top_, s.top ? QString::number(*s.top) : QString());
    for (const char* key : {"110", "112", "左端の位置"}) Control(key)->setEnabled(s.leftEnabled);
    for (const char* key : {"111", "113", "上端の位置"}) Control(key)->setEnabled(s.topEnabled);
    transparency_->setChecked(s.transparency);
    for (const char* key : {"120", " 透過色"}) Control(key)->setEnabled(s.swatchEnabled);
    swatch_->SetColour(s.swatch);
    bool single = !s.multiSelection;
    for (const char* key : {"frame-コメント", "116", "frame-テキスト", "128", "126", "130"})
        if (QWidget* w = Control(key)) w->setEnabled(single);
    if (!single) return;  // delay, its switch and the disposal keep what they showed
    hasDelay_->setChecked(s.hasDelay);
    SetTextQuietly(delay_, QString::number(s.delay));
    for (const char* key : {"ｳｪｲﾄ[1/100s]", "117", "118"}) Control(key)->setEnabled(s.hasDelay);
    disposal_->setCurrentIndex(s.disposalIndex);
    if (mode_ == 1) {
        frameKeys_->clear();
        for (const std::string& k : s.frameKeys.keys) frameKeys_->addItem(Text(k));
        frameKeys_->setCurrentIndex(s.frameKeys.keys.empty() ? -1 : s.frameKeys.selected);
        frameText_->setPlainText(ShownText(s.frameKeys.text));
        frameKeys_->setEnabled(s.frameKeys.enabled);
        frameText_->setEnabled(s.frameKeys.enabled);
    } else if (ShownText(s.frameComment) != frameText_->toPlainText()) {
        frameText_->setPlainText(ShownText(s.frameComment));
    }
}

Selection& Panel::Selected() { return window_.GetShell().Selected(); }

void Panel::Edit(std::string_view label, const std::function<bool(AnimDoc&)>& operation, bool refreshPanel,
                 bool merge) {
    if (showing_) return;
    if (!window_.GetShell().Edit(label, operation, merge ? label : std::string_view())) return;
    if (refreshPanel) {
        Refresh(false);
    } else {
        // Typing goes on in the field: only the list's text of the frame follows.
        AnimDoc& doc = window_.GetShell().Doc();
        if (doc.currentFrame) timeline_->ShowRow(doc.currentIndex, FrameListRowOf(*doc.currentFrame, doc.currentIndex));
        timeline_->UpdateThumbnails();
    }
    window_.DocumentEdited(this);
}

void Panel::PickTransparentColour() {
    CommitPendingField();
    const Frame* frame = window_.GetShell().Doc().currentFrame;
    if (!frame) return;
    // The dropper shows this frame's pixels; playback would change frames under it.
    PausedPreview paused(window_);
    std::optional<Rgb> colour = PickColour(window_.PanelWidget(), *frame);
    if (colour) Edit(QT_TRANSLATE_NOOP("Edits", "透過色"),
                     [this, c = *colour](AnimDoc& d) { return SetTransparentColour(d, Selected(), c); }, true);
}

void Panel::EditKeys(bool ofFrame) {
    CommitPendingField();
    AnimDoc& doc = window_.GetShell().Doc();
    if (ofFrame && !doc.currentFrame) return;
    // The dialog works on a copy, so the document changes only through the
    // shell's one edit path and only when keys were really added or deleted.
    TextKeyList keys = ofFrame ? doc.currentFrame->textKeys : doc.textKeys;
    if (!EditTextKeys(window_.PanelWidget(), keys, ofFrame ? doc.currentIndex + 1 : 0)) return;
    Edit(QT_TRANSLATE_NOOP("Edits", "Key追加"),
         [&keys, ofFrame](AnimDoc& d) { return ReplaceKeys(d, ofFrame, std::move(keys)); }, true);
}

void Panel::CommitField(QLineEdit* field, bool merge) {
    if (!field || showing_) return;
    pendingField_ = nullptr;
    AnimDoc& doc = window_.GetShell().Doc();
    bool multi = Selected().size() > 1;
    if (field->text().isEmpty() && multi) return;  // several frames at different places
    const std::optional<TypedField> which = TypedFieldOf(field);
    if (!which) return;
    if ((*which == TypedField::kLeft || *which == TypedField::kTop) && !doc.currentFrame) return;
    const int typed = NumberOf(field->text());
    const int corrected = CorrectTypedField(doc, Selected(), *which, typed);
    if (corrected != typed || field->text() != QString::number(corrected)) {
        field->setText(QString::number(corrected));
        if (!multi) {
            // The value was out of range: the user sees the correction selected
            // in the field and can type again.
            QTimer::singleShot(0, field, [field] {
                field->setFocus();
                field->selectAll();
            });
        }
    }
    Edit(TypedFieldLabel(*which),
         [this, w = *which, corrected](AnimDoc& d) { return SetTypedField(d, Selected(), w, corrected); }, true, merge);
}

std::optional<TypedField> Panel::TypedFieldOf(const QLineEdit* field) const {
    if (field == screenWidth_) return TypedField::kScreenWidth;
    if (field == screenHeight_) return TypedField::kScreenHeight;
    if (field == left_) return TypedField::kLeft;
    if (field == top_) return TypedField::kTop;
    return std::nullopt;
}

void Panel::CommitPendingField() {
    if (pendingField_) CommitField(pendingField_);
}

void Panel::BeforeCommand() { CommitPendingField(); }

void Panel::Step(QLineEdit* field, int delta) {
    // The field takes the focus first, which commits another field being typed.
    if (pendingField_ && pendingField_ != field) CommitPendingField();
    field->setFocus();
    AnimDoc& doc = window_.GetShell().Doc();
    if (field == loopCount_) {
        int v = std::clamp(doc.loopCount + delta, 0, kMaxLoopCount);
        loopCount_->setText(QString::number(v));
        Edit(kLoopCountLabel, [v](AnimDoc& d) { return SetLoopCount(d, v); }, false, true);
        return;
    }
    if (field == delay_) {
        if (!doc.currentFrame) return;
        int v = std::clamp(doc.currentFrame->delay + delta, 0, kMaxDelay);
        delay_->setText(QString::number(v));
        Edit(kDelayLabel, [this, v](AnimDoc& d) { return SetDelay(d, Selected(), v); }, false, true);
        return;
    }
    // Sizes and positions step from what is typed, so a spin right after typing
    // continues from the typed value.
    const std::optional<TypedField> which = TypedFieldOf(field);
    if (!which || ((*which == TypedField::kLeft || *which == TypedField::kTop) && !doc.currentFrame)) return;
    field->setText(QString::number(StepTypedField(doc, Selected(), *which, field->text().toStdString(), delta)));
    CommitField(field, true);
    field->setFocus();
    field->selectAll();
}

bool Panel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && IsHistoryKey(*static_cast<QKeyEvent*>(event))) {
        // What was typed is in the document already: undo is the document's,
        // not the field's own, so the key goes on to the window's command.
        event->ignore();
        return true;
    }
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (field && (field == screenWidth_ || field == screenHeight_ || field == left_ || field == top_)) {
        if (event->type() == QEvent::FocusIn) pendingField_ = field;
        if (event->type() == QEvent::FocusOut && pendingField_ == field) CommitField(field);
        if (event->type() == QEvent::KeyPress) {
            int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) CommitField(field);
        }
    }
    return false;
}

void Panel::AddFrames(const QStringList& paths, bool insert) {
    window_.raise();
    window_.activateWindow();
    std::vector<std::string> files;
    for (const QString& p : paths) files.push_back(NativePath(p));
    window_.GetShell().AddFramesFrom(files, insert);
}

// A selection-only refresh: the document's fields keep what is typed in them.
void Panel::SelectAll() {
    if (SelectAllFrames(window_.GetShell().Doc(), Selected())) Refresh(true);
}

}  // namespace kivo
